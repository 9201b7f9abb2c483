// Key and certificate files: the PEM readers and their codes, DER parsing, the public-key and
// certificate writers, the DN text of a certificate, and the password callback (a given
// password is handed over, cut at the buffer; the console dialogue asks again for empty lines
// and failed verifications, and ends with the input), with the openssl tool as the oracle.
#include <openssl/pem.h>

#include <cstring>
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

class Password : public CryptoTest {
 protected:
  // Sets the console answers; the stream stays open until the test ends.
  void answers(const std::string& text) {
    std::string file = put("answers", text);
    in_ = std::fopen(file.c_str(), "rb");
    ASSERT_TRUE(in_);
    setPasswordInput(in_);
  }
  void TearDown() override {
    setPasswordInput(nullptr);
    if (in_) std::fclose(in_);
    CryptoTest::TearDown();
  }
  FILE* in_ = nullptr;
};

TEST_F(Password, GivenPasswordIsHandedOverAndCutAtTheBuffer) {
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

TEST_F(Password, VerificationStartsOverUntilBothLinesAgree) {
  answers("prvni\ndruhe\ntreti\ntreti\n");
  char buffer[32];
  PasswordRequest request{nullptr, " heslo klice:"};
  CapturedStdout out;
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 1, &request), 5);
  EXPECT_EQ(std::string(buffer, 5), "treti");
  EXPECT_EQ(out.take(),
            "Zadejte heslo klice:Opakujte heslo klice:Neplatna verifikace hesla - opakujte zadani hesla\n"
            "Zadejte heslo klice:Opakujte heslo klice:");
}

TEST_F(Password, EndOfInputFailsInsteadOfAskingForever) {
  char buffer[32];
  CapturedStdout out;
  answers("");
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 0, nullptr), -1);
  std::fclose(in_);
  answers("\n\r\n");  // only empty lines, then the end
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 0, nullptr), -1);
  std::fclose(in_);
  answers("jedno\n");  // the verification line never comes
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 1, nullptr), -1);
  out.take();
}

TEST_F(Password, LongLineIsCutAndItsRestDoesNotAnswerTheNextQuestion) {
  answers(std::string(40, 'a') + "\n" + std::string(40, 'a') + "\n");
  char buffer[8];
  CapturedStdout out;
  EXPECT_EQ(readPassword(buffer, sizeof buffer, 1, nullptr), 7);
  EXPECT_EQ(std::string(buffer, 7), "aaaaaaa");
  EXPECT_EQ(out.take(), "Zadejte heslo:Opakujte heslo:");
}

}  // namespace
}  // namespace quervik::test
