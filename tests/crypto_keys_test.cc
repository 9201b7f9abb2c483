// Key and certificate files: the PEM readers and their codes, DER parsing, the public-key and
// certificate writers, the DN text of a certificate and the hexadecimal helpers, with the
// openssl tool as the oracle.
#include <openssl/pem.h>

#include <cstring>
#include <functional>

#include "crypto/certificate.h"
#include "crypto/hex.h"
#include "crypto/key_files.h"
#include "crypto/password.h"
#include "crypto_support.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

using KeyFiles = CryptoTest;

EvpPkeyPtr derPublicKey() {
  std::string der = readFile(keyMaterial().pubDer);
  return parsePublicKeyDer(reinterpret_cast<const unsigned char*>(der.data()), der.size());
}

TEST_F(KeyFiles, ReadersLoadWhatTheToolWrote) {
  const KeyMaterial& k = keyMaterial();
  EvpPkeyPtr reference = derPublicKey();
  ASSERT_TRUE(reference);

  X509Ptr cert = readCertificatePem(k.certPem.c_str(), kPemFormat);
  ASSERT_TRUE(cert);
  EXPECT_EQ(EVP_PKEY_eq(X509_get0_pubkey(cert.get()), reference.get()), 1);
  for (const std::string& file : {k.pubPem, k.pubRsaPem}) {
    EvpPkeyPtr pub = readPublicKeyPem(file.c_str(), kPemFormat);
    ASSERT_TRUE(pub) << file;
    EXPECT_EQ(EVP_PKEY_eq(pub.get(), reference.get()), 1) << file;
  }
  // Plain and both encrypted forms; the given password is used and the console never asked.
  CapturedStdout out;
  for (const std::string& file : {k.keyPem, k.keyEncPem, k.keyTradEncPem}) {
    EvpPkeyPtr key = readPrivateKeyPem(file.c_str(), kPemFormat, kKeyPassword);
    ASSERT_TRUE(key) << file;
    EXPECT_EQ(EVP_PKEY_eq(key.get(), reference.get()), 1) << file;
  }
  EXPECT_EQ(out.take(), "");
  for (const std::string& file : {k.keyPkcs1Der, k.keyPkcs8Der}) {
    std::string der = readFile(file);
    EvpPkeyPtr key = parsePrivateKeyDer(reinterpret_cast<const unsigned char*>(der.data()), der.size());
    ASSERT_TRUE(key) << file;
    EXPECT_EQ(EVP_PKEY_eq(key.get(), reference.get()), 1) << file;
  }
  std::string certDer = readFile(k.certDer);
  X509Ptr parsed = parseCertificateDer(reinterpret_cast<const unsigned char*>(certDer.data()), certDer.size());
  ASSERT_TRUE(parsed);
  EXPECT_EQ(X509_cmp(parsed.get(), cert.get()), 0);
  EXPECT_TRUE(reportedCodes().empty());
}

TEST_F(KeyFiles, ReadersReportEachFailure) {
  const KeyMaterial& k = keyMaterial();
  std::string missing = tmp / "missing.pem";
  std::string garbage = tmp / "garbage.pem";
  writeFile(garbage, "-----BEGIN CERTIFICATE-----\nnot base64 at all\n-----END CERTIFICATE-----\n");
  std::string truncated = tmp / "truncated.pem";
  std::string certText = readFile(k.certPem);
  writeFile(truncated, certText.substr(0, certText.size() / 2));
  std::string truncatedKey = tmp / "truncated_key.pem";
  std::string keyText = readFile(k.keyPem);
  writeFile(truncatedKey, keyText.substr(0, keyText.size() - 40));

  struct Case {
    const char* what;
    std::function<bool()> read;  // true when something was read
    int code;
  };
  auto cert = [](const char* f, int format = kPemFormat) { return [=] { return !!readCertificatePem(f, format); }; };
  auto priv = [](const char* f) { return [=] { return !!readPrivateKeyPem(f, kPemFormat, kKeyPassword); }; };
  auto pub = [](const char* f) { return [=] { return !!readPublicKeyPem(f, kPemFormat); }; };
  const Case cases[] = {
      {"certificate, no name", cert(nullptr), 240},
      {"certificate, missing file", cert(missing.c_str()), 242},
      {"certificate, directory", cert(tmp.path().c_str()), 242},
      {"certificate, garbage", cert(garbage.c_str()), 243},
      {"certificate, truncated", cert(truncated.c_str()), 243},
      {"certificate, other format", cert(k.certPem.c_str(), 1), 243},
      {"certificate, key file", cert(k.keyPem.c_str()), 243},
      {"private key, no name", priv(nullptr), 244},
      {"private key, missing file", priv(missing.c_str()), 246},
      {"private key, certificate file", priv(k.certPem.c_str()), 247},
      {"private key, truncated", priv(truncatedKey.c_str()), 247},
      {"public key, no name", pub(nullptr), 248},
      {"public key, missing file", pub(missing.c_str()), 250},
      {"public key, certificate file", pub(k.certPem.c_str()), 251},
      {"public key, private key file", pub(k.keyPem.c_str()), 251},
  };
  for (const Case& c : cases) {
    clearErrors();
    EXPECT_FALSE(c.read()) << c.what;
    EXPECT_EQ(reportedCodes(), std::vector<int>{c.code}) << c.what;
  }
}

