// Objects on the card; see objects.h.
#include "token/objects.h"

#include <openssl/core_names.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "crypto/certificate.h"
#include "crypto/crypto_errors.h"
#include "crypto/key_files.h"
#include "crypto/ossl_ptr.h"
#include "runtime/console.h"
#include "runtime/platform.h"
#include "runtime/report.h"
#include "token/attributes.h"
#include "token/messages.h"
#include "token/module.h"
#include "token/template.h"

namespace quervik {
namespace {

const char* prefixOfClass(CK_OBJECT_CLASS c) {
  switch (c) {
    case CKO_CERTIFICATE: return kCertificatePrefix;
    case CKO_PUBLIC_KEY: return kPublicKeyPrefix;
    case CKO_PRIVATE_KEY: return kPrivateKeyPrefix;
    default: return "";
  }
}

bool sameText(const SecureBytes& bytes, const std::string& text) {
  return bytes.size() == text.size() && std::memcmp(bytes.data(), text.data(), text.size()) == 0;
}

// Reads a whole file for a data object: its bytes, or -49/-50/-51.
long readWholeFile(const char* name, SecureBytes& value) {
  int64_t size = fileSize(name);
  if (size < 0) return -49;
  FILE* f = openFile(name, "rb");
  if (!f) return -50;
  value.resize(static_cast<size_t>(size));
  size_t got = size > 0 ? std::fread(value.data(), 1, value.size(), f) : 0;
  std::fclose(f);
  return got == value.size() ? 0 : -51;
}

bool bignumBytes(const EVP_PKEY* key, const char* param, std::vector<unsigned char>& out) {
  BIGNUM* raw = nullptr;
  if (!key || EVP_PKEY_get_bn_param(key, param, &raw) != 1) return false;
  BnPtr bn(raw);
  int length = BN_num_bytes(bn.get());
  out.assign(static_cast<size_t>(length), 0);
  return BN_bn2bin(bn.get(), out.data()) == length && length > 0;
}

CK_RV createObject(CK_SESSION_HANDLE session, CK_ATTRIBUTE* tmpl, size_t count, CK_OBJECT_HANDLE* created) {
  CK_OBJECT_HANDLE ignored = CK_INVALID_HANDLE;
  return callModule(&CK_FUNCTION_LIST::C_CreateObject, session, tmpl, static_cast<CK_ULONG>(count),
                    created ? created : &ignored);
}

// Destroys what a search finds, one handle at a time; "." after each when dots is set.
CK_RV destroyFound(CK_SESSION_HANDLE session, CK_ATTRIBUTE* pattern, CK_ULONG count, bool dots) {
  FindOperation search(session, pattern, count);
  if (search.started() != CKR_OK) return search.started();
  std::vector<CK_OBJECT_HANDLE> found;
  CK_RV failure = CKR_OK;
  for (;;) {
    failure = search.next(1, found);
    if (failure != CKR_OK || found.empty()) break;
    failure = callModule(&CK_FUNCTION_LIST::C_DestroyObject, session, found[0]);
    if (failure != CKR_OK) break;
    if (dots) consoleOut(".");
  }
  CK_RV finished = search.finish();
  // A failed destruction is the result, never hidden by the search's successful end.
  return failure != CKR_OK ? failure : finished;
}

}  // namespace

bool labelFits(const char* prefix, const char* name) {
  return name && std::strlen(prefix) + std::strlen(name) + 1 <= kMaxLabelRoom;
}

CK_RV findObjectByLabel(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE* found, const char* name) {
  if (!name) {
    reportError(kMsgNoObjectName);
    return kNoMatch;
  }
  if (!found) return kNoMatch;
  FindOperation search(session, nullptr, 0);
  if (search.started() != CKR_OK) return search.started();
  std::vector<CK_OBJECT_HANDLE> handles;
  CK_RV rv = search.next(kMaxSearchedObjects, handles);
  if (rv != CKR_OK) return rv;
  if (handles.empty()) {
    (void)search.finish();
    return kNoObjects;
  }
  bool matched = false, unreadable = false;
  for (CK_OBJECT_HANDLE h : handles) {
    std::vector<SecureBytes> values;
    if (readAttributes(session, h, {CKA_LABEL, CKA_CLASS}, values) != CKR_OK ||
        values[1].size() != sizeof(CK_OBJECT_CLASS)) {
      unreadable = true;
      break;
    }
    CK_OBJECT_CLASS objectClass;
    std::memcpy(&objectClass, values[1].data(), sizeof objectClass);
    if (sameText(values[0], std::string(prefixOfClass(objectClass)) + name)) {
      *found = h;
      matched = true;
      break;
    }
  }
  CK_RV finished = search.finish();
  if (unreadable) return kAttributeUnreadable;
  return matched ? finished : kNameNotFound;
}

CK_RV findCertificateByDn(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE* found, const char* pattern, char* dnOut,
                          size_t dnOutSize) {
  if (!pattern || !found) return kNoMatch;
  CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
  CK_ATTRIBUTE pattern1[] = {attribute(CKA_CLASS, certificateClass)};
  FindOperation search(session, pattern1, 1);
  if (search.started() != CKR_OK) return search.started();
  std::vector<CK_OBJECT_HANDLE> handles;
  CK_RV rv = search.next(kMaxSearchedObjects, handles);
  if (rv != CKR_OK) return rv;
  if (handles.empty()) {
    (void)search.finish();
    return kNoObjects;
  }
  bool matched = false;
  for (CK_OBJECT_HANDLE h : handles) {
    std::vector<SecureBytes> values;
    if (readAttributes(session, h, {CKA_VALUE, CKA_SUBJECT, CKA_ID, CKA_ISSUER, CKA_SERIAL_NUMBER}, values) != CKR_OK)
      continue;
    X509Ptr cert = parseCertificateDer(values[0].data(), values[0].size());
    if (!cert) continue;
    std::string dn = certificateDnText(cert.get());
    if (!containsIgnoringCase(dn, pattern)) continue;
    *found = h;
    if (dnOut && dnOutSize > 0) {
      size_t n = std::min(dn.size(), dnOutSize - 1);
      std::memcpy(dnOut, dn.data(), n);
      dnOut[n] = '\0';
    }
    matched = true;
    break;
  }
  (void)search.finish();
  return matched ? CKR_OK : kNoMatch;
}

CK_RV findPrivateKeyById(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_OBJECT_HANDLE* found) {
  if (!found) return kNoMatch;
  *found = CK_INVALID_HANDLE;
  std::vector<SecureBytes> id;
  CK_RV rv = readAttributes(session, object, {CKA_ID}, id);
  if (rv != CKR_OK) return rv;
  CK_OBJECT_CLASS privateClass = CKO_PRIVATE_KEY;
  CK_ATTRIBUTE pattern[] = {attribute(CKA_ID, id[0].data(), id[0].size()), attribute(CKA_CLASS, privateClass)};
  FindOperation search(session, pattern, 2);
  if (search.started() != CKR_OK) return search.started();
  std::vector<CK_OBJECT_HANDLE> handles;
  rv = search.next(1, handles);
  if (rv == CKR_OK && !handles.empty()) *found = handles[0];
  CK_RV finished = search.finish();
  return rv != CKR_OK ? rv : finished;
}

CK_RV checkKeyClass(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_OBJECT_CLASS wantedClass,
                    CK_KEY_TYPE wantedKeyType) {
  CK_ULONG objectClass = 0, keyType = 0;
  CK_RV rv = readUlongAttribute(session, object, CKA_CLASS, objectClass);
  if (rv != CKR_OK) return rv;
  if (objectClass != wantedClass) return kNoMatch;
  if (readUlongAttribute(session, object, CKA_KEY_TYPE, keyType) != CKR_OK || keyType != wantedKeyType)
    return kNoMatch;
  return CKR_OK;
}

long getObjectValueLength(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object) {
  CK_ATTRIBUTE value = attribute(CKA_VALUE, nullptr, 0);
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_GetAttributeValue, session, object, &value, CK_ULONG(1));
  if (rv != CKR_OK || value.ulValueLen == CK_UNAVAILABLE_INFORMATION || value.ulValueLen > kMaxAttributeLength)
    return -1;
  return static_cast<long>(value.ulValueLen);
}

