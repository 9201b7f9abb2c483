// Key and certificate files: the PEM readers and their codes, DER parsing, the public-key and
// certificate writers, the DN text of a certificate, and the password callback (a given
// password is handed over, cut at the buffer; the console dialogue asks again for empty lines
// and failed verifications, and ends with the input), with the openssl tool as the oracle.
#include <algorithm>
#include <functional>

#include "crypto/certificate.h"
#include "crypto/key_files.h"
#include "crypto/password.h"
#include "crypto_support.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

using KeyFiles = CryptoTest;

TEST_F(KeyFiles, ReadersReportEachFailure) {
  const KeyMaterial& k = keyMaterial();
  std::string missing = tmp / "missing.pem", dir = tmp.path().string();
  std::string garbage =
      put("garbage.pem", "-----BEGIN CERTIFICATE-----\nnot base64 at all\n-----END CERTIFICATE-----\n");
  const std::string certText = readFile(k.certPem), keyText = readFile(k.keyPem);
  std::string truncated = put("truncated.pem", certText.substr(0, certText.size() / 2));
  std::string truncatedKey = put("truncated_key.pem", keyText.substr(0, keyText.size() - 40));

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
      {"certificate, directory", cert(dir.c_str()), 242},
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

TEST_F(KeyFiles, PublicKeyWriterPrintsTheFailingStep) {
  std::vector<unsigned char> n = rsaModulusOf(keyMaterial().pubPem), e = rsaExponentOf(keyMaterial().pubPem);
  std::string noDir = tmp / "no/such/dir/key.pem";
  CapturedStdout out;
  EXPECT_EQ(writeRsaPublicKeyPem(n.data(), 0, e.data(), int(e.size()), (tmp / "a.pem").c_str()), -1);
  EXPECT_EQ(writeRsaPublicKeyPem(n.data(), int(n.size()), nullptr, 3, (tmp / "b.pem").c_str()), -1);
  EXPECT_EQ(writeRsaPublicKeyPem(n.data(), int(n.size()), e.data(), int(e.size()), noDir.c_str()), -1);
  EXPECT_EQ(writeRsaPublicKeyPem(n.data(), int(n.size()), e.data(), int(e.size()), nullptr), -1);
  EXPECT_EQ(writeRsaPublicKeyPem(n.data(), int(n.size()), e.data(), int(e.size()), (tmp / "c.pem").c_str()), 0);
  EXPECT_EQ(out.take(), "Chyba:-101\nChyba:-101\nChyba:-103\nChyba:-103\n");
  EXPECT_FALSE(fs::exists(tmp / "a.pem"));
  // A device that refuses the bytes (a private "full" node) fails the write and is not removed.
  const std::string full = tmp / "full";
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no device nodes";
#endif
  if (std::system(("mknod " + shellQuote(full) + " c 1 7 2>/dev/null").c_str()) != 0) GTEST_SKIP() << "no mknod";
  X509Ptr certificate = readCertificatePem(keyMaterial().certPem.c_str(), kPemFormat);
  EXPECT_EQ(writeCertificatePem(certificate.get(), full.c_str()), -1);
  CapturedStdout step;
  EXPECT_EQ(writeRsaPublicKeyPem(n.data(), int(n.size()), e.data(), int(e.size()), full.c_str()), -1);
  EXPECT_EQ(step.take(), "Chyba:-104\n");
  EXPECT_TRUE(fs::is_character_file(full));
  EXPECT_EQ(readFile(tmp / "c.pem"), readFile(keyMaterial().pubPem));
}

TEST_F(KeyFiles, DnTextIsCutAtItsLimit) {
  // Each entry value may be at most 64 characters, so the long text is made of many entries.
  std::string subject;
  for (int i = 0; i < 20; ++i) subject += "/OU=" + std::string(60, char('a' + i));
  std::string file = tmp / "dn.pem";
  runToolOk("openssl req -x509 -new -key " + shellQuote(keyMaterial().keyPem) + " -subj " + shellQuote(subject) +
            " -days 30 -out " + shellQuote(file));
  X509Ptr cert = readCertificatePem(file.c_str(), kPemFormat);
  ASSERT_TRUE(cert);
  std::string text = certificateDnText(cert.get());
  EXPECT_EQ(text.size(), kMaxDnText);
  EXPECT_EQ(text.substr(0, 64), "OU=" + std::string(60, 't') + ",");
}

TEST_F(KeyFiles, GivenPasswordIsHandedOverAndCutAtTheBuffer) {
  PasswordRequest request{"abcdefgh", nullptr};
  char buffer[16];
  CapturedStdout out;
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 0, &request), 8);
  EXPECT_EQ(std::string(buffer, 8), "abcdefgh");
  EXPECT_EQ(readPassword(buffer, 5, 1, &request), 5);
  EXPECT_EQ(std::string(buffer, 5), "abcde");
  PasswordRequest empty{"", " x:"};
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 0, &empty), 0);
  EXPECT_EQ(out.take(), "");
}

// The console: a failed verification starts over, a long line is cut and its rest does not
// answer the next question, and the end of the input fails instead of asking forever.
TEST_F(KeyFiles, ConsolePasswordDialogue) {
  const std::string longLine = std::string(40, 'a') + "\n";
  struct Case {
    std::string answers;
    int verify;
    int size;
    const char* prompt;
    int result;
    const char* password;
    const char* printed;  // not compared when null
  } cases[] = {
      {"prvni\ndruhe\ntreti\ntreti\n", 1, 32, " heslo klice:", 5, "treti",
       "Zadejte heslo klice:Opakujte heslo klice:Neplatna verifikace hesla - opakujte zadani hesla\n"
       "Zadejte heslo klice:Opakujte heslo klice:"},
      {longLine + longLine, 1, 8, nullptr, 7, "aaaaaaa", "Zadejte heslo:Opakujte heslo:"},
      {"", 0, 32, nullptr, -1, "", nullptr},
      {"\n\r\n", 0, 32, nullptr, -1, "", nullptr},  // only empty lines, then the end
      {"jedno\n", 1, 32, nullptr, -1, "", nullptr},   // the verification line never comes
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answers);
    FILE* in = std::fopen(put("answers", c.answers).c_str(), "rb");
    ASSERT_TRUE(in);
    setPasswordInput(in);
    char buffer[32];
    PasswordRequest request{nullptr, c.prompt};
    CapturedStdout out;
    EXPECT_EQ(readPassword(buffer, c.size, c.verify, c.prompt ? &request : nullptr), c.result);
    EXPECT_EQ(std::string(buffer, size_t(std::max(c.result, 0))), c.password);
    if (c.printed) {
      EXPECT_EQ(out.take(), c.printed);
    }
    setPasswordInput(nullptr);
    std::fclose(in);
  }
}

}  // namespace
}  // namespace quervik::test
