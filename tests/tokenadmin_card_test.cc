// Card administration against the SoftHSM2 card: certificates stored from base64 texts (read
// back with pkcs11-tool), removal by label and of everything, and the DN of a certificate.
#include <algorithm>

#include "card_fixture.h"
#include "protect_support.h"
#include "runtime/report.h"
#include "token/module.h"
#include "token/session.h"
#include "tokenadmin/base64_text.h"
#include "tokenadmin/card_admin.h"

namespace quervik::test {
namespace {

class CardAdmin : public CardTest {
 protected:
  // The labels on the card, sorted, as a session of its own sees them (the card-layer tests
  // hold that search against SoftHSM2).
  std::vector<std::string> cardLabels() {
    CK_SESSION_HANDLE s = openUserSession();
    std::vector<std::string> labels;
    for (CK_OBJECT_HANDLE h : allObjects(s)) labels.push_back(labelOf(s, h));
    closeToken();
    std::sort(labels.begin(), labels.end());
    return labels;
  }
  // A self-signed certificate made by the openssl tool with the subject and extra options.
  std::string makeCertificateDer(const std::string& subject, const std::string& extra = "") {
    std::string der = tmp / "made.der";
    runToolOk("openssl req -x509 -new -utf8 -key " + shellQuote(keyMaterial().keyPem) + " -subj " +
              shellQuote(subject) + " -days 30 -outform DER -out " + shellQuote(der) + " " + extra);
    return readFile(der);
  }
};

TEST(Base64Text, DecodesWhatTheToolEncodesAndRefusesEverythingElse) {
  for (size_t n : {0, 1, 2, 3, 47, 48, 49, 100, 3000}) {
    std::string bytes;
    for (size_t i = 0; i < n; ++i) bytes += static_cast<char>((i * 151 + 7) & 0xFF);
    std::optional<SecureBytes> back = decodeBase64Text(base64Of(bytes));
    ASSERT_TRUE(back) << n;
    EXPECT_EQ(std::string(back->begin(), back->end()), bytes) << n;
  }
  std::string good = base64Of(std::string(100, 'x'));
  // A line break, a blank, padding in the middle, a missing tail, a foreign letter: each would
  // decode to bytes other than those sent.
  for (std::string bad : {good.substr(0, 64) + "\n" + good.substr(64), good.substr(0, 64) + "\r\n" + good.substr(64),
                          good + "\n", " " + good, std::string("QUI=QUJD"), good.substr(0, good.size() - 1),
                          std::string("QUJDR"), std::string("QU*D"), std::string("Q==="), std::string("====")}) {
    EXPECT_FALSE(decodeBase64Text(bad)) << bad;
  }
}

TEST_F(CardAdmin, CertificateLargerThanTwoKilobytesIsStoredWhole) {
  std::string der = makeCertificateDer("/C=CZ/O=Velka Nemocnice/CN=Dlouhy certifikat",
                                       "-addext " + shellQuote("nsComment=" + std::string(2500, 'k')));
  ASSERT_GT(der.size(), 2048u);
  EXPECT_EQ(loadBase64X509("BIG", base64Of(der).c_str(), slotText().c_str(), kUserPin), 0);
  EXPECT_EQ(readObject("cert", "Certifikat:BIG"), der);
}

TEST_F(CardAdmin, CertificateTextsThatCannotBeStoredLeaveTheCardAlone) {
  std::vector<std::string> before = cardLabels();
  std::string text = base64Of(readFile(keyMaterial().certDer));
  std::string broken = text.substr(0, 64) + "\n" + text.substr(64);
  std::string notACertificate = base64Of("just some bytes, no DER");
  ModuleSpy spy;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(loadBase64X509("X", broken.c_str(), slotText().c_str(), kUserPin), -1);
  EXPECT_EQ(loadBase64X509("X", notACertificate.c_str(), slotText().c_str(), kUserPin), -1);
  EXPECT_EQ(loadBase64X509("X", nullptr, slotText().c_str(), kUserPin), -1);
  EXPECT_EQ(loadBase64X509("X", text.c_str(), "-1", kUserPin), -1);
  EXPECT_EQ(loadBase64X509("X", text.c_str(), nullptr, kUserPin), -1);
  EXPECT_EQ(loadBase64X509("X", text.c_str(), slotText().c_str(), nullptr), -1);
  EXPECT_EQ(spy.calls("C_Initialize"), 0);
  EXPECT_TRUE(reportedCodes().empty());
  // A refused PIN: the session is closed again and the console says so.
  EXPECT_EQ(loadBase64X509("X", text.c_str(), slotText().c_str(), "0000"), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Nelze provest login do tokenu\n");
  EXPECT_EQ(reportedCodes(), std::vector<int>{224});
  EXPECT_EQ(tokenSession(), kNoSession);
  EXPECT_EQ(spy.calls("C_CloseSession"), 1);
  EXPECT_EQ(cardLabels(), before);
}

TEST_F(CardAdmin, DeleteTakesTheFullLabelOrEverything) {
  std::vector<std::string> before = cardLabels();
  ASSERT_NE(std::find(before.begin(), before.end(), "Certifikat:NRC"), before.end());
  // The bare name is no label of the certificate: nothing goes.
  EXPECT_EQ(deleteObject("NRC", slotText().c_str(), kUserPin), 0);
  EXPECT_EQ(cardLabels(), before);
  EXPECT_EQ(deleteObject("Certifikat:NRC", slotText().c_str(), kUserPin), 0);
  std::vector<std::string> expected = before;
  expected.erase(std::find(expected.begin(), expected.end(), "Certifikat:NRC"));
  EXPECT_EQ(cardLabels(), expected);
  {
    ModuleSpy spy;
    EXPECT_EQ(deleteObject(nullptr, "-1", kUserPin), 0);
    EXPECT_EQ(deleteObject("Certifikat:ABC", "-1", kUserPin), 0);
    EXPECT_EQ(deleteObject("Certifikat:ABC", nullptr, kUserPin), -1);
    EXPECT_EQ(deleteObject("Certifikat:ABC", slotText().c_str(), nullptr), -1);
    EXPECT_EQ(spy.calls("C_Initialize"), 0);
    EXPECT_EQ(deleteObject("Certifikat:ABC", slotText().c_str(), "0000"), -1);
    // The card refusing to destroy.
    spy.failCalls({{"C_DestroyObject", 0, CKR_ACTION_PROHIBITED}});
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(deleteObject("Certifikat:ABC", slotText().c_str(), kUserPin), -1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Nelze vymazat objekt 'Certifikat:ABC' z tokenu\n");
  }
  EXPECT_EQ(reportedCodes(), (std::vector<int>{224, 260}));
  EXPECT_EQ(cardLabels(), expected);
  // No label: the card is emptied, one dot per object.
  CapturedStdout out;
  EXPECT_EQ(deleteObject(nullptr, slotText().c_str(), kUserPin), 0);
  EXPECT_EQ(out.take(), std::string(expected.size(), '.'));
  EXPECT_TRUE(cardLabels().empty());
}

TEST_F(CardAdmin, LongUserDnIsCutWithoutSplittingACharacter) {
  // "O=" 60 letters ",OU=" 60 letters: 126 bytes, so the cut falls inside the two-byte letter
  // that follows.
  std::string organisation(60, 'a'), unit = std::string(60, 'b') + "\xC5\xA1xyz";
  std::string der = makeCertificateDer("/CN=konec/OU=" + unit + "/O=" + organisation);
  ASSERT_EQ(loadBase64X509("LONG", base64Of(der).c_str(), slotText().c_str(), kUserPin), 0);
  std::optional<std::string> dn = getUserDN("KONEC", slotText().c_str(), kUserPin);
  ASSERT_TRUE(dn);
  EXPECT_EQ(*dn, "O=" + organisation + ",OU=" + std::string(60, 'b'));
}

}  // namespace
}  // namespace quervik::test
