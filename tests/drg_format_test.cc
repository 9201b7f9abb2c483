// The DRG field format check, the date rules and the validators.
#include "drg/codes.h"
#include "drg/field_format.h"
#include "drg/validators.h"
#include "drg_test_support.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

using namespace quervik::drg;

FieldDescriptor field(const char* description, char format, int width, int decimals = 0, bool freeChars = false) {
  return describeField(FieldSpec{description, 1, width, width, format, decimals, noCheck, freeChars});
}

int format(FieldDescriptor f, std::string_view text) { return checkFieldFormat(f, text); }

// A validator that keeps the text it was given.
std::string gValidated;
int keepText(std::string_view text) {
  gValidated = text;
  return 0;
}

// The field as the line check sees it in a record of its own: -1 for a finding, otherwise
// the offset of what its validator gets.
int inRecord(FieldDescriptor f, std::string_view text) {
  f.validator = keepText;
  f.length = int(text.size());
  const std::string record = std::string(text) + std::string(16, ' ');
  batchState().errorCount = 0;
  checkFields(std::span<FieldDescriptor>(&f, 1), record);
  clearErrors();
  return batchState().errorCount > 0 ? -1 : int(text.size() - gValidated.size());
}

class DrgFormat : public DrgTest {};

TEST_F(DrgFormat, DatesFollowTheCalendarWithEveryFourthYearLeap) {
  const FieldDescriptor date = field("Datum poskytnuti", 'd', 8);
  // No century rule; a blank date gives the validator an empty text.
  for (const char* ok : {"29022004", "29021900", "31122023"}) EXPECT_EQ(format(date, ok), 0) << ok;
  EXPECT_EQ(format(date, "        "), 8);
  // The month's name and length are reported with the finding; 29 days only in leap years.
  for (const char* bad : {"29022003", "30022004", "31042023"}) EXPECT_EQ(format(date, bad), -7115) << bad;
  auto inLine = [](const std::string& finding) { return reportOf(7900, 0L, finding.substr(0, finding.size() - 1)); };
  EXPECT_EQ(errorEntries(), (std::vector<std::string>{inLine(reportOf(7115, "unor", 28, "")),
                                                       inLine(reportOf(7115, "unor", 29, " (pouze prestupny rok)")),
                                                       inLine(reportOf(7115, "duben", 30, ""))}));
  EXPECT_EQ(batchState().errorCount, 3);
}

TEST_F(DrgFormat, DateRawTextAndLeadingZeroRules) {
  struct Row {
    const char* description;
    char format;
    int width;
    std::string_view text;
    int expected;
  };
  const Row rows[] = {
      {"Datum narozeni", 'd', 8, "11111111", 0},  // an unknown birth date
      {"Datum prijeti", 'd', 8, "11111111", -6059},
      {"Datum narozeni", 'd', 8, "01011700", -6059},
      // day, month and year must all be read and non-zero
      {"Datum prijeti", 'd', 8, "00012004", -7016}, {"Datum prijeti", 'd', 8, "AB012004", -7016},
      {"Datum prijeti", 'd', 8, "-1012004", -7024}, {"Datum prijeti", 'd', 8, "01132004", -7025},
      // against today, 15 June 2024; the future month is found before the bad month
      {"Datum prijeti", 'd', 8, "01012025", -7022}, {"Datum prijeti", 'd', 8, "01072024", -7026},
      {"Datum prijeti", 'd', 8, "16062024", -7023}, {"Datum prijeti", 'd', 8, "15062024", 0},
      {"Datum prijeti", 'd', 8, "01132024", -7026}, {"Datum prijeti", 'd', 8, "0101 024", -7016},
      {"Datum prijeti", 'd', 8, "29022004", 0}, {"Datum prijeti", 'd', 8, "29022003", -7115},
      {"Datum prijeti", 'd', 8, "31052024", 0}, {"Datum prijeti", 'd', 8, "31042023", -7115},
      {"Datum prijeti", 'd', 8, "01011800", 0}, {"Datum prijeti", 'd', 8, "31121799", -6059},
      {"Nazev", 'r', 12, "Jan Novak, 2", 0}, {"Nazev", 'r', 12, "  --  nazev ", 0},
      {"Nazev", 'r', 12, "\xA6\x9F" "asn\xD8 Z   ", 0},  // national letters of code page 852
      {"Nazev", 'r', 12, "Tab\there    ", -7027}, {"Nazev", 'r', 12, std::string_view("Nul\0here    ", 12), -7027},
      {"Nazev", 'r', 12, "            ", 12},
      // one leading zero of an ICZ or ICP is not significant
      {"Icz", 'f', 8, "01234567", 1}, {"ICP (dle smlouvy s VZP)", 'f', 8, "00123456", 1},
      {"ICZ (dle smlouvy s VZP)", 'f', 8, "01234567", 0},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(format(field(r.description, r.format, r.width), r.text), r.expected) << r.description << " '" << r.text << "'";
    EXPECT_EQ(inRecord(field(r.description, r.format, r.width), r.text), std::max(r.expected, -1)) << r.text;
  }
}

