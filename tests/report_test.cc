// Reports: the error list, the error file, and the copies in the auxiliary and global logs.
#include <cstdio>

#include "runtime/logs.h"
#include "runtime/report.h"
#include "test_support.h"

namespace quervik::test {
namespace {

class ReportTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    useCatalogue(tmp, {"# test catalogue", "07064 Pocet %d", "07065 Soubor %s radek %d", "07066 %s%s%s%n"});
  }
};

TEST_F(ReportTest, ListEntriesAreFormattedSuffixedAndStable) {
  EXPECT_EQ(errorEntryCount(), 0);
  reportError(7064, 12);
  reportError(7065, "a.drg", 3);
  std::vector<std::string> expected = {"Pocet 12 (7064)\n", "Soubor a.drg radek 3 (7065)\n"};
  EXPECT_EQ(errorEntries(), expected);
  EXPECT_EQ(errorEntries(), expected);  // reading leaves the list as it is
  EXPECT_EQ(reportedCodes(), (std::vector<int>{7064, 7065}));
  clearErrors();
  EXPECT_EQ(errorEntryCount(), 0);
}

TEST_F(ReportTest, UntrustedConversionsNeitherCrashNorOverrun) {
  reportError(7066, 5);
  EXPECT_EQ(errorEntries().at(0), "%s%s%s%n (7066)\n");
  std::string huge(5000, 'y');
  reportError(7065, huge, 1);
  EXPECT_EQ(errorEntries().at(1).size(), 2047u + std::string(" (7065)\n").size());
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

}  // namespace
}  // namespace quervik::test
