// RSA with card keys by name; see card_keys.h.
#include "birthnumber/card_keys.h"

#include <openssl/bn.h>

#include <vector>

#include "birthnumber/messages.h"
#include "crypto/key_files.h"
#include "runtime/report.h"
#include "token/attributes.h"
#include "token/objects.h"
#include "token/operations.h"
#include "token/session.h"

namespace quervik {
namespace {

// The object labelled with the name, else the first certificate whose DN text holds it.
// kAttributeUnreadable when a label could not be read; kNameNotFound when nothing matches.
CK_RV findCertificateNamed(CK_SESSION_HANDLE session, const char* name, CK_OBJECT_HANDLE* certificate) {
  CK_RV rv = findObjectByLabel(session, certificate, name);
  if (rv == CKR_OK || rv == kAttributeUnreadable) return rv;
  return name && findCertificateByDn(session, certificate, name, nullptr, 0) == CKR_OK ? CKR_OK : kNameNotFound;
}

int withCertificateKey(int direction, int mode, const unsigned char* input, size_t inputLength,
                       unsigned char* output, size_t* outputLength, const char* name) {
  CK_SESSION_HANDLE session = tokenSession();
  CK_OBJECT_HANDLE certificate = CK_INVALID_HANDLE;
  CK_RV rv = findCertificateNamed(session, name, &certificate);
  if (rv == kAttributeUnreadable) {
    reportError(kMsgObjectAttributesUnreadable);
    return -1;
  }
  if (rv != CKR_OK) {
    reportError(kMsgNoCertificateNamed, name);
    return -1;
  }
  CK_OBJECT_HANDLE key = CK_INVALID_HANDLE;
  if (mode == kCertificatePublicKey)
    rv = publicKeyFromCertificate(session, certificate, &key);
  else if (mode == kCertificatePrivateKey)
    rv = findPrivateKeyById(session, certificate, &key);
  else
    rv = CKR_ARGUMENTS_BAD;
  // A certificate without a private key of its CKA_ID has no key for this mode either.
  if (rv != CKR_OK || key == CK_INVALID_HANDLE) {
    reportError(kMsgNoKeyForCertificate, name);
    return -2;
  }
  CK_ULONG length = *outputLength;
  if (applyRsaKey(session, key, direction, input, inputLength, output, &length) != CKR_OK) {
    reportError(kMsgCardRsaFailed);
    return -3;
  }
  *outputLength = length;
  return 0;
}

int withLabelledKey(int direction, const unsigned char* input, size_t inputLength, unsigned char* output,
                    size_t* outputLength, const char* label) {
  CK_SESSION_HANDLE session = tokenSession();
  CK_OBJECT_HANDLE key = CK_INVALID_HANDLE;
  if (findObjectByLabel(session, &key, label) != CKR_OK) {
    reportError(kMsgNoObjectWithLabel, label);
    return -1;
  }
  CK_ULONG length = *outputLength;
  if (applyRsaKey(session, key, direction, input, inputLength, output, &length) != CKR_OK) {
    reportError(kMsgCardRsaFailed);
    return -2;
  }
  *outputLength = length;
  return 0;
}

}  // namespace

int encryptWithCertificate(int mode, const unsigned char* input, size_t inputLength, unsigned char* output,
                           size_t* outputLength, const char* certificateName) {
  return withCertificateKey(kRsaForward, mode, input, inputLength, output, outputLength, certificateName);
}

int decryptWithCertificateKey(int mode, const unsigned char* input, size_t inputLength, unsigned char* output,
                              size_t* outputLength, const char* certificateName) {
  return withCertificateKey(kRsaReverse, mode, input, inputLength, output, outputLength, certificateName);
}

int encryptWithPublicKeyLabel(const unsigned char* input, size_t inputLength, unsigned char* output,
                              size_t* outputLength, const char* label) {
  return withLabelledKey(kRsaForward, input, inputLength, output, outputLength, label);
}

int decryptWithPrivateKeyLabel(const unsigned char* input, size_t inputLength, unsigned char* output,
                               size_t* outputLength, const char* label) {
  return withLabelledKey(kRsaReverse, input, inputLength, output, outputLength, label);
}

int cardKeyBits(const char* name, bool byCertificate) {
  CK_SESSION_HANDLE session = tokenSession();
  CK_OBJECT_HANDLE object = CK_INVALID_HANDLE;
  CK_RV found = byCertificate ? findCertificateNamed(session, name, &object) : findObjectByLabel(session, &object, name);
  CK_ULONG objectClass = 0;
  std::vector<SecureBytes> values;
  int bits = 0;
  if (found == CKR_OK && readUlongAttribute(session, object, CKA_CLASS, objectClass) == CKR_OK) {
    if (objectClass == CKO_CERTIFICATE) {
      if (readAttributes(session, object, {CKA_VALUE}, values) == CKR_OK) {
        X509Ptr certificate = parseCertificateDer(values[0].data(), values[0].size());
        bits = certificate ? EVP_PKEY_get_bits(X509_get0_pubkey(certificate.get())) : 0;  // get0: the certificate's
      }
    } else if (readAttributes(session, object, {CKA_MODULUS}, values) == CKR_OK) {
      BIGNUM* modulus = BN_bin2bn(values[0].data(), static_cast<int>(values[0].size()), nullptr);
      bits = modulus ? BN_num_bits(modulus) : 0;
      BN_free(modulus);
    }
  }
  return bits;
}

std::optional<std::string> findUserDN(const char* pattern, size_t maxLength) {
  CK_OBJECT_HANDLE certificate = CK_INVALID_HANDLE;
  std::vector<char> dn(maxLength + 1, '\0');
  if (findCertificateByDn(tokenSession(), &certificate, pattern, dn.data(), dn.size()) != CKR_OK) return std::nullopt;
  return std::string(dn.data());
}

}  // namespace quervik
