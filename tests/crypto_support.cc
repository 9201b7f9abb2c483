// Key material and tool runner for the crypto and card tests; see crypto_support.h.
#include "crypto_support.h"

#include <cstdio>
#include <memory>

#include <openssl/rand.h>

#include "crypto/crypto_errors.h"
#include "crypto/key_files.h"
#include "crypto/password.h"
#include "runtime/catalogue.h"

#include <openssl/core_names.h>

namespace quervik::test {

std::string runToolOk(const std::string& command) {
  ToolResult r = runTool(command);
  if (r.status != 0) ADD_FAILURE() << "command failed (" << r.status << "): " << command << "\n" << r.output;
  return r.output;
}

TempDir& scratch() {
  static TempDir dir;  // lives until the test binary exits
  return dir;
}

std::string toolOutput(const std::string& command, const std::string& input) {
  std::string in = scratch() / "tool.in", out = scratch() / "tool.out";
  writeFile(in, input);
  std::remove(out.c_str());
  runToolOk(command + " -in " + shellQuote(in) + " -out " + shellQuote(out));
  return readFile(out);
}

std::string randomText(size_t n) {
  std::string s(n, '\0');
  EXPECT_TRUE(n == 0 || RAND_bytes(reinterpret_cast<unsigned char*>(s.data()), int(n)) == 1);
  return s;
}

namespace {

KeyMaterial makeKeyMaterial() {
  TempDir& dir = scratch();
  KeyMaterial k;
  auto f = [&](const char* name) { return dir / name; };
  k.keyPem = f("key.pem");
  k.keyEncPem = f("key_enc.pem");
  k.keyTradEncPem = f("key_trad_enc.pem");
  k.keyPkcs1Der = f("key_p1.der");
  k.pubPem = f("pub.pem");
  k.pubDer = f("pub.der");
  k.certPem = f("cert.pem");
  k.certDer = f("cert.der");
  k.otherKeyPem = f("other_key.pem");
  k.otherPubPem = f("other_pub.pem");
  k.otherCertPem = f("other_cert.pem");
  k.ecKeyPem = f("ec_key.pem");
  k.ecPubPem = f("ec_pub.pem");
  k.ecCertPem = f("ec_cert.pem");
  const std::string pass = std::string("pass:") + kKeyPassword;
  auto q = shellQuote;
  runToolOk("openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out " + q(k.keyPem));
  runToolOk("openssl pkey -in " + q(k.keyPem) + " -aes-256-cbc -passout " + q(pass) + " -out " + q(k.keyEncPem));
  runToolOk("openssl rsa -in " + q(k.keyPem) + " -traditional -des3 -passout " + q(pass) + " -out " +
            q(k.keyTradEncPem));
  runToolOk("openssl rsa -in " + q(k.keyPem) + " -traditional -outform DER -out " + q(k.keyPkcs1Der));
  runToolOk("openssl pkey -in " + q(k.keyPem) + " -pubout -out " + q(k.pubPem));
  runToolOk("openssl pkey -in " + q(k.keyPem) + " -pubout -outform DER -out " + q(k.pubDer));
  runToolOk("openssl req -x509 -new -key " + q(k.keyPem) +
            " -subj '/C=CZ/O=Nemocnice Test/CN=ABC Nemocnice' -days 3650 -sha256 -set_serial 0x0123ABCD -out " +
            q(k.certPem));
  runToolOk("openssl x509 -in " + q(k.certPem) + " -outform DER -out " + q(k.certDer));
  runToolOk("openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out " + q(k.otherKeyPem));
  runToolOk("openssl pkey -in " + q(k.otherKeyPem) + " -pubout -out " + q(k.otherPubPem));
  runToolOk("openssl req -x509 -new -key " + q(k.otherKeyPem) +
            " -subj '/C=CZ/O=Prijemce/CN=NRC Centrum' -days 3650 -sha256 -set_serial 77 -out " + q(k.otherCertPem));
  runToolOk("openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out " + q(k.ecKeyPem));
  runToolOk("openssl pkey -in " + q(k.ecKeyPem) + " -pubout -out " + q(k.ecPubPem));
  runToolOk("openssl req -x509 -new -key " + q(k.ecKeyPem) + " -subj '/C=CZ/CN=EC Nemocnice' -days 3650 -out " +
            q(k.ecCertPem));
  return k;
}

std::vector<unsigned char> rsaParam(const std::string& pubPem, const char* which) {
  EvpPkeyPtr key = readPublicKeyPem(pubPem.c_str(), kPemFormat);
  BIGNUM* raw = nullptr;
  if (!key || !EVP_PKEY_get_bn_param(key.get(), which, &raw)) {
    ADD_FAILURE() << "no RSA parameter in " << pubPem;
    return {};
  }
  BnPtr bn(raw);
  std::vector<unsigned char> out(static_cast<size_t>(BN_num_bytes(bn.get())));
  BN_bn2bin(bn.get(), out.data());
  return out;
}

}  // namespace

const KeyMaterial& keyMaterial() {
  static const KeyMaterial k = makeKeyMaterial();
  return k;
}

std::vector<unsigned char> rsaModulusOf(const std::string& pubPem) { return rsaParam(pubPem, OSSL_PKEY_PARAM_RSA_N); }
std::vector<unsigned char> rsaExponentOf(const std::string& pubPem) { return rsaParam(pubPem, OSSL_PKEY_PARAM_RSA_E); }

std::vector<unsigned char> bytesOf(const std::string& s) { return std::vector<unsigned char>(s.begin(), s.end()); }
std::string textOf(const std::vector<unsigned char>& b) { return std::string(b.begin(), b.end()); }

void CryptoTest::SetUp() {
  RuntimeTest::SetUp();
  setMessageFile(sourceCatalogue().c_str());
  takeCryptoErrorQueueProblems();
  setCryptoErrorQueueCheck(true);
}

void CryptoTest::TearDown() {
  for (const std::string& problem : takeCryptoErrorQueueProblems()) ADD_FAILURE() << problem;
  setCryptoErrorQueueCheck(false);
  setPasswordInput(nullptr);
  RuntimeTest::TearDown();
}

}  // namespace quervik::test
