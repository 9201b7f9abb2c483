// The generic check of each field kind, the named checks with the state they keep, and the
// lookups of checks and record layouts by name.
#include <tuple>

#include "vzp/checks.h"
#include "runtime/leading_number.h"
#include "runtime/report.h"
#include "vzp/codes.h"
#include "vzp/descriptors.h"
#include "vzp/numbers.h"
#include "vzp_test_support.h"

namespace quervik::test {
namespace {

using namespace quervik::vzp;

class VzpChecksTest : public VzpTest {};

TEST_F(VzpChecksTest, CharacterFields) {
  for (const auto& [format, value, code] : std::initializer_list<std::tuple<const char*, std::string, int>>{
      {"C 3", "   ", 6052},           // required and blank
      {"C 3", "AB ", 0},
      {"C 3", "\xFC" "AB", 0},        // a national letter (R with caron)
      {"C 3", "A\tB", 6053},          // a tab is no character of a field
      {"C 3", std::string("A\0B", 3), 6053},
      {"C 3", "A\xFF" "B", 6053},     // a byte above 0x7F that is no national letter
      {"CN3", "   ", 0},
      {"CN3", "\x7F  ", 6053},
      {"CX3", "   ", 0},
      {"CX3", "  A", 6005},           // reserved, must stay blank
      {"C 16", std::string(16, ' '), 6052},
      {"C 16", std::string(15, ' ') + "A", 0},
  }) {
    const VzpFieldDescriptor field(1, "POLE", format, "");
    EXPECT_EQ(checkAttribute(value, field), code) << format << " \"" << value << "\"";
  }
  // Longer fields are read eight bytes at a time: every byte in every place of a word and
  // of the tail.
  for (int c = 0; c < 0x100; ++c) {
    const bool ok = (c >= 0x20 && c < 0x7F) || isNationalLetter(static_cast<unsigned char>(c));
    for (size_t at = 0; at < 11; ++at) {
      std::string value = "ABCDEFGHIJK";
      value[at] = char(c);
      const VzpFieldDescriptor field(1, "POLE", "C 11", "");
      ASSERT_EQ(checkAttribute(value, field), ok ? 0 : 6053) << c << " at " << at;
    }
  }
}

// The batch check's variant reads whole words past the value (its line buffer has the
// slack): it must answer exactly as the plain check, for every kind and width.
TEST_F(VzpChecksTest, LineVariantAnswersAsThePlainCheck) {
  uint64_t x = 88172645463325252ULL;
  auto next = [&x] { return x ^= x << 13, x ^= x >> 7, x ^= x << 17; };
  const char* alphabet[] = {" ", "0123456789", " 0123456789.-", "AZaz \t\x7F\x80\xA0\xFC\xFF\x1F"};
  for (const char* format : {"C 1", "CN3", "CX5", "C 8", "C 9", "CN13", "C 20", "N 3", "NN4", "NX1", "D 8", "DN8",
                             "DX8", "$ 10.2", "$N7.3", "XN3", "C?3"}) {
    const VzpFieldDescriptor field(1, "POLE", format, "");
    for (int round = 0; round < 300; ++round) {
      std::string buffer(size_t(field.width) + kVzpValueSlack, '\0');
      const std::string chars = alphabet[next() % 4];
      for (char& c : buffer) c = chars[next() % chars.size()];
      const std::string_view value(buffer.data(), size_t(field.width));
      ASSERT_EQ(genericCheckInLine(field)(value, field), checkAttribute(value, field)) << format << " \"" << value << "\"";
    }
  }
}

TEST_F(VzpChecksTest, FieldNumbersAnswerAsTheLeadingNumbers) {
  for (const char* v : {"", "   ", "0", " 0.00", "-0.00", "0.01", "-0.01", "  12.50", "+3", ".5", "-.", "1.2.3",
                        "00000000", "0000000001", "  - 5", "\t7", "9x", "x9", "0.000000000000000001"}) {
    const double d = leadingDecimal(v);
    EXPECT_EQ(leadingDecimalSign(v), d > 0 ? 1 : d < 0 ? -1 : 0) << "\"" << v << "\"";
    EXPECT_EQ(fieldInteger(v), leadingInteger(v)) << "\"" << v << "\"";
  }
  for (const char* v : {"999999999999999999", "-999999999999999999", "9999999999999999999999", " \v\f+12x"})
    EXPECT_EQ(fieldInteger(v), leadingInteger(v)) << v;
}

// A sequence of named checks run in order on one state (a fresh one unless kept): each step is
// a check, the value it sees and the code it must return.
struct Step {
  const char* check;
  std::string value;
  int code;
};

void run(const std::vector<Step>& steps, bool keepState = false) {
  if (!keepState) resetVzpCheckState();
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    VzpCheckFunction f = findCheck(s.check);
    ASSERT_NE(f, nullptr) << s.check;
    EXPECT_EQ(f(s.value), s.code) << "step " << i << ": " << s.check << "(\"" << s.value << "\")";
  }
}

TEST_F(VzpChecksTest, HeaderChecks) {
  run({{"PO", "X", 6017}, {"PO", "P", 0}, {"TypDavky", "10", 0},
       {"PO", "O", 0}, {"TypDavky", "10", 6019}, {"TypDavky", "97", 6019}, {"TypDavky", "05", 0},
       // the document order: a new header starts it again
       {"NulujPocDokl", "D", 0}, {"ZvetsiPocDokl", "001", 0}, {"ZvetsiPocDokl", "002", 0},
       {"ZvetsiPocDokl", "002", 6049}, {"ZvetsiPocDokl", "003", 0}, {"NulujPocDokl", "D", 0},
       {"ZvetsiPocDokl", "001", 0}});
  VzpCheckState& s = vzpCheckState();
  s.batchIco = "12345678";
  s.fileKind = 0;
  run({{"TestICO", "12345678", 0}, {"TestICO", "12345679", 6021}, {"vystrel_lazne", "16", 6016},
       {"vystrel_lazne", "81", 0}}, true);
  s.fileKind = 16;
  EXPECT_EQ(findCheck("vystrel_lazne")("16"), 0);
}

TEST_F(VzpChecksTest, NumberChecks) {
  run({{"NoSpacesInNum", "        ", 0}, {"NoSpacesInNum", "1234 x  ", 0}, {"NoSpacesInNum", "12a4    ", 6055},
       {"NumNotNul", "0000000", 6062}, {"NumNotNul", "0000001", 0}, {"KladneCislo", "  -1", 6003},
       {"CenNotNul", "  0.00", 6066}, {"CenNotNul", "  0.01", 0},
       {"NumberTest", "     ", 0}, {"NumberTest", "12.50", 0}, {"NumberTest", " 1 50", 6068},
       {"NumberTest", "12,50", 6069}, {"NumberTest", "1x.50", 6067}, {"NumberTest", "   12", 6069},
       {"RokPo1992", "    ", 0}, {"RokPo1992", "0000", 0}, {"RokPo1992", "1991", 6031}, {"RokPo1992", "1992", 0},
       {"NepovRok", "    ", 0}, {"NepovRok", "20x3", 6061}, {"NepovRok", "2023", 0},
       {"UlozDRok", "2020", 0}, {"RokNizHlav", "2021", 6059}, {"RokNizHlav", "2020", 0}, {"RokNizHlav", "    ", 0},
       {"IsMesic", "  ", 0}, {"IsMesic", "12", 0}, {"IsMesic", "13", 6032}, {"IsMesic", "00", 6032},
       {"IsMesic", "2 ", 6032}, {"NepovMesic", "  ", 0}, {"NepovMesic", "1x", 6032},
       // shorter document numbers in batches 65 and 66 only
       {"PO", "P", 0}, {"TypDavky", "05", 0}, {"KratsiCislo", "1234567", 0},
       {"TypDavky", "65", 0}, {"KratsiCislo", "1234567", 6002}, {"KratsiCislo", "0234567", 0},
       {"TypDavky", "66", 0}, {"KratsiCislo", " 234567", 0}});
}

TEST_F(VzpChecksTest, SingleCharacterCodes) {
  run({{"TestC1_1az3", "3", 0}, {"TestC1_1az3", "4", 6043}, {"TestC1_1az4", "4", 0}, {"TestC1_1az4", "0", 6047},
       {"TestC1_1az5", "5", 0}, {"TestC1_1az5", " ", 6048}, {"TestXspc", " ", 0}, {"TestXspc", "X", 0},
       {"TestXspc", "x", 6045}, {"CI", "I", 0}, {"CI", "A", 6044}, {"VKVA", "7", 0}, {"VKVA", "A", 6070},
       {"VZUB", " ", 0}, {"VZUB", "-", 6071}, {"TestC1_1az2", "?", 0},
       {"NTestC1_1az3", " ", 0}, {"NTestC1_1az3", "9", 6043}, {"TestC1_spc12", "2", 0},
       {"TestC1_spc12", "3", 6046}});
}

TEST_F(VzpChecksTest, DateChecks) {
  VzpCheckState& s = vzpCheckState();
  run({{"DatNizsiHlav", "15052023", 0}, {"DatNizsiHlav", "15.05.23", 6057}, {"NDatNizsiHlav", "        ", 0},
       // the period of a document, and the item dates within it
       {"UlozDatOd2", "01052023", 0}, {"UlozDatDo2", "31052023", 0}, {"Datum2VMezich", "15052023", 0},
       {"Datum2VMezich", "01062023", 6042}, {"Datum2VMezich", "30042023", 6042}, {"Datum2VMezich", "        ", 0},
       // after a document that requires dates, the next item date needs a day
       {"NepovDatum", "00000000", 0}, {"DatumNutno", "A", 0}, {"NepovDatum", "        ", 6058},
       {"JeDatumVyplneno?", "00052023", 6058}, {"NepovDatum", "15052023", 0}, {"NepovDatum", "        ", 0}});
  s.today = 20230615;
  run({{"DatNizTyped", "15062023", 0}, {"DatNizTyped", "16062023", 6060}, {"NDatNizTyped", "        ", 0},
       {"NDatNizTyped", "01012024", 6060}}, true);
}

TEST_F(VzpChecksTest, FacilityNumbers) {
  VzpCheckState& s = vzpCheckState();
  s.batchIco = "12345678";
  run({{"ICP_vlastni", "12999999", 0}, {"ICP_vlastni", "13345678", 6024}, {"ICP_shoda", "12345999", 0},
       {"ICP_shoda", "12346678", 6022}, {"ICP_cizi", "12000000", 6023}, {"ICP_cizi", "13000000", 0}}, true);
  s.batchIco = "09997123";  // regions up to 10 are one area; 997 and 996 stand for the whole ICO
  run({{"ICP_vlastni", "10000000", 0}, {"ICP_vlastni", "11000000", 6024}, {"ICP_shoda", "09997123", 0},
       {"ICP_shoda", "09997124", 6022}, {"ICP_cizi", "10999999", 6023}, {"ICP_cizi", "11000000", 0}}, true);
  s.batchIco = "\x81" "2345678";  // bytes order as unsigned, so this region lies above 10
  run({{"ICP_vlastni", "05000000", 6024}, {"ICP_vlastni", "\x81" "2000000", 0}, {"ICP_cizi", "05000000", 0}}, true);
}

TEST_F(VzpChecksTest, BirthNumbersAndDiagnoses) {
  run({{"UlozRC", "8001011234", 0}, {"KontrolaRC_Z", "8001011234", 0}, {"KontrolaRC_Z", "8001011235", 6039},
       {"Diagnoza", "J189 ", 0}, {"Diagnoza", "J18  ", 0}, {"Diagnoza", "j189 ", 6041}, {"Diagnoza", "JX89 ", 6041},
       {"Diagnoza", "J18X ", 6041}, {"DiagCisel", "JX89 ", 0}, {"NepovDiagnoza", "     ", 0},
       {"NepovDiagnoza", "1    ", 6041}, {"NepovDiagCisel", "     ", 0}});
  findCheck("Diagnoza")("?????");
  EXPECT_TRUE(vzpCheckState().diagnosisFailed);
  findCheck("DiagCisel")("?????");
  EXPECT_FALSE(vzpCheckState().diagnosisFailed);
}

TEST_F(VzpChecksTest, ReplacementsAndCategories) {
  run({{"Nuluj_n_1", "T", 0}, {"Nahrady_1", "1", 0}, {"Nahrady_1", "2", 0}, {"Nahrady_1", "1", 6050},
       {"Kategorie", "1", 0}, {"Kategorie", "1", 6051},
       {"Nuluj_n_1", "A", 0}, {"Nahrady_1", "1", 0}, {"Kategorie", "1", 0},
       // batch 05: the same birth number twice with the same type within one document
       {"Nuluj_n_X", "P", 0}, {"Nahrady_X_NROD", "8001011234", 0}, {"Nahrady_X_NTYP", "1", 0},
       {"Nahrady_X_NROD", "8001011234", 0}, {"Nahrady_X_NTYP", "1", 6050}, {"Nahrady_X_NTYP", "2", 0},
       {"Nahrady_X_NROD", "8001011235", 0}, {"Nahrady_X_NTYP", "1", 0},
       {"Nuluj_n_X", "P", 0}, {"Nahrady_X_NROD", "8001011234", 0}, {"Nahrady_X_NTYP", "1", 0}});
  releaseReplacementList();
  EXPECT_TRUE(vzpCheckState().replacements.empty());
}

// The second prescription of batch 10, complete in the 82-character layout: RCI2, then
// RKO2 (5), RMN2 (5) and RFI2 (9).
TEST_F(VzpChecksTest, SecondPrescription) {
  run({{"RCI2", " ", 0}, {"DruhyRecept", "     ", 0}, {"DruhyRecept", "     ", 0}, {"DruhyRecept", "         ", 0},
       {"RCI2", " ", 0}, {"DruhyRecept", "12345", 0}, {"DruhyRecept", "     ", 0}, {"DruhyRecept", "         ", 6025},
       {"RCI2", " ", 0}, {"DruhyRecept", "     ", 0}, {"DruhyRecept", "     ", 0}, {"DruhyRecept", "   123.45", 6025},
       {"RCI2", "1", 0}, {"DruhyRecept", "     ", 6052}, {"DruhyRecept", " 0.00", 6066},
       {"DruhyRecept", "         ", 6066},
       {"RCI2", "1", 0}, {"DruhyRecept", "12345", 0}, {"DruhyRecept", " 1.50", 0}, {"DruhyRecept", "   123.45", 0},
       {"RCI2", "1", 0}, {"DruhyRecept", "1234567", 0}});  // the 7-character code of the longer layouts
}

TEST_F(VzpChecksTest, TransportOfBatch36) {
  run({{"UlozKodDopravy", "01", 0}, {"Datum36", "        ", 6058}, {"Datum36", "15052023", 0},
       {"Time36", "0800", 0}, {"VKM36", "  12", 0}, {"Char36", "PRAHA", 0}, {"Diag36", "     ", 6041},
       {"Diag36", "J189 ", 0}, {"Diag36Cisel", "J189 ", 0},
       {"UlozKodDopravy", "08", 0}, {"Datum36", "15052023", 6008}, {"Datum36", "        ", 0},
       {"Time36", "0800", 6008}, {"Time36", "    ", 0}, {"VKM36", "  12", 6008}, {"Char36", "PRAHA", 6008},
       {"Diag36", "J189 ", 6008}, {"Diag36", "     ", 0}, {"Diag36Cisel", "J189 ", 6008}});
}

TEST_F(VzpChecksTest, FurtherRecordRules) {
  run({{"SPZcheck", "1AB2345", 0}, {"SPZcheck", " AB2345", 0}, {"SPZcheck", "1ab2345", 6053},
       {"SPZcheck", "1AB 345", 6053}, {"NepovSPZ", "       ", 0}, {"NepovSPZ", "AB-1234", 6053},
       {"VKOD", "09513", 0}, {"VKOD", "  513", 0}, {"VKOD", "0951A", 6009}, {"VKOD", "0 513", 6009},
       {"JeVyplHROD37", "          ", 0}, {"HJME37", "     ", 6000}, {"HJME37", "NOVAK", 0},
       {"JeVyplHROD37", "8001011234", 0}, {"HJME37", "     ", 0},
       {"SaveOTRV", " ", 0}, {"ODAZ", "        ", 6058}, {"OEVC", "            ", 6052},
       {"SaveOTRV", "X", 0}, {"ODAZ", "        ", 0}, {"OEVC", "            ", 0},
       {"NumberLeft", "123  ", 0}, {"NumberLeft", "12 3 ", 6055}, {"DDMMRR4spc", "150523    ", 0},
       {"DDMMRR4spc", "151323    ", 6053}, {"DDMMRR4spc", "1505231   ", 6053}});
}

TEST_F(VzpChecksTest, SpaCare) {
  run({// without escort the cost kind is 1 to 3; with care type P it is 3
       {"TYP_LP", "K", 0}, {"JMENO_PR", "  ", 0}, {"CP_PR", "          ", 0}, {"KOD_NAK", "4", 6012},
       {"KOD_NAK", "2", 0}, {"TYP_LP", "P", 0}, {"KOD_NAK", "1", 6013}, {"KOD_NAK", "3", 0},
       {"TYP_LP", "X", 6018}, {"JMENO_PR", "NOVAK", 0}, {"CP_PR", "          ", 6034}, {"KOD_NAK", "4", 0},
       {"JMENO_PR", "     ", 0}, {"CP_PR", "8001011234", 6001},
       // beds and interruptions go with cost kinds 1 and 4
       {"TYP_LP", "K", 0}, {"KOD_NAK", "1", 0}, {"LUZKO_KATEG", "0", 6054}, {"LUZKO_KATEG", "2", 0},
       {"LUZKO_KATEG", "   ", 6052}, {"LUZKO_KATEG", "A1 ", 0}, {"KOD_PRERUS", " ", 6014}, {"KOD_PRERUS", "1", 0},
       {"KOD_NAK", "2", 0}, {"LUZKO_KATEG", "0", 0}, {"LUZKO_KATEG", "2", 6006}, {"LUZKO_KATEG", "A1 ", 6005},
       {"KOD_PRERUS", "1", 6015}, {"KOD_PRERUS", " ", 0},
       // the end code against the end dates present
       {"DUKON_DODJ_setind", "L", 0}, {"DUKON", "        ", 0}, {"DODJ", "        ", 0}, {"KOD_UKO", "0", 0},
       {"KOD_UKO", "3", 6027}, {"DUKON", "15052023", 0}, {"KOD_UKO", "0", 6026}, {"KOD_UKO", "3", 6027},
       {"DODJ", "16052023", 0}, {"KOD_UKO", "3", 0}, {"DUKON_DODJ_setind", "L", 0}, {"KOD_UKO", "0", 0}});
}

// Batch 66: the document type decides which of its fields are required. An amount is
// tested with its last four characters read as "0.00", so amounts below 10 pass.
TEST_F(VzpChecksTest, Batch66Documents) {
  run({{"TypDokl66789", "55", 6007}, {"TypDokl66789", "66", 0}, {"TypDokl66789", "58", 0},
       {"TypDokl66789", "61", 0},
       {"TypDokl66789", "66", 0}, {"PovDokl66789_2", "          ", 6052}, {"PovDokl66789_2", "1234567890", 0},
       {"PovDokl66789_1", "        ", 8995}, {"PovDokl66789_1", "  123456", 0}, {"PovDokl66789_1", "1234 x  ", 0},
       {"PovDokl66789_1", "12a45678", 6055}, {"PovDokl66789_1", "-1234567", 6055},
       {"PovDokl66789_1", "              ", 6004}, {"PovDokl66789_1", "       1234.00", 0},
       {"PovDokl66789_1", "2023", 0}, {"PovDokl66789_1", "NAZEV", 0},
       // the two amounts: the first passes, the second is tested
       {"PovDokl66789_2", "         15.00", 0}, {"PovDokl66789_2", "          9.99", 0},
       {"PovDokl66789_2", "         15.00", 0}, {"PovDokl66789_2", "         15.00", 6004},
       {"PovDokl66789_2", "              ", 6004},  // blank: reported, and the toggle stays
       {"PovDokl66789_2", "         15.00", 0},
       // document type 67
       {"TypDokl66789", "67", 0}, {"PovDokl66789_1", "00000000", 0}, {"PovDokl66789_1", "00000001", 8995},
       {"PovDokl66789_1", "0000000000", 0}, {"PovDokl66789_1", "0000000001", 6005},
       {"PovDokl66789_1", "         15.00", 6004}, {"PovDokl66789_1", "          5.00", 0},
       {"PovDokl66789_2", "         15.00", 0},  // the second amount: not tested for type 67
       {"PovDokl66789_2", "          ", 6052}});
}

// The layouts themselves are checked when the library compiles; what is left is the lookup.
TEST_F(VzpChecksTest, ChecksAndRecordsAreFoundByExactName) {
  // A duplicate name would hide the later check behind the first.
  for (const VzpCheckEntry& e : vzpCheckTable()) EXPECT_EQ(findCheck(e.name), e.function) << e.name;
  EXPECT_EQ(findCheck("po"), nullptr);
  EXPECT_EQ(resolveCheckList("PO,Nesmysl,,TestXspc"),
            (std::vector<VzpCheckFunction>{findCheck("PO"), findCheck("TestXspc")}));
  EXPECT_EQ(errorEntries(), std::vector<std::string>{"Nesmysl: Nenalezena kontrolni funkce pro polozku (2)\n"});
  // The header is looked up under "00", whatever batch came before.
  const VzpRecordDescriptor* header = findRecordDescriptor("00", 'D', 62);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->role, 'D');
  for (const auto& [type, letter, length] :
       {std::tuple{"05", 'D', 62}, {"81", 'L', 43}, {"0", 'D', 62}, {"000", 'D', 62}})
    EXPECT_EQ(findRecordDescriptor(type, letter, length), nullptr) << type << " " << letter << " " << length;
}

}  // namespace
}  // namespace quervik::test
