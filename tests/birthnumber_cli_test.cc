// quervik desrc and quervik recover as a batch job runs them: the tool-form options, the usage
// text on a usage error, the exit statuses and the findings.
#include <sys/wait.h>

#include <array>
#include <cstdio>

#include "birthnumber/encode.h"
#include "birthnumber_support.h"

namespace quervik::test {
namespace {

struct CommandRun {
  int status;
  std::string out, err;
};

CommandRun quervik(const std::string& args, const std::string& errFile) {
  std::string cmd = std::string(QUERVIK_BINARY_DIR) + "/quervik " + args + " 2>" + shellQuote(errFile);
  FILE* p = ::popen(cmd.c_str(), "r");
  std::string out;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  int st = ::pclose(p);
  return {WIFEXITED(st) ? WEXITSTATUS(st) : -1, out, readFile(errFile)};
}

class BirthNumberCommands : public CryptoTest {
 protected:
  void SetUp() override {
    CryptoTest::SetUp();
    if (!fs::exists(std::string(QUERVIK_BINARY_DIR) + "/quervik")) GTEST_SKIP() << "no CLI in this tree";
  }
  CommandRun run(const std::string& args) { return quervik(args, tmp / "stderr.txt"); }
};

TEST_F(BirthNumberCommands, DesrcTakesTheToolFormOptions) {
  const KeyMaterial& k = keyMaterial();
  std::string hashKey = goodDesKey();
  std::string blob = tmp / "blob.bin", in = tmp / "in.drg", out = tmp / "out.drg";
  writeFile(blob, hashKeyBlob(hashKey));
  writeFile(in, joinLines({kARecord, bRecord(1, "8001011234"), kCRecord}));
  std::string keys = " -f " + shellQuote(k.otherCertPem) + " -g " + shellQuote(trustCentreKeys().certPem) +
                     " -i " + shellQuote(k.keyEncPem) + " -h " + shellQuote(blob) + " -p " + kKeyPassword;

  CommandRun ok = run("desrc -b 512" + keys + " -t 1 -o " + shellQuote(out) + " " + shellQuote(in));
  EXPECT_EQ(ok.status, 0) << ok.out << ok.err;
  CodedBatch batch = splitCodedBatch(readFile(out));
  ASSERT_EQ(batch.lines.size(), 3u);
  EXPECT_EQ(batch.lines[1].substr(83), oracleCode(hashKey, "8001011234") + " ");

  // Long names say the same; a batch coded already is refused, not coded again.
  std::string twice = tmp / "twice.drg";
  std::string longKeys = " --drg-cert " + shellQuote(k.otherCertPem) + " --tc-cert " +
                         shellQuote(trustCentreKeys().certPem) + " --hospital-key " + shellQuote(k.keyEncPem) +
                         " --hash-key " + shellQuote(blob) + " --password " + kKeyPassword;
  CommandRun again = run("desrc" + longKeys + " --out " + shellQuote(twice) + " " + shellQuote(out));
  EXPECT_EQ(again.status, 2);
  EXPECT_NE(again.out.find("Radek 4: davka jiz obsahuje vetu X"), std::string::npos) << again.out;
  EXPECT_NE(again.out.find("(508)"), std::string::npos);
  EXPECT_FALSE(fs::exists(twice));

  // Without -o the batch goes to standard output and the findings to standard error.
  CommandRun streamed = run("desrc" + keys + " " + shellQuote(in));
  EXPECT_EQ(streamed.status, 0);
  EXPECT_EQ(splitCodedBatch(streamed.out).lines, batch.lines);
  CommandRun failed = run("desrc" + keys + " " + shellQuote(tmp / "missing.drg"));
  EXPECT_EQ(failed.status, 2);
  EXPECT_EQ(failed.out, "");
  EXPECT_NE(failed.err.find("(501)"), std::string::npos) << failed.err;

  char usage[512];
  std::snprintf(usage, sizeof usage, kDesRcUsage, "quervik desrc");
  for (const std::string& bad : {std::string("desrc"), "desrc" + keys, "desrc" + keys + " -t 2 " + shellQuote(in),
                                 "desrc -x 1" + keys + " " + shellQuote(in), "desrc" + keys + " -o"}) {
    CommandRun r = run(bad);
    EXPECT_EQ(r.status, 64) << bad;
    EXPECT_EQ(r.err, usage) << bad;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(run("desrc --help").out.rfind("Usage: quervik desrc", 0), 0u);
}

TEST_F(BirthNumberCommands, RecoverPrintsItsFindingsAndNeedsItsOptions) {
  std::string in = tmp / "in.txt", out = tmp / "out.txt";
  writeFile(in, "Y" + std::string(40, '0') + std::string(22, 'A') + "==\r\n");
  CommandRun r = run("recover -i " + shellQuote(in) + " -o " + shellQuote(out) +
              " -k nrc.pem -d new.key -t TC -c 0 -p 0000");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("(8010)\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(8011)\n"), std::string::npos) << r.out;
  CommandRun missing = run("recover -i " + shellQuote(in) + " -o " + shellQuote(out));
  EXPECT_EQ(missing.status, 64);
  EXPECT_EQ(missing.err.rfind("quervik recover: --key is needed", 0), 0u) << missing.err;
}

}  // namespace
}  // namespace quervik::test
