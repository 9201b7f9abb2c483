// quervik dkontrol as a user runs it: findings with their texts, exit status, logs.
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>

#include "drg_test_support.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

class DrgCli : public DrgTest {
 protected:
  void SetUp() override {
    DrgTest::SetUp();
    if (!std::filesystem::exists(cli)) GTEST_SKIP() << "no CLI in this tree";
    std::filesystem::create_directory(tmp / "in");
    writeFile(tmp / "in/F.DRG", joinLines({goldenA(), goldenB(), goldenC()}));
  }
  int run(const std::string& args, std::string& out) {
    ToolResult r = runQuervik(args);
    out = r.output;
    return r.status;
  }
  const std::string cli = std::string(QUERVIK_BINARY_DIR) + "/quervik";
};

TEST_F(DrgCli, CleanAndFaultyDeliveries) {
  std::string out;
  const std::string drg = tmp / "in/F.DRG", log = tmp / "log";
  EXPECT_EQ(run("dkontrol --drg " + drg + " --log " + log, out), 0);
  EXPECT_NE(out.find("(7086)\n"), std::string::npos) << out;
  EXPECT_TRUE(std::filesystem::exists(log + "/ok/F_DRG.log.ok"));

  writeFile(drg, joinLines({goldenA(), goldenB(), withField(goldenC(), drg::kDrgC, "Cena v Kc", "1X")}));
  EXPECT_EQ(run("dkontrol --drg=" + drg + " --log " + log, out), 1);
  const std::string finding = *formatMessage(7019, {});
  const MsgArg args[] = {3, finding};
  EXPECT_NE(out.find(*formatMessage(7900, args) + "\n"), std::string::npos) << out;
  EXPECT_TRUE(std::filesystem::exists(log + "/err/F_DRG.log.err"));

  EXPECT_EQ(run("dkontrol --drg " + (tmp / "in/NONE.DRG"), out), 2);
  EXPECT_EQ(run("dkontrol --log " + log, out), 64);
  EXPECT_EQ(run("dkontrol --drg " + drg + " --move", out), 64);
  EXPECT_EQ(run("dkontrol --help", out), 0);
}

}  // namespace
}  // namespace quervik::test
