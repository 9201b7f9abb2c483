// The quervik command as a user runs it.
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "test_support.h"

namespace quervik::test {
namespace {

class CliTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    if (!haveQuervik()) GTEST_SKIP() << "no CLI in this tree";
  }
};

TEST_F(CliTest, VersionAndHelp) {
  ToolResult v = runQuervik("version");
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.output, "QuervikDll 1.12.19.11\nOpenSSL 0.9.7b 10 Apr 2003\n");
  ToolResult h = runQuervik("--help");
  EXPECT_EQ(h.status, 0);
  EXPECT_NE(h.output.find("version"), std::string::npos);
  ToolResult vh = runQuervik("version --help");
  EXPECT_EQ(vh.status, 0);
  EXPECT_EQ(vh.output.rfind("Usage: quervik version", 0), 0u);
  EXPECT_EQ(runQuervik("nosuch").status, 64);
  EXPECT_EQ(runQuervik("version --bogus").status, 64);
}

TEST_F(CliTest, MessageFormatsCatalogueTexts) {
  std::string cat = tmp / "c.msg";
  writeFile(cat, "# x\n07064 Pocet chyb: %d v %s\n");
  ToolResult r = runQuervik("message --catalogue " + cat + " 7064 12 F.DRG");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, "Pocet chyb: 12 v F.DRG (7064)\n");
  ToolResult missing = runQuervik("message --catalogue " + (tmp / "none.msg") + " 7064");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.output, "Nenalezen message file " + (tmp / "none.msg") + "\n");
}

}  // namespace
}  // namespace quervik::test