CK_RV getObjectValue(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, unsigned char* buffer, CK_ULONG length) {
  CK_ATTRIBUTE value = attribute(CKA_VALUE, buffer, length);
  return callModule(&CK_FUNCTION_LIST::C_GetAttributeValue, session, object, &value, CK_ULONG(1));
}

long createDataObject(CK_SESSION_HANDLE session, const char* name, const void* valueOrFile, long length) {
  SecureBytes fromFile;
  const void* value = valueOrFile;
  size_t valueLength = length > 0 ? static_cast<size_t>(length) : 0;
  if (length <= 0) {
    if (long rc = readWholeFile(static_cast<const char*>(valueOrFile), fromFile)) return rc;
    value = fromFile.data();
    valueLength = fromFile.size();
  }
  if (!name || !value) return static_cast<long>(kNoMatch);
  CK_OBJECT_CLASS dataClass = CKO_DATA;
  std::string label(name);
  CK_ATTRIBUTE tmpl[] = {
      attribute(CKA_CLASS, dataClass),   attribute(CKA_TOKEN, kCkTrue),
      attribute(CKA_LABEL, label),       attribute(CKA_VALUE, value, valueLength),
      attribute(CKA_PRIVATE, kCkTrue),
  };
  return static_cast<long>(createObject(session, tmpl, std::size(tmpl), nullptr));
}

