// The DRG batch check as the export runs it: inputs, summary reports, result codes, logs,
// disposal of the files, bad input and interruption.
#include <algorithm>
#include <filesystem>

#include "drg/batch_check.h"
#include "drg_test_support.h"
#include "runtime/cancellation.h"
#include "runtime/logs.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

using drg::runDrgCheck;

// Deletes a file at the first question: the file disappears after it was collected.
struct DeleteOnFirstQuestion : CancellationSource {
  std::string victim;
  bool consumeInterrupt() override {
    if (!victim.empty()) std::filesystem::remove(victim);
    victim.clear();
    return false;
  }
};

class DrgCheck : public DrgTest {
 protected:
  // A small clean delivery F.ORG, F.OSN, F.DRG, F.EKO, F.KOR in the directory "in".
  void SetUp() override {
    DrgTest::SetUp();
    std::filesystem::create_directory(tmp / "in");
    writeFile(org, joinLines({goldenZ(), goldenO(), goldenN(), goldenP()}));
    writeFile(osn, joinLines({goldenOsn()}));
    writeFile(drg, joinLines({goldenA(), goldenB(), goldenC()}));
    writeFile(eko, joinLines({goldenEko()}));
    writeFile(kor, joinLines({goldenKor()}));
  }
  void TearDown() override {
    installCancellationSource(nullptr);
    DrgTest::TearDown();
  }

  int runAll(const char* log = nullptr, const char* out = nullptr, bool move = false) {
    return runDrgCheck(org.c_str(), drg.c_str(), osn.c_str(), eko.c_str(), nullptr, log, out, move, kor.c_str());
  }
  bool reported(const std::string& entry) {
    const std::vector<std::string> e = errorEntries();
    return std::find(e.begin(), e.end(), entry) != e.end();
  }
  long countOf(int code) {
    const std::vector<int> codes = reportedCodes();
    return std::count(codes.begin(), codes.end(), code);
  }

  const std::string org = tmp / "in/F.ORG", osn = tmp / "in/F.OSN", drg = tmp / "in/F.DRG", eko = tmp / "in/F.EKO",
                    kor = tmp / "in/F.KOR";
};

TEST_F(DrgCheck, OneFindingGivesTheWholeReportSequenceAndTheTotalCountsEveryFindingOnce) {
  writeFile(drg, joinLines({goldenA(), goldenB(), withField(goldenC(), drg::kDrgC, "Cena v Kc", "1X")}));
  const std::string out = tmp / "out";
  EXPECT_EQ(runDrgCheck(nullptr, drg.c_str(), nullptr, nullptr, nullptr, nullptr, out.c_str(), false, nullptr), -1);
  EXPECT_EQ(reportedCodes(),
            (std::vector<int>{7912, 7900, 7910, 7911, 7066, 7066, 7066, 7066, 7066, 7064, 7065, 7110, 7085}));
  const std::vector<std::string> e = errorEntries();
  EXPECT_EQ(e[0], reportOf(7912, drg));
  EXPECT_EQ(e[9], reportOf(7064, 3));
  EXPECT_EQ(e[10], reportOf(7065, 1));
  EXPECT_EQ(e[11], reportOf(7110, ""));
  EXPECT_EQ(e[12], reportOf(7085, 1));
  // No cross-check and no disposal after a finding.
  EXPECT_TRUE(std::filesystem::is_empty(out + "/ok"));
  EXPECT_TRUE(std::filesystem::is_empty(out + "/err"));

  clearErrors();
  writeFile(org, joinLines({goldenZ(), goldenO(), withField(goldenN(), drg::kOrgN, "Druh nakladoveho strediska", "QQ"),
                            withField(goldenP(), drg::kOrgP, "Pocet luzek pracoviste", "")}));
  EXPECT_EQ(runAll(), -1);  // the DRG file, the last with findings, had one
  EXPECT_EQ(errorEntries().back(), reportOf(7085, 3));
}

TEST_F(DrgCheck, PathsMayUseBackslashes) {
  std::string windows = drg, log = tmp / "log";
  std::replace(windows.begin(), windows.end(), '/', '\\');
  std::replace(log.begin(), log.end(), '/', '\\');
  EXPECT_EQ(runDrgCheck(nullptr, windows.c_str(), nullptr, nullptr, nullptr, log.c_str(), nullptr, false, nullptr), 0);
  EXPECT_TRUE(std::filesystem::exists(tmp / "log/ok/F_DRG.log.ok"));
}

