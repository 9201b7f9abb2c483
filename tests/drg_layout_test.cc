// The DRG record layouts: matching lines to record kinds, order and length findings, the
// record counts, and one golden record per kind with single-field mutations.
#include <algorithm>
#include <array>

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
  void check(FileKind kind, const std::string& text) { check(kind, text, layouts); }
  void check(FileKind kind, const std::string& text, Layouts& layouts) {
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
};

// The golden records of each file kind, in file order (a second C with no layout given).
using Golden = std::pair<std::span<const FieldSpec>, std::string>;
std::array<std::vector<Golden>, kFileKindCount> goldenFiles() {
  return {{{{kOrgZ, goldenZ()}, {kOrgO, goldenO()}, {kOrgN, goldenN()}, {kOrgP, goldenP()}},
           {{kOsn, goldenOsn()}},
           {{kDrgA, goldenA()}, {kDrgB, goldenB()}, {kDrgC, goldenC()}, {{}, goldenC()}},
           {{kEko, goldenEko()}},
           {{kKor, goldenKor()}}}};
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
  // The golden records of each kind, one field changed (the second C stays as it is). A finding
  // of a golden record itself would show in every row of its kind; the KOR rows expect none.
  const auto files = goldenFiles();
  for (const Mutation& m : mutations) {
    clearErrors();
    std::vector<std::string> lines;
    for (const auto& [layout, golden] : files[m.kind])
      lines.push_back(layout.data() == m.layout.data() ? withField(golden, layout, m.field, m.value) : golden);
    check(m.kind, joinLines(lines));
    EXPECT_EQ(findingsOnly(), m.findings) << m.field << " = \"" << m.value << "\"";
  }
}

TEST_F(DrgLayout, OrderAndLengthFindings) {
  const std::string a = goldenA(), b = goldenB(), c = goldenC();
  struct Case {
    FileKind kind;
    std::vector<std::string> lines;
    std::vector<int> findings;
    std::string report;  // reported within one of the findings
  } cases[] = {
      {kOrgFile, {goldenZ(), goldenZ()}, {7011, 7015, 7079, 7079, 7079}, reportOf(7011, 'Z', "'N' nebo 'P'")},
      {kOrgFile, {goldenZ()}, {7015, 7079, 7079, 7079}, reportOf(7079, 'P')},  // a structure without departments
      {kDrgFile, {a, c, b, c}, {7011}, reportOf(7011, 'C', "'B' nebo 'C'")},  // C may only follow B or C
      {kDrgFile, {a, b}, {7015, 7079}, ""},                                     // ends with a document header
      {kDrgFile, {a, b, c, "D" + c.substr(1)}, {7012}, reportOf(7012, 'D')},
      {kDrgFile, {a, b.substr(0, 123), b, c}, {7009}, reportOf(7009, 'B')},  // not counted, no position finding
  };
  for (const Case& k : cases) {
    clearErrors();
    check(k.kind, joinLines(k.lines));
    EXPECT_EQ(findingsOnly(), k.findings) << k.report;
    const std::string text = k.report.substr(0, k.report.size() - 1);  // without its line end
    const std::vector<std::string> e = errorEntries();
    EXPECT_TRUE(std::any_of(e.begin(), e.end(), [&](const std::string& x) { return x.find(text) != x.npos; })) << text;
  }
  EXPECT_EQ(counts()[1], (std::pair<char, int>{'B', 1}));  // the short B of the last case
}

TEST_F(DrgLayout, FilesWithoutTypeLetterOnlyCheckLength) {
  std::string osn = goldenOsn();
  std::string odd = osn;
  odd[0] = 'Q';  // any first character; its field check reports the year
  check(kOsnFile, joinLines({osn, odd, osn.substr(0, 63)}));
  EXPECT_EQ(findingsOnly(), (std::vector<int>{7019, 7022, 7010}));
  EXPECT_EQ(counts(), (std::vector<std::pair<char, int>>{{' ', 2}}));
}

// The fields a printable line lets the check skip all at once (no validator, clean by their
// classes) give exactly the findings of the same fields checked one by one, whatever changes.
TEST_F(DrgLayout, SkippedQuietFieldsWouldHaveFoundNothing) {
  const auto files = goldenFiles();
  const std::string alphabet = "  0009.-Aa/,";
  uint64_t state = 99;
  auto next = [&] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return size_t(state >> 33);
  };
  for (int round = 0; round < 4000; ++round) {
    auto& kinds = layouts.files[next() % kFileKindCount];
    RecordKind& kind = kinds[next() % kinds.size()];
    std::string line;
    for (const auto& file : files)
      for (const auto& [layout, golden] : file)
        if (int(golden.size()) == kind.length && (kind.letter == ' ' || golden[0] == kind.letter)) line = golden;
    for (size_t n = next() % 4 + 1; n > 0 && !line.empty(); --n) line[next() % line.size()] = alphabet[next() % alphabet.size()];
    std::vector<FieldDescriptor> oneByOne = kind.fields;
    for (FieldDescriptor& f : oneByOne) f.quiet = false;
    const BatchState before = batchState();
    checkFields(kind.fields, line, &kind.quiet);
    const std::vector<std::string> skipping = errorEntries();
    clearErrors();
    batchState() = before;
    checkFields(oneByOne, line);
    ASSERT_EQ(skipping, errorEntries()) << line;
    clearErrors();
  }
}

}  // namespace
}  // namespace quervik::test
