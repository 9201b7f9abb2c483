// Helpers of the DRG checker tests; see drg_test_support.h.
#include "drg_test_support.h"

#include <algorithm>

#include "runtime/catalogue.h"
#include "runtime/report.h"

namespace quervik::test {

using drg::FieldSpec;

namespace {

const FieldSpec& find(std::span<const FieldSpec> layout, std::string_view description) {
  for (const FieldSpec& f : layout)
    if (description == f.description) return f;
  ADD_FAILURE() << "no field " << description;
  return layout[0];
}

std::string padded(const FieldSpec& f, std::string_view value) {
  std::string v(value.substr(0, size_t(f.width)));
  std::string pad(size_t(f.width) - v.size(), ' ');
  return f.format == 'f' ? pad + v : v + pad;
}

// The entry's code; for the line reports 7900 and 7901, the code of the finding they carry.
std::pair<int, bool> codeOf(const std::string& e) {
  const size_t last = e.rfind(" (");
  const int code = std::stoi(e.substr(last + 2));
  if (code != 7900 && code != 7901) return {code, false};
  return {std::stoi(e.substr(e.rfind(" (", last - 1) + 2)), true};
}

}  // namespace

std::string record(std::span<const FieldSpec> layout, std::initializer_list<std::string_view> values) {
  EXPECT_EQ(values.size(), layout.size());
  std::string out;
  size_t i = 0;
  for (std::string_view v : values) out += padded(layout[i++], v);
  return out;
}

std::string withField(std::string line, std::span<const FieldSpec> layout, std::string_view description,
                      std::string_view value) {
  const FieldSpec& f = find(layout, description);
  line.replace(size_t(f.from - 1), size_t(f.width), padded(f, value));
  return line;
}

int columnOf(std::span<const FieldSpec> layout, std::string_view description) {
  return find(layout, description).from;
}

std::string goldenZ() { return record(drg::kOrgZ, {"Z", "12345678", "Nemocnice Test", "6", "2023"}); }
std::string goldenO(std::string_view code) { return record(drg::kOrgO, {"O", code, "Interni oddeleni"}); }
std::string goldenN(std::string_view code) { return record(drg::kOrgN, {"N", code, "Stredisko interny", "LT"}); }
std::string goldenP(std::string_view icp, std::string_view specialty) {
  return record(drg::kOrgP, {"P", icp, "72000000", "Pracoviste interny", specialty, "VS0001", "12345", "", "10"});
}
std::string goldenOsn(std::string_view account) {
  return record(drg::kOsn, {"2023", "72000000", account, "MA", "Spotreba materialu"});
}
std::string goldenA() { return record(drg::kDrgA, {"A", "72000000", "1", "P", "1", "99", "6", "2023", "111", "N"}); }
std::string goldenB() {
  return record(drg::kDrgB, {"B", "1", "02", "M", "01011970", "1", "1", "A000", "72000001", "VS0001", "", "", "101", "",
                             "", "01062023", "05062023", "Pacient 1"});
}
std::string goldenC() {
  return record(drg::kDrgC, {"C", "7", "0012345", "1", "05062023", "100.00", "1.00", "100.00", "", "101"});
}
std::string goldenEko(std::string_view costCentre, std::string_view account) {
  return record(drg::kEko, {"72000000", "2023", "6", costCentre, account, "1234.56"});
}
std::string goldenKor() { return record(drg::kKor, {"72000000", "202306", "NS0001", "", "AGREG", "50.00", "ALL"}); }

std::vector<int> findingCodes() {
  std::vector<int> codes;
  for (const std::string& e : errorEntries()) codes.push_back(codeOf(e).first);
  return codes;
}

std::vector<int> findingsOnly() {
  std::vector<int> codes;
  for (const std::string& e : errorEntries())
    if (auto [code, inLine] = codeOf(e); inLine) codes.push_back(code);
  return codes;
}

void DrgTest::SetUp() {
  RuntimeTest::SetUp();
  setMessageFile(sourceCatalogue().c_str());
  drg::overrideToday(kToday);
  drg::resetBatchState();
}

void DrgTest::TearDown() {
  drg::overrideToday(drg::Date{});
  drg::resetBatchState();
  RuntimeTest::TearDown();
}

}  // namespace quervik::test
