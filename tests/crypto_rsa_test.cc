// The RSA request against the openssl tool: every command round-trips with the tool's own
// encryption, decryption, signing and recovery, and every bad key or input fails visibly.
#include <openssl/rsa.h>

#include "crypto/crypto_errors.h"
#include "crypto/key_files.h"
#include "crypto/rsa.h"
#include "crypto_support.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

class RsaRequests : public CryptoTest {
 protected:
  const KeyMaterial& k = keyMaterial();
};

TEST_F(RsaRequests, BadKeysAndInputsFailWithTheirCodes) {
  std::vector<unsigned char> data = bytesOf(randomText(200));
  std::vector<unsigned char> garbage = {0x30, 0x03, 0x02, 0x01, 0x05};
  const std::string encrypt = "openssl pkeyutl -encrypt -pubin -inkey " + shellQuote(k.otherPubPem);
  std::vector<unsigned char> enc = bytesOf(toolOutput(encrypt, textOf(data).substr(0, 24)));
  ASSERT_EQ(enc.size(), 128u);
  struct Case {
    const char* what;
    int command;
    const void* pub;
    int32_t pubLength;
    const void* priv;
    int32_t privLength;
    const unsigned char* input;
    int32_t inputLength;
    int result;
    std::vector<int> codes;
  };
  const Case cases[] = {
      {"unknown command 2", 2, k.pubPem.c_str(), -1, k.keyPem.c_str(), -1, data.data(), 8, -1, {90001}},
      {"unknown command 99", 99, k.pubPem.c_str(), -1, k.keyPem.c_str(), -1, data.data(), 8, -1, {90001}},
      {"unknown command -1", -1, k.pubPem.c_str(), -1, k.keyPem.c_str(), -1, data.data(), 8, -1, {90001}},
      {"missing public file", 0, "no-such.pem", -1, nullptr, 0, data.data(), 8, -1, {250, 90001}},
      // DER bytes whose text would name an existing PEM file: with a length they are bytes.
      {"DER that spells a file name", 0, k.pubPem.c_str(), int32_t(k.pubPem.size()), nullptr, 0, data.data(), 8, -1,
       {90001}},
      {"certificate where a public key is due", 0, k.certPem.c_str(), -1, nullptr, 0, data.data(), 8, -1, {251, 90001}},
      {"garbage DER public key", 0, garbage.data(), 5, nullptr, 0, data.data(), 8, -1, {90001}},
      {"garbage DER certificate", 4, garbage.data(), 5, nullptr, 0, data.data(), 8, -1, {90001}},
      {"garbage DER private key", 1, nullptr, 0, garbage.data(), 5, enc.data(), 128, -1, {90001}},
      {"no private key named", 12, nullptr, 0, nullptr, 0, data.data(), 8, -1, {244, 90001}},
      {"EC public key", 0, k.ecPubPem.c_str(), -1, nullptr, 0, data.data(), 8, -2, {90002}},
      {"EC certificate", 5, k.ecCertPem.c_str(), -1, nullptr, 0, data.data(), 128, -2, {90002}},
      {"EC private key", 12, nullptr, 0, k.ecKeyPem.c_str(), -1, data.data(), 8, -2, {90002}},
      {"encryption input too long", 0, k.pubPem.c_str(), -1, nullptr, 0, data.data(), 118, -3, {90003}},
      {"signature input too long", 12, nullptr, 0, k.keyPem.c_str(), -1, data.data(), 118, -3, {90003}},
      {"decryption with the wrong key", 1, nullptr, 0, k.keyPem.c_str(), -1, enc.data(), 128, -3, {90003}},
      {"recovery of something unsigned", 3, k.pubPem.c_str(), -1, nullptr, 0, data.data(), 128, -3, {90003}},
      {"block shorter than the key", 5, k.certPem.c_str(), -1, nullptr, 0, data.data(), 127, -3, {90003}},
      {"negative input length", 0, k.pubPem.c_str(), -1, nullptr, 0, data.data(), -4, -3, {90003}},
      {"no input bytes", 0, k.pubPem.c_str(), -1, nullptr, 0, nullptr, 4, -3, {90003}},
  };
  for (const Case& c : cases) {
    clearErrors();
    RsaRequest r;
    r.publicSource = c.pub;
    r.publicLength = c.pubLength;
    r.privateSource = c.priv;
    r.privateLength = c.privLength;
    r.input = c.input;
    r.inputLength = c.inputLength;
    EXPECT_EQ(performRsaRequest(r, c.command), c.result) << c.what;
    EXPECT_EQ(reportedCodes(), c.codes) << c.what;
    EXPECT_TRUE(r.output.empty()) << c.what;
    EXPECT_EQ(r.outputLength, 0) << c.what;
  }
  // The library's text of the last failure is kept for the drivers that print it.
  EXPECT_NE(lastCryptoErrorText(), "");
}

// Whether a raw RSA block holds valid PKCS#1 v1.5 encryption padding: 00 02, at least eight
// non-zero bytes, a zero byte.
bool validEncryptionPadding(const std::vector<unsigned char>& m) {
  if (m.size() < 11 || m[0] != 0 || m[1] != 2) return false;
  size_t i = 2;
  while (i < m.size() && m[i] != 0) ++i;
  return i < m.size() && i >= 10;
}

TEST_F(RsaRequests, WrongKeyDecryptionNeverYieldsBytes) {
  // Ciphertexts for another key: PKCS#1 v1.5 decryption must refuse every block whose padding
  // is not valid, instead of answering with made-up bytes. The raw decryption (no padding)
  // tells which blocks are valid: about one random block in 190,000 is.
  EvpPkeyPtr key = readPrivateKeyPem(k.keyPem.c_str(), kPemFormat, nullptr);
  ASSERT_TRUE(key);
  EvpPkeyCtxPtr raw(EVP_PKEY_CTX_new_from_pkey(nullptr, key.get(), nullptr));
  ASSERT_EQ(EVP_PKEY_decrypt_init(raw.get()), 1);
  ASSERT_EQ(EVP_PKEY_CTX_set_rsa_padding(raw.get(), RSA_NO_PADDING), 1);

  RsaRequest r;
  r.privateSource = k.keyPem.c_str();
  r.privateLength = -1;
  int refused = 0;
  for (int i = 0; i < 200; ++i) {
    std::vector<unsigned char> c = bytesOf(randomText(128));
    c[0] = 0;  // below the modulus
    std::vector<unsigned char> m(128);
    size_t mLength = m.size();
    ASSERT_EQ(EVP_PKEY_decrypt(raw.get(), m.data(), &mLength, c.data(), c.size()), 1);
    m.resize(mLength);
    m.insert(m.begin(), 128 - m.size(), 0);
    r.input = c.data();
    r.inputLength = 128;
    const bool accepted = performRsaRequest(r, kRsaPrivateDecrypt) == 0;
    EXPECT_EQ(accepted, validEncryptionPadding(m)) << "block " << i;
    if (!accepted) ++refused;
  }
  EXPECT_GE(refused, 195);
  clearErrors();
}

}  // namespace
}  // namespace quervik::test