TEST(DrgText, BlankAndSameText) {
  EXPECT_TRUE(isBlank(""));
  EXPECT_TRUE(isBlank(" \t\r"));
  EXPECT_FALSE(isBlank("  x"));
  struct Row {
    const char *a, *b;
    bool ignoreCase;
    int expected;
  };
  for (const Row& r : {Row{"ALL  ", "ALL", false, 0}, Row{"ALL", "ALL \t", false, 0}, Row{" ALL", "ALL", false, 1},
                       Row{"all", "ALL", false, 1}, Row{"all", "ALL", true, 0}})
    EXPECT_EQ(sameText(r.a, r.b, r.ignoreCase), r.expected) << "'" << r.a << "' '" << r.b << "' " << r.ignoreCase;
}

// A validator, the text it sees and the code it must return; a sequence of them runs in
// order on one batch state.
struct Step {
  Validator validator;
  std::string_view text;
  int expected;
};

class DrgValidators : public DrgTest {
 protected:
  BatchState& s = batchState();
  void batch(int batchKind, int documentKind) {
    s.batchKind = batchKind;
    s.documentKind = documentKind;
  }
  static void run(std::initializer_list<Step> steps) {
    int i = 0;
    for (const Step& step : steps) EXPECT_EQ(step.validator(step.text), step.expected) << "step " << i++ << " \"" << step.text << "\"";
  }
};

TEST_F(DrgValidators, RulesOfSingleFields) {
  for (const Step& c : std::initializer_list<Step>{
      {checkIcz, "72000000", 0},          {checkIcz, "2000000", 0},          {checkIcz, "", -7053},
      {checkIcz, "720000", -7054},        {checkIcz, "00000000", -7052},     {checkModifyingIcz, "720000", -7305},
      {checkIcpZz, " 123", 0},            {checkIcpZz, "12A", -7045},        {checkIcpZz, " ", -7048},
      {checkAccountNumber, "5010", 0},    {checkAccountNumber, "4010", -7073}, {checkAccountNumber, " ", -7074},
      {checkAccountKind, "MA", 0},        {checkAccountKind, "MB", -7059},   {checkCostCentreKind, "VY", 0},
      {checkCostCentreKind, "V", -7060},  {checkMainSpecialty, "1A1", 0},   {checkMainSpecialty, "1a1", -7051},
      {checkMainSpecialty, "", -7080},    {checkSex, "Z", 0},                {checkSex, "X", 7150},
      {checkSex, "", -7057},              {checkBatchCharacter, "", 0},      {checkBatchCharacter, "Q", 7151},
      {checkIcoIczFlag, "P", 0},          {checkIcoIczFlag, "2", -7038},     {checkBatchMonth, "13", -7037},
      {checkFlatRate, "", 0},             {checkFlatRate, "AN", -7062},      {checkFlatRate, "B", -7063},
      {checkYear, "1992", 0},             {checkYear, "1991", -7022},        {checkYear, "2025", -7022},
      {checkYear, "992", -7022},          {checkMonth, "12", 0},             {checkMonth, "0", -7025},
      {checkMonth, "", -7025},            {checkPeriod, "200301", 0},        {checkPeriod, "200213", -7304},
      {checkPeriod, "2004", -7304},       {checkSpecification, "ZUM,ZULP   ", 0},
      {checkSpecification, "AGREGX", -7303}, {requireText, "  ", -7072},   {requirePatientId, "", -7068},
      {requireBirthDate, "", -7069},      {checkDepartmentCode, "", -7078},  {checkCostCentreCode, "", -7077},
  })
    EXPECT_EQ(c.validator(c.text), c.expected) << "\"" << c.text << "\"";
}

