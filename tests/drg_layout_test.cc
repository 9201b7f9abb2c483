// The DRG record layouts: matching lines to record kinds, order and length findings, the
// record counts, and one golden record per kind with single-field mutations.
#include "drg/batch_check.h"
#include "drg/layouts.h"
#include "drg_test_support.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

using namespace quervik::drg;

class DrgLayout : public DrgTest {
 protected:
  Layouts layouts = buildLayouts();

  // Checks the text as a file of the kind and ends it as the driver does.
  void check(FileKind kind, const std::string& text) {
    const std::string path = put("input", text);
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    resetFileState();
    resetCounts(layouts.files[kind]);
    const RecordKind* last = nullptr;
    ASSERT_TRUE(checkBatchLines(f, layouts.files[kind], last));
    std::fclose(f);
    finishRecordCounts(last, layouts.files[kind]);
  }

  // The counts reported with 7066, in table order.
  std::vector<std::pair<char, int>> counts() {
    std::vector<std::pair<char, int>> out;
    for (const std::string& e : errorEntries()) {
      if (e.find("(7066)") == std::string::npos) continue;
      out.emplace_back(e[e.find('\'') + 1], std::stoi(e.substr(e.find(':') + 1)));
    }
    return out;
  }

  std::string reportOf(int code, std::initializer_list<MsgArg> args) {
    std::optional<std::string> text = formatMessage(code, std::span<const MsgArg>(args.begin(), args.size()));
    return text ? *text : "";
  }
};

TEST_F(DrgLayout, GoldenRecordsOfEveryKindHaveNoFindings) {
  check(kOrgFile, joinLines({goldenZ(), goldenO(), goldenN(), goldenP(), goldenN("NS0002"), goldenP("72000002"),
                         goldenO("ODD002"), goldenN("NS0003")}));
  check(kOsnFile, joinLines({goldenOsn(), goldenOsn("5010000002")}));
  check(kDrgFile, joinLines({goldenA(), goldenB(), goldenC(), goldenC(), goldenB(), goldenC()}));
  check(kEkoFile, joinLines({goldenEko()}));
  check(kKorFile, joinLines({goldenKor()}));
  EXPECT_EQ(findingsOnly(), std::vector<int>{});
  EXPECT_EQ(batchState().warningCount, 0);
}

struct Mutation {
  FileKind kind;
  std::span<const FieldSpec> layout;
  const char* field;
  const char* value;
  std::vector<int> findings;
};

TEST_F(DrgLayout, OneChangedFieldGivesItsFinding) {
  const Mutation mutations[] = {
      {kOrgFile, kOrgZ, "Rok - struktura subjektu", "1991", {7022}},
      {kOrgFile, kOrgN, "Druh nakladoveho strediska", "QQ", {7060}},
      {kOrgFile, kOrgP, "ICP (dle smlouvy s VZP)", "", {7053}},
      {kOrgFile, kOrgP, "Pocet luzek pracoviste", "", {7028}},
      {kOsnFile, kOsn, "Druh uctu", "M", {7059}},
      {kDrgFile, kDrgA, "Pausal", "X", {7063}},
      {kDrgFile, kDrgA, "Druh davky", "98", {7032, 7041, 7041}},  // document 02 is not in batch 98
      {kDrgFile, kDrgB, "Pohlavi", "X", {7150}},
      {kDrgFile, kDrgB, "Datum narozeni", "31021970", {7115}},
      {kDrgFile, kDrgB, "ICP zadatele (dokl. 06,03 - davka 90)", "72000001", {3}},
      {kDrgFile, kDrgB, "Datum propusteni z hospitalizace (dokl. 02)", "", {7043}},
      {kDrgFile, kDrgB, "Identifikace pacienta", "", {7068}},
      {kDrgFile, kDrgC, "Druh kodu", "5", {7040}},
      {kDrgFile, kDrgC, "Mnozstvi", "1.5", {7021}},
      {kDrgFile, kDrgC, "Cena v Kc", "1O0.00", {7019}},
      {kDrgFile, kDrgC, "Datum poskytnuti", "05072023", {7031}},
      {kEkoFile, kEko, "Ucet - obrat z ucetnictvi", "4010000001", {7073}},
      {kKorFile, kKor, "Vyjimky (ALL, NULL, POD, PRG)", "NULL", {}},
      {kKorFile, kKor, "Jednoznacna identifikace entity organizacni struktury (ENTITA2)", "NS0002", {}},
      {kKorFile, kKor, "Obdobi, pro ktere dana modifikace plati", "200213", {7304}},
      {kKorFile, kKor, "Jednoznacna identifikace entity organizacni struktury (ENTITA1)", "A --B", {7029}},
  };
  for (const Mutation& m : mutations) {
    clearErrors();
    auto mutate = [&](std::span<const FieldSpec> layout, std::string golden) {
      return layout.data() == m.layout.data() ? withField(golden, layout, m.field, m.value) : golden;
    };
    switch (m.kind) {
      case kOrgFile:
        check(m.kind, joinLines({mutate(kOrgZ, goldenZ()), goldenO(), mutate(kOrgN, goldenN()), mutate(kOrgP, goldenP())}));
        break;
      case kOsnFile:
        check(m.kind, joinLines({mutate(kOsn, goldenOsn())}));
        break;
      case kDrgFile:
        check(m.kind, joinLines({mutate(kDrgA, goldenA()), mutate(kDrgB, goldenB()), mutate(kDrgC, goldenC()), goldenC()}));
        break;
      case kEkoFile:
        check(m.kind, joinLines({mutate(kEko, goldenEko())}));
        break;
      default:
        check(m.kind, joinLines({mutate(kKor, goldenKor())}));
    }
    EXPECT_EQ(findingsOnly(), m.findings) << m.field << " = \"" << m.value << "\"";
  }
}

