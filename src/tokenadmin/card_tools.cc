// Card tools for the command line; see card_tools.h.
#include "tokenadmin/card_tools.h"

#include <cstring>
#include <utility>

#include "crypto/crypto_errors.h"
#include "crypto/key_files.h"
#include "crypto/ossl_ptr.h"
#include "token/attributes.h"
#include "token/module.h"
#include "token/objects.h"
#include "token/session.h"
#include "token/template.h"

namespace quervik {
namespace {

std::string blankTrimmed(const CK_UTF8CHAR* text, size_t width) {
  std::string s(reinterpret_cast<const char*>(text), width);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

}  // namespace

std::optional<std::vector<SlotCard>> cardsInSlots() {
  std::vector<CK_SLOT_ID> slots = listTokenSlots();
  if (slots.empty()) return std::nullopt;
  std::vector<SlotCard> cards;
  for (CK_SLOT_ID slot : slots) {
    SlotCard card;
    card.slot = slot;
    CK_TOKEN_INFO info;
    std::memset(&info, 0, sizeof info);
    if (callModule(&CK_FUNCTION_LIST::C_GetTokenInfo, slot, &info) == CKR_OK) {
      card.label = blankTrimmed(info.label, sizeof info.label);
      card.initialized = (info.flags & CKF_TOKEN_INITIALIZED) != 0;
    }
    cards.push_back(std::move(card));
  }
  return cards;
}

CK_RV listCardObjects(CK_SESSION_HANDLE session, std::vector<CardObject>& objects) {
  objects.clear();
  FindOperation search(session, nullptr, 0);
  if (search.started() != CKR_OK) return search.started();
  std::vector<CK_OBJECT_HANDLE> handles;
  for (;;) {
    CK_RV rv = search.next(kMaxSearchedObjects, handles);
    if (rv != CKR_OK) return rv;
    if (handles.empty()) break;
    for (CK_OBJECT_HANDLE h : handles) {
      CardObject object;
      object.handle = h;
      object.objectClass = ~CK_OBJECT_CLASS(0);
      std::vector<SecureBytes> values;
      if (readAttributes(session, h, {CKA_CLASS, CKA_LABEL}, values) == CKR_OK &&
          values[0].size() == sizeof(CK_OBJECT_CLASS)) {
        std::memcpy(&object.objectClass, values[0].data(), sizeof object.objectClass);
        object.label.assign(values[1].begin(), values[1].end());
      }
      objects.push_back(std::move(object));
    }
  }
  return search.finish();
}

CK_RV findObjectOfClass(CK_SESSION_HANDLE session, CK_OBJECT_CLASS objectClass, const std::string& label,
                        CK_OBJECT_HANDLE* found) {
  CK_ATTRIBUTE pattern[] = {attribute(CKA_CLASS, objectClass), attribute(CKA_LABEL, label)};
  FindOperation search(session, pattern, 2);
  if (search.started() != CKR_OK) return search.started();
  std::vector<CK_OBJECT_HANDLE> handles;
  CK_RV rv = search.next(1, handles);
  CK_RV finished = search.finish();
  if (rv != CKR_OK) return rv;
  if (handles.empty()) return kNameNotFound;
  *found = handles[0];
  return finished;
}

CK_RV findCertificateByName(CK_SESSION_HANDLE session, const char* name, CK_OBJECT_HANDLE* found) {
  if (!name) return kNameNotFound;
  if (findObjectOfClass(session, CKO_CERTIFICATE, std::string(kCertificatePrefix) + name, found) == CKR_OK)
    return CKR_OK;
  return findCertificateByDn(session, found, name, nullptr, 0) == CKR_OK ? CKR_OK : kNameNotFound;
}

int keyPairMatchesCertificate(CK_SESSION_HANDLE session, const X509* certificate, const char* keyName) {
  CK_OBJECT_HANDLE privateKey = CK_INVALID_HANDLE;
  if (!keyName ||
      findObjectOfClass(session, CKO_PRIVATE_KEY, std::string(kPrivateKeyPrefix) + keyName, &privateKey) != CKR_OK)
    return -1;
  std::optional<RsaPublicParts> parts;
  if (certificate) parts = rsaPartsFromKey(X509_get0_pubkey(certificate), keyName);
  std::vector<SecureBytes> modulus;
  if (!parts || readAttributes(session, privateKey, {CKA_MODULUS}, modulus) != CKR_OK) return -2;
  // A module may keep leading zero bytes; the certificate's parts never have one.
  const SecureBytes& m = modulus[0];
  size_t skip = 0;
  while (skip < m.size() && m[skip] == 0) ++skip;
  bool same = m.size() - skip == parts->modulus.size() &&
              std::memcmp(m.data() + skip, parts->modulus.data(), parts->modulus.size()) == 0;
  return same ? 0 : -2;
}

int linkKeyPairToCertificate(CK_SESSION_HANDLE session, const X509* certificate, const char* keyName) {
  if (int rc = keyPairMatchesCertificate(session, certificate, keyName)) return rc;
  CryptoErrorScope scope("linkKeyPairToCertificate");
  unsigned char* raw = nullptr;
  int length = i2d_ASN1_INTEGER(X509_get0_serialNumber(certificate), &raw);
  OsslBytesPtr serial(raw);
  if (length <= 0 || !serial) return -3;
  CK_ATTRIBUTE id = attribute(CKA_ID, serial.get(), static_cast<size_t>(length));
  CK_OBJECT_HANDLE key = CK_INVALID_HANDLE;
  for (auto [objectClass, prefix] :
       {std::pair{CKO_PRIVATE_KEY, kPrivateKeyPrefix}, std::pair{CKO_PUBLIC_KEY, kPublicKeyPrefix}}) {
    if (findObjectOfClass(session, objectClass, std::string(prefix) + keyName, &key) != CKR_OK) continue;
    if (callModule(&CK_FUNCTION_LIST::C_SetAttributeValue, session, key, &id, CK_ULONG(1)) != CKR_OK) return -3;
  }
  return 0;
}

}  // namespace quervik
