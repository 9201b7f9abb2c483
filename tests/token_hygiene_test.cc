// Key hygiene: a run through the card and key-file operations, failures included, with every
// output captured (standard output and error, the error list and error file, the global and
// auxiliary logs, the library's last error text), and none of them holds a PIN, a password or
// a byte of secret key material.
#include <openssl/core_names.h>
#include <openssl/rand.h>

#include <cstring>

#include "card_fixture.h"
#include "crypto/crypto_errors.h"
#include "crypto/hex.h"
#include "crypto/key_files.h"
#include "crypto/password.h"
#include "crypto/rsa.h"
#include "runtime/logs.h"
#include "runtime/report.h"
#include "token/objects.h"
#include "token/operations.h"
#include "token/session.h"

namespace quervik::test {
namespace {

using KeyHygiene = CardTest;

TEST_F(KeyHygiene, NoSecretReachesAnyOutputOrLog) {
  const char* kWrongPin = "Wrong-Pin-Zz9";
  const char* kWrongPassword = "Spatne-Heslo-55";
  const char* kConsolePassword = "Konzole-Heslo-31";
  std::vector<unsigned char> sessionKey(24), desKey(24);
  ASSERT_EQ(RAND_bytes(sessionKey.data(), 24), 1);
  ASSERT_EQ(RAND_bytes(desKey.data(), 24), 1);

  std::string globalLog = tmp / "global.log", errorFile = tmp / "errors.txt", answers = tmp / "answers";
  std::string auxiliaryLog = tmp / "auxiliary.log";
  ASSERT_EQ(openGlobalLog(globalLog.c_str()), 0);
  FILE* auxiliary = std::fopen(auxiliaryLog.c_str(), "wb");
  ASSERT_TRUE(auxiliary);
  setAuxiliaryLog(auxiliary);
  writeFile(answers, std::string(kConsolePassword) + "\n");
  FILE* console = std::fopen(answers.c_str(), "rb");
  ASSERT_TRUE(console);
  setPasswordInput(console);

  ::testing::internal::CaptureStderr();
  CapturedStdout out;
  // The card: a refused PIN, then the work of a protection run and its failures.
  EXPECT_EQ(openToken(kWrongPin, slot()), -2);
  CK_SESSION_HANDLE s = openUserSession();
  CK_OBJECT_HANDLE cert = CK_INVALID_HANDLE, priv = CK_INVALID_HANDLE, des = CK_INVALID_HANDLE;
  ASSERT_EQ(findCertificateByDn(s, &cert, "abc", nullptr, 0), CKR_OK);
  ASSERT_EQ(findPrivateKeyById(s, cert, &priv), CKR_OK);
  RsaRequest wrap;
  wrap.publicSource = keyMaterial().pubPem.c_str();
  wrap.publicLength = -1;
  wrap.input = sessionKey.data();
  wrap.inputLength = 24;
  ASSERT_EQ(performRsaRequest(wrap, kRsaPublicEncrypt), 0);
  unsigned char unwrapped[24];
  CK_ULONG length = sizeof unwrapped;
  ASSERT_EQ(applyRsaKey(s, priv, kRsaReverse, wrap.output.data(), 128, unwrapped, &length), CKR_OK);
  EXPECT_EQ(std::memcmp(unwrapped, sessionKey.data(), 24), 0);
  length = 10;
  EXPECT_EQ(applyRsaKey(s, priv, kRsaReverse, wrap.output.data(), 128, unwrapped, &length), CKR_BUFFER_TOO_SMALL);
  ASSERT_EQ(generateDesKey(s, "K", desKey.data(), CKK_DES3, &des), CKR_OK);
  unsigned char block[8] = {1, 2, 3, 4, 5, 6, 7, 8}, enc[8];
  length = 8;
  EXPECT_EQ(desCryptOnToken(s, des, kDesEncrypt, block, 8, enc, &length), CKR_OK);
  length = 8;
  EXPECT_NE(desCryptOnToken(s, des, 3, block, 8, enc, &length), CKR_OK);
  EXPECT_EQ(printTokenInfo(slot()), CKR_OK);
  closeToken();

  // Key files: the given password, a wrong one, the console, and RSA requests that fail.
  setErrorFile(errorFile.c_str());
  EXPECT_TRUE(readPrivateKeyPem(keyMaterial().keyEncPem.c_str(), kPemFormat, kKeyPassword));
  EXPECT_FALSE(readPrivateKeyPem(keyMaterial().keyEncPem.c_str(), kPemFormat, kWrongPassword));
  EXPECT_FALSE(readPrivateKeyPem(keyMaterial().keyTradEncPem.c_str(), kPemFormat, nullptr));  // console, wrong
  RsaRequest unwrap;
  unwrap.privateSource = keyMaterial().keyTradEncPem.c_str();
  unwrap.privateLength = -1;
  unwrap.password = kKeyPassword;
  unwrap.input = wrap.output.data();
  unwrap.inputLength = 127;
  EXPECT_EQ(performRsaRequest(unwrap, kRsaPrivateDecrypt), -3);
  unwrap.inputLength = 128;
  ASSERT_EQ(performRsaRequest(unwrap, kRsaPrivateDecrypt), 0);
  unwrap.password = kWrongPassword;
  EXPECT_EQ(performRsaRequest(unwrap, kRsaPrivateSign), -1);
  closeErrorFile();

  std::string printed = out.take();
  std::string errors = ::testing::internal::GetCapturedStderr();
  closeGlobalLog();
  setPasswordInput(nullptr);
  std::fclose(console);
  closeAuxiliaryLog(auxiliary);

  const std::pair<const char*, std::string> outputs[] = {
      {"standard output", printed},
      {"standard error", errors},
      {"error list", [] {
         std::string all;
         for (const std::string& e : errorEntries()) all += e;
         return all;
       }()},
      {"error file", readFile(errorFile)},
      {"global log", readFile(globalLog)},
      {"auxiliary log", readFile(auxiliaryLog)},
      {"last library error", lastCryptoErrorText()},
  };
  // Something was written to every place but standard error, so the search searched something.
  for (const auto& [where, text] : outputs)
    EXPECT_TRUE(!text.empty() || std::string(where) == "standard error") << where;

  std::vector<std::string> secrets = {kUserPin, kSoPin, kWrongPin, kKeyPassword, kWrongPassword, kConsolePassword};
  EvpPkeyPtr rsa = readPrivateKeyPem(keyMaterial().keyPem.c_str(), kPemFormat, nullptr);
  for (const std::vector<unsigned char>& key : {sessionKey, desKey, rsaParamOf(rsa.get(), OSSL_PKEY_PARAM_RSA_D),
                                                rsaParamOf(rsa.get(), OSSL_PKEY_PARAM_RSA_FACTOR1)}) {
    // Eight bytes from the middle are enough to show any part of the key.
    std::vector<unsigned char> middle(key.begin() + 8, key.begin() + 16);
    secrets.push_back(hexUpper(middle));
    secrets.push_back(hexLower(middle));
    secrets.push_back(textOf(middle));
  }
  for (const auto& [where, text] : outputs)
    for (const std::string& secret : secrets)
      EXPECT_EQ(text.find(secret), std::string::npos) << where << " holds a secret";
}

}  // namespace
}  // namespace quervik::test
