// Fuzz target: arbitrary bytes through the VZP checker. The first byte chooses the form:
// even, the rest is a whole VZP file for the batch check (both reads, every record rule);
// odd, the rest is one record of the layout chosen by the second byte, whose fields go
// through the generic check and their named checks, and every named check also sees
// slices of the input of every width up to 16.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "vzp/batch_check.h"
#include "vzp/checks.h"
#include "fuzz_temp.h"

using namespace quervik;
using namespace quervik::vzp;

namespace {

void checkRecord(const VzpRecordDescriptor& record, const std::string& text) {
  std::string line = text;
  line.resize(size_t(record.length), ' ');
  for (const VzpFieldDescriptor& f : record.fields) {
    const std::string_view value(line.data() + f.offset(), size_t(f.width));
    const int generic = checkAttribute(value, f);
    if (generic < 0) std::abort();  // checks answer 0 or a finding code
    for (VzpCheckFunction check : resolveCheckList(f.checks))
      if (check(value) < 0) std::abort();
  }
}

}  // namespace

QUERVIK_FUZZ_TARGET(const uint8_t* data, size_t size) {
  fuzz::useRegistryCatalogue();  // before the layouts, which report unknown check names
  static VzpLayouts* layouts = new VzpLayouts();
  if (size == 0) return;
  resetVzpCheckState();
  const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] % 2 == 0) {
    FILE* f = fmemopen(const_cast<char*>(rest.data()), rest.size(), "rb");
    if (f || rest.empty()) {
      vzpFileCounters() = VzpFileCounters();
      const int result = f ? checkVzpStream(f, int64_t(rest.size()), *layouts) : 0;
      if (f) std::fclose(f);
      if (result != 0 && result != kVzpFileWithoutHeader && result != 6091 && result != 6093 && result != 6094 &&
          result != 6097)
        std::abort();
      if (vzpFileCounters().lines < 0 || vzpFileCounters().errors < 0) std::abort();
    }
  } else if (!rest.empty()) {
    const auto table = vzpRecordTable();
    checkRecord(table[uint8_t(rest[0]) % table.size()], rest.substr(1));
    for (const VzpCheckEntry& e : vzpCheckTable())
      for (size_t width = 0; width <= 16 && width <= rest.size(); ++width)
        if (e.function(std::string_view(rest.data(), width)) < 0) std::abort();
  }
}
