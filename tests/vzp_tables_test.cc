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
  }
}

TEST_F(VzpTablesTest, EveryListedCheckExistsAndNamesAreUnique) {
  std::set<std::string> names;
  for (const VzpCheckEntry& e : vzpCheckTable()) {
    EXPECT_TRUE(names.insert(e.name).second) << e.name;
    EXPECT_EQ(findCheck(e.name), e.function);
  }
  for (const VzpRecordDescriptor& r : vzpRecordTable())
    for (const VzpFieldDescriptor& f : r.fields) {
      if (!*f.checks) continue;
      for (const std::string& name : splitChecks(f.checks))
        EXPECT_TRUE(names.count(name)) << r.batchType << " " << r.letter << " " << f.code << ": " << name;
      EXPECT_EQ(resolveCheckList(f.checks).size(), splitChecks(f.checks).size()) << f.checks;
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
  EXPECT_EQ(l42->fields[5].position, l44->fields[5].position - 2);  // the fields behind LKOD move by two
  EXPECT_EQ(findRecordDescriptor("81", 'L', 43), nullptr);
  // Records shared by several batch types exist in each.
  for (const char* type : {"82", "90", "98", "99"}) EXPECT_NE(findRecordDescriptor(type, 'Z', 67), nullptr) << type;
  EXPECT_EQ(findRecordDescriptor("77", 'P', 49), nullptr);
  EXPECT_EQ(findRecordDescriptor("0", 'D', 62), nullptr);
  EXPECT_EQ(findRecordDescriptor("000", 'D', 62), nullptr);
}

}  // namespace
}  // namespace quervik::test
