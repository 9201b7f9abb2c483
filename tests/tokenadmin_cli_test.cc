// quervik card against the SoftHSM2 card, with pkcs11-tool and the openssl tool as the
// independent views: objects stored from files and removed, PINs from their three sources and
// changed, key pairs and public keys, exports, and the hashing key that the signing work then
// uses from the card and from a blob file.
#include "birthnumber/triple_des.h"
#include "card_fixture.h"
#include "crypto/hex.h"
#include "protect_support.h"

namespace quervik::test {
namespace {

class CardTools : public WithCli<CardTest> {
 protected:
  // The command with the PIN in the environment unless pinSource says otherwise.
  ToolResult card(const std::string& args, const std::string& pinSource = "") {
    std::string pin = pinSource.empty() ? "QUERVIK_PIN=" + shellQuote(kUserPin) + " " : pinSource;
    return runTool(pin + std::string(QUERVIK_BINARY_DIR) + "/quervik card " + args + " --slot " + slotText());
  }
  // card(args) ends with the status, its output holding the text; the output.
  std::string expect(const std::string& args, int status, const std::string& says = "",
                     const std::string& pinSource = "") {
    ToolResult r = card(args, pinSource);
    EXPECT_EQ(r.status, status) << args << "\n" << r.output;
    EXPECT_NE(r.output.find(says), std::string::npos) << args << "\n" << r.output;
    return r.output;
  }
  std::string listed() { return p11tool("--list-objects").output; }
  std::string readData(const std::string& label) { return readObject("data", label); }
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

TEST_F(CardTools, ListsSlotsAndShowsACard) {
  expect("slots", 0, slotText() + "\t" + kTokenLabel + "\n");
  expect("info", 0, std::string("Karta (token) label            =") + kTokenLabel);
  ToolResult unknown = runQuervik("card info --slot 4242");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.output.find("(200)"), std::string::npos) << unknown.output;
  EXPECT_EQ(runQuervik("card info").status, 64);
  EXPECT_EQ(runQuervik("card eject").status, 64);
}

TEST_F(CardTools, ObjectsAreStoredFromFilesListedAndRemoved) {
  std::string data = put("blob.bin", std::string("\x00\x01\x02 obsah", 9)), empty = put("empty.bin", "");
  expect("load-cert --label HOSP2 --file " + shellQuote(keyMaterial().certPem), 0);
  expect("load-data --label DATA1 --file " + shellQuote(data), 0);
  EXPECT_EQ(readData("DATA1"), readFile(data));
  expect("load-data --label DATA2 --file " + shellQuote(empty), 2, "is empty, nothing to store");
  std::string list = expect("list", 0);
  for (const char* line :
       {"certificate  Certifikat:HOSP2\n", "data         DATA1\n", "private-key  Privatni klic:ABC\n"})
    EXPECT_NE(list.find(line), std::string::npos) << list;

  expect("delete", 64);
  expect("delete --all --label DATA1", 64);
  expect("delete --label Certifikat:HOSP2", 0);
  EXPECT_EQ(listed().find("Certifikat:HOSP2"), std::string::npos);
  EXPECT_EQ(expect("dn --pattern nrc", 0).rfind("CN=", 0), 0u);
  expect("dn --pattern nikdo", 1);
  expect("delete --all", 0);  // that it empties the card is the card tests'
}

TEST_F(CardTools, PinComesFromOptionEnvironmentOrPromptAndIsNeverShown) {
  const std::string pin = shellQuote(kUserPin);
  const std::string fromPrompt = expect("list", 0, "Zadejte PIN karty:", "printf '%s\\n' " + pin + " | ");
  EXPECT_NE(fromPrompt.find("Certifikat:ABC"), std::string::npos);
  for (const std::string& out : {expect("list --pin " + pin, 0, "Certifikat:ABC", " "),
                                 expect("list", 0, "Certifikat:ABC", "QUERVIK_PIN=" + pin + " "), fromPrompt})
    EXPECT_EQ(out.find(kUserPin), std::string::npos) << out;
  // No PIN at all (standard input is empty): nothing happens on the card.
  expect("list", 2, "no PIN given", " ");
  expect("list --pin 0000", 2, "(224)", " ");
}

// Before any work, on the card and in key files: a key whose size no record can take is named,
// so is a sender no certificate's subject holds, no hashing key is made for a certificate of
// another size, and a refused PIN stops the command after one attempt.
TEST_F(CardTools, KeysThatCannotServeAreNamedBeforeAnyWork) {
  const std::string t = tmp.path().string(), in = t + "/in.txt", out = t + "/out.bin", big = t + "/big.crt";
  writeFile(in, "x");
  runToolOk("cd " + shellQuote(t) + " && openssl req -x509 -newkey rsa:2048 -nodes -keyout big.pem -subj /CN=Big "
            "-days 2 -out big.crt && openssl pkey -in big.pem -pubout -out bigpub.pem");
  ASSERT_EQ(card("load-cert --label BIG --file " + shellQuote(big)).status, 0);
  ASSERT_EQ(card("import-pubkey --name BIGPUB --file " + shellQuote(t + "/bigpub.pem")).status, 0);
  const std::string bigSays = " is a 2048-bit key; protected files and birth-number records take 1024-bit RSA keys only";
  const std::string onCard = " (BIG on the card)" + bigSays, inFile = " (" + big + ")" + bigSays;
  const std::string key = shellQuote(keyMaterial().keyPem), cert = shellQuote(keyMaterial().certPem);
  // The PIN from --pin, else from $QUERVIK_PIN, which holds the right one: --pin 0000 wins.
  const std::string slot = " --slot " + slotText() + " ", pin = slot + "--pin " + shellQuote(kUserPin) + " ";
  const struct {
    std::string args, says;
  } cases[] = {
      {"sign" + pin + "-f NRC -k NIKDO -o " + out + " " + in, "no certificate on the card has \"NIKDO\" in its subject"},
      {"sign" + pin + "-f BIG -k ABC -o " + out + " " + in, "the centre's key" + onCard},
      {"open" + slot + "-k ABC -f BIG -o " + out + " " + in, "the hospital's key" + onCard},
      {"sign" + pin + "-t 2 -f BIGPUB -k ABC -o " + out + " " + in, "the centre's key (BIGPUB on the card)" + bigSays},
      {"desrc" + slot + "-f NRC -g BIG -i ABC -h RSA_DES_KEY -o " + out + " " + in, "the trust centre's key" + onCard},
      {"recover" + slot + "-i " + in + " -o " + out + " -k " + shellQuote(keyMaterial().otherKeyPem) +
           " -d " + in + " -t BIG",
       "the trust centre's key" + onCard},
      {"sign --pin 0000" + slot + "-f NRC -k ABC -o " + out + " " + in, "(224)"},
      {"sign -f " + big + " -k " + key + " -o " + out + " " + in, "the centre's key" + inFile},
      {"open -k " + key + " -f " + big + " -o " + out + " " + in, "the hospital's key" + inFile},
      {"desrc -f " + cert + " -g " + big + " -i " + key + " -h " + in + " -o " + out + " " + in,
       "the trust centre's key" + inFile},
      {"recover -i " + in + " -o " + out + " -k " + t + "/big.pem -d " + in + " -t TC -c 0 -p 0",
       "the DRG centre's key (" + t + "/big.pem)" + bigSays},
      {"card make-hash-key --cert-file " + big + " --out " + out, "the certificate's key is not a 1024-bit RSA key"},
  };
  for (const auto& c : cases) {
    ToolResult r = runTool("QUERVIK_PIN=" + shellQuote(kUserPin) + " " + std::string(QUERVIK_BINARY_DIR) + "/quervik " +
                           c.args);
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
  expect("set-pin", 0, "", "QUERVIK_PIN=" + shellQuote(kUserPin) + " QUERVIK_NEW_PIN=" + shellQuote(newPin) + " ");
  expect("list", 2);
  expect("list", 0, "", "QUERVIK_PIN=" + shellQuote(newPin) + " ");
  // The officer sets a PIN without knowing the old one; the new one is asked twice.
  std::string out = expect("set-pin --so --so-pin " + shellQuote(kSoPin), 0, "Opakujte novy PIN karty:",
                           "printf '%s\\n%s\\n' " + shellQuote(officerPin) + " " + shellQuote(officerPin) + " | ");
  expect("list", 0, "", "QUERVIK_PIN=" + shellQuote(officerPin) + " ");
  for (const std::string& pin : {std::string(kUserPin), newPin, officerPin, std::string(kSoPin)})
    EXPECT_EQ(out.find(pin), std::string::npos);
  expect("set-pin --so --so-pin 0000 --new-pin 1234", 2);
}

TEST_F(CardTools, KeyPairsPublicKeysAndCertificatesGoOnAndOff) {
  expect("gen-keypair --name GEN", 0);
  expect("gen-keypair --name GEN", 2, "a key of that name is already on the card");
  expect("gen-keypair --name X --bits 2048", 2, "a key pair has 1024 bits");

  // The centre's public key in, and out again unchanged.
  const std::string centre = shellQuote(keyMaterial().otherPubPem), back = tmp / "centre.pem";
  expect("import-pubkey --name CENTRE --file " + centre, 0);
  expect("import-pubkey --name CENTRE --file " + centre, 2, "a public key of that name is already on the card");
  expect("export-pubkey --name CENTRE --out " + shellQuote(back), 0);
  auto der = [](const std::string& pem) { return runToolOk("openssl pkey -pubin -outform DER -in " + shellQuote(pem)); };
  EXPECT_EQ(der(back), der(keyMaterial().otherPubPem));
  expect("export-pubkey --name NOBODY --out " + shellQuote(back), 1);

  // Certificates by name and by a fragment of the DN.
  std::string cert = tmp / "abc.pem", nrc = tmp / "nrc.pem";
  expect("export-cert --name ABC --out " + shellQuote(cert), 0);
  expect("export-cert --name 'nrc centrum' --out " + shellQuote(nrc), 0);
  auto certDer = [](const std::string& pem) { return runToolOk("openssl x509 -outform DER -in " + shellQuote(pem)); };
  EXPECT_EQ(certDer(cert), readFile(keyMaterial().certDer));
  EXPECT_EQ(certDer(nrc), certDer(keyMaterial().otherCertPem));
}

// A step the card or a file refuses says what failed; nothing is found: 1, failed: 2.
TEST_F(CardTools, RefusedStepsNameTheirCause) {
  const std::string plain = put("plain.txt", "no certificate"), noDir = tmp / "no/dir/x.pem", out = tmp / "x.pem";
  const struct {
    std::string args;
    int status;
    std::string says;
  } cases[] = {
      {"load-cert --label X --file " + plain, 2, "holds no certificate"},
      {"export-cert --name NIKDO --out " + out, 1, "no certificate \"NIKDO\" on the card"},
      {"export-cert --name ABC --out " + noDir, 2, "the certificate could not be written"},
      {"csr --name NIKDO --subject /CN=X --out " + out, 1, "no key pair \"NIKDO\" on the card"},
      {"csr --name ABC --subject CN=X --out " + out, 2, "the subject must read"},
      {"csr --name ABC --subject /CN=X --out " + noDir, 2, "the request could not be written"},
  };
  for (const auto& c : cases) expect(c.args, c.status, c.says);
  ToolResult r = runQuervik("card make-hash-key --cert ABC --store");
  EXPECT_EQ(r.status, 64);
  EXPECT_NE(r.output.find("needs --slot"), std::string::npos) << r.output;
  r = runQuervik("card set-pin --slot 4242 --pin 1 --new-pin 2");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("no session with the card in slot 4242"), std::string::npos) << r.output;
}

// Linking gives both keys the certificate's ID, by which the signing work finds the private key:
// the card recipe signs with a key pair made on the card and linked so.
TEST_F(CardToolsOnEmptyCard, LoadedCertificateIsLinkedOnlyToItsKeyPair) {
  const KeyMaterial& k = keyMaterial();
  storeObject(k.keyPkcs1Der, "--type privkey --id 0A --label 'Privatni klic:K'");
  storeObject(k.pubDer, "--type pubkey --id 0A --label 'Verejny klic:K'");
  // Another certificate's key is no partner: nothing is stored or changed.
  expect("load-cert --label OTHER --file " + shellQuote(k.otherCertPem) + " --key K", 2,
         "does not hold the certificate's key");
  EXPECT_EQ(listed().find("Certifikat:OTHER"), std::string::npos);
  expect("load-cert --label KC --file " + shellQuote(k.certDer) + " --key K", 0, "key pair \"K\" linked");
}

TEST_F(CardTools, HashKeyIsMadeOnceOnTheCardOrInANewFile) {
  std::string out = expect("make-hash-key --cert abc --store", 0);
  std::string blob = readData("RSA_DES_KEY");
  ASSERT_EQ(blob.size(), 128u);
  std::string key = openBlob(blob);
  ASSERT_EQ(key.size(), 24u);
  TripleDesKey made;
  EXPECT_EQ(makeTripleDesKey(bytesOf(key), made), 0);  // odd parity, no weak key
  EXPECT_NE(key.substr(0, 8), key.substr(8, 8));
  for (std::string text : {hexOf(key), hexUpper(bytesOf(key)), key}) EXPECT_EQ(out.find(text), std::string::npos);
  // A hashing key is never replaced. (The signing work takes a key from the card's blob in the
  // protected-file card tests.)
  expect("make-hash-key --cert ABC --store", 2, "(225)");
  EXPECT_EQ(readData("RSA_DES_KEY"), blob);

  // A blob file opens with the key file and is never overwritten either.
  std::string file = tmp / "hash.key", both = tmp / "both.key";
  const std::string makeFile = "card make-hash-key --cert-file " + shellQuote(keyMaterial().certPem) + " --out " +
                               shellQuote(file);
  ToolResult r = runQuervik(makeFile);
  EXPECT_EQ(r.status, 0) << r.output;
  const std::string fileBlob = readFile(file);
  EXPECT_EQ(openBlob(fileBlob).size(), 24u);
  EXPECT_EQ(runQuervik(makeFile).status, 2);
  EXPECT_EQ(readFile(file), fileBlob);
  // Card and file at once hold the same blob; an unknown certificate leaves neither.
  expect("make-hash-key --cert ABC --store --label KEY2 --out " + shellQuote(both), 0);
  EXPECT_EQ(readData("KEY2"), readFile(both));
  expect("make-hash-key --cert NIKDO --store --label KEY3 --out " + shellQuote(tmp / "none.key"), 2, "(235)");
  EXPECT_EQ(readData("KEY3"), "");
  // The centre's certificate: the card could never open a blob made for it.
  expect("make-hash-key --cert NRC --store --label KEY4", 2, "(236)");
  for (const auto& entry : fs::directory_iterator(tmp.path()))
    EXPECT_EQ(entry.path().filename().string().find("none.key"), std::string::npos) << entry.path();
  expect("make-hash-key --cert ABC", 64);
  expect("make-hash-key --store", 64);
}

}  // namespace
}  // namespace quervik::test
