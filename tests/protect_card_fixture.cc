// The hospital's and the centre's cards; see protect_card_fixture.h.
#include "protect_card_fixture.h"

namespace quervik::test {
namespace {

struct Cards {
  std::string tokens;  // the token directory to copy
  CK_SLOT_ID centreSlot = 0;
  bool ok = false;
};

std::string derOf(const std::string& dir, const std::string& command) {
  std::string out = dir + "/converted.der";
  runToolOk(command + " -outform DER -out " + shellQuote(out));
  return readFile(out);
}

// Built from the standard card the first test was given: the extra objects on it, then the
// centre's card beside it.
Cards makeCards(const std::string& standardTokens) {
  static TempDir dir;  // lives until the test binary exits
  Cards cards;
  const KeyMaterial& k = keyMaterial();
  const ProtectKeys& p = protectKeys();
  std::string tokens = dir / "tokens", config = dir / "softhsm2.conf";
  fs::copy(standardTokens, tokens, fs::copy_options::recursive);
  writeSoftHsmConfig(config, tokens);
  auto store = [&](const char* token, const std::string& bytes, const std::string& args) {
    std::string file = dir / "object.bin";
    writeFile(file, bytes);
    ToolResult r = p11toolOn(config, token, "--write-object " + shellQuote(file) + " " + args);
    if (r.status != 0) ADD_FAILURE() << "pkcs11-tool could not store " << args << ":\n" << r.output;
    return r.status == 0;
  };
  std::string tcKey = dir / "tc_key.pem";
  runToolOk("openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out " + shellQuote(tcKey));
  std::string tcCert = derOf(dir.path().string(), "openssl req -x509 -new -key " + shellQuote(tcKey) +
                                                      " -subj '/C=CZ/O=Duveryhodna strana/CN=TC Centrum' -days 3650"
                                                      " -set_serial 99");
  std::string centrePub = derOf(dir.path().string(), "openssl pkey -pubin -in " + shellQuote(k.otherPubPem));
  if (!store(kTokenLabel, hashKeyBlob(ProtectCardTest::hashKey()), "--type data --label RSA_DES_KEY --private") ||
      !store(kTokenLabel, readFile(k.keyPkcs1Der), "--type privkey --id 0B --label 'Privatni klic:ABC Nemocnice'") ||
      !store(kTokenLabel, centrePub, "--type pubkey --id 0C --label 'Verejny klic:NRC0'") ||
      !store(kTokenLabel, tcCert, "--type cert --id 63 --label 'Certifikat:TC'"))
    return cards;

  std::optional<CK_SLOT_ID> centre = makeToken(config, "centrum");
  if (!centre) return cards;
  cards.centreSlot = *centre;
  if (!store("centrum", p.centrePrivateDer, "--type privkey --id 4D --label 'Privatni klic:NRC'") ||
      !store("centrum", p.hospitalCertDer, "--type cert --id 02040123ABCD --label 'Certifikat:ABC'") ||
      !store("centrum", p.hospitalPubDer, "--type pubkey --id 0B --label 'Verejny klic:ZZ0'"))
    return cards;
  cards.tokens = tokens;
  cards.ok = true;
  return cards;
}

const Cards* gCards = nullptr;

}  // namespace

const std::string& ProtectCardTest::hashKey() {
  static const std::string key = goodDesKey();
  return key;
}

void ProtectCardTest::SetUp() {
  CardTest::SetUp();
  if (HasFatalFailure()) return;
  static const Cards cards = makeCards(tmp / "tokens");
  gCards = &cards;
  ASSERT_TRUE(cards.ok);
  fs::remove_all(tmp / "tokens");
  fs::copy(cards.tokens, tmp / "tokens", fs::copy_options::recursive);
}

CK_SLOT_ID ProtectCardTest::centreSlot() const { return gCards ? gCards->centreSlot : 0; }

}  // namespace quervik::test
