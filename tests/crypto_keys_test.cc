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

TEST_F(KeyFiles, ReadersReportEachFailure) {
  const KeyMaterial& k = keyMaterial();
  std::string missing = tmp / "missing.pem";
  std::string garbage =
      put("garbage.pem", "-----BEGIN CERTIFICATE-----\nnot base64 at all\n-----END CERTIFICATE-----\n");
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

TEST_F(KeyFiles, ConsoleAsksAgainForEmptyLinesAndStopsAtEndOfInput) {
  std::string answers = put("answers", std::string("\n\r\n") + kKeyPassword + "\r\n");
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

X509Ptr certificateWithSubject(const TempDir& tmp, const std::string& subject) {
  std::string file = tmp / "dn.pem";
  runToolOk("openssl req -x509 -new -key " + shellQuote(keyMaterial().keyPem) + " -subj " + shellQuote(subject) +
            " -days 30 -out " + shellQuote(file));
  return readCertificatePem(file.c_str(), kPemFormat);
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

}  // namespace
}  // namespace quervik::test