TEST_F(KeyFiles, EncryptedKeyWithWrongPasswordFailsWithoutPrompt) {
  CapturedStdout out;
  EXPECT_FALSE(readPrivateKeyPem(keyMaterial().keyEncPem.c_str(), kPemFormat, "spatne heslo"));
  EXPECT_FALSE(readPrivateKeyPem(keyMaterial().keyTradEncPem.c_str(), kPemFormat, "spatne heslo"));
  EXPECT_EQ(out.take(), "");
  EXPECT_EQ(reportedCodes(), (std::vector<int>{247, 247}));
}

TEST_F(KeyFiles, ConsoleAsksAgainForEmptyLinesAndStopsAtEndOfInput) {
  std::string answers = tmp / "answers";
  writeFile(answers, std::string("\n\r\n") + kKeyPassword + "\r\n");
  FILE* in = std::fopen(answers.c_str(), "rb");
  ASSERT_TRUE(in);
  setPasswordInput(in);
  CapturedStdout out;
  EXPECT_TRUE(readPrivateKeyPem(keyMaterial().keyEncPem.c_str(), kPemFormat, nullptr));
  EXPECT_EQ(out.take(), "Zadejte heslo klice:Zadejte heslo klice:Zadejte heslo klice:");
  // The input is used up now: the next key fails instead of asking forever.
  CapturedStdout more;
  EXPECT_FALSE(readPrivateKeyPem(keyMaterial().keyTradEncPem.c_str(), kPemFormat, nullptr));
  more.take();
  setPasswordInput(nullptr);
  std::fclose(in);
  EXPECT_EQ(reportedCodes(), std::vector<int>{247});
}

TEST_F(KeyFiles, ClosedStandardInputFailsTheKey) {
  std::string file = keyMaterial().keyEncPem;
  EXPECT_EXIT(
      {
        std::fclose(stdin);
        if (!std::freopen("/dev/null", "w", stdout)) std::_Exit(2);
        EvpPkeyPtr key = readPrivateKeyPem(file.c_str(), kPemFormat, nullptr);
        std::_Exit(!key && reportedCodes() == std::vector<int>{247} ? 7 : 1);
      },
      ::testing::ExitedWithCode(7), "");
}

TEST_F(KeyFiles, DerParsersRefuseGarbageQuietly) {
  const unsigned char garbage[] = {0x30, 0x82, 0x10, 0x00, 0x02, 0x01, 0x00, 0xFF};
  std::string certDer = readFile(keyMaterial().certDer);
  const auto* cert = reinterpret_cast<const unsigned char*>(certDer.data());
  EXPECT_FALSE(parseCertificateDer(garbage, sizeof garbage));
  EXPECT_FALSE(parseCertificateDer(cert, certDer.size() - 1));
  EXPECT_FALSE(parseCertificateDer(nullptr, 10));
  EXPECT_FALSE(parsePublicKeyDer(garbage, sizeof garbage));
  EXPECT_FALSE(parsePublicKeyDer(cert, certDer.size()));
  EXPECT_FALSE(parsePrivateKeyDer(garbage, sizeof garbage));
  EXPECT_FALSE(parsePrivateKeyDer(cert, certDer.size()));
  EXPECT_TRUE(reportedCodes().empty());
}

TEST_F(KeyFiles, PublicKeyWrittenFromItsPartsIsTheSameKey) {
  const KeyMaterial& k = keyMaterial();
  std::vector<unsigned char> n = rsaModulusOf(k.pubPem), e = rsaExponentOf(k.pubPem);
  ASSERT_EQ(n.size(), 128u);
  std::string out = tmp / "exported.pem";
  EXPECT_EQ(writeRsaPublicKeyPem(n.data(), int(n.size()), e.data(), int(e.size()), out.c_str()), 0);
  std::string der = tmp / "exported.der";
  runToolOk("openssl pkey -pubin -in " + shellQuote(out) + " -outform DER -out " + shellQuote(der));
  EXPECT_EQ(readFile(der), readFile(k.pubDer));
}

TEST_F(KeyFiles, PublicKeyWriterPrintsTheFailingStep) {
  std::vector<unsigned char> n = rsaModulusOf(keyMaterial().pubPem), e = rsaExponentOf(keyMaterial().pubPem);
  std::string noDir = tmp / "no/such/dir/key.pem";
  CapturedStdout out;
  EXPECT_EQ(writeRsaPublicKeyPem(n.data(), 0, e.data(), int(e.size()), (tmp / "a.pem").c_str()), -1);
  EXPECT_EQ(writeRsaPublicKeyPem(n.data(), int(n.size()), nullptr, 3, (tmp / "b.pem").c_str()), -1);
  EXPECT_EQ(writeRsaPublicKeyPem(n.data(), int(n.size()), e.data(), int(e.size()), noDir.c_str()), -1);
  EXPECT_EQ(writeRsaPublicKeyPem(n.data(), int(n.size()), e.data(), int(e.size()), nullptr), -1);
  EXPECT_EQ(out.take(), "Chyba:-101\nChyba:-101\nChyba:-103\nChyba:-103\n");
  EXPECT_FALSE(fs::exists(tmp / "a.pem"));
}

