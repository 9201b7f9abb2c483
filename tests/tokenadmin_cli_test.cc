// quervik card against the SoftHSM2 card, with pkcs11-tool and the openssl tool as the
// independent views: objects stored from files and removed, PINs from their three sources and
// changed, key pairs and public keys, exports, and the hashing key that the signing work then
// uses from the card and from a blob file.
#include <regex>

#include "birthnumber/key_blob.h"
#include "birthnumber/triple_des.h"
#include "card_fixture.h"
#include "container/sign.h"
#include "crypto/hex.h"
#include "protect_support.h"
#include "runtime/report.h"
#include "token/session.h"

namespace quervik::test {
namespace {

class CardTools : public CardTest {
 protected:
  void SetUp() override {
    CardTest::SetUp();
    if (!fs::exists(std::string(QUERVIK_BINARY_DIR) + "/quervik")) GTEST_SKIP() << "no CLI in this tree";
  }
  // The command with the PIN in the environment unless pinSource says otherwise.
  ToolResult card(const std::string& args, const std::string& pinSource = "") {
    std::string pin = pinSource.empty() ? "QUERVIK_PIN=" + shellQuote(kUserPin) + " " : pinSource;
    return runTool(pin + std::string(QUERVIK_BINARY_DIR) + "/quervik card " + args + " --slot " + slotText());
  }
  std::string listed() { return p11tool("--list-objects").output; }
  std::string readData(const std::string& label) {
    std::string out = tmp / "data.bin";
    fs::remove(out);
    ToolResult r = p11tool("--read-object --type data --label " + shellQuote(label) + " -o " + shellQuote(out));
    return r.status == 0 ? readFile(out) : std::string();
  }
  // The hashing key in a blob, opened by the openssl tool with the hospital's key file.
  std::string openBlob(const std::string& blob) {
    std::string file = put("blob.in", blob);
    return runToolOk("openssl pkeyutl -decrypt -inkey " + shellQuote(keyMaterial().keyPem) + " -in " +
                     shellQuote(file));
  }
};

class CardToolsOnEmptyCard : public CardTools {
 protected:
  bool withStandardObjects() const override { return false; }
};

TEST_F(CardTools, ObjectsAreStoredFromFilesListedAndRemoved) {
  std::string data = tmp / "blob.bin", empty = tmp / "empty.bin";
  writeFile(data, std::string("\x00\x01\x02 obsah", 9));
  writeFile(empty, "");
  ToolResult r = card("load-cert --label HOSP2 --file " + shellQuote(keyMaterial().certPem));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(card("load-data --label DATA1 --file " + shellQuote(data)).status, 0);
  EXPECT_EQ(readData("DATA1"), readFile(data));
  r = card("load-data --label DATA2 --file " + shellQuote(empty));
  EXPECT_EQ(r.status, 2) << r.output;
  r = card("list");
  EXPECT_EQ(r.status, 0);
  for (const char* line :
       {"certificate  Certifikat:HOSP2\n", "data         DATA1\n", "private-key  Privatni klic:ABC\n"})
    EXPECT_NE(r.output.find(line), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("DATA2"), std::string::npos);

  EXPECT_EQ(card("delete").status, 64);
  EXPECT_EQ(card("delete --all --label DATA1").status, 64);
  EXPECT_EQ(card("delete --label Certifikat:HOSP2").status, 0);
  EXPECT_EQ(listed().find("Certifikat:HOSP2"), std::string::npos);
  r = card("dn --pattern nrc");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.output.rfind("CN=", 0), 0u) << r.output;
  EXPECT_EQ(card("dn --pattern nikdo").status, 1);
  EXPECT_EQ(card("delete --all").status, 0);
  EXPECT_EQ(listed().find("label"), std::string::npos);
}

TEST_F(CardTools, PinComesFromOptionEnvironmentOrPromptAndIsNeverShown) {
  std::string quervik = std::string(QUERVIK_BINARY_DIR) + "/quervik card list --slot " + slotText();
  std::vector<ToolResult> runs = {
      runTool(quervik + " --pin " + shellQuote(kUserPin)),
      runTool("QUERVIK_PIN=" + shellQuote(kUserPin) + " " + quervik),
      runTool("printf '%s\\n' " + shellQuote(kUserPin) + " | " + quervik),
  };
  for (const ToolResult& r : runs) {
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Certifikat:ABC"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find(kUserPin), std::string::npos) << r.output;
  }
  EXPECT_NE(runs[2].output.find("Zadejte PIN karty:"), std::string::npos);
  // No PIN at all (standard input is empty): nothing happens on the card.
  ToolResult none = runTool(quervik);
  EXPECT_EQ(none.status, 2);
  EXPECT_NE(none.output.find("no PIN given"), std::string::npos) << none.output;
  ToolResult wrong = runTool(quervik + " --pin 0000");
  EXPECT_EQ(wrong.status, 2);
  EXPECT_NE(wrong.output.find("(224)"), std::string::npos);
}

// Before any work on the card: a sender no certificate's subject holds is named, so is a key
// whose size no record can take, and a refused PIN stops the command after one attempt.
TEST_F(CardTools, SignOpenDesrcAndRecoverStopOnWhatTheCardCannotDo) {
  const std::string t = tmp.path().string(), in = t + "/in.txt", out = t + "/out.bin";
  writeFile(in, "x");
  runToolOk("cd " + shellQuote(t) + " && openssl req -x509 -newkey rsa:2048 -nodes -keyout big.pem -subj /CN=Big "
            "-days 2 -out big.crt");
  ASSERT_EQ(card("load-cert --label BIG --file " + shellQuote(t + "/big.crt")).status, 0);
  const std::string bigSays = "(BIG on the card) is a 2048-bit key; protected files and birth-number records take "
                              "1024-bit RSA keys only";
  const std::string pin = " --pin " + shellQuote(kUserPin) + " --slot " + slotText() + " ";
  const struct {
    std::string args, says;
  } cases[] = {
      {"sign" + pin + "-f NRC -k NIKDO -o " + out + " " + in, "no certificate on the card has \"NIKDO\" in its subject"},
      {"sign" + pin + "-f BIG -k ABC -o " + out + " " + in, "the centre's key " + bigSays},
      {"open" + pin + "-k ABC -f BIG -o " + out + " " + in, "the hospital's key " + bigSays},
      {"desrc" + pin + "-f NRC -g BIG -i ABC -h RSA_DES_KEY -o " + out + " " + in, "the trust centre's key " + bigSays},
      {"recover" + pin + "-i " + in + " -o " + out + " -k " + shellQuote(keyMaterial().otherKeyPem) +
           " -d " + in + " -t BIG",
       "the trust centre's key " + bigSays},
      {"sign --pin 0000 --slot " + slotText() + " -f NRC -k ABC -o " + out + " " + in, "(224)"},
  };
  for (const auto& c : cases) {
    ToolResult r = runTool(std::string(QUERVIK_BINARY_DIR) + "/quervik " + c.args);
    EXPECT_EQ(r.status, 2) << c.args << "\n" << r.output;
    const size_t at = r.output.find(c.says);
    EXPECT_NE(at, std::string::npos) << c.args << "\n" << r.output;
    EXPECT_EQ(r.output.find(c.says, at + 1), std::string::npos) << "said twice: " << r.output;
    EXPECT_FALSE(fs::exists(out)) << c.args;
    fs::remove(out);
  }
}

TEST_F(CardTools, PinIsChangedByTheUserAndSetByTheOfficer) {
  const std::string newPin = "Novy-Pin-7781", officerPin = "Spravce-Pin-1029";
  ToolResult r =
      card("set-pin", "QUERVIK_PIN=" + shellQuote(kUserPin) + " QUERVIK_NEW_PIN=" + shellQuote(newPin) + " ");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(card("list").status, 2);
  EXPECT_EQ(card("list", "QUERVIK_PIN=" + shellQuote(newPin) + " ").status, 0);
  // The officer sets a PIN without knowing the old one; the new one is asked twice.
  r = card("set-pin --so --so-pin " + shellQuote(kSoPin),
           "printf '%s\\n%s\\n' " + shellQuote(officerPin) + " " + shellQuote(officerPin) + " | ");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Opakujte novy PIN karty:"), std::string::npos) << r.output;
  EXPECT_EQ(runTool("pkcs11-tool --module " + shellQuote(softHsmModule()) + " --token-label " + kTokenLabel +
                    " --login --pin " + shellQuote(officerPin) + " --list-objects")
                .status,
            0);
  for (const std::string& pin : {std::string(kUserPin), newPin, officerPin, std::string(kSoPin)})
    EXPECT_EQ(r.output.find(pin), std::string::npos);
  EXPECT_EQ(card("set-pin --so --so-pin 0000 --new-pin 1234").status, 2);
}

TEST_F(CardTools, KeyPairsPublicKeysAndCertificatesGoOnAndOff) {
  ToolResult r = card("gen-keypair --name GEN");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(listed().find("Privatni klic:GEN"), std::string::npos);
  EXPECT_EQ(card("gen-keypair --name GEN").status, 2);
  EXPECT_EQ(card("gen-keypair --name X --bits 2048").status, 2);  // only 1024-bit keys fit the records
  std::string pub = tmp / "gen.pem";
  EXPECT_EQ(card("export-pubkey --name GEN --out " + shellQuote(pub)).status, 0);
  EXPECT_NE(runToolOk("openssl pkey -pubin -noout -text -in " + shellQuote(pub)).find("1024 bit"), std::string::npos);

  // The centre's public key in, and out again unchanged.
  EXPECT_EQ(card("import-pubkey --name CENTRE --file " + shellQuote(keyMaterial().otherPubPem)).status, 0);
  EXPECT_EQ(card("import-pubkey --name CENTRE --file " + shellQuote(keyMaterial().otherPubPem)).status, 2);
  std::string back = tmp / "centre.pem";
  EXPECT_EQ(card("export-pubkey --name CENTRE --out " + shellQuote(back)).status, 0);
  auto der = [](const std::string& pem) {
    return runToolOk("openssl pkey -pubin -outform DER -in " + shellQuote(pem));
  };
  EXPECT_EQ(der(back), der(keyMaterial().otherPubPem));
  EXPECT_EQ(card("export-pubkey --name NOBODY --out " + shellQuote(back)).status, 1);

  // Certificates by name and by a fragment of the DN.
  std::string cert = tmp / "abc.pem", centre = tmp / "nrc.pem";
  EXPECT_EQ(card("export-cert --name ABC --out " + shellQuote(cert)).status, 0);
  EXPECT_EQ(card("export-cert --name 'nrc centrum' --out " + shellQuote(centre)).status, 0);
  auto certDer = [](const std::string& pem) { return runToolOk("openssl x509 -outform DER -in " + shellQuote(pem)); };
  EXPECT_EQ(certDer(cert), readFile(keyMaterial().certDer));
  EXPECT_EQ(certDer(centre), certDer(keyMaterial().otherCertPem));
}

TEST_F(CardToolsOnEmptyCard, LoadedCertificateIsLinkedToItsKeyPair) {
  const KeyMaterial& k = keyMaterial();
  ASSERT_EQ(p11tool("--write-object " + shellQuote(k.keyPkcs1Der) + " --type privkey --id 0A --label 'Privatni klic:K'")
                .status,
            0);
  ASSERT_EQ(
      p11tool("--write-object " + shellQuote(k.pubDer) + " --type pubkey --id 0A --label 'Verejny klic:K'").status, 0);
  // Another certificate's key is no partner: nothing is stored or changed.
  ToolResult r = card("load-cert --label OTHER --file " + shellQuote(k.otherCertPem) + " --key K");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("does not hold the certificate's key"), std::string::npos) << r.output;
  EXPECT_EQ(listed().find("Certifikat:OTHER"), std::string::npos);
  r = card("load-cert --label KC --file " + shellQuote(k.certDer) + " --key K");
  EXPECT_EQ(r.status, 0) << r.output;
  // Both keys now carry the certificate's ID (its serial number as a DER INTEGER).
  std::string objects = listed();
  std::regex id("ID:\\s+([0-9a-fA-F]+)");
  int withCertificateId = 0;
  for (std::sregex_iterator it(objects.begin(), objects.end(), id), end; it != end; ++it) {
    EXPECT_NE((*it)[1], "0a") << objects;
    withCertificateId += (*it)[1] == "02040123abcd";
  }
  EXPECT_EQ(withCertificateId, 3) << objects;
}