CK_RV importCertificate(CK_SESSION_HANDLE session, const char* certFile, const X509* certificate, const char* name) {
  CryptoErrorScope scope("importCertificate");
  X509Ptr fromFile;
  if (certFile) {
    fromFile = readCertificatePem(certFile, kPemFormat);
    certificate = fromFile.get();
  }
  if (!certificate || !name) return kNoMatch;
  if (!labelFits(kCertificatePrefix, name)) {
    reportError(kMsgCertificateNameTooLong, name);
    return kNoMatch;
  }
  std::string label = std::string(kCertificatePrefix) + name;
  unsigned char* raw = nullptr;
  int derLength = i2d_X509(certificate, &raw);
  OsslBytesPtr der(raw);
  if (derLength <= 0 || !der) {
    reportCryptoFailure(kMsgCertificateDerNoMemory);
    return kNoMatch;
  }
  raw = nullptr;
  int serialLength = i2d_ASN1_INTEGER(X509_get0_serialNumber(certificate), &raw);
  OsslBytesPtr serial(raw);
  if (serialLength <= 0 || !serial) {
    reportCryptoFailure(kMsgSerialDerNoMemory);
    return kNoMatch;
  }
  CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
  CK_CERTIFICATE_TYPE x509 = CKC_X_509;
  CK_ATTRIBUTE tmpl[] = {
      attribute(CKA_CLASS, certificateClass),
      attribute(CKA_CERTIFICATE_TYPE, x509),
      attribute(CKA_TOKEN, kCkTrue),
      attribute(CKA_VALUE, der.get(), static_cast<size_t>(derLength)),
      attribute(CKA_LABEL, label),
      attribute(CKA_ID, serial.get(), static_cast<size_t>(serialLength)),
      attribute(CKA_SUBJECT, nullptr, 0),
      attribute(CKA_SERIAL_NUMBER, serial.get(), static_cast<size_t>(serialLength)),
      attribute(CKA_PRIVATE, kCkTrue),
  };
  CK_RV rv = createObject(session, tmpl, std::size(tmpl), nullptr);
  // Some cards answer a stored certificate with this vendor value; it is stored all the same.
  if (rv == CKR_OK || rv == 0x80000002UL) return CKR_OK;
  reportError(kMsgCertificateNotCreated);
  return kNoMatch;
}

CK_RV createPublicKeyObject(CK_SESSION_HANDLE session, const RsaPublicParts& parts, const char* label) {
  if (!label) return kNoMatch;
  std::string text(label);
  CK_OBJECT_CLASS publicClass = CKO_PUBLIC_KEY;
  CK_KEY_TYPE rsa = CKK_RSA;
  CK_ATTRIBUTE tmpl[] = {
      attribute(CKA_CLASS, publicClass),
      attribute(CKA_KEY_TYPE, rsa),
      attribute(CKA_TOKEN, kCkTrue),
      attribute(CKA_LABEL, text),
      attribute(CKA_WRAP, kCkTrue),
      attribute(CKA_ENCRYPT, kCkTrue),
      attribute(CKA_VERIFY, kCkTrue),
      attribute(CKA_MODULUS, parts.modulus.data(), parts.modulus.size()),
      attribute(CKA_PUBLIC_EXPONENT, parts.exponent.data(), parts.exponent.size()),
      attribute(CKA_PRIVATE, kCkTrue),
  };
  return createObject(session, tmpl, std::size(tmpl), nullptr);
}

CK_RV importPublicKey(CK_SESSION_HANDLE session, const char* keyFile, const char* name) {
  if (!labelFits(kPublicKeyPrefix, name)) {
    if (name) reportError(kMsgPublicKeyNameTooLong, name);
    return kNoMatch;
  }
  EvpPkeyPtr key = readPublicKeyPem(keyFile, kPemFormat);
  if (!key) return kNoMatch;
  std::optional<RsaPublicParts> parts = rsaPartsFromKey(key.get(), name);
  if (!parts) return kNoMatch;
  return createPublicKeyObject(session, *parts, (std::string(kPublicKeyPrefix) + name).c_str());
}

