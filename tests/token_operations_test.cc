// Cryptography inside the card against SoftHSM2, with the openssl tool as the oracle: RSA
// signing, encryption, decryption and recovery with key objects (recovery in software where the
// card has none), the card's digest, DES on the card, and key generation.
#include <cstring>

#include "card_fixture.h"
#include "runtime/report.h"
#include "token/attributes.h"
#include "token/module.h"
#include "token/objects.h"
#include "token/operations.h"
#include "token/session.h"

namespace quervik::test {
namespace {

class TokenOperations : public CardTest {
 protected:
  void SetUp() override {
    CardTest::SetUp();
    s = openUserSession();
    ASSERT_EQ(findCertificateByDn(s, &cert, "CN=ABC", nullptr, 0), CKR_OK);
    ASSERT_EQ(findPrivateKeyById(s, cert, &priv), CKR_OK);
    ASSERT_NE(priv, CK_INVALID_HANDLE);
    for (CK_OBJECT_HANDLE h : allObjects(s))
      if (labelOf(s, h) == "Verejny klic:ABC") pub = h;
    ASSERT_NE(pub, CK_INVALID_HANDLE);
  }
  static std::vector<unsigned char> random(size_t n) { return bytesOf(randomText(n)); }
  // applyRsaKey with a buffer of the given capacity; the result bytes, or the failure value.
  CK_RV apply(CK_OBJECT_HANDLE key, int direction, const std::vector<unsigned char>& in,
              std::vector<unsigned char>& out, CK_ULONG capacity = 256) {
    out.assign(capacity, 0);
    CK_ULONG length = capacity;
    CK_RV rv = applyRsaKey(s, key, direction, in.data(), CK_ULONG(in.size()), out.data(), &length);
    out.resize(rv == CKR_OK ? length : 0);
    return rv;
  }
  CK_SESSION_HANDLE s = kNoSession;
  CK_OBJECT_HANDLE cert = CK_INVALID_HANDLE, priv = CK_INVALID_HANDLE, pub = CK_INVALID_HANDLE;
};

TEST_F(TokenOperations, CardSignatureEqualsTheToolsAndRecoversWithThePublicKey) {
  std::vector<unsigned char> data = random(45), signature, recovered;
  ASSERT_EQ(apply(priv, kRsaForward, data, signature), CKR_OK);
  ASSERT_EQ(signature.size(), 128u);
  const std::string sign = "openssl pkeyutl -sign -inkey " + shellQuote(keyMaterial().keyPem);
  EXPECT_EQ(signature, bytesOf(toolOutput(sign, textOf(data))));
  // SoftHSM2 has no recovery with a public key: it runs in software with the same bytes.
  ModuleSpy spy;
  ASSERT_EQ(apply(pub, kRsaReverse, signature, recovered, 45), CKR_OK);
  EXPECT_EQ(recovered, data);
  EXPECT_EQ(spy.calls("C_VerifyRecoverInit"), 1);
  EXPECT_EQ(spy.calls("C_VerifyRecover"), 0);
  // The session key made from the certificate recovers it too.
  CK_OBJECT_HANDLE fromCert = CK_INVALID_HANDLE;
  ASSERT_EQ(publicKeyFromCertificate(s, cert, &fromCert), CKR_OK);
  ASSERT_EQ(apply(fromCert, kRsaReverse, signature, recovered), CKR_OK);
  EXPECT_EQ(recovered, data);
  // A damaged signature does not recover.
  signature[7] ^= 0x40;
  EXPECT_EQ(apply(pub, kRsaReverse, signature, recovered), CKR_SIGNATURE_INVALID);
  EXPECT_EQ(reportedCodes(), std::vector<int>{209});
}

TEST_F(TokenOperations, RefusalsReportTheirCodes) {
  std::vector<unsigned char> tooLong = random(118), garbage = random(128), in = random(20), out;
  garbage[0] = 0;
  EXPECT_NE(apply(priv, kRsaForward, tooLong, out), CKR_OK);
  EXPECT_NE(apply(pub, kRsaForward, tooLong, out), CKR_OK);
  EXPECT_NE(apply(priv, kRsaReverse, garbage, out), CKR_OK);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{205, 207, 211}));
  clearErrors();
  // Objects that are not RSA keys and unknown directions start nothing on the card.
  ASSERT_EQ(createDataObject(s, "DATA", "value", 5), 0);
  CK_OBJECT_HANDLE data = CK_INVALID_HANDLE;
  ASSERT_EQ(findObjectByLabel(s, &data, "DATA"), CKR_OK);
  ModuleSpy spy;
  EXPECT_EQ(apply(cert, kRsaForward, in, out), kNoMatch);
  EXPECT_EQ(apply(data, kRsaReverse, in, out), kNoMatch);
  EXPECT_EQ(apply(9999, kRsaForward, in, out), kNoMatch);
  EXPECT_EQ(apply(priv, 102, in, out), kNoMatch);
  EXPECT_EQ(apply(priv, 0, in, out), kNoMatch);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{202, 202, 202, 203, 203}));
  for (const char* f : {"C_SignInit", "C_EncryptInit", "C_DecryptInit", "C_VerifyRecoverInit"})
    EXPECT_EQ(spy.calls(f), 0) << f;
  clearErrors();
  // Recovery refused is a refusal, not a missing function.
  const CK_RV refused = CKR_KEY_FUNCTION_NOT_PERMITTED;
  spy.failCalls({{"C_SignInit", 0, refused}, {"C_EncryptInit", 0, refused}, {"C_DecryptInit", 0, refused},
                 {"C_VerifyRecoverInit", 0, refused}});
  for (auto [key, direction] : {std::pair{priv, kRsaForward}, {pub, kRsaForward}, {pub, kRsaReverse},
                                {priv, kRsaReverse}})
    EXPECT_EQ(apply(key, direction, in, out), CKR_KEY_FUNCTION_NOT_PERMITTED);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{204, 206, 208, 210}));
  EXPECT_NE(errorEntries()[0].find("0x68"), std::string::npos) << errorEntries()[0];
}