TEST_F(DrgLayout, OrderAndLengthFindings) {
  const std::string a = goldenA(), b = goldenB(), c = goldenC();
  // A C right after the header may only follow B or C.
  check(kDrgFile, joinLines({a, c, b, c}));
  EXPECT_EQ(findingsOnly(), std::vector<int>{7011});
  EXPECT_NE(errorEntries()[0].find(reportOf(7011, {'C', "'B' nebo 'C'"})), std::string::npos);

  clearErrors();
  check(kDrgFile, joinLines({a, b}));  // ends with a document header
  EXPECT_EQ(findingsOnly(), (std::vector<int>{7015, 7079}));

  clearErrors();
  check(kDrgFile, joinLines({a, b.substr(0, 123), b, c}));  // not counted, no position finding
  EXPECT_EQ(findingsOnly(), std::vector<int>{7009});
  EXPECT_NE(errorEntries()[0].find(reportOf(7009, {'B'})), std::string::npos);
  EXPECT_EQ(counts()[1], (std::pair<char, int>{'B', 1}));

  clearErrors();
  check(kDrgFile, joinLines({a, b, c, "D" + c.substr(1)}));
  EXPECT_EQ(findingsOnly(), std::vector<int>{7012});
  EXPECT_NE(errorEntries()[0].find(reportOf(7012, {'D'})), std::string::npos);

  clearErrors();
  check(kOrgFile, joinLines({goldenZ(), goldenZ()}));
  EXPECT_EQ(findingsOnly(), (std::vector<int>{7011, 7015, 7079, 7079, 7079}));
  EXPECT_NE(errorEntries()[0].find(reportOf(7011, {'Z', "'N' nebo 'P'"})), std::string::npos);

  clearErrors();  // a structure without departments
  check(kOrgFile, joinLines({goldenZ()}));
  EXPECT_NE(errorEntries().back().find(reportOf(7079, {'P'})), std::string::npos);
  EXPECT_EQ(findingsOnly(), (std::vector<int>{7015, 7079, 7079, 7079}));
}

TEST_F(DrgLayout, FilesWithoutTypeLetterOnlyCheckLength) {
  std::string osn = goldenOsn();
  std::string odd = osn;
  odd[0] = 'Q';  // any first character; its field check reports the year
  check(kOsnFile, joinLines({osn, odd, osn.substr(0, 63)}));
  EXPECT_EQ(findingsOnly(), (std::vector<int>{7019, 7022, 7010}));
  EXPECT_EQ(counts(), (std::vector<std::pair<char, int>>{{' ', 2}}));
}

}  // namespace
}  // namespace quervik::test
