// Protected files made with the openssl tool; see protect_support.h.
#include "protect_support.h"

#include <openssl/rand.h>

#include "birthnumber/triple_des.h"
#include "container/protected_file.h"

namespace quervik::test {
namespace {

// PKCS#1 v1.5 encryption with a PEM public key.
std::string toolRsaEncrypt(const std::string& keyFile, const std::string& data) {
  return toolOutput("openssl pkeyutl -encrypt -pubin -inkey " + shellQuote(keyFile) + " -pkeyopt rsa_padding_mode:pkcs1",
                    data);
}

}  // namespace

const ProtectKeys& protectKeys() {
  static const ProtectKeys keys = [] {
    const KeyMaterial& k = keyMaterial();
    ProtectKeys p;
    std::string der = scratch() / "centre_key.der";
    runToolOk("openssl pkey -in " + shellQuote(k.otherKeyPem) + " -outform DER -out " + shellQuote(der));
    p.centrePrivateDer = readFile(der);
    p.hospitalCertDer = readFile(k.certDer);
    p.hospitalPubDer = readFile(k.pubDer);
    return p;
  }();
  return keys;
}

std::string hexOf(const std::string& bytes) {
  static const char* digits = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

std::string base64Of(const std::string& bytes) {
  std::string text = toolOutput("openssl base64 -A", bytes);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

std::string underscoredBase64Of(const std::string& bytes) {
  std::string text = toolOutput("openssl base64", bytes);  // 64-character lines
  for (char& c : text)
    if (c == '\n') c = '_';
  return text;
}

std::string sha1Of(const std::string& bytes) {
  std::string in = scratch() / "digest.in", out = scratch() / "digest.out";
  writeFile(in, bytes);
  runToolOk("openssl dgst -sha1 -binary -out " + shellQuote(out) + " " + shellQuote(in));
  return readFile(out);
}

std::string goodDesKey() {
  std::string key(kTripleDesKeySize, '\0');
  auto* p = reinterpret_cast<unsigned char*>(key.data());
  do {
    EXPECT_EQ(RAND_bytes(p, static_cast<int>(key.size())), 1);
    for (int i = 0; i < 3; ++i) setOddParity(p + 8 * i);
  } while (checkDesKey(p) || checkDesKey(p + 8) || checkDesKey(p + 16));
  return key;
}

std::string toolEncrypt(const std::string& keyHex, const std::string& blocks) {
  return toolOutput("openssl enc -des-ede3 -nopad -K " + keyHex, blocks);
}

std::string hashKeyBlob(const std::string& key24) { return toolRsaEncrypt(keyMaterial().pubPem, key24); }

std::string keyCheckBlockFor(const std::string& hashKey24) {
  std::string plain(reinterpret_cast<const char*>(kCheckValuePlain), sizeof kCheckValuePlain);
  return toolRsaEncrypt(keyMaterial().otherPubPem, toolEncrypt(hexOf(hashKey24), plain));
}

std::string toolProtectedFile(const ToolFile& plan) {
  const KeyMaterial& k = keyMaterial();
  std::string key = plan.contentKey.empty() ? goodDesKey() : plan.contentKey;
  size_t pad = 8 - plan.content.size() % 8;
  std::string encrypted = toolEncrypt(hexOf(key), plan.content + std::string(pad, '\0'));
  std::string trailer;
  if (plan.version == '1') {
    trailer = " 1";
  } else {
    std::string keyCheck = plan.keyCheck.empty() ? std::string(kRsaBlockSize, '\0') : plan.keyCheck;
    trailer = dnField(plan.dn) + keyCheck + " " + plan.version;
  }
  std::string digest = sha1Of(plan.version == '3' ? plan.content + trailer : plan.content);
  std::string record = key + digest + std::string(1, '\0');
  std::string signature = toolOutput("openssl pkeyutl -sign -inkey " + shellQuote(k.keyPem), record);
  std::string wrapped = toolRsaEncrypt(k.otherPubPem, signature.substr(0, 64)) +
                        toolRsaEncrypt(k.otherPubPem, signature.substr(64, 64));
  char padByte = static_cast<char>(plan.padOverride >= 0 ? plan.padOverride : static_cast<int>(pad));
  return encrypted + wrapped + std::string(1, padByte) + trailer;
}

}  // namespace quervik::test
