// Test helpers for the OpenSSL glue and the card: key material made once per test run with
// the openssl command-line tool (the independent oracle for every crypto result), a runner for
// command-line tools, and a fixture that fails a test when a glue call leaves errors queued.
#pragma once
#include <openssl/evp.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace quervik::test {

// Runs a command line (runTool, test_support.h) and fails the test (ADD_FAILURE with the output) unless it exits 0.
std::string runToolOk(const std::string& command);
// A directory the key material and tool files of the whole test binary share.
TempDir& scratch();
// The command (an openssl tool line) run as "COMMAND -in FILE -out FILE" on the bytes; the
// output file's bytes. A failing command fails the test.
std::string toolOutput(const std::string& command, const std::string& input);
// Bytes from OpenSSL's generator, as text.
std::string randomText(size_t n);

// The password of the encrypted key files and the card PINs of the fixtures: distinctive
// texts, so a search of captured outputs finds nothing by chance.
inline constexpr const char* kKeyPassword = "Klic-Heslo-7391";

// Files made once per run in a directory that lives as long as the test binary.
struct KeyMaterial {
  // The hospital's 1024-bit RSA key pair and its self-signed certificate.
  std::string keyPem;          // PKCS#8 "PRIVATE KEY"
  std::string keyEncPem;       // PKCS#8 encrypted with kKeyPassword
  std::string keyTradEncPem;   // traditional RSA PEM, DES3 with kKeyPassword
  std::string keyPkcs1Der;     // PKCS#1 DER
  std::string pubPem;          // "PUBLIC KEY"
  std::string pubDer;          // SubjectPublicKeyInfo DER
  std::string certPem;         // subject C=CZ, O=Nemocnice Test, CN=ABC Nemocnice, serial 0x0123ABCD
  std::string certDer;
  // A second RSA key pair with its certificate (the receiving centre's).
  std::string otherKeyPem, otherPubPem, otherCertPem;
  // An EC key and certificate: keys that are not RSA.
  std::string ecKeyPem, ecPubPem, ecCertPem;
};
const KeyMaterial& keyMaterial();

// An RSA parameter of a key (OSSL_PKEY_PARAM_RSA_N, _E, _D, ...), big-endian; empty, and the
// test fails, without one.
std::vector<unsigned char> rsaParamOf(const EVP_PKEY* key, const char* which);
// The RSA modulus and exponent of a PEM public key, big-endian.
std::vector<unsigned char> rsaModulusOf(const std::string& pubPem);
std::vector<unsigned char> rsaExponentOf(const std::string& pubPem);

std::vector<unsigned char> bytesOf(const std::string& s);
std::string textOf(const std::vector<unsigned char>& b);

// Every test of the glue and the card: the shipped catalogue, the error-queue check on, the
// password prompt back on standard input afterwards.
class CryptoTest : public RuntimeTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace quervik::test