TEST_F(CardTools, HashKeyIsMadeForTheCertificateAndUsedBySigning) {
  ToolResult r = card("make-hash-key --cert abc --store");
  EXPECT_EQ(r.status, 0) << r.output;
  std::string blob = readData("RSA_DES_KEY");
  ASSERT_EQ(blob.size(), 128u);
  std::string key = openBlob(blob);
  ASSERT_EQ(key.size(), 24u);
  TripleDesKey made;
  EXPECT_EQ(makeTripleDesKey(bytesOf(key), made), 0);  // odd parity, no weak key
  EXPECT_NE(key.substr(0, 8), key.substr(8, 8));
  for (std::string hex : {hexOf(key), hexUpper(bytesOf(key))}) EXPECT_EQ(r.output.find(hex), std::string::npos);
  EXPECT_EQ(r.output.find(key), std::string::npos);
  // A hashing key is never replaced.
  r = card("make-hash-key --cert ABC --store");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("(225)"), std::string::npos) << r.output;
  EXPECT_EQ(readData("RSA_DES_KEY"), blob);

  // The signing work takes the key from the card: by the certificate's private key.
  TripleDesKey loaded;
  ASSERT_EQ(openToken(kUserPin, slot()), 0);
  EXPECT_EQ(loadHashKey(kHashKeyByCertificate, static_cast<int64_t>(slot()), "RSA_DES_KEY", "ABC", kUserPin, loaded),
            0);
  closeToken();
  EXPECT_EQ(textOf(std::vector<unsigned char>(loaded.bytes.begin(), loaded.bytes.end())), key);
  std::string input = tmp / "davka.txt", output = tmp / "davka.sig";
  writeFile(input, "radek 1\r\nradek 2\r\n");
  EXPECT_EQ(
      signProtectedFile(input.c_str(), output.c_str(), slotText().c_str(), "RSA_DES_KEY", "NRC", 1, "ABC", kUserPin),
      0);
  EXPECT_TRUE(fs::exists(output));
  EXPECT_TRUE(reportedCodes().empty());
}