TEST_F(TokenOperations, DigestOnTheCardIsSha1InUpperCaseHex) {
  char hex[41];
  CK_ULONG length = 0;
  ASSERT_EQ(digestOnToken(s, reinterpret_cast<const unsigned char*>("abc"), 3, hex, &length), CKR_OK);
  EXPECT_EQ(length, 20u);
  EXPECT_STREQ(hex, "A9993E364706816ABA3E25717850C26C9CD0D89D");
  EXPECT_EQ(digestOnToken(kNoSession, reinterpret_cast<const unsigned char*>("abc"), 3, hex, &length),
            CKR_SESSION_HANDLE_INVALID);
}

TEST_F(TokenOperations, GeneratedDesKeyAndDesFailures) {
  CK_OBJECT_HANDLE h = CK_INVALID_HANDLE;
  size_t before = allObjects(s).size();
  ASSERT_EQ(generateDesKey(s, "GEN", nullptr, CKK_DES3, &h), CKR_OK);
  // Only the session key remains: the readable intermediate copy is gone.
  EXPECT_EQ(allObjects(s).size(), before + 1);
  std::vector<unsigned char> data = random(16), enc(16), dec(16);
  CK_ULONG n = 16;
  ASSERT_EQ(desCryptOnToken(s, h, kDesEncrypt, data.data(), 16, enc.data(), &n), CKR_OK);
  n = 16;
  ASSERT_EQ(desCryptOnToken(s, h, kDesDecrypt, enc.data(), 16, dec.data(), &n), CKR_OK);
  EXPECT_EQ(dec, data);
  EXPECT_NE(enc, data);

  n = 16;
  EXPECT_EQ(desCryptOnToken(s, h, 7, data.data(), 16, enc.data(), &n), CKR_MECHANISM_INVALID);
  n = 5;
  EXPECT_EQ(desCryptOnToken(s, h, kDesEncrypt, data.data(), 5, enc.data(), &n), CKR_DATA_LEN_RANGE);
  n = 16;
  EXPECT_NE(desCryptOnToken(s, cert, kDesEncrypt, data.data(), 16, enc.data(), &n), CKR_OK);  // no key type
  EXPECT_NE(desCryptOnToken(s, priv, kDesDecrypt, data.data(), 16, enc.data(), &n), CKR_OK);  // RSA key type
  EXPECT_EQ(generateDesKey(s, nullptr, nullptr, CKK_DES3, &h), kNoMatch);
  EXPECT_EQ(generateDesKey(s, "AES", nullptr, CKK_AES, &h), CKR_KEY_TYPE_INCONSISTENT);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{194, 191, 188, 192, 195}));
  CapturedStdout out;
  EXPECT_EQ(generateDesKey(kNoSession, "K", data.data(), CKK_DES2, &h), CKR_SESSION_HANDLE_INVALID);
  EXPECT_EQ(out.take(), "Nelze vytvorit objekt DES klice: b3");
}

