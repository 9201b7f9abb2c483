// Reports: untrusted catalogue texts formatted with typed arguments, the error list, the error
// file and the copies in the auxiliary and global logs, and the shipped catalogue against the
// registry of codes (every code the library reports has a text whose conversions take exactly
// the arguments its reports pass).
#include <cstdio>
#include <fstream>
#include <map>

#include "runtime/logs.h"
#include "runtime/messages.h"
#include "runtime/report.h"
#include "runtime/safe_format.h"
#include "test_support.h"

namespace quervik::test {
namespace {

class ReportTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    useCatalogue(tmp, {"# test catalogue", "07064 Pocet %d", "07065 Soubor %s radek %d"});
  }
};

TEST_F(ReportTest, LongEntriesAreCutBeforeTheirCode) {
  reportError(7065, std::string(5000, 'y'), 1);
  EXPECT_EQ(errorEntries().at(0).size(), 2047u + std::string(" (7065)\n").size());
}

TEST_F(ReportTest, AuxiliaryAndGlobalLogsReceiveEveryReport) {
  std::string global = put("global.log", "earlier\r\n");
  ASSERT_EQ(openGlobalLog(global.c_str()), 0);
  FILE* aux = std::tmpfile();
  setAuxiliaryLog(aux);
  reportError(7064, 4);
  std::string file = tmp / "errors.txt";
  ASSERT_EQ(setErrorFile(file.c_str()), 0);
  reportError(7065, "x", 5);
  closeErrorFile();
  std::string saved = tmp / "auxiliary.log";
  EXPECT_EQ(saveAuxiliaryLog(aux, saved.c_str()), 41);
  closeAuxiliaryLog(aux);
  reportError(7064, 6);  // no auxiliary log any more
  EXPECT_EQ(closeGlobalLog(), 0);
  EXPECT_EQ(closeGlobalLog(), -1);
  EXPECT_EQ(readFile(saved), "Pocet 4 (7064)\r\nSoubor x radek 5 (7065)\r\n");
  EXPECT_EQ(readFile(global), "earlier\r\nPocet 4 (7064)\r\nSoubor x radek 5 (7065)\r\nPocet 6 (7064)\r\n");
}

TEST_F(ReportTest, AuxiliaryLogThatCannotBeSaved) {
  FILE* aux = std::tmpfile();
  CapturedStdout out;
  std::string target = tmp / "no/dir/x.log";
  EXPECT_EQ(saveAuxiliaryLog(aux, target.c_str()), -1);
  EXPECT_EQ(out.take(), "Nelze otevrit soubor " + target + "\n");
  EXPECT_EQ(saveAuxiliaryLog(nullptr, target.c_str()), -1);
  std::fclose(aux);
}

std::string fmt(const char* f, std::vector<MsgArg> args) { return safeFormat(f, args); }

TEST(SafeFormat, FittingConversionsFormatAsPrintf) {
  EXPECT_EQ(fmt("Radek %d: pole %s", {12, "HCID"}), "Radek 12: pole HCID");
  EXPECT_EQ(fmt("[%5d|%-4s|%05.1f|%c|%x|%%]", {42, "ab", 3.14159, 'Z', 255}), "[   42|ab  |003.1|Z|ff|%]");
  EXPECT_EQ(fmt("%*d|%.2s", {6, 7, "abcdef"}), "     7|ab");
  EXPECT_EQ(fmt("%u", {-1}), "4294967295");
  EXPECT_EQ(fmt("%ld %lld", {5, 6}), "5 6");
  char expected[64];
  std::snprintf(expected, sizeof expected, "%g %e", 0.5, 1234.5);
  EXPECT_EQ(fmt("%g %e", {0.5, 1234.5}), expected);
}

TEST(SafeFormat, MismatchesMissingArgumentsAndPercentNAreLiteral) {
  EXPECT_EQ(fmt("%s%s%s%n", {42}), "%s%s%s%n");
  EXPECT_EQ(fmt("%d then %s", {"text", 5}), "%d then %s");
  EXPECT_EQ(fmt("%d %d %d", {1}), "1 %d %d");
  EXPECT_EQ(fmt("%n%d", {3}), "%n3");
  EXPECT_EQ(fmt("%s", {static_cast<const char*>(nullptr)}), "(null)");
  EXPECT_EQ(fmt("end %", {}), "end %");
  EXPECT_EQ(fmt("%*d", {"x", 1}), "%*d");
}

TEST(SafeFormat, OutputIsCutAt2047Characters) {
  EXPECT_EQ(fmt("%99999d", {1}).size(), kMaxReportLength);
  EXPECT_EQ(fmt("%.99999f", {1.0}).size(), kMaxReportLength);
  std::string big(5000, 'x');
  EXPECT_EQ(safeFormat(big, {}).size(), kMaxReportLength);
  std::vector<MsgArg> args = {std::string_view(big)};
  EXPECT_EQ(safeFormat("%s%s", args).substr(0, 5), "xxxxx");
  EXPECT_EQ(safeFormat("%s%s", args).size(), kMaxReportLength);
}

TEST(SafeFormat, ConversionClassesForTheCatalogueCheck) {
  EXPECT_EQ(conversionClasses("a %d b %s c %5.2f %% %c %*d"), "isfiii");
  EXPECT_EQ(conversionClasses("%n"), "?");
  EXPECT_EQ(conversionClasses("plain"), "");
}

// The argument classes the safe formatter matches: integers and characters alike.
std::string classesOf(const char* kinds) {
  std::string out;
  for (const char* k = kinds; *k; ++k) out += (*k == 'd' || *k == 'c') ? 'i' : *k;
  return out;
}

std::map<int, std::string> shippedTexts() {
  std::map<int, std::string> texts;
  std::ifstream in(sourceCatalogue());
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '#') continue;
    int code = std::atoi(line.substr(0, 5).c_str());
    EXPECT_NE(code, 0) << "line " << number << " of the catalogue is neither a comment nor a message";
    EXPECT_LE(line.size(), 2053u) << "line " << number;
    EXPECT_FALSE(texts.count(code)) << "code " << code << " listed twice";
    texts.emplace(code, line.size() > 6 ? line.substr(6) : "");
  }
  return texts;
}

TEST(MessageCatalogue, EveryRegisteredCodeHasAFittingText) {
  std::map<int, std::string> texts = shippedTexts();
  for (const MessageSpec& m : messageRegistry()) {
    EXPECT_EQ(findMessageSpec(m.code), &m) << m.code << " registered twice";
    auto it = texts.find(m.code);
    if (it == texts.end()) {
      ADD_FAILURE() << m.name << " (" << m.code << ") has no text in msg/errors.msg";
      continue;
    }
    EXPECT_EQ(conversionClasses(it->second), classesOf(m.kinds))
        << m.name << " (" << m.code << "): \"" << it->second << "\"";
    for (char c : it->second) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << m.code << " is not plain ASCII";
  }
}

}  // namespace
}  // namespace quervik::test