TEST_F(CardTools, HashKeyBlobFileIsNewAndOpensWithTheKeyFile) {
  std::string file = tmp / "hash.key", both = tmp / "both.key";
  ToolResult r = runTool(std::string(QUERVIK_BINARY_DIR) + "/quervik card make-hash-key --cert-file " +
                         shellQuote(keyMaterial().certPem) + " --out " + shellQuote(file));
  EXPECT_EQ(r.status, 0) << r.output;
  std::string blob = readFile(file);
  std::string key = openBlob(blob);
  EXPECT_EQ(key.size(), 24u);
  TripleDesKey loaded;
  EXPECT_EQ(loadHashKey(kHashKeyByKeyLabel, kNoSlot, file.c_str(), keyMaterial().keyPem.c_str(), nullptr, loaded), 0);
  EXPECT_EQ(textOf(std::vector<unsigned char>(loaded.bytes.begin(), loaded.bytes.end())), key);
  // An existing file is never overwritten.
  r = runTool(std::string(QUERVIK_BINARY_DIR) + "/quervik card make-hash-key --cert-file " +
              shellQuote(keyMaterial().certPem) + " --out " + shellQuote(file));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(readFile(file), blob);
  // Card and file at once hold the same blob; an unknown certificate leaves neither.
  r = card("make-hash-key --cert ABC --store --label KEY2 --out " + shellQuote(both));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(readData("KEY2"), readFile(both));
  r = card("make-hash-key --cert NIKDO --store --label KEY3 --out " + shellQuote(tmp / "none.key"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("(235)"), std::string::npos) << r.output;
  EXPECT_EQ(readData("KEY3"), "");
  // The centre's certificate: the card could never open a blob made for it.
  r = card("make-hash-key --cert NRC --store --label KEY4");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("(236)"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(tmp / "none.key"));
  for (const auto& entry : fs::directory_iterator(tmp.path()))
    EXPECT_EQ(entry.path().filename().string().find("none.key"), std::string::npos) << entry.path();
  EXPECT_EQ(card("make-hash-key --cert ABC").status, 64);
  EXPECT_EQ(card("make-hash-key --store").status, 64);
}

}  // namespace
}  // namespace quervik::test
