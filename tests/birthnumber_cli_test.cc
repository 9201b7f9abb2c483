// quervik desrc and quervik recover as a batch job runs them: the tool-form options, the usage
// text on a usage error, the exit statuses and the findings.
#include <sys/stat.h>

#include <cstdio>

#include "birthnumber/encode.h"
#include "birthnumber_support.h"

namespace quervik::test {
namespace {

struct CommandRun {
  int status;
  std::string out, err;
};

class BirthNumberCommands : public WithCli<CryptoTest> {
 protected:
  // The exit status, standard output and, apart from it, standard error.
  CommandRun run(const std::string& args) {
    ToolResult r = runQuervik(args + " 2>" + shellQuote(tmp / "stderr.txt"));
    return {r.status, r.output, readFile(tmp / "stderr.txt")};
  }
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
}

// Ctrl-C in the middle of a run (a batch that never ends) stops it with "Preruseno", exit 2 and
// no output.
TEST_F(BirthNumberCommands, InterruptEndsTheRunWithOneLine) {
  const KeyMaterial& k = keyMaterial();
  std::string blob = tmp / "blob.bin", fifo = tmp / "batch.drg", out = tmp / "out.drg";
  writeFile(blob, hashKeyBlob(goodDesKey()));
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::string record = bRecord(1, "8001011234");
  // The shell's open of the pipe returns once desrc has the batch open, and so its Ctrl-C
  // handling on; then the writer alone holds the pipe and the batch ends after 1 GB, so a run
  // that ignored the signal would still end.
  const std::string t = tmp.path().string() + "/";
  ToolResult r = runTool(std::string(QUERVIK_BINARY_DIR) + "/quervik desrc -f " + shellQuote(k.otherCertPem) +
                         " -g " + shellQuote(trustCentreKeys().certPem) + " -i " + shellQuote(k.keyEncPem) + " -h " +
                         shellQuote(blob) + " -p " + kKeyPassword + " -o " + shellQuote(out) + " " +
                         shellQuote(fifo) + " 2>" + shellQuote(t + "err.txt") + " & pid=$!; exec 3>" +
                         shellQuote(fifo) + "; yes " + shellQuote(record) + " | head -c 1000000000 >&3 & exec 3>&-; sleep 0.3; "
                         "kill -INT $pid; wait $pid; echo status $?; cat " + shellQuote(t + "err.txt"));
  EXPECT_NE(r.output.find("status 2\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Preruseno\n"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(out));
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