TEST_F(DrgValidators, BatchAndDocumentKinds) {
  // July 2024 is after today; a document kind needs a valid batch kind first.
  run({{checkBatchMonth, "6", 0}, {checkBatchYear, "2024", 0}, {checkBatchMonth, "7", 0},
       {checkBatchYear, "2024", -7035}, {checkBatchYear, "1998", -7036}, {checkBatchKind, "5 ", -7033},
       {checkDocumentKind, "05", -7033}, {checkBatchKind, "05", 0}});
  EXPECT_EQ(s.batchKind, 5);
  run({{checkDocumentKind, "05", 0}, {checkDocumentKind, "02", -7032}, {checkBatchKind, "82", 0},
       {checkDocumentKind, "02", 0}});
  EXPECT_EQ(s.documentKind, 2);
  EXPECT_STREQ(s.allowedCodeKinds, "ABC0789");
  // A refused document kind leaves the code kinds of the last accepted document.
  run({{resetRecordState, "", 0}, {checkDocumentKind, "36", -7032}});
  EXPECT_EQ(s.documentKind, kUnknownKind);
  EXPECT_STREQ(s.allowedCodeKinds, "ABC0789");
}

TEST_F(DrgValidators, CodeKindsFollowTheDocument) {
  EXPECT_EQ(checkCodeKind("7 "), -7041);  // no accepted document yet
  s.allowedCodeKinds = "AC08";
  // "08" is read as "8 "; B (11) is not allowed
  for (const auto& [text, kind] : {std::pair{"10", 10}, {"12", 12}, {"08", 8}, {"0 ", 0}}) {
    EXPECT_EQ(checkCodeKind(text), 0) << text;
    EXPECT_EQ(s.codeKind, kind) << text;
  }
  run({{checkCodeKind, "11", -7040}, {checkCodeKind, "00", 0}, {checkCodeKind, "7 ", -7040},
       {checkCodeKind, " 8", -7040}});
  s.allowedCodeKinds = "1234";  // the digit 1 matches, but not followed by a blank
  run({{checkCodeKind, "10", -7040}, {checkCodeKind, "07", -7040}});
  s.allowedCodeKinds = "B1";  // the kind listed first decides: 11 before the digit 1
  run({{checkCodeKind, "11", 0}, {checkCodeKind, "1 ", 0}, {checkCodeKind, "10", -7040}});
  s.allowedCodeKinds = "ABC0789";
  EXPECT_EQ(checkCodeKind("07"), 0);
  EXPECT_EQ(s.codeKind, 7);
  // Code kinds 9, 11 and 12 carry no code; the others need one.
  run({{checkCode, "0012345", 0}, {checkCode, "", -7055}, {checkCodeKind, "9 ", 0}, {checkCode, "", 0},
       {checkCode, "1", -7055}});
}

TEST_F(DrgValidators, HeaderFieldsOfDocuments) {
  s.recordLetter = 'B';
  batch(99, 2);
  // a requester filled where it does not belong is a warning
  run({{checkSpecialty, "", -7070}, {checkDiagnosis, "", -7071}, {checkDiagnosis, "A00 ", 0},
       {checkDiagnosis, "A0A ", -7056}, {checkAdmissionReason, "X", -7046}, {checkTreatmentEnd, "9", 7153},
       {checkRequesterIcp, "12", 1}, {checkRequesterIcp, "", 0}, {checkRequesterSpecialty, "", 0}});
  batch(90, 6);  // the admission reason only for hospitalisations
  run({{checkRequesterIcp, "72000001", 0}, {checkRequesterIcp, "", -7052}, {checkRequesterIcp, "7200000A", -7045},
       {checkRequesterSpecialty, "101", 0}, {checkRequesterSpecialty, "", -7050}, {checkAdmissionReason, "X", 0}});
  batch(34, 34);
  EXPECT_EQ(checkRequesterIcp("12"), 0);
  s.recordLetter = 'C';
  batch(99, 2);  // a service line may leave them out
  run({{checkSpecialty, "", 0}, {checkDiagnosis, "", 0}});
}