TEST_F(TokenOperations, KeyPairIsGeneratedWithItsLabelsAndWorks) {
  CK_OBJECT_HANDLE gpub = CK_INVALID_HANDLE, gpriv = CK_INVALID_HANDLE;
  {
    CapturedStdout out;
    ASSERT_EQ(generateKeyPair(s, 0, &gpub, &gpriv, "GEN", "GEN"), CKR_OK);
    EXPECT_EQ(out.take(), "Provadim generaci paru 512 bitoveho RSA klice:...\n512 bitovy RSA klicovy par vygenerovan\n");
  }
  std::vector<SecureBytes> v;
  ASSERT_EQ(readAttributes(s, gpub, {CKA_MODULUS, CKA_PUBLIC_EXPONENT, CKA_LABEL, CKA_TOKEN}, v), CKR_OK);
  EXPECT_EQ(v[0].size(), 64u);
  EXPECT_EQ(std::vector<unsigned char>(v[1].begin(), v[1].end()), (std::vector<unsigned char>{1, 0, 1}));
  EXPECT_EQ(std::string(v[2].begin(), v[2].end()), "Verejny klic:GEN");
  EXPECT_EQ(v[3][0], CK_TRUE);
  EXPECT_EQ(labelOf(s, gpriv), "Privatni klic:GEN");
  std::vector<unsigned char> data = random(45), sig, rec;
  ASSERT_EQ(apply(gpriv, kRsaForward, data, sig), CKR_OK);
  EXPECT_EQ(sig.size(), 64u);
  ASSERT_EQ(apply(gpub, kRsaReverse, sig, rec), CKR_OK);
  EXPECT_EQ(rec, data);
  EXPECT_TRUE(reportedCodes().empty());

  // The names are checked before the card is asked.
  ModuleSpy spy;
  const std::string priv15(15, 'p'), priv16(16, 'p'), pub16(16, 'q'), pub17(17, 'q');
  EXPECT_EQ(generateKeyPair(s, 1024, &gpub, &gpriv, nullptr, "x"), kNoMatch);
  EXPECT_EQ(generateKeyPair(s, 1024, &gpub, &gpriv, pub17.c_str(), priv16.c_str()), kNoMatch);
  EXPECT_EQ(generateKeyPair(s, 1024, &gpub, &gpriv, pub17.c_str(), priv15.c_str()), kNoMatch);
  EXPECT_EQ(spy.calls("C_GenerateKeyPair"), 0);
  spy.failCalls({{"C_GenerateKeyPair", 0, CKR_MECHANISM_INVALID}});
  CapturedStdout out;
  EXPECT_EQ(generateKeyPair(s, 2048, &gpub, &gpriv, pub16.c_str(), priv15.c_str()), CKR_MECHANISM_INVALID);
  EXPECT_EQ(out.take(), "Provadim generaci paru 2048 bitoveho RSA klice:...\n");
  EXPECT_EQ(reportedCodes(), (std::vector<int>{214, 215, 216, 217}));
}

}  // namespace
}  // namespace quervik::test
