// DRG records written from VZP lines: for each batch type and letter that is converted, VZP
// lines built from their field positions go in and the exact DRG records come out. The
// expected records are built from the DRG column layout, independently of the templates.

#include "convert/record_writer.h"
#include "convert/vzp_converter.h"
#include "runtime/catalogue.h"
#include "convert_test_lines.h"
#include "test_support.h"

namespace quervik::test {
namespace {

using namespace quervik::convert;

// Empty DRG records: number fields hold a right-aligned 0, text fields blanks.
const std::string kEmptyA = "A" + right("0", 8) + "  " + right("0", 6) + "  " + right("0", 2) + right("0", 4) + right("0", 3) + " ";
const std::string kEmptyB = "B" + right("0", 7) + std::string(116, ' ');
const std::string kEmptyC = "C" + std::string(9, ' ') + right("0", 12) + std::string(8, ' ') + right("0", 13) +
                            right("0", 13) + right("0", 13) + std::string(7, ' ');

std::string B(std::initializer_list<At> fields) { return overlay(kEmptyB, fields); }
std::string C(std::initializer_list<At> fields) { return overlay(kEmptyC, fields); }

ConversionSettings settings2024() { return ConversionSettings{std::string("111"), {}, 2024}; }

struct RuleCase {
  const char* title;
  std::string batchType;  // of the header in front; empty: no header
  std::vector<std::string> lines;
  std::vector<std::string> expected;  // after the A record
};

// Birth numbers and what they give: 8555121234 a woman born 12.05.1985, 0101011234 a man born
// 01.01.2001, 7060151234 a woman born 15.10.1970, 5601011234 a man born 01.01.1956,
// "451201123 " a man born 01.12.1945 (nine digits).
std::vector<RuleCase> ruleCases() {
  const std::string p05 = vzp(49, {{1, "P"}, {2, "0000123"}, {9, "111"}, {12, "87654321"}, {20, "VS0001"}, {26, "001"}, {46, "001"}});
  const std::string v05 = vzp(30, {{1, "V"}, {2, "01012024"}, {10, "8555121234"}, {20, "09513"}, {25, "J0690"}});
  const std::string n05 = vzp(13, {{1, "N"}, {2, "8555121234"}, {12, "A"}});
  const std::string b05 = B({{2, "0000123"}, {9, "05"}, {26, "87654321"}, {34, "VS0001"}, {54, "001"}});

  auto r86 = [](const char* rci2) {
    return vzp(86, {{1, "R"}, {2, "001"}, {5, "0101011234"}, {15, "15032024"}, {23, "11223344"}, {34, "1"}, {35, "0012345"},
                    {42, "01.00"}, {47, "000123.50"}, {56, rci2}, {57, "0054321"}, {64, "02.00"}, {69, "000045.00"}});
  };
  auto r82 = [](const char* rci2) {
    return vzp(82, {{1, "R"}, {2, "001"}, {5, "0101011234"}, {15, "15032024"}, {23, "11223344"}, {34, "1"}, {35, "12345"},
                    {40, "01.00"}, {45, "000123.50"}, {54, rci2}, {55, "54321"}, {60, "02.00"}, {65, "000045.00"}});
  };
  const std::string r146 = vzp(146, {{1, "R"}, {2, "001"}, {5, "0101011234"}, {15, "15032024"}, {23, "11223344"}, {34, "1"},
                                     {35, "0012345"}, {42, "01.00"}, {47, "0000123.50"}, {57, "J4500"}, {85, "2"},
                                     {86, "0054321"}, {93, "02.00"}, {98, "0000045.00"}});
  const std::string b10 = B({{2, "    001"}, {9, "10"}, {11, "M"}, {12, "01012001"}, {26, "11223344"}, {60, "15032024"}, {84, "0101011234"}});
  const std::string c10first = C({{2, "1 "}, {4, "0012345"}, {11, right("01.00", 12)}, {23, "15032024"}, {57, right("000123.50", 13)}});
  auto c10second = [](const char* kind) {
    return C({{2, std::string(kind) + " "}, {4, "0054321"}, {11, right("02.00", 12)}, {23, "15032024"}, {57, right("000045.00", 13)}});
  };

  const std::string b12 = vzp(39, {{1, "B"}, {2, "002"}, {5, "5601011234"}, {15, "20032024"}, {23, "22334455"}, {32, "1"}, {34, "K3590"}});
  const std::string o120 = vzp(120, {{1, "O"}, {2, "003"}, {5, "7060151234"}, {15, "18032024"}, {23, "33445566"}, {35, "0099999"},
                                     {42, "001.00"}, {48, "0000099.90"}, {68, "M5450"}, {80, "21032024"}, {90, "207"}});
  const std::string o118 = vzp(118, {{1, "O"}, {2, "004"}, {5, "7060151234"}, {15, "18032024"}, {23, "33445566"}, {35, "99998"},
                                     {40, "002.00"}, {46, "0000088.80"}, {66, "M5450"}, {78, "22032024"}, {88, "208"}});
  auto b13 = [](const char* number, const char* department) {
    return B({{2, right(number, 7)}, {9, "13"}, {11, "Z"}, {12, "15101970"}, {22, "M545"}, {26, "33445566"}, {54, department},
              {60, "18032024"}, {84, "7060151234"}});
  };
  auto b14 = [](const char* number, const char* issued) {
    return B({{2, right(number, 7)}, {9, "14"}, {11, "M"}, {12, "01121945"}, {22, "H521"}, {26, "44556677"}, {60, issued},
              {84, "451201123 "}});
  };

  const std::string j36 = vzp(51, {{1, "J"}, {2, "0000008"}, {9, "111"}, {12, "77889900"}, {20, "VS0036"}, {26, "210"},
                                   {29, "0000150.00"}, {39, "0000300"}, {46, "001"}, {49, "07"}});
  const std::string v36 = vzp(68, {{1, "V"}, {2, "28032024"}, {10, "7060151234"}, {20, "0012"}, {24, "000250.00"}, {33, "S0090"}});
  const std::string b36 = B({{2, "0000008"}, {9, "36"}, {11, "Z"}, {12, "15101970"}, {26, "77889900"}, {34, "VS0036"}, {54, "210"},
                             {84, "7060151234"}});
  const std::string c36 = C({{2, "6 "}, {4, "07     "}, {11, right("0012", 12)}, {23, "28032024"}, {31, right("0000300", 13)},
                             {44, right("0000150.00", 13)}, {57, right("000250.00", 13)}, {70, "S009"}});

  const std::string w37 = vzp(136, {{1, "W"}, {2, "0000009"}, {11, "001"}, {14, "111"}, {17, "1"}, {18, "88990011"}, {26, "VS0037"},
                                    {32, "211"}, {35, "0101011234"}, {45, "T1400"}, {74, "29032024"}, {82, "0800"}, {86, "0900"}});

  const std::string a81 = vzp(93, {{1, "A"}, {2, "0000010"}, {11, "001"}, {14, "111"}, {17, "1"}, {18, "99001122"}, {26, "VS0081"},
                                   {32, "212"}, {35, "8555121234"}, {45, "J4500"}, {51, "11002233"}});
  const std::string b81 = B({{2, "0000010"}, {9, "01"}, {11, "Z"}, {12, "12051985"}, {22, "J450"}, {26, "99001122"}, {34, "VS0081"},
                             {40, "11002233"}, {54, "212"}, {84, "8555121234"}});
  const std::string v81 = vzp(33, {{1, "V"}, {2, "30032024"}, {10, "71234"}, {15, "2"}, {16, "213"}, {19, "J4510"}, {24, "00075"}});
  const std::string c81 = C({{2, "0 "}, {4, "71234  "}, {11, right("2", 12)}, {23, "30032024"}, {31, right("00075", 13)},
                             {70, "J451"}, {74, "213"}});
  const std::string z = vzp(67, {{1, "Z"}, {2, "0000011"}, {11, "002"}, {14, "22113344"}, {22, "VS0082"}, {28, "214"},
                                 {31, "7060151234"}, {41, "A0100"}});
  const std::string bz = B({{2, "0000011"}, {9, "03"}, {11, "Z"}, {12, "15101970"}, {22, "A010"}, {26, "22113344"}, {34, "VS0082"},
                            {54, "214"}, {84, "7060151234"}});
  const std::string l44 = vzp(44, {{1, "L"}, {2, "31032024"}, {10, "1"}, {12, "0044444"}, {19, "0000001.000"}, {30, "0000123.45"}});
  const std::string cl44 = C({{2, "1 "}, {4, "0044444"}, {11, right("0000001.000", 12)}, {23, "31032024"}, {57, right("0000123.45", 13)}});
  const std::string l42 = vzp(42, {{1, "L"}, {2, "31032024"}, {10, "2"}, {12, "44445"}, {17, "0000002.000"}, {28, "0000234.56"}});
  const std::string cl42 = C({{2, "2 "}, {4, "0044445"}, {11, right("0000002.000", 12)}, {23, "31032024"}, {57, right("0000234.56", 13)}});
  const std::string l40 = vzp(40, {{1, "L"}, {2, "01042024"}, {10, "3"}, {12, "0055554"}, {19, "0000003.000"}, {30, "0000003.45"}});
  const std::string cl40 = C({{2, "3 "}, {4, "0055554"}, {11, right("0000003.000", 12)}, {23, "01042024"}, {57, right("0000003.45", 13)}});
  const std::string l38 = vzp(38, {{1, "L"}, {2, "01042024"}, {10, "1"}, {12, "55555"}, {17, "0000004.000"}, {28, "0000004.45"}});
  const std::string cl38 = C({{2, "1 "}, {4, "0055555"}, {11, right("0000004.000", 12)}, {23, "01042024"}, {57, right("0000004.45", 13)}});

  const std::string h82 = vzp(101, {{1, "H"}, {2, "0000012"}, {11, "001"}, {14, "111"}, {17, "1"}, {18, "12121212"}, {26, "VS0820"},
                                    {32, "215"}, {35, "8555121234"}, {45, "I2100"}, {50, "3"}, {51, "4"}, {63, "01022024"}, {71, "05022024"}});
  const std::string bh = B({{2, "0000012"}, {9, "02"}, {11, "Z"}, {12, "12051985"}, {20, "3"}, {21, "4"}, {22, "I210"}, {26, "12121212"},
                            {34, "VS0820"}, {54, "215"}, {68, "01022024"}, {76, "05022024"}, {84, "8555121234"}});
  const std::string v82 = vzp(29, {{1, "V"}, {2, "02022024"}, {10, "09543"}, {15, "216"}, {18, "03"}, {20, "00250"}});
  const std::string cv82 = C({{2, "0 "}, {4, "09543  "}, {11, right("03", 12)}, {23, "02022024"}, {31, right("00250", 13)}, {74, "216"}});
  const std::string v99 = vzp(25, {{1, "V"}, {2, "02022024"}, {10, "09544"}, {15, "217"}, {18, "01"}, {20, "00100"}});
  const std::string cv99 = C({{2, "0 "}, {4, "09544  "}, {11, right("01", 12)}, {23, "02022024"}, {31, right("00100", 13)}, {74, "217"}});
  const std::string k = vzp(5, {{1, "K"}, {2, "4"}, {3, "07"}});
  const std::string ck = C({{2, "7 "}, {4, "4      "}, {11, right("07", 12)}});
  const std::string n = vzp(3, {{1, "N"}, {2, "B"}});
  const std::string cn = C({{2, "10"}, {4, "B      "}});
  const std::string g = vzp(7, {{1, "G"}, {2, "I2190"}});
  const std::string cg = C({{2, "8 "}, {4, "I2190  "}});

  return {
      {"05: P takes the patient from the V line after it; V and N", "05", {p05, v05, n05},
       {overlay(b05, {{11, "Z"}, {12, "12051985"}, {84, "8555121234"}}), C({{2, "0 "}, {4, "09513  "}, {23, "01012024"}, {70, "J069"}}),
        C({{2, "10"}, {4, "A      "}})}},
      {"05: P followed by no V line has blank patient fields", "05", {p05, n05},
       {overlay(b05, {{11, "M"}, {12, "11111111"}}), C({{2, "10"}, {4, "A      "}})}},
      {"05: G, Z and L lines produce nothing", "05", {g, z, l44}, {}},
      {"10 R of 86 with a second prescription", "10", {r86("2")}, {b10, c10first, c10second("2")}},
      {"10 R of 86 without a second prescription", "10", {r86(" "), r86("3")}, {b10, c10first, b10, c10first}},
      {"10 R of 82 widened, second prescription", "10", {r82("1")}, {b10, c10first, c10second("1")}},
      {"10 R of 82 widened, no second prescription", "10", {r82(" ")}, {b10, c10first}},
      {"10 R of 146", "10", {r146},
       {b10, overlay(c10first, {{57, right("0000123.50", 13)}}), overlay(c10second("2"), {{57, right("0000045.00", 13)}})}},
      {"12: B is the document line of M of 16 and of 14", "12",
       {b12, vzp(16, {{1, "M"}, {2, "0076543"}, {9, "0012.50"}}), vzp(14, {{1, "M"}, {2, "76544"}, {7, "0013.50"}})},
       {B({{2, "    002"}, {9, "12"}, {11, "M"}, {12, "01011956"}, {22, "K359"}, {26, "22334455"}, {60, "20032024"}, {84, "5601011234"}}),
        C({{2, "3 "}, {4, "0076543"}, {23, "20032024"}, {57, right("0012.50", 13)}}),
        C({{2, "3 "}, {4, "0076544"}, {23, "20032024"}, {57, right("0013.50", 13)}})}},
      {"12: M without a document line", "12", {vzp(16, {{1, "M"}, {2, "0076543"}, {9, "0012.50"}})},
       {C({{2, "3 "}, {4, "0076543"}, {57, right("0012.50", 13)}})}},
      {"13 O of 120 and of 118", "13", {o120, o118},
       {b13("003", "207"),
        C({{2, "3 "}, {4, "0099999"}, {11, right("001.00", 12)}, {23, "21032024"}, {57, right("0000099.90", 13)}, {70, "M545"}, {74, "207"}}),
        b13("004", "208"),
        C({{2, "3 "}, {4, "0099998"}, {11, right("002.00", 12)}, {23, "22032024"}, {57, right("0000088.80", 13)}, {70, "M545"}, {74, "208"}})}},
      {"14 F of 46 and 44, M of 17 and 15", "14",
       {vzp(46, {{1, "F"}, {2, "005"}, {5, "451201123 "}, {15, "25032024"}, {23, "44556677"}, {32, "1"}, {34, "0011111"}, {41, "H5210"}}),
        vzp(17, {{1, "M"}, {2, "0022222"}, {9, "00012.50"}}),
        vzp(44, {{1, "F"}, {2, "006"}, {5, "451201123 "}, {15, "26032024"}, {23, "44556677"}, {34, "11112"}, {39, "H5210"}}),
        vzp(15, {{1, "M"}, {2, "22223"}, {7, "00013.50"}})},
       {b14("005", "25032024"), C({{2, "3 "}, {4, "0011111"}, {23, "25032024"}}),
        C({{2, "3 "}, {4, "0022222"}, {23, "25032024"}, {57, right("00012.50", 13)}}),
        b14("006", "26032024"), C({{2, "3 "}, {4, "0011112"}, {23, "26032024"}}),
        C({{2, "3 "}, {4, "0022223"}, {23, "26032024"}, {57, right("00013.50", 13)}})}},
      {"34: T, V (a code of three blanks and 42 is of kind 6), N, G", "34",
       {vzp(149, {{1, "T"}, {2, "0000007"}, {11, "001"}, {14, "111"}, {17, "1"}, {18, "55667788"}, {26, "VS0034"}, {32, "209"},
                  {35, "8555121234"}, {45, "S7200"}, {51, "66778899"}, {90, "27032024"}}),
        vzp(16, {{1, "V"}, {2, "12345"}, {7, "0002"}, {11, "00150"}}), vzp(16, {{1, "V"}, {2, "   42"}, {7, "0001"}, {11, "00020"}}), n, g},
       {B({{2, "0000007"}, {9, "34"}, {11, "Z"}, {12, "12051985"}, {22, "S720"}, {26, "55667788"}, {34, "VS0034"}, {40, "66778899"},
           {57, "209"}, {60, "27032024"}, {84, "8555121234"}}),
        C({{2, "0 "}, {4, "12345  "}, {11, right("0002", 12)}, {31, right("00150", 13)}}),
        C({{2, "6 "}, {4, "42     "}, {11, right("0001", 12)}, {31, right("00020", 13)}}), cn, cg}},
      {"36: J takes the patient from the V line, V reads J", "36", {j36, v36, v36}, {b36, c36, c36}},
      {"36: J of 59", "36", {overlay(j36 + std::string(8, ' '), {{52, "77889900"}}), v36}, {b36, c36}},
      {"37: W is the document line of V and L", "37",
       {w37, vzp(15, {{1, "V"}, {2, "54321"}, {7, "003"}, {10, "00100"}}), vzp(15, {{1, "V"}, {2, "   43"}, {7, "001"}, {10, "00010"}}),
        vzp(27, {{1, "L"}, {2, "2"}, {3, "0033333"}, {10, "001.000"}, {17, "0000012.00"}}),
        vzp(25, {{1, "L"}, {2, "3"}, {3, "33334"}, {8, "002.000"}, {15, "0000013.00"}})},
       {B({{2, "0000009"}, {9, "37"}, {11, "M"}, {12, "01012001"}, {22, "T140"}, {26, "88990011"}, {34, "VS0037"}, {54, "211"},
           {60, "29032024"}, {84, "0101011234"}}),
        C({{2, "0 "}, {4, "54321  "}, {11, right("003", 12)}, {23, "29032024"}, {31, right("00100", 13)}}),
        C({{2, "6 "}, {4, "43     "}, {11, right("001", 12)}, {23, "29032024"}, {31, right("00010", 13)}}),
        C({{2, "2 "}, {4, "0033333"}, {11, right("001.000", 12)}, {23, "29032024"}, {57, right("0000012.00", 13)}}),
        C({{2, "3 "}, {4, "0033334"}, {11, right("002.000", 12)}, {23, "29032024"}, {57, right("0000013.00", 13)}})}},
      {"37: after a Z document the items have no document line", "37",
       {w37, z, vzp(15, {{1, "V"}, {2, "54321"}, {7, "003"}, {10, "00100"}})},
       {B({{2, "0000009"}, {9, "37"}, {11, "M"}, {12, "01012001"}, {22, "T140"}, {26, "88990011"}, {34, "VS0037"}, {54, "211"},
           {60, "29032024"}, {84, "0101011234"}}),
        bz, C({{2, "0 "}, {4, "54321  "}, {11, right("003", 12)}, {31, right("00100", 13)}})}},
      {"81: A, V, G, Z, L of 44 and of 42", "81", {a81, v81, g, z, l44, l42}, {b81, c81, cg, bz, cl44, cl42}},
      {"98: A, V, L of 40 and of 38", "98",
       {a81, vzp(29, {{1, "V"}, {2, "05022024"}, {10, "09112"}, {15, "1"}, {16, "220"}, {19, "K2100"}, {24, "00050"}}), l40, l38},
       {b81, C({{2, "0 "}, {4, "09112  "}, {11, right("1", 12)}, {23, "05022024"}, {31, right("00050", 13)}, {70, "K210"}, {74, "220"}}),
        cl40, cl38}},
      {"82: H, V, N, K, Z, L of 44 and of 42", "82", {h82, v82, n, k, z, l44, l42}, {bh, cv82, cn, ck, bz, cl44, cl42}},
      {"99: H, V of 25, K, L of 40 and of 38", "99", {h82, v99, k, l40, l38}, {bh, cv99, ck, cl40, cl38}},
      {"90: E, V, Z, L of 40 and of 38", "90",
       {vzp(100, {{1, "E"}, {2, "0000013"}, {11, "001"}, {14, "111"}, {17, "1"}, {18, "13131313"}, {26, "VS0900"}, {32, "218"},
                  {35, "5601011234"}, {45, "Z0000"}, {51, "14141414"}, {66, "03022024"}, {91, "219"}, {94, "VS0901"}}),
        vzp(16, {{1, "V"}, {2, "04022024"}, {10, "09111"}, {15, "1"}}), z, l40, l38},
       {B({{2, "0000013"}, {9, "06"}, {11, "M"}, {12, "01011956"}, {22, "Z000"}, {26, "13131313"}, {34, "VS0900"}, {40, "14141414"},
           {48, "VS0901"}, {54, "218"}, {57, "219"}, {60, "03022024"}, {84, "5601011234"}}),
        C({{2, "0 "}, {4, "09111  "}, {11, right("1", 12)}, {23, "04022024"}}), bz, cl40, cl38}},
      {"16, 66 and 80 give only their N, G and Z records", "16",
       {vzp(36, {{1, "U"}}), n, vzp(84, {{1, "S"}}), vzp(29, {{1, "H"}}), g, z, l44}, {cn, cg, bz}},
      {"before the first header only N, G and Z are converted", "", {p05, n, g, z, h82}, {cn, cg, bz}},
      {"a short line reads as blanks beyond its end", "82", {"H0000012" + std::string(26, ' ') + "85"},
       {B({{2, "0000012"}, {9, "02"}, {11, "M"}, {12, "11111111"}, {84, "85"}})}},
      {"a NUL byte reads as a blank", "82", {overlay(z, {{24, std::string("\0\0", 2)}})}, {overlay(bz, {{36, "  "}})}},
  };
}

TEST(ConvertRecords, EveryFillingRuleWritesTheExpectedRecords) {
  for (const RuleCase& c : ruleCases()) {
    SCOPED_TRACE(c.title);
    std::string text;
    if (!c.batchType.empty()) text = vzpHeader(c.batchType) + "\r\n";
    for (const std::string& l : c.lines) text += l + "\n";
    for (bool prepared : {true, false}) {
      ConversionSettings settings = settings2024();
      settings.preparedRules = prepared;
      std::vector<std::string> got = drgRecords(convertVzpText(text, settings));
      if (!c.batchType.empty()) {
        ASSERT_FALSE(got.empty());
        EXPECT_EQ(got.front()[0], 'A');
        got.erase(got.begin());
      }
      ASSERT_EQ(got.size(), c.expected.size()) << (prepared ? "prepared" : "field by field");
      for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i], c.expected[i]) << "record " << i << (prepared ? ", prepared" : ", field by field");
        EXPECT_EQ(got[i].size(), got[i][0] == 'B' ? 124u : 76u);
      }
    }
  }
}