TEST_F(DrgCheck, DirectoryModeChecksFilesByExtension) {
  writeFile(tmp / "in/NOEXT", "garbage\r\n");
  writeFile(tmp / "in/notes.txt", "garbage\r\n");
  writeFile(tmp / "in/second.drg", joinLines({goldenA(), goldenB(), goldenC()}));
  const std::string dir = tmp / "in";
  EXPECT_EQ(runDrgCheck(nullptr, nullptr, nullptr, nullptr, dir.c_str(), nullptr, nullptr, false, nullptr), 0);
  std::vector<std::string> checked;
  for (const std::string& e : errorEntries())
    if (e.find("(7912)") != std::string::npos) checked.push_back(e);
  std::vector<std::string> expected;
  for (const char* name : {"F.ORG", "F.OSN", "F.DRG", "second.drg", "F.EKO", "F.KOR"})
    expected.push_back(reportOf(7912, dir + kPathSeparator + name));
  EXPECT_EQ(checked, expected);
  // DRG_X_ORG runs only when a DRG file was named; the other cross-checks ran.
  EXPECT_EQ(countOf(7198), 3);
}

TEST_F(DrgCheck, BadLinesAreReportedAndTheRunGoesOn) {
  std::string longLine(1000, 'C');
  std::string withNul = goldenC();
  withNul[40] = '\0';
  std::string withCr = goldenC();
  withCr[20] = '\r';
  writeFile(drg, goldenA() + "\n" + goldenB() + "\r\n" + longLine + "\n" + withNul + "\r\n" + withCr + "\n" + goldenC() +
                     "\r\n" + goldenC());
  EXPECT_EQ(runDrgCheck(nullptr, drg.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr, false, nullptr), -5);
  // The long line: 767 characters without line end, then the rest as a line of its own; the
  // NUL and the lone CR are characters that do not belong in a number.
  EXPECT_EQ(findingsOnly(), (std::vector<int>{7000, 7009, 7016, 7016, 7000}));
  EXPECT_EQ(errorEntries()[1].rfind(reportOf(7900, 3L, "x").substr(0, 9), 0), 0u);
  EXPECT_TRUE(reported(reportOf(7064, 8)));
}

TEST_F(DrgCheck, FileThatDisappearsCountsAsAFinding) {
  DeleteOnFirstQuestion source;
  source.victim = drg;
  installCancellationSource(&source);
  const std::string out = tmp / "out";
  EXPECT_EQ(runAll(nullptr, out.c_str()), -1);
  const std::string cannotOpen = reportOf(7100, drg);
  EXPECT_TRUE(reported(reportOf(7900, 0L, cannotOpen.substr(0, cannotOpen.size() - 1))));
  EXPECT_EQ(errorEntries().back(), reportOf(7085, 1));
  EXPECT_EQ(countOf(7198), 0);  // no cross-checks
  EXPECT_TRUE(std::filesystem::is_empty(out + "/ok"));
}

TEST_F(DrgCheck, DirectoriesThatCannotBeMadeOrWritten) {
  writeFile(tmp / "plain", "x");
  const std::string log = tmp / "plain/log";
  CapturedStdout console;
  EXPECT_EQ(runAll(log.c_str(), log.c_str()), 0);
  const std::string printed = console.take();
  const std::string okLog = log + kPathSeparator + "ok" + kPathSeparator + "F_DRG.log.ok";
  EXPECT_NE(printed.find("Nelze zapsat log file " + okLog + "\n"), std::string::npos);
  EXPECT_NE(printed.find("Nelze kopirovat " + drg), std::string::npos);
  EXPECT_EQ(errorEntries().back(), reportOf(7086));
}

TEST_F(DrgCheck, InterruptionDuringTheLineChecksEndsWithoutSummary) {
  InterruptAt source(2);  // at the first line of the second file
  installCancellationSource(&source);
  EXPECT_EQ(runAll(tmp.path().string().c_str()), 1);
  // The first file's reports and the second file's name; no summary.
  EXPECT_EQ(reportedCodes().back(), 7912);
  EXPECT_EQ(countOf(7912), 2);
  EXPECT_EQ(countOf(7085) + countOf(7086), 0);
  EXPECT_EQ(auxiliaryLog(), nullptr);
}

TEST_F(DrgCheck, InterruptionDuringTheCrossChecksIsNotAClean) {
  InterruptAt source(6);  // the five files ask once each; then the structure load
  installCancellationSource(&source);
  const std::string out = tmp / "out";
  EXPECT_EQ(runAll(nullptr, out.c_str()), 1);
  EXPECT_EQ(countOf(7086), 0);
  EXPECT_EQ(countOf(7198), 0);
  EXPECT_TRUE(std::filesystem::is_empty(out + "/ok"));
}

}  // namespace
}  // namespace quervik::test
