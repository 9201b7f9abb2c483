// quervik drg as a user runs it.
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "convert_test_lines.h"
#include "test_support.h"

namespace quervik::test {
namespace {

struct CliRun {
  int status;
  std::string out;
};

CliRun quervik(const std::string& args) {
  std::string cmd = std::string(QUERVIK_BINARY_DIR) + "/quervik " + args + " 2>&1";
  FILE* p = ::popen(cmd.c_str(), "r");
  std::string out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int st = ::pclose(p);
  return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}

class ConvertCliTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    if (!fs::exists(std::string(QUERVIK_BINARY_DIR) + "/quervik")) GTEST_SKIP() << "no CLI in this tree";
  }
};

TEST_F(ConvertCliTest, ConvertsWithEveryOption) {
  const std::string in = tmp / "KDAVKA.111";
  writeFile(in, vzpHeader("10") + "\n" + vzp(86, {{1, "R"}}) + "\n" + vzpHeader("81") + "\n" + vzp(93, {{1, "A"}}) + "\n");
  CliRun r = quervik("drg " + in + " --insurer 205 --out-dir " + tmp.path().string() + " --exclude 10,12 --log " +
                  (tmp / "logs") + " --done-dir " + (tmp / "done") + " --move");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("KDAVKA.111 (50106)\n"), std::string::npos) << r.out;
  std::vector<std::string> records = drgRecords(readFile(tmp / "KDAVKA_111.drg"));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].substr(17, 2) + records[0].substr(25, 3), "81205");
  EXPECT_TRUE(fs::exists(tmp / "logs/ok/KDAVKA_111.log.ok"));
  EXPECT_TRUE(fs::exists(tmp / "done/ok/KDAVKA.111"));
  EXPECT_FALSE(fs::exists(in));
}

TEST_F(ConvertCliTest, FailuresAndUsage) {
  const std::string in = tmp / "EMPTY.111";
  writeFile(in, "");
  CliRun r = quervik("drg " + in);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("(50104)"), std::string::npos) << r.out;
  EXPECT_EQ(quervik("drg").status, 64);
  EXPECT_EQ(quervik("drg " + in + " --move").status, 64) << "moving needs a place to move to";
  EXPECT_EQ(quervik("drg " + in + " --bogus").status, 64);
  CliRun help = quervik("drg --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: quervik drg", 0), 0u);
}

}  // namespace
}  // namespace quervik::test
