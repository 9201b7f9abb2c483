// The quervik command as a user runs it: each command's findings, files and exit status,
// usage errors, and failures that never look like success.
#include "convert_test_lines.h"
#include "protect_support.h"
#include "vzp_test_support.h"

namespace quervik::test {
namespace {

using CliTest = WithCli<CryptoTest>;

// What each command says and its exit status. A run whose input is missing, whose logs or copies
// could not be written, or that had nothing to work on says so and does not exit 0; a usage error
// names the one thing that is wrong. (Every command's help is held against the README by the
// README test.)
TEST_F(CliTest, StatusesAndTextsAndFailuresThatNeverLookLikeSuccess) {
  const std::string t = tmp.path().string(), examples = std::string(QUERVIK_SOURCE_DIR) + "/examples";
  const KeyMaterial& k = keyMaterial();
  writeFile(t + "/file", "");  // nothing can be made below a plain file, not even by root
  writeFile(t + "/plain.txt", "nothing protected here\n");
  writeFile(t + "/EMPTY.111", "");
  writeFile(t + "/c.msg", "# x\n07064 Pocet chyb: %d v %s\n");
  fs::create_directory(t + "/empty");
  const std::string org = " --org " + examples + "/drg/NEMOCNICE.ORG";
  const std::string signKeys = "sign -f " + shellQuote(k.otherCertPem) + " -k " + shellQuote(k.keyEncPem) + " -p ";
  struct Case {
    std::string args;
    int status;
    std::string says;
  } cases[] = {
      {"version", 0, "QuervikDll 1.12.19.11\nOpenSSL 0.9.7b 10 Apr 2003\n"},
      {"message --catalogue " + t + "/c.msg 7064 12 F.DRG", 0, "Pocet chyb: 12 v F.DRG (7064)\n"},
      {"message --catalogue " + t + "/none.msg 7064", 2, "Nenalezen message file " + t + "/none.msg\n"},
      {"nosuch", 64, ""},
      {"version --bogus", 64, ""},
      {"kkontrol " + t + "/nosuch.111", 2, "quervik kkontrol: cannot find " + t + "/nosuch.111\n"},
      {"drg " + t + "/nosuch.111", 2, "quervik drg: cannot find " + t + "/nosuch.111\n"},
      {"kkontrol " + t + "/empty", 2, "the directory " + t + "/empty holds no file"},
      {"drg " + t + "/empty", 2, "the directory " + t + "/empty holds no file"},
      {"drg " + t + "/EMPTY.111", 1, "(50104)"},
      {"dkontrol --drg " + t + "/NONE.DRG", 2, ""},
      {"dkontrol" + org + " --log " + t + "/file/logs", 2, "2 log or output file(s) could not be written"},
      {"dkontrol" + org + " --out " + t + "/file/out", 2, "1 log or output file(s) could not be written"},
      {"dkontrol --dir " + examples + "/drg", 1, "DRG documents of --dir were not cross-checked"},
      {"dn " + t + "/plain.txt", 1, "is not a protected file"},
      {signKeys + "x -o " + t + "/o " + t + "/missing.txt", 2, "(501)"},
      {signKeys + shellQuote(kKeyPassword) + " -t 5 -o " + t + "/o " + t + "/plain.txt", 64, "Pouziti: "},
      {"sign --pin 1 --out " + t + "/o " + t + "/plain.txt", 64,
       "quervik sign: --centre-key and --hospital-key are needed\nSee 'quervik sign --help'.\n"},
      {"open --bogus", 64, "quervik open: unknown option --bogus\nSee 'quervik open --help'.\n"},
      {"open -k x -f y", 64, ""},
      {"open --der -k " + t + "/none -f " + t + "/none " + t + "/plain.txt", 64, "--der needs two readable key files"},
      {"check-key -k " + t + "/none " + t + "/plain.txt", 64, "--reference or --reference-file is needed"},
      {"drg", 64, ""},
      {"drg " + t + "/EMPTY.111 --move", 64, ""},  // moving needs a place to move to
      {"dkontrol --log " + t + "/logs", 64, ""},
      {"dkontrol --drg " + t + "/plain.txt --move", 64, ""},
      {"kkontrol", 64, ""},
      {"kkontrol a b", 64, ""},
  };
  for (const Case& c : cases) {
    ToolResult r = runQuervik(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << "\n" << r.output;
  }
  EXPECT_FALSE(fs::exists(t + "/o"));
  // A clean check whose log could be written stays clean.
  EXPECT_EQ(runQuervik("dkontrol" + org + " --log " + t + "/logs").status, 0);
  // The conversion's output directory is made as the log directory is.
  ToolResult made = runQuervik("drg " + examples + "/vzp/davka.111 --out-dir " + t + "/new/drg");
  EXPECT_EQ(made.status, 0) << made.output;
  EXPECT_TRUE(fs::exists(t + "/new/drg/davka_111.drg"));
}

// The options of both VZP commands reach the check and the conversion.
TEST_F(CliTest, KkontrolAndDrgTakeEveryOption) {
  std::vector<std::string> lines = vzpBatchLines("05", 2);
  setField(lines[2], "05", "VDAT", "31042023");
  writeFile(tmp / "bad.111", joinLines(lines));
  ToolResult bad = runQuervik("kkontrol " + (tmp / "bad.111") + " --insurer 205 --out " + (tmp / "out") +
                              " --move --log " + (tmp / "log"));
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.output.find("Kod pojistovny: 205 (6102)\n"), std::string::npos) << bad.output;
  EXPECT_NE(bad.output.find("Chyba na radku 3: Chybny den v datu (6073) (6910)\n"), std::string::npos) << bad.output;
  EXPECT_TRUE(fs::exists(tmp / "out/err/bad.111"));
  EXPECT_FALSE(fs::exists(tmp / "bad.111"));
  EXPECT_TRUE(fs::exists(tmp / "log/err/bad_111.log.err"));

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

// The option forms the other command tests leave out: --name=value, a password, DER keys, output
// to standard output, a reference in a file.
TEST_F(CliTest, SignOpenDnAndCheckKey) {
  const KeyMaterial& k = keyMaterial();
  auto q = shellQuote;
  std::string in = put("in.txt", "Obsah davky\r\n"), out = tmp / "out.bin";
  ToolResult s = runQuervik("sign -f " + q(k.otherCertPem) + " --hospital-key=" + q(k.keyEncPem) + " -p " +
                            q(kKeyPassword) + " -o " + q(out) + " " + q(in));
  ASSERT_EQ(s.status, 0) << s.output;
  std::string der = put("centre.der", protectKeys().centrePrivateDer), cert = put("cert.der", protectKeys().hospitalCertDer);
  ToolResult o = runQuervik("open --der -k " + q(der) + " -f " + q(cert) + " " + q(out));
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.output, "Obsah davky\r\n");

  // A tool-made file with a key check block.
  std::string hashKey = goodDesKey();
  ToolFile plan;
  plan.content = "x";
  plan.dn = "CN=ABC Nemocnice";
  plan.keyCheck = keyCheckBlockFor(hashKey);
  std::string checked = put("checked.bin", toolProtectedFile(plan));
  EXPECT_EQ(runQuervik("dn " + q(checked)).output, "CN=ABC Nemocnice\n");
  std::string reference = put("reference.txt", underscoredBase64Of(keyCheckBlockFor(hashKey)) + "\n");
  ToolResult c = runQuervik("check-key -k " + q(k.otherKeyPem) + " --reference-file " + q(reference) + " " + q(checked));
  EXPECT_EQ(c.status, 0) << c.output;
  c = runQuervik("check-key -k " + q(k.otherKeyPem) + " -r " + q(underscoredBase64Of(keyCheckBlockFor(goodDesKey()))) +
                 " " + q(checked));
  EXPECT_EQ(c.status, 1) << c.output;  // another hashing key: no match
}

}  // namespace
}  // namespace quervik::test
