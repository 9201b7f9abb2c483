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

// Files made once per run in the scratch directory.
struct KeyMaterial {
  // The hospital's 1024-bit RSA key pair and its self-signed certificate.
  std::string keyPem = scratch() / "key.pem";                  // PKCS#8 "PRIVATE KEY"
  std::string keyEncPem = scratch() / "key_enc.pem";           // PKCS#8 encrypted with kKeyPassword
  std::string keyTradEncPem = scratch() / "key_trad_enc.pem";  // traditional RSA PEM, DES3 with kKeyPassword
  std::string keyPkcs1Der = scratch() / "key_p1.der";          // PKCS#1 DER
  std::string pubPem = scratch() / "pub.pem";                  // "PUBLIC KEY"
  std::string pubDer = scratch() / "pub.der";                  // SubjectPublicKeyInfo DER
  std::string certPem = scratch() / "cert.pem";  // subject C=CZ, O=Nemocnice Test, CN=ABC Nemocnice, serial 0x0123ABCD
  std::string certDer = scratch() / "cert.der";
  // A second RSA key pair with its certificate (the receiving centre's).
  std::string otherKeyPem = scratch() / "other_key.pem", otherPubPem = scratch() / "other_pub.pem";
  std::string otherCertPem = scratch() / "other_cert.pem";
  // An EC key and certificate: keys that are not RSA.
  std::string ecKeyPem = scratch() / "ec_key.pem", ecPubPem = scratch() / "ec_pub.pem";
  std::string ecCertPem = scratch() / "ec_cert.pem";
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