TEST(ConvertRecords, HeaderRecord) {
  const std::string expected =
      overlay(kEmptyA, {{2, "12345678"}, {10, "Z"}, {11, "P"}, {12, "000042"}, {18, "82"}, {20, "03"}, {22, "2024"}});
  const std::string text = vzpHeader("82") + "\n";
  ConversionSettings s = settings2024();
  s.insurerCode = "1111";  // at most three characters are taken
  EXPECT_EQ(convertVzpText(text, s), overlay(expected, {{26, "111"}}) + "\r\n");
  s.insurerCode = "7";
  EXPECT_EQ(convertVzpText(text, s), overlay(expected, {{26, "  7"}}) + "\r\n");
  s.insurerCode.reset();  // no code: the number field keeps its 0
  EXPECT_EQ(convertVzpText(text, s), expected + "\r\n");
}

// The birth numbers of the filling rules above give the usual dates and both sexes; these are the rest.
TEST(ConvertRecords, BirthDatesAndSex) {
  struct Case {
    const char* number;
    int year;
    const char* date;
  } cases[] = {
      {"4601011234", 2045, "11111111"},  // 2046 lies ahead
      {"4601011234", 2046, "01012046"},
      {"651201123 ", 2024, "01121865"},  // nine digits: 19 unless the first is 6 to 9
      {"8505521234", 2024, "02051985"},  // a day raised by 50
      {"8513121234", 2024, "11111111"},  // month 13
      {"8505001234", 2024, "11111111"},  // day 0
      {"85051A1234", 2024, "11111111"},  // not a digit
      {"          ", 2024, "11111111"},
      {"855512123", 2024, "11111111"},   // not ten characters
  };
  for (const Case& c : cases) {
    char out[8];
    birthDateFromBirthNumber(c.number, c.year, out);
    EXPECT_EQ(std::string(out, 8), c.date) << c.number << " in " << c.year;
  }
  for (const char* s : {"1", "7", " ", ""}) EXPECT_EQ(sexFromThirdDigit(s), 'M') << s;
}

// A record ends at its first CR: at any place of the line, with a NUL after it or not, and
// with the line after it ended by CR LF, by LF or by nothing.
TEST(ConvertRecords, ARecordEndsAtItsFirstCr) {
  const std::string z = vzp(67, {{1, "Z"}, {2, "0000011"}, {14, "22113344"}, {22, "VS0082"}, {31, "7060151234"}, {41, "A0100"}});
  const std::string header = vzpHeader("82") + "\r\n";
  for (size_t at : {1u, 9u, 23u, 38u, 40u, 50u, 66u})
    for (const std::string& cr : {std::string("\r"), std::string("\r\0", 2), std::string("\r\r")})
      for (const char* end : {"\r\n", "\n", ""}) {
        SCOPED_TRACE(testing::Message() << "CR at " << at << ", " << cr.size() << " bytes put in");
        const std::string line = z.substr(0, at) + cr + z.substr(at) + "\r\n";
        EXPECT_EQ(convertVzpText(header + line + z + end, settings2024()),
                  convertVzpText(header + z.substr(0, at) + "\n" + z + end, settings2024()));
      }
}

}  // namespace
}  // namespace quervik::test
