// VZP test helpers; see vzp_test_support.h.
#include "vzp_test_support.h"

#include <ostream>
#include <sstream>

#include "runtime/catalogue.h"
#include "runtime/report.h"
#include "vzp/checks.h"
#include "vzp/descriptors.h"

namespace quervik::test {

void VzpTest::SetUp() {
  RuntimeTest::SetUp();
  setMessageFile(sourceCatalogue().c_str());
  vzp::resetVzpCheckState();
}

void VzpTest::TearDown() {
  vzp::resetVzpCheckState();
  RuntimeTest::TearDown();
}

std::vector<std::string> vzpBatchLines(const std::string& type, int documents, uint64_t seed) {
  vzptools::VzpGeneratorOptions options;
  options.batchTypes = {type};
  options.documentsPerBatch = documents;
  options.seed = seed;
  options.crlf = false;
  std::vector<std::string> lines;
  std::istringstream in(vzptools::generateVzpText(options));
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void setField(std::string& record, std::string_view batchType, std::string_view code, std::string_view value) {
  const vzp::VzpRecordDescriptor* d = vzp::findRecordDescriptor(batchType, record.at(0), int(record.size()));
  ASSERT_NE(d, nullptr) << "no layout for " << batchType << " " << record;
  for (const vzp::VzpFieldDescriptor& f : d->fields) {
    if (code != f.code) continue;
    std::string v(value.substr(0, size_t(f.width)));
    v.resize(size_t(f.width), ' ');
    record.replace(size_t(f.offset()), size_t(f.width), v);
    return;
  }
  FAIL() << "no field " << code << " in " << batchType << " " << record[0];
}

std::vector<VzpFinding> vzpFindings() {
  std::vector<VzpFinding> out;
  for (const std::string& e : errorEntries()) {
    // "Chyba na radku N: TEXT (CODE) (6900)\n"
    if (e.size() < 8 || (e.compare(e.size() - 8, 8, " (6900)\n") != 0 && e.compare(e.size() - 8, 8, " (6910)\n") != 0))
      continue;
    const std::string body = e.substr(0, e.size() - 8);
    const size_t open = body.rfind(" (");
    const size_t colon = body.find(':');
    const size_t number = body.find_first_of("0123456789");
    if (open == std::string::npos || colon == std::string::npos || number == std::string::npos) {
      ADD_FAILURE() << "unexpected finding text: " << e;
      continue;
    }
    out.push_back({std::stoi(body.substr(open + 2)), std::stoi(body.substr(number, colon - number))});
  }
  return out;
}

void PrintTo(const VzpFinding& f, std::ostream* os) { *os << "{" << f.code << " at line " << f.line << "}"; }

}  // namespace quervik::test
