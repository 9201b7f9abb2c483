// `quervik kkontrol` as a user runs it.
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "vzp_test_support.h"

namespace quervik::test {
namespace {

ToolResult kkontrol(const std::string& args) { return runQuervik("kkontrol " + args); }

class VzpCliTest : public VzpTest {
 protected:
  void SetUp() override {
    VzpTest::SetUp();
    if (!fs::exists(std::string(QUERVIK_BINARY_DIR) + "/quervik")) GTEST_SKIP() << "no CLI in this tree";
  }
};

TEST_F(VzpCliTest, ChecksAndSortsFiles) {
  std::vector<std::string> lines = vzpBatchLines("05", 2);
  writeFile(tmp / "clean.111", joinLines(lines));
  ToolResult clean = kkontrol(tmp / "clean.111" + " --insurer 205");
  EXPECT_EQ(clean.status, 0);
  EXPECT_NE(clean.output.find("Kod pojistovny: 205 (6102)\n"), std::string::npos) << clean.output;

  setField(lines[2], "05", "VDAT", "31042023");
  writeFile(tmp / "bad.111", joinLines(lines));
  ToolResult bad = kkontrol(tmp / "bad.111" + " --out " + (tmp / "out") + " --move --log " + (tmp / "log"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.output.find("Chyba na radku 3: Chybny den v datu (6073) (6910)\n"), std::string::npos) << bad.output;
  EXPECT_TRUE(fs::exists(tmp / "out/err/bad.111"));
  EXPECT_FALSE(fs::exists(tmp / "bad.111"));
  EXPECT_TRUE(fs::exists(tmp / "log/err/bad_111.log.err"));

  EXPECT_EQ(kkontrol("").status, 64);
  EXPECT_EQ(kkontrol("a b").status, 64);
  EXPECT_EQ(kkontrol("--help").status, 0);
}

}  // namespace
}  // namespace quervik::test
