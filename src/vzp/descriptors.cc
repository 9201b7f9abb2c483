// The VZP record table and its field blocks; see descriptors.h. The tables are checked
// when this file compiles: a layout whose widths do not add up, a field that does not
// start where the previous one ended, an unknown kind or check name, a letter in a next
// set without a layout, or a layout hidden behind an earlier equal one stops the build.
#include "vzp/descriptors.h"

#include <cstring>

namespace quervik::vzp {
namespace {

#include "vzp/layouts.inc"

constexpr VzpRecordDescriptor kRecords[] = {
#include "vzp/records.inc"
};

constexpr const char* kCheckNames[] = {
#define VZP_CHECK(id, name) name,
#include "vzp/check_list.def"
#undef VZP_CHECK
};

constexpr bool sameText(const char* a, const char* b, int n) {
  for (int i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return b[n] == '\0';
}

constexpr int textLength(const char* s) {
  int n = 0;
  while (s[n]) ++n;
  return n;
}

constexpr bool isCheckName(const char* s, int n) {
  for (const char* name : kCheckNames)
    if (sameText(s, name, n)) return true;
  return false;
}

constexpr bool checkListResolves(const char* list) {
  int start = 0;
  for (int i = 0;; ++i) {
    if (list[i] == ',' || list[i] == '\0') {
      if (i == start || !isCheckName(list + start, i - start)) return false;
      if (list[i] == '\0') return true;
      start = i + 1;
    }
  }
}

constexpr bool fieldIsWellFormed(const VzpFieldDescriptor& f) {
  const bool kindOk = f.kind == 'C' || f.kind == 'N' || f.kind == 'D' || f.kind == '$';
  const bool presenceOk = f.presence == ' ' || f.presence == 'N' || f.presence == 'X';
  const bool decimalsOk = f.kind == '$' ? (f.decimals == 2 || f.decimals == 3) : true;
  const bool checksOk = f.checks[0] == '\0' || checkListResolves(f.checks);
  return kindOk && presenceOk && decimalsOk && f.width > 0 && textLength(f.code) > 0 && checksOk;
}

constexpr bool layoutIsConsistent(const VzpRecordDescriptor& r) {
  if (r.fields.empty() || r.fieldCount() > kMaxVzpFields) return false;
  int position = 1;
  for (const VzpFieldDescriptor& f : r.fields) {
    if (f.position != position || !fieldIsWellFormed(f)) return false;
    position += f.width;
  }
  // The first field is the record letter.
  const VzpFieldDescriptor& first = r.fields[0];
  return position - 1 == r.length && first.kind == 'C' && first.width == 1 && textLength(r.batchType) == 2 &&
         (r.role == 'D' || r.role == 'X' || r.role == 'R');
}

constexpr bool hasLayout(const char* batchType, char letter) {
  for (const VzpRecordDescriptor& r : kRecords)
    if (sameText(r.batchType, batchType, 2) && r.letter == letter) return true;
  return false;
}

constexpr bool nextLettersHaveLayouts(const VzpRecordDescriptor& r) {
  // The header's next set names the first records of every batch type; the header itself
  // is looked up under "00".
  if (sameText(r.batchType, kVzpHeaderBatchType, 2)) return true;
  for (const char* c = r.next; *c; ++c)
    if (!hasLayout(*c == 'D' ? kVzpHeaderBatchType : r.batchType, *c)) return false;
  return true;
}

constexpr bool tablesAreConsistent() {
  for (size_t i = 0; i < std::size(kRecords); ++i) {
    const VzpRecordDescriptor& r = kRecords[i];
    if (!layoutIsConsistent(r) || !nextLettersHaveLayouts(r)) return false;
    for (size_t j = 0; j < i; ++j)
      if (sameText(kRecords[j].batchType, r.batchType, 2) && kRecords[j].letter == r.letter &&
          kRecords[j].length == r.length)
        return false;
  }
  return true;
}

static_assert(std::size(kRecords) == kVzpRecordCount);
static_assert(tablesAreConsistent(), "a VZP layout breaks an invariant: widths, positions, kinds, check names, next sets, or an equal earlier layout");

}  // namespace

bool VzpRecordDescriptor::allowsNext(char c) const { return c != '\0' && std::strchr(next, c) != nullptr; }

std::span<const VzpRecordDescriptor> vzpRecordTable() { return kRecords; }

const VzpRecordDescriptor* findRecordDescriptor(std::string_view batchType, char letter, int length) {
  if (batchType.size() != 2) return nullptr;
  for (const VzpRecordDescriptor& r : kRecords)
    if (r.letter == letter && r.length == length && batchType == std::string_view(r.batchType, 2)) return &r;
  return nullptr;
}

}  // namespace quervik::vzp