TEST_F(KeyFiles, CertificateWrittenAsPemIsTheSameCertificate) {
  X509Ptr cert = readCertificatePem(keyMaterial().certPem.c_str(), kPemFormat);
  ASSERT_TRUE(cert);
  std::string out = tmp / "cert.pem", der = tmp / "cert.der";
  EXPECT_EQ(writeCertificatePem(cert.get(), out.c_str()), 0);
  runToolOk("openssl x509 -in " + shellQuote(out) + " -outform DER -out " + shellQuote(der));
  EXPECT_EQ(readFile(der), readFile(keyMaterial().certDer));
  EXPECT_EQ(writeCertificatePem(cert.get(), (tmp / "no/dir/c.pem").c_str()), -1);
  EXPECT_EQ(writeCertificatePem(nullptr, out.c_str()), -1);
}

X509Ptr certificateWithSubject(const TempDir& tmp, const std::string& subject) {
  std::string file = tmp / "dn.pem";
  runToolOk("openssl req -x509 -new -key " + shellQuote(keyMaterial().keyPem) + " -subj " + shellQuote(subject) +
            " -days 30 -out " + shellQuote(file));
  return readCertificatePem(file.c_str(), kPemFormat);
}

TEST_F(KeyFiles, DnTextRunsFromTheLastEntryAndLeavesOutEmail) {
  X509Ptr standard = readCertificatePem(keyMaterial().certPem.c_str(), kPemFormat);
  EXPECT_EQ(certificateDnText(standard.get()), "CN=ABC Nemocnice,O=Nemocnice Test,C=CZ");
  X509Ptr mailInside = certificateWithSubject(tmp, "/C=CZ/emailAddress=a@b.cz/CN=Jan Novak");
  EXPECT_EQ(certificateDnText(mailInside.get()), "CN=Jan Novak,C=CZ");
  X509Ptr mailFirst = certificateWithSubject(tmp, "/emailAddress=a@b.cz/O=Org/CN=Jan");
  EXPECT_EQ(certificateDnText(mailFirst.get()), "CN=Jan,O=Org,");
  X509Ptr lengthy = certificateWithSubject(tmp, "/O=" + std::string(60, 'o') + "/OU=" + std::string(60, 'u') +
                                                    "/CN=" + std::string(60, 'c'));
  EXPECT_EQ(certificateDnText(lengthy.get()),
            "CN=" + std::string(60, 'c') + ",OU=" + std::string(60, 'u') + ",O=" + std::string(60, 'o'));
  EXPECT_EQ(certificateDnText(nullptr), "");
}

TEST_F(KeyFiles, DnTextIsCutAtItsLimit) {
  // Each entry value may be at most 64 characters, so the long text is made of many entries.
  std::string subject;
  for (int i = 0; i < 20; ++i) subject += "/OU=" + std::string(60, char('a' + i));
  X509Ptr cert = certificateWithSubject(tmp, subject);
  ASSERT_TRUE(cert);
  std::string text = certificateDnText(cert.get());
  EXPECT_EQ(text.size(), kMaxDnText);
  EXPECT_EQ(text.substr(0, 64), "OU=" + std::string(60, 't') + ",");
}

TEST(CertificateMatch, PatternIsFoundInAnyLetterCase) {
  EXPECT_TRUE(containsIgnoringCase("CN=ABC Nemocnice,O=Test,C=CZ", "abc"));
  EXPECT_TRUE(containsIgnoringCase("CN=ABC Nemocnice,O=Test,C=CZ", "o=TEST,c"));
  EXPECT_TRUE(containsIgnoringCase("CN=ABC", ""));
  EXPECT_TRUE(containsIgnoringCase("", ""));
  EXPECT_FALSE(containsIgnoringCase("CN=ABC", "abcd"));
  EXPECT_FALSE(containsIgnoringCase("", "a"));
  // Only ASCII letters fold: '@' and '`' sit next to 'A' and 'a' and stay different.
  EXPECT_FALSE(containsIgnoringCase("x@y", "x`y"));
}

TEST(Hex, BothCasesTwoCharactersPerByte) {
  const unsigned char bytes[] = {0x00, 0x0F, 0xA9, 0xFF, 0x3E};
  EXPECT_EQ(hexUpper(bytes), "000FA9FF3E");
  EXPECT_EQ(hexLower(bytes), "000fa9ff3e");
  char out[11];
  std::memset(out, 'x', sizeof out);
  toHexUpper(bytes, 5, out);
  EXPECT_STREQ(out, "000FA9FF3E");
  toHexLower(bytes, 0, out);
  EXPECT_STREQ(out, "");
}

}  // namespace
}  // namespace quervik::test
