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
  std::string cat = put("c.msg", "# x\n07064 Pocet chyb: %d v %s\n");
  ToolResult r = runQuervik("message --catalogue " + cat + " 7064 12 F.DRG");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output, "Pocet chyb: 12 v F.DRG (7064)\n");
  ToolResult missing = runQuervik("message --catalogue " + (tmp / "none.msg") + " 7064");
  EXPECT_EQ(missing.status, 2);
  EXPECT_EQ(missing.output, "Nenalezen message file " + (tmp / "none.msg") + "\n");
}

// A run whose input is missing, whose logs or copies could not be written, or that had nothing
// to work on says so and does not exit 0; a usage error names the one thing that is wrong.
TEST_F(CliTest, FailuresNeverLookLikeSuccess) {
  const std::string t = tmp.path().string(), examples = std::string(QUERVIK_SOURCE_DIR) + "/examples";
  writeFile(t + "/file", "");  // nothing can be made below a plain file, not even by root
  writeFile(t + "/plain.txt", "nothing protected here\n");
  fs::create_directory(t + "/empty");
  const std::string org = " --org " + examples + "/drg/NEMOCNICE.ORG";
  struct Case {
    std::string args;
    int status;
    std::string says;
  } cases[] = {
      {"kkontrol " + t + "/nosuch.111", 2, "quervik kkontrol: cannot find " + t + "/nosuch.111\n"},
      {"drg " + t + "/nosuch.111", 2, "quervik drg: cannot find " + t + "/nosuch.111\n"},
      {"kkontrol " + t + "/empty", 2, "the directory " + t + "/empty holds no file"},
      {"drg " + t + "/empty", 2, "the directory " + t + "/empty holds no file"},
      {"dkontrol" + org + " --log " + t + "/file/logs", 2, "2 log or output file(s) could not be written"},
      {"dkontrol" + org + " --out " + t + "/file/out", 2, "1 log or output file(s) could not be written"},
      {"dkontrol --dir " + examples + "/drg", 1, "DRG documents of --dir were not cross-checked"},
      {"dn " + t + "/plain.txt", 1, "is not a protected file"},
      {"sign --pin 1 --out " + t + "/o " + t + "/plain.txt", 64,
       "quervik sign: --centre-key and --hospital-key are needed\nSee 'quervik sign --help'.\n"},
      {"open --bogus", 64, "quervik open: unknown option --bogus\nSee 'quervik open --help'.\n"},
  };
  for (const Case& c : cases) {
    ToolResult r = runQuervik(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
  }
  // A clean check whose log could be written stays clean.
  EXPECT_EQ(runQuervik("dkontrol" + org + " --log " + t + "/logs").status, 0);
  // The conversion's output directory is made as the log directory is.
  ToolResult made = runQuervik("drg " + examples + "/vzp/davka.111 --out-dir " + t + "/new/drg");
  EXPECT_EQ(made.status, 0) << made.output;
  EXPECT_TRUE(fs::exists(t + "/new/drg/davka_111.drg"));
}

// Only 1024-bit RSA keys fit the records: a key of another size is named before any work,
// and no hashing key is made for such a certificate.
TEST_F(CliTest, KeysOfTheWrongSizeAreNamedFirst) {
  const std::string t = tmp.path().string();
  runTool("cd " + shellQuote(t) + " && openssl req -x509 -newkey rsa:2048 -nodes -keyout big.pem -subj /CN=B -days 2 "
          "-out big.crt && openssl req -x509 -newkey rsa:1024 -nodes -keyout small.pem -subj /CN=S -days 2 -out small.crt");
  writeFile(t + "/in.txt", "x\n");
  const std::string says = "(" + t + "/big.crt) is a 2048-bit key; protected files and birth-number records take "
                           "1024-bit RSA keys only";
  for (const std::string& args :
       {"sign -f " + t + "/big.crt -k " + t + "/small.pem -o " + t + "/out " + t + "/in.txt",
        "open -k " + t + "/small.pem -f " + t + "/big.crt -o " + t + "/out " + t + "/in.txt",
        "desrc -f " + t + "/small.crt -g " + t + "/big.crt -i " + t + "/small.pem -h " + t + "/in.txt -o " + t +
            "/out " + t + "/in.txt"}) {
    ToolResult r = runQuervik(args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.output;
    EXPECT_NE(r.output.find(says), std::string::npos) << args << "\n" << r.output;
    EXPECT_FALSE(fs::exists(t + "/out"));
  }
  ToolResult blob = runQuervik("card make-hash-key --cert-file " + t + "/big.crt --out " + t + "/key.blob");
  EXPECT_EQ(blob.status, 2);
  EXPECT_NE(blob.output.find("not a 1024-bit RSA key"), std::string::npos) << blob.output;
  EXPECT_FALSE(fs::exists(t + "/key.blob"));
  EXPECT_EQ(runQuervik("card make-hash-key --cert-file " + t + "/small.crt --out " + t + "/key.blob").status, 0);
}

}  // namespace
}  // namespace quervik::test
