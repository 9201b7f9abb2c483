// Protected files with cards: the hashing key from the card's blob, and files signed on the
// hospital's card opened on the centre's card, with key files and with base64 keys.
#include "birthnumber/card_keys.h"
#include "birthnumber/key_blob.h"
#include "container/open.h"
#include "container/protected_file.h"
#include "container/sign.h"
#include "protect_card_fixture.h"
#include "runtime/report.h"
#include "token/objects.h"
#include "token/session.h"

namespace quervik::test {
namespace {

using CardKeys = ProtectCardTest;

TEST_F(CardKeys, HashKeyFromTheCardsBlob) {
  openUserSession();
  for (auto [keyType, name] : {std::pair{kHashKeyByCertificate, "ABC"}, std::pair{kHashKeyByKeyLabel, kHospitalKeyObject}}) {
    TripleDesKey key;
    ASSERT_EQ(loadHashKey(keyType, int64_t(slot()), "RSA_DES_KEY", name, nullptr, key), 0) << name;
    EXPECT_EQ(std::string(key.bytes.begin(), key.bytes.end()), hashKey());
  }
  EXPECT_TRUE(reportedCodes().empty());
  // Blobs of the wrong length are refused whichever way they are short or long.
  for (size_t n : {16u, 32u}) {
    std::string blob = hashKeyBlob(goodDesKey().substr(0, 16) + (n == 32 ? goodDesKey().substr(0, 16) : ""));
    ASSERT_EQ(createDataObject(tokenSession(), "JINY_KLIC", blob.data(), long(blob.size())), 0);
    TripleDesKey key;
    EXPECT_EQ(loadHashKey(kHashKeyByCertificate, int64_t(slot()), "JINY_KLIC", "ABC", nullptr, key), -1);
    EXPECT_EQ(reportedCodes(), (std::vector<int>{159, 160}));
    EXPECT_NE(errorEntries()[0].find(std::to_string(n)), std::string::npos) << errorEntries()[0];
    clearErrors();
    ASSERT_EQ(destroyObjectsByLabel(tokenSession(), "JINY_KLIC"), 0);
  }
  // No blob, an unknown key type, and the centre's certificate, which has no private key here.
  struct Case {
    int keyType;
    const char *blobLabel, *name;
    std::vector<int> codes;
  } cases[] = {{kHashKeyByCertificate, "NENI", "ABC", {228, 160}},
               {5, "RSA_DES_KEY", "ABC", {160}},
               {kHashKeyByCertificate, "RSA_DES_KEY", "NRC", {236, 230, 160}}};
  for (const Case& c : cases) {
    TripleDesKey key;
    EXPECT_EQ(loadHashKey(c.keyType, int64_t(slot()), c.blobLabel, c.name, nullptr, key), -1);
    EXPECT_EQ(reportedCodes(), c.codes);
    clearErrors();
  }
}

class CardFiles : public ProtectCardTest {
 protected:
  int signOnCard(const std::string& in, const std::string& out, int keyType = 1, const char* pin = kUserPin,
                 const char* sender = kHospitalName) {
    return signProtectedFile(in.c_str(), out.c_str(), slotText().c_str(), "RSA_DES_KEY",
                             keyType == 1 ? kCentreName : kCentreKeyObject, keyType, sender, pin);
  }
  int openOnCentreCard(const std::string& in, const std::string& out, int keyType = 1, const char* pin = kUserPin) {
    return openProtectedFile(in.c_str(), out.c_str(), centreSlotText().c_str(), kCentreName, -1,
                             keyType == 1 ? kHospitalName : kHospitalPublicOnCentreCard, -1, keyType, pin);
  }
  const KeyMaterial& k = keyMaterial();
  const std::string hospitalDn = "CN=ABC Nemocnice,O=Nemocnice Test,C=CZ";
};

// Signed with the hospital's certificates or key objects, opened on the centre's card (the key
// files open it too: the container tests hold that).
TEST_F(CardFiles, HospitalCardToCentreCard) {
  std::string content = randomText(70001);
  std::string in = put("in.txt", content), out = tmp / "out.bin", back = tmp / "back.txt";
  const std::string field = dnField(hospitalDn);
  for (int keyType : {1, 0}) {
    SCOPED_TRACE(keyType);
    ASSERT_EQ(signOnCard(in, out, keyType, kUserPin, keyType == 1 ? kHospitalName : kHospitalKeyObject), 0);
    EXPECT_EQ(tokenSession(), kNoSession);  // the driver closed its session
    // The trailer names the sender and carries the hashing key's check value for the centre;
    // key objects find no hashing key, so there is no check value.
    std::string file = readFile(out), keyCheck = file.substr(file.size() - 130, 128);
    ASSERT_EQ(file.substr(file.size() - 130 - field.size(), field.size()), field);
    if (keyType == 1)
      EXPECT_EQ(toolOutput("openssl pkeyutl -decrypt -inkey " + shellQuote(k.otherKeyPem), keyCheck),
                toolEncrypt(hexOf(hashKey()), std::string("secret\0\0", 8)));
    else
      EXPECT_EQ(keyCheck, std::string(128, '\0'));
    ASSERT_EQ(openOnCentreCard(out, back, keyType), 0);
    EXPECT_EQ(readFile(back), content);
    EXPECT_EQ(tokenSession(), kNoSession);
  }
  EXPECT_TRUE(reportedCodes().empty());
}

TEST_F(CardFiles, RefusedPinUnknownSenderAndForeignSubjects) {
  std::string in = put("in.txt", "obsah"), out = tmp / "out.bin";
  EXPECT_EQ(signOnCard(in, out, 1, "Spatny-Pin-0"), 1);
  EXPECT_EQ(reportedCodes().at(0), 224);  // then the failing step's own
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(tokenSession(), kNoSession);
  clearErrors();
  // A name that is in no certificate's subject: no file, nothing of its own reported.
  EXPECT_EQ(signOnCard(in, out, 1, kUserPin, "Nemocnice Jinde"), 1);
  EXPECT_TRUE(reportedCodes().empty());
  EXPECT_FALSE(fs::exists(out));
  // Opening on the centre's card with a refused PIN.
  ASSERT_EQ(signOnCard(in, out), 0);
  std::string back = tmp / "back.txt";
  EXPECT_EQ(openOnCentreCard(out, back, 1, "Spatny-Pin-0"), 1);
  EXPECT_EQ(reportedCodes().at(0), 224);
  EXPECT_FALSE(fs::exists(back));

  // A subject written in UTF-8: the bytes readers would refuse become "?" in the file.
  clearErrors();
  std::string utf8Cert = tmp / "utf8.pem";
  runToolOk("openssl req -x509 -new -utf8 -key " + shellQuote(k.keyPem) +
            " -subj '/C=CZ/CN=Nemocnice Plze\xc5\x88' -days 3650 -set_serial 0x0123ABCD -out " + shellQuote(utf8Cert));
  openUserSession();
  ASSERT_EQ(importCertificate(tokenSession(), utf8Cert.c_str(), nullptr, "PLZEN"), CKR_OK);
  closeToken();
  ASSERT_EQ(signOnCard(in, out, 1, kUserPin, "Plze"), 0);
  EXPECT_EQ(protectedFileDn(out.c_str()), "CN=Nemocnice Plze??,C=CZ");
  back = tmp / "back2.txt";
  ASSERT_EQ(openOnCentreCard(out, back), 0);
  EXPECT_EQ(readFile(back), "obsah");
}

}  // namespace
}  // namespace quervik::test
