// quervik drg as a user runs it.
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "convert_test_lines.h"
#include "test_support.h"

namespace quervik::test {
namespace {

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
  ToolResult r = runQuervik("drg " + in + " --insurer 205 --out-dir " + tmp.path().string() + " --exclude 10,12 --log " +
                  (tmp / "logs") + " --done-dir " + (tmp / "done") + " --move");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("KDAVKA.111 (50106)\n"), std::string::npos) << r.output;
  std::vector<std::string> records = drgRecords(readFile(tmp / "KDAVKA_111.drg"));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].substr(17, 2) + records[0].substr(25, 3), "81205");
  EXPECT_TRUE(fs::exists(tmp / "logs/ok/KDAVKA_111.log.ok"));
  EXPECT_TRUE(fs::exists(tmp / "done/ok/KDAVKA.111"));
  EXPECT_FALSE(fs::exists(in));
}

TEST_F(ConvertCliTest, FailuresAndUsage) {
  const std::string in = put("EMPTY.111", "");
  ToolResult r = runQuervik("drg " + in);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("(50104)"), std::string::npos) << r.output;
  EXPECT_EQ(runQuervik("drg").status, 64);
  EXPECT_EQ(runQuervik("drg " + in + " --move").status, 64) << "moving needs a place to move to";
  EXPECT_EQ(runQuervik("drg " + in + " --bogus").status, 64);
  ToolResult help = runQuervik("drg --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.output.rfind("Usage: quervik drg", 0), 0u);
}

}  // namespace
}  // namespace quervik::test