TEST_F(DrgValidators, HospitalDatesPairUp) {
  batch(99, 2);
  s.batchMonth = 6;
  s.batchYear = 2023;
  // Admission and discharge alternate: a discharge before its admission, or with nothing to
  // compare it with, is refused; dates after the batch period too, whole dates only.
  run({{checkHospitalDate, "01062023", 0}, {checkHospitalDate, "05062023", 0}, {checkHospitalDate, "05062023", 0},
       {checkHospitalDate, "01062023", -7042}, {checkHospitalDate, "", -7044}, {checkHospitalDate, "05062023", -7042},
       {checkHospitalDate, "01062023", 0}, {checkHospitalDate, "", -7043}, {checkHospitalDate, "01072023", -7031},
       {checkHospitalDate, "01012024", -7030}, {checkServiceDate, "01072023", -7031},
       {checkServiceDate, "0107202", 0}});
  batch(98, 1);
  EXPECT_EQ(checkHospitalDate(""), 0);
}

TEST_F(DrgValidators, ModificationRecord) {
  // NULL only without ENTITA2; PRG needs a percentage
  run({{noteEntity2, "NS0001", 0}, {checkPercentage, "", 0}, {checkException, "ALL  ", 0},
       {checkException, "NULL ", -7302}, {checkException, "PRG  ", -7300}, {checkException, "XYZ  ", -7301},
       {checkException, "     ", -7301}, {checkPercentage, "150", -7300}, {checkPercentage, "-1", -7300},
       {checkPercentage, "50.5", 0}, {checkException, "POD", 0}, {noteEntity2, "", 0}, {checkException, "NULL", 0}});
}
// The format check written character by character, straight from its rules, for holding the
// shortcuts and the run-wise scanning of the production check against.
int referenceFormat(FieldDescriptor& f, std::string_view s) {
  const int len = int(s.size());
  int d = f.decimals;
  const size_t lastBlank = s.rfind(' ');
  if (lastBlank != std::string_view::npos && d >= 1 && s.substr(lastBlank + 1) == "0") return 0;
  if (f.quantity && s.find('.') != std::string_view::npos) {
    const int after = len - int(s.rfind('.')) - 1;
    f.decimals = std::clamp(after, 2, 3);
  }
  const int start = f.skipLeadingZero && len > 0 && s[0] == '0' ? 1 : 0;
  if (d != 0 && s.substr(size_t(start)).find('.') != std::string_view::npos &&
      len - int(s.rfind('.')) - 1 != f.decimals)
    return -7021;
  auto letter = [](unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  auto digit = [](unsigned char c) { return (c >= '0' && c <= '9') || c == '-'; };
  if (f.format == 'r') {
    bool significant = false;
    for (int i = start; i < len; ++i) {
      const unsigned char c = static_cast<unsigned char>(s[i]);
      const bool national = std::string_view("\xB5\xA0\xAC\x9F\xD2\xD4\x90\x82\xB7\xD8\xD6\xA1\x95\x92\xD5\xE5\xE0\xA2\xFC\xFD"
                                             "\xE6\xE7\x9B\x9C\xE9\xA3\xDE\x85\xED\xEC\xA6\xA7\x96\x89\xD3\x84\x8E\x81\x9A\x94")
                                .find(char(c)) != std::string_view::npos;
      if (!((c >= 0x20 && c <= 0x7E) || national)) return -7027;
      significant |= c != ' ';
    }
    return significant || len == start ? 0 : len;
  }
  int first = -1;
  bool blankSeen = false, blankAfter = false;
  for (int i = start; i < len; ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (letter(c) || digit(c)) {
      if (letter(c) && f.format == 'f') return -7019;
      if (first < 0)
        first = i;
      else if (blankAfter)
        return -7017;
    } else {
      if (s.substr(size_t(i)).find("--") != std::string_view::npos) return -7029;
      if (c == ' ') {
        blankSeen = true;
        if (first >= 0) {
          if (f.format != 's') return -7016;
          blankAfter = true;
        }
      } else if (c == '.' && d != 0 && i != len - 1 && !(i > 0 && s[i - 1] == ' ')) {
        d = 0;
      } else if (!f.freeChars) {
        return -7016;
      }
    }
  }
  if (blankSeen && first < 0) return f.format == 'f' && !f.freeChars && !f.icpField ? -7028 : len;
  if (f.format == 'd') return checkDate(f, s);
  if (f.format == 's' && first >= 0 && s[size_t(start)] == ' ') return f.icpZz ? 0 : -7018;
  return first >= 0 ? first : 0;
}

TEST_F(DrgFormat, ScanAgreesWithTheCharacterByCharacterRulesOnRandomFields) {
  std::vector<FieldDescriptor> fields;
  for (const FileKindSpec& file : kFileKinds)
    for (const RecordKindSpec& kind : file.kinds)
      for (const FieldSpec& row : kind.fields) fields.push_back(describeField(row));
  for (char format : {'f', 's', 'd', 'r'})
    for (int decimals : {0, 2})
      for (bool freeChars : {false, true})
        for (const char* description : {"X", "ICP ZZ", "Icz"}) {
          FieldSpec row{description, 1, 13, 13, format, decimals, noCheck, freeChars};
          fields.push_back(describeField(row));
        }
  // Characters every rule distinguishes, and the neighbours of each class's bounds.
  const std::string alphabet = std::string("  0000123456789.--AZaz/:@[`{~,") + '\0' + "\x7F\x80\xA6\xFF\t";
  uint64_t state = 12345;
  auto next = [&] {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return state >> 33;
  };
  for (int round = 0; round < 5000; ++round) {
    FieldDescriptor& original = fields[next() % fields.size()];
    std::string text(size_t(original.length), ' ');
    // Mostly the shapes of clean fields, with a few characters changed.
    const int shape = int(next() % 4);
    const size_t cut = next() % (text.size() + 1);
    for (size_t i = 0; i < text.size(); ++i) {
      const bool token = shape == 0 ? i >= cut : shape == 1 ? i < cut : shape == 2;
      if (token) text[i] = char('0' + next() % 10);
      if (shape == 3 || next() % 8 == 0) text[i] = alphabet[next() % alphabet.size()];
    }
    // A decimal point, mostly where the field's decimals put it.
    if (original.format == 'f' && original.decimals > 0 && next() % 2 && text.size() > 4)
      text[text.size() - 1 - (next() % 3 ? size_t(original.decimals) : next() % 5)] = '.';
    FieldDescriptor a = original, b = original, c = original;
    const int expected = referenceFormat(a, text);
    ASSERT_EQ(checkFieldFormat(b, text), expected) << original.description << " '" << text << "' " << original.format;
    ASSERT_EQ(b.decimals, a.decimals) << original.description << " '" << text << "'";
    // Within a line, the check may read past the field; what follows must not matter.
    const std::string line = text + alphabet.substr(next() % 8, 12);
    ASSERT_EQ(checkFieldFormat(c, std::string_view(line).substr(0, text.size()), true, int(line.size())), expected)
        << original.description << " '" << text << "' in a line";
    // The line check settles clean fields of a printable line from the line's character
    // classes: its validator gets what the format check leaves, the whole field after a finding.
    FieldDescriptor d = original;
    d.validator = keepText;
    const size_t end = size_t(d.offset) + text.size();
    const std::string record = std::string(size_t(d.offset), 'x') + text + std::string((end < 16 ? 16 - end : 0) + next() % 4, ' ');
    batchState().errorCount = 0;
    checkFields(std::span<FieldDescriptor>(&d, 1), record);
    ASSERT_EQ(batchState().errorCount > 0, expected < 0) << original.description << " '" << text << "' in a record";
    ASSERT_EQ(gValidated, expected < 0 ? text : text.substr(size_t(expected))) << original.description << " '" << text << "'";
    ASSERT_EQ(d.decimals, a.decimals) << original.description << " '" << text << "' in a record";
    clearErrors();
  }
}

}  // namespace
}  // namespace quervik::test
