// Certificate requests signed on the card; see certificate_request.h.
#include "tokenadmin/certificate_request.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <array>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "crypto/key_files.h"
#include "crypto/ossl_ptr.h"
#include "crypto/secure_bytes.h"
#include "runtime/platform.h"
#include "token/attributes.h"
#include "token/objects.h"
#include "token/operations.h"
#include "tokenadmin/card_tools.h"

namespace quervik {
namespace {

// The DER prefix of a SHA-256 DigestInfo: the card pads and signs exactly what it is given.
constexpr std::array<unsigned char, 19> kSha256DigestInfo = {0x30, 0x31, 0x30, 0x0d, 0x06, 0x09, 0x60,
                                                             0x86, 0x48, 0x01, 0x65, 0x03, 0x04, 0x02,
                                                             0x01, 0x05, 0x00, 0x04, 0x20};

// "/C=CZ/O=Nemocnice/CN=ABC" as a name; null when a part has no "=", an empty value or an
// unknown field.
X509NamePtr subjectName(std::string_view text) {
  X509NamePtr name(X509_NAME_new());
  if (!name || text.size() < 2 || text[0] != '/') return nullptr;
  for (size_t at = 1; at <= text.size();) {
    size_t end = text.find('/', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view part = text.substr(at, end - at);
    size_t eq = part.find('=');
    if (eq == std::string_view::npos || eq == 0 || eq + 1 == part.size()) return nullptr;
    std::string field(part.substr(0, eq)), value(part.substr(eq + 1));
    if (!X509_NAME_add_entry_by_txt(name.get(), field.c_str(), MBSTRING_UTF8,
                                    reinterpret_cast<const unsigned char*>(value.c_str()), -1, -1, 0))
      return nullptr;
    at = end + 1;
  }
  return name;
}

}  // namespace

int writeCertificateRequest(CK_SESSION_HANDLE session, const char* keyName, const char* subject,
                            const char* fileName) {
  X509NamePtr name = subject ? subjectName(subject) : nullptr;
  if (!name) {
    ERR_clear_error();
    return -1;
  }
  CK_OBJECT_HANDLE privateKey = CK_INVALID_HANDLE;
  std::vector<SecureBytes> parts;
  if (!keyName ||
      findObjectOfClass(session, CKO_PRIVATE_KEY, std::string(kPrivateKeyPrefix) + keyName, &privateKey) != CKR_OK ||
      readAttributes(session, privateKey, {CKA_MODULUS, CKA_PUBLIC_EXPONENT}, parts) != CKR_OK)
    return -2;
  EvpPkeyPtr publicKey = rsaPublicKeyFromParts(parts[0].data(), parts[0].size(), parts[1].data(), parts[1].size());
  if (!publicKey) return -2;

  X509ReqPtr request(X509_REQ_new());
  unsigned char* tbs = nullptr;
  int tbsLength = 0;
  if (!request || !X509_REQ_set_version(request.get(), X509_REQ_VERSION_1) ||
      !X509_REQ_set_subject_name(request.get(), name.get()) || !X509_REQ_set_pubkey(request.get(), publicKey.get()) ||
      (tbsLength = i2d_re_X509_REQ_tbs(request.get(), &tbs)) <= 0) {
    ERR_clear_error();
    return -4;
  }
  OsslBytesPtr tbsOwned(tbs);
  std::array<unsigned char, kSha256DigestInfo.size() + 32> digestInfo{};
  std::copy(kSha256DigestInfo.begin(), kSha256DigestInfo.end(), digestInfo.begin());
  unsigned int digestLength = 0;
  if (!EVP_Digest(tbs, static_cast<size_t>(tbsLength), digestInfo.data() + kSha256DigestInfo.size(), &digestLength,
                  EVP_sha256(), nullptr) ||
      digestLength != 32) {
    ERR_clear_error();
    return -4;
  }
  std::vector<unsigned char> signature(parts[0].size() + 1);
  CK_ULONG signatureLength = signature.size();
  if (applyRsaKey(session, privateKey, kRsaForward, digestInfo.data(), digestInfo.size(), signature.data(),
                  &signatureLength) != CKR_OK)
    return -3;

  X509AlgorPtr algorithm(X509_ALGOR_new());
  Asn1BitStringPtr bits(ASN1_BIT_STRING_new());
  bool made = algorithm && bits &&
              X509_ALGOR_set0(algorithm.get(), OBJ_nid2obj(NID_sha256WithRSAEncryption), V_ASN1_NULL, nullptr) &&
              ASN1_BIT_STRING_set(bits.get(), signature.data(), static_cast<int>(signatureLength)) &&
              X509_REQ_set1_signature_algo(request.get(), algorithm.get());
  if (made) {
    // A signature is whole bytes: no unused bits, whatever its last byte ends with.
    bits->flags &= ~(ASN1_STRING_FLAG_BITS_LEFT | 0x07);
    bits->flags |= ASN1_STRING_FLAG_BITS_LEFT;
    X509_REQ_set0_signature(request.get(), bits.release());
  }
  FILE* out = made ? openFile(fileName, "wb") : nullptr;
  made = out && PEM_write_X509_REQ(out, request.get()) == 1;
  if (out) made = std::fclose(out) == 0 && made;
  ERR_clear_error();
  return made ? 0 : -4;
}

}  // namespace quervik
