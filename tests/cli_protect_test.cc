// quervik sign, open, dn and check-key as a user runs them, with key files.

#include "protect_support.h"

namespace quervik::test {
namespace {

struct CliRun {
  int status;
  std::string out;
};

CliRun quervik(const std::string& args) {
  ToolResult r = runTool(std::string(QUERVIK_BINARY_DIR) + "/quervik " + args);
  return {r.status, r.output};
}

class ProtectCli : public CryptoTest {
 protected:
  void SetUp() override {
    CryptoTest::SetUp();
    if (!fs::exists(std::string(QUERVIK_BINARY_DIR) + "/quervik")) GTEST_SKIP() << "no CLI in this tree";
  }
  const KeyMaterial& k = keyMaterial();
  std::string q(const std::string& s) { return shellQuote(s); }
};

TEST_F(ProtectCli, SignOpenDnAndCheckKey) {
  std::string in = tmp / "in.txt", out = tmp / "out.bin", back = tmp / "back.txt";
  writeFile(in, "Obsah davky\r\n");
  CliRun s = quervik("sign -f " + q(k.otherCertPem) + " --hospital-key=" + q(k.keyEncPem) + " -p " +
                     q(kKeyPassword) + " -o " + q(out) + " " + q(in));
  ASSERT_EQ(s.status, 0) << s.out;
  CliRun o = quervik("open --centre-key " + q(k.otherKeyPem) + " -f " + q(k.certPem) + " -o " + q(back) + " " + q(out));
  ASSERT_EQ(o.status, 0) << o.out;
  EXPECT_EQ(readFile(back), "Obsah davky\r\n");
  // To standard output, and with DER keys.
  const ProtectKeys& p = protectKeys();
  writeFile(tmp / "centre.der", p.centrePrivateDer);
  writeFile(tmp / "cert.der", p.hospitalCertDer);
  o = quervik("open --der -k " + q(tmp / "centre.der") + " -f " + q(tmp / "cert.der") + " " + q(out));
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.out, "Obsah davky\r\n");

  CliRun dn = quervik("dn " + q(out));
  EXPECT_EQ(dn.status, 0);
  EXPECT_EQ(dn.out, "\n");  // signed without a card: the DN is empty
  EXPECT_EQ(quervik("dn " + q(in)).status, 1);  // not a protected file

  // A tool-made file with a key check block.
  std::string hashKey = goodDesKey();
  ToolFile plan;
  plan.content = "x";
  plan.dn = "CN=ABC Nemocnice";
  plan.keyCheck = keyCheckBlockFor(hashKey);
  std::string checked = put("checked.bin", toolProtectedFile(plan));
  EXPECT_EQ(quervik("dn " + q(checked)).out, "CN=ABC Nemocnice\n");
  std::string reference = put("reference.txt", underscoredBase64Of(keyCheckBlockFor(hashKey)) + "\n");
  CliRun c = quervik("check-key -k " + q(k.otherKeyPem) + " --reference-file " + q(reference) + " " + q(checked));
  EXPECT_EQ(c.status, 0) << c.out;
  c = quervik("check-key -k " + q(k.otherKeyPem) + " -r " + q(underscoredBase64Of(keyCheckBlockFor(goodDesKey()))) +
              " " + q(checked));
  EXPECT_EQ(c.status, 1) << c.out;
}

TEST_F(ProtectCli, FailuresAndUsage) {
  std::string in = tmp / "in.txt", out = tmp / "out.bin";
  writeFile(in, "obsah");
  CliRun r = quervik("sign -f " + q(k.otherCertPem) + " -k " + q(k.keyEncPem) + " -p " + q(kKeyPassword) +
                     " -t 5 -o " + q(out) + " " + q(in));
  EXPECT_EQ(r.status, 64);
  EXPECT_NE(r.out.find("Pouziti: "), std::string::npos);
  EXPECT_EQ(quervik("sign -f x " + q(in)).status, 64);
  EXPECT_EQ(quervik("open -k x -f y").status, 64);
  // A missing input: the finding with its catalogue text, exit 2, no output.
  r = quervik("sign -f " + q(k.otherCertPem) + " -k " + q(k.keyEncPem) + " -p x -o " + q(out) + " " +
              q(tmp / "missing.txt"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("(501)"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(out));
}

}  // namespace
}  // namespace quervik::test
