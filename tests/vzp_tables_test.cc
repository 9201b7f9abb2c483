// The VZP layout tables against what is known of them: the counts of the record and field
// tables, the check names they list, and the lookup of a record by batch type, letter and
// length.
#include <map>
#include <set>
#include <tuple>

#include "runtime/report.h"
#include "vzp/batch_check.h"
#include "vzp/checks.h"
#include "vzp/descriptors.h"
#include "vzp_test_support.h"

namespace quervik::test {
namespace {

using namespace quervik::vzp;

class VzpTablesTest : public VzpTest {};

std::vector<std::string> splitChecks(const char* list) {
  std::vector<std::string> out;
  std::string s = list;
  for (size_t start = 0; start < s.size();) {
    size_t comma = std::min(s.find(',', start), s.size());
    out.push_back(s.substr(start, comma - start));
    start = comma + 1;
  }
  return out;
}

TEST_F(VzpTablesTest, RecordLayoutsAddUp) {
  ASSERT_EQ(vzpRecordTable().size(), 75u);
  int longest = 0;
  for (const VzpRecordDescriptor& r : vzpRecordTable()) {
    SCOPED_TRACE(std::string(r.batchType) + " " + r.letter + " " + std::to_string(r.length));
    int sum = 0;
    for (const VzpFieldDescriptor& f : r.fields) {
      EXPECT_EQ(f.position, sum + 1) << f.code;
      sum += f.width;
    }
    EXPECT_EQ(sum, r.length);
    EXPECT_LE(r.fieldCount(), kMaxVzpFields);
    EXPECT_EQ(r.fields[0].code, std::string("TYP"));
    longest = std::max(longest, r.length);
  }
  EXPECT_EQ(longest, 452);
  EXPECT_EQ(findRecordDescriptor("66", 'R', 452)->fieldCount(), 23);
  EXPECT_EQ(findRecordDescriptor("00", 'D', 62)->fieldCount(), 13);
}

// The field table has one entry per batch type, record, field code, format and check
// list: the layouts of one record share their common entries, and so do the fields that
// stand twice in one record.
TEST_F(VzpTablesTest, FieldTableCountsKindsAndReservedFields) {
  std::set<std::tuple<std::string, char, std::string, std::string, std::string>> entries;
  for (const VzpRecordDescriptor& r : vzpRecordTable())
    for (const VzpFieldDescriptor& f : r.fields) entries.insert({r.batchType, r.letter, f.code, f.format, f.checks});
  EXPECT_EQ(entries.size(), 650u);
  std::map<std::pair<char, char>, int> counts;
  for (const auto& e : entries) {
    const VzpFieldDescriptor f(1, "", std::get<3>(e).c_str(), "");
    EXPECT_NE(std::string("CND$").find(f.kind), std::string::npos) << std::get<3>(e);
    EXPECT_NE(std::string(" NX").find(f.presence), std::string::npos) << std::get<3>(e);
    if (f.kind == '$') {
      EXPECT_TRUE(f.decimals == 2 || f.decimals == 3) << std::get<3>(e);
    }
    ++counts[{f.kind, f.presence}];
  }
  EXPECT_EQ((counts[{'C', 'X'}]), 98);
  EXPECT_EQ((counts[{'N', 'X'}]), 27);
  EXPECT_EQ((counts[{'D', 'X'}]), 1);
  EXPECT_EQ((counts[{'$', 'X'}]), 0);
}

TEST_F(VzpTablesTest, FormatsAreReadAsWritten) {
  const VzpFieldDescriptor money(43, "DFIN", "$N18.2", "");
  EXPECT_EQ(money.kind, '$');
  EXPECT_EQ(money.presence, 'N');
  EXPECT_EQ(money.width, 18);
  EXPECT_EQ(money.decimals, 2);
  EXPECT_EQ(money.offset(), 42);
  const VzpFieldDescriptor text(64, "RMN2", "CN5.2", "");  // cut by its width alone
  EXPECT_EQ(text.width, 5);
  const VzpFieldDescriptor required(2, "NROD", "C 10", "");
  EXPECT_EQ(required.presence, ' ');
  EXPECT_EQ(required.width, 10);
}

TEST_F(VzpTablesTest, EveryListedCheckExistsAndNamesAreUnique) {
  ASSERT_EQ(vzpCheckTable().size(), 103u);
  std::set<std::string> names, listed;
  for (const VzpCheckEntry& e : vzpCheckTable()) {
    EXPECT_TRUE(names.insert(e.name).second) << e.name;
    EXPECT_EQ(findCheck(e.name), e.function);
  }
  for (const VzpRecordDescriptor& r : vzpRecordTable())
    for (const VzpFieldDescriptor& f : r.fields) {
      if (!*f.checks) continue;
      for (const std::string& name : splitChecks(f.checks)) {
        EXPECT_TRUE(names.count(name)) << r.batchType << " " << r.letter << " " << f.code << ": " << name;
        listed.insert(name);
      }
      EXPECT_EQ(resolveCheckList(f.checks).size(), splitChecks(f.checks).size()) << f.checks;
    }
  EXPECT_EQ(listed.size(), 98u);
  for (const char* unlisted : {"NTestC1_1az3", "TestC1_spc12", "NumberLeft", "DDMMRR4spc", "ICP_cizi"}) {
    EXPECT_TRUE(names.count(unlisted));
    EXPECT_FALSE(listed.count(unlisted));
  }
  EXPECT_NE(findCheck("JeDatumVyplneno?"), nullptr);
  EXPECT_EQ(findCheck("JeDatumVyplneno"), nullptr);
  EXPECT_EQ(findCheck("po"), nullptr);  // names are compared exactly
  EXPECT_EQ(vzpCheck(VzpCheckId::ICP_cizi).name, std::string("ICP_cizi"));
  EXPECT_TRUE(errorEntries().empty());
}

TEST_F(VzpTablesTest, UnknownCheckNameIsReportedAndLeftOut) {
  const std::vector<VzpCheckFunction> resolved = resolveCheckList("PO,Nesmysl,,TestXspc");
  ASSERT_EQ(resolved.size(), 2u);
  EXPECT_EQ(resolved[0], findCheck("PO"));
  EXPECT_EQ(resolved[1], findCheck("TestXspc"));
  ASSERT_EQ(errorEntries().size(), 1u);
  EXPECT_EQ(errorEntries()[0], "Nesmysl: Nenalezena kontrolni funkce pro polozku (2)\n");
}

TEST_F(VzpTablesTest, RecordsAreFoundByBatchTypeLetterAndLength) {
  // The header is looked up under "00", whatever batch came before.
  const VzpRecordDescriptor* header = findRecordDescriptor("00", 'D', 62);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->role, 'D');
  EXPECT_EQ(findRecordDescriptor("05", 'D', 62), nullptr);
  // Batch 81 L: 44 characters with the 7-character LKOD, 42 with the 5-character one.
  const VzpRecordDescriptor* l44 = findRecordDescriptor("81", 'L', 44);
  const VzpRecordDescriptor* l42 = findRecordDescriptor("81", 'L', 42);
  ASSERT_TRUE(l44 && l42);
  EXPECT_EQ(l44->fields[4].width, 7);
  EXPECT_EQ(l42->fields[4].width, 5);
  EXPECT_EQ(l42->fields[5].position, 17);  // the fields behind LKOD move by two
  EXPECT_EQ(findRecordDescriptor("81", 'L', 43), nullptr);
  // Records shared by several batch types exist in each.
  for (const char* type : {"82", "90", "98", "99"}) EXPECT_NE(findRecordDescriptor(type, 'Z', 67), nullptr) << type;
  EXPECT_EQ(findRecordDescriptor("81", 'Z', 67)->fields[0].checks, std::string("DatumNutno"));
  EXPECT_EQ(findRecordDescriptor("77", 'P', 49), nullptr);
  EXPECT_EQ(findRecordDescriptor("0", 'D', 62), nullptr);
  EXPECT_EQ(findRecordDescriptor("000", 'D', 62), nullptr);
}

// The batch check finds layouts through an index by batch type and letter; it must give
// the answer of the table scan for every batch type, letter and length near a real one.
TEST_F(VzpTablesTest, LayoutIndexAnswersAsTheTableScan) {
  VzpLayouts layouts;
  std::set<std::string> types = {"00", "77", "  "};
  for (const VzpRecordDescriptor& r : vzpRecordTable()) types.insert(r.batchType);
  for (const std::string& type : types)
    for (char letter : std::string("DPVNRBMOFLSUGTJWQXYHIAZEK?"))
      for (const VzpRecordDescriptor& r : vzpRecordTable())
        for (int length : {r.length - 1, r.length, r.length + 1}) {
          const VzpRecordDescriptor* expected = findRecordDescriptor(type, letter, length);
          const VzpLayouts::Record* got = layouts.find(type, letter, length);
          ASSERT_EQ(got ? got->descriptor : nullptr, expected) << type << " " << letter << " " << length;
        }
}

}  // namespace
}  // namespace quervik::test
