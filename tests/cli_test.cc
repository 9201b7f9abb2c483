// The quervik command as a user runs it.
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "test_support.h"

namespace quervik::test {
namespace {

struct CliRun {
  int status;
  std::string out;
};

CliRun runCli(const std::string& args) {
  std::string cmd = std::string(QUERVIK_BINARY_DIR) + "/quervik " + args + " 2>&1";
  FILE* p = ::popen(cmd.c_str(), "r");
  std::string out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int st = ::pclose(p);
  return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out};
}

class CliTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    if (!std::filesystem::exists(std::string(QUERVIK_BINARY_DIR) + "/quervik")) GTEST_SKIP() << "no CLI in this tree";
  }
};

TEST_F(CliTest, VersionAndHelp) {
  CliRun v = runCli("version");
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out, "QuervikDll 1.12.19.11\nOpenSSL 0.9.7b 10 Apr 2003\n");
  CliRun h = runCli("--help");
  EXPECT_EQ(h.status, 0);
  EXPECT_NE(h.out.find("version"), std::string::npos);
  CliRun vh = runCli("version --help");
  EXPECT_EQ(vh.status, 0);
  EXPECT_EQ(vh.out.rfind("Usage: quervik version", 0), 0u);
  EXPECT_EQ(runCli("nosuch").status, 64);
  EXPECT_EQ(runCli("version --bogus").status, 64);
}

TEST_F(CliTest, MessageFormatsCatalogueTexts) {
  std::string cat = tmp / "c.msg";
  writeFile(cat, "# x\n07064 Pocet chyb: %d v %s\n");
  CliRun r = runCli("message --catalogue " + cat + " 7064 12 F.DRG");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Pocet chyb: 12 v F.DRG (7064)\n");
  CliRun missing = runCli("message --catalogue " + (tmp / "none.msg") + " 7064");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.out, "Nenalezen message file " + (tmp / "none.msg") + "\n");
}

}  // namespace
}  // namespace quervik::test