CK_RV publicKeyFromCertificate(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE certificate, CK_OBJECT_HANDLE* created) {
  if (!created) return kNoMatch;
  std::vector<SecureBytes> values;
  bool lengthsFailed = false;
  CK_RV rv = readAttributes(session, certificate, {CKA_VALUE, CKA_LABEL}, values, &lengthsFailed);
  if (rv != CKR_OK) {
    if (!lengthsFailed) reportError(kMsgCertificateValueUnreadable);
    return rv;
  }
  X509Ptr cert = parseCertificateDer(values[0].data(), values[0].size());
  if (!cert) {
    reportError(kMsgCertificateValueNotParsed);
    return kNoMatch;
  }
  std::optional<RsaPublicParts> parts = rsaPartsFromKey(X509_get0_pubkey(cert.get()), nullptr);
  if (!parts) return kNoMatch;
  CK_OBJECT_CLASS publicClass = CKO_PUBLIC_KEY;
  CK_KEY_TYPE rsa = CKK_RSA;
  CK_ATTRIBUTE tmpl[] = {
      attribute(CKA_CLASS, publicClass),
      attribute(CKA_KEY_TYPE, rsa),
      attribute(CKA_TOKEN, kCkFalse),
      attribute(CKA_LABEL, values[1].data(), values[1].size()),
      attribute(CKA_WRAP, kCkTrue),
      attribute(CKA_ENCRYPT, kCkTrue),
      attribute(CKA_VERIFY, kCkTrue),
      attribute(CKA_MODULUS, parts->modulus.data(), parts->modulus.size()),
      attribute(CKA_PUBLIC_EXPONENT, parts->exponent.data(), parts->exponent.size()),
  };
  return createObject(session, tmpl, std::size(tmpl), created);
}

std::optional<RsaPublicParts> rsaPartsFromKey(const EVP_PKEY* key, const char* name) {
  CryptoErrorScope scope("rsaPartsFromKey");
  if (!key) {
    reportError(kMsgNoKeyForParts);
    return std::nullopt;
  }
  RsaPublicParts parts;
  if (!bignumBytes(key, OSSL_PKEY_PARAM_RSA_N, parts.modulus)) {
    reportCryptoFailure(kMsgModulusNotConverted);
    return std::nullopt;
  }
  if (!bignumBytes(key, OSSL_PKEY_PARAM_RSA_E, parts.exponent)) {
    drainCryptoErrors();
    reportError(kMsgExponentNotConverted, name);
    return std::nullopt;
  }
  return parts;
}

CK_RV exportPublicKey(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE key, const char* fileName) {
  std::vector<SecureBytes> values;
  CK_RV rv = readAttributes(session, key, {CKA_MODULUS, CKA_PUBLIC_EXPONENT}, values);
  if (rv == CKR_OK && writeRsaPublicKeyPem(values[0].data(), static_cast<int>(values[0].size()), values[1].data(),
                                           static_cast<int>(values[1].size()), fileName) == 0) {
    consoleOut("Public key \"%s\" vyexportovan v PEM fomatu\n", fileName);
    return CKR_OK;
  }
  reportError(kMsgPublicKeyNotExported, fileName);
  return rv != CKR_OK ? rv : CKR_FUNCTION_FAILED;
}

CK_RV destroyObjectsByLabel(CK_SESSION_HANDLE session, const char* label) {
  if (!label) return kNoMatch;
  std::string text(label);
  CK_ATTRIBUTE pattern[] = {attribute(CKA_LABEL, text)};
  return destroyFound(session, pattern, 1, false);
}

CK_RV destroyObject(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object) {
  return callModule(&CK_FUNCTION_LIST::C_DestroyObject, session, object);
}

CK_RV destroyAllObjects(CK_SESSION_HANDLE session) { return destroyFound(session, nullptr, 0, true); }

CK_RV exportCertificate(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE certificate, const char* fileName) {
  std::vector<SecureBytes> values;
  CK_RV rv = readAttributes(session, certificate, {CKA_VALUE}, values);
  if (rv != CKR_OK) return rv;
  X509Ptr cert = parseCertificateDer(values[0].data(), values[0].size());
  if (!cert || writeCertificatePem(cert.get(), fileName) != 0) return kNoMatch;
  return CKR_OK;
}

}  // namespace quervik
