// Card administration; see card_admin.h.
#include "tokenadmin/card_admin.h"

#include <climits>
#include <utility>

#include "birthnumber/card_keys.h"
#include "birthnumber/messages.h"
#include "crypto/key_files.h"
#include "crypto/secure_bytes.h"
#include "runtime/catalogue.h"
#include "runtime/console.h"
#include "runtime/report.h"
#include "token/objects.h"
#include "token/session.h"
#include "tokenadmin/base64_text.h"
#include "tokenadmin/messages.h"

namespace quervik {
namespace {

// The card session of one entry: opened with the PIN, closed on every way out (also after a
// refused PIN, when the opened session is still recorded).
class CardCall {
 public:
  CardCall(const char* pin, int64_t slot) : opened_(openToken(pin, static_cast<CK_SLOT_ID>(slot)) == 0) {}
  ~CardCall() { closeToken(); }
  CardCall(const CardCall&) = delete;
  CardCall& operator=(const CardCall&) = delete;
  bool opened() const { return opened_; }

 private:
  bool opened_;
};

// The slot of an entry that needs the card, or none when the entry must not touch one.
std::optional<int64_t> cardSlot(const char* slot, const char* pin) {
  if (!slot || !pin) return std::nullopt;
  int64_t number = slotNumber(slot);
  if (number == kNoSlot) return std::nullopt;
  return number;
}

// The cut of a DN text at most max bytes long that does not end inside a UTF-8 sequence (the
// host turns the text into a Java string).
std::string cutAtCharacter(std::string text, size_t max) {
  if (text.size() <= max) return text;
  // The first byte cut off continues a character: step back to that character's lead byte.
  size_t end = max;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
  return text;
}

}  // namespace

std::optional<std::vector<std::string>> slotIdTexts() {
  setMessageFile(kDefaultMessageFile);
  std::vector<CK_SLOT_ID> slots = listTokenSlots();
  if (slots.empty()) return std::nullopt;
  std::vector<std::string> texts;
  texts.reserve(slots.size());
  for (CK_SLOT_ID slot : slots) texts.push_back(std::to_string(static_cast<unsigned long>(slot)));
  return texts;
}

int storeCertificate(CK_SESSION_HANDLE session, const char* label, const X509* certificate) {
  CK_OBJECT_HANDLE existing = CK_INVALID_HANDLE;
  CK_RV rv = findObjectByLabel(session, &existing, label);
  if (rv == CKR_OK) {
    reportError(kMsgCertificateObjectExists, label);
    return -1;
  }
  if (rv == kAttributeUnreadable) {
    reportError(kMsgObjectAttributesUnreadable);
    return -1;
  }
  if (importCertificate(session, nullptr, certificate, label) != CKR_OK) {
    reportError(kMsgCertificateObjectNotCreated, label);
    return -2;
  }
  return 0;
}

int storeDataObject(CK_SESSION_HANDLE session, const char* label, const unsigned char* data, size_t length) {
  if (!label) return -5;
  // The card layer takes a length below 1 to mean "data is a file name": never hand it that.
  if (!data || length == 0 || length > static_cast<size_t>(LONG_MAX)) return -1;
  CK_OBJECT_HANDLE existing = CK_INVALID_HANDLE;
  CK_RV rv = findObjectByLabel(session, &existing, label);
  if (rv == CKR_OK) {
    reportError(kMsgDataObjectExists, label);
    return -1;
  }
  if (rv == kAttributeUnreadable) {
    reportError(kMsgObjectAttributesUnreadable);
    return -1;
  }
  if (createDataObject(session, label, data, static_cast<long>(length)) != 0) {
    reportError(kMsgDataObjectNotCreated);
    return -6;
  }
  return 0;
}

int removeObject(CK_SESSION_HANDLE session, const char* label) {
  if (label) {
    if (destroyObjectsByLabel(session, label) == CKR_OK) return 0;
    reportError(kMsgObjectNotRemoved, label);
  } else {
    if (destroyAllObjects(session) == CKR_OK) return 0;
    reportError(kMsgAllObjectsNotRemoved);
  }
  consoleErr("Nelze vymazat objekt '%s' z tokenu\n", label ? label : "");
  return -1;
}

int loadBase64X509(const char* label, const char* text, const char* slot, const char* pin) {
  setMessageFile(kDefaultMessageFile);
  if (!text) return -1;
  std::optional<SecureBytes> der = decodeBase64Text(text);
  if (!der) return -1;
  X509Ptr certificate = parseCertificateDer(der->data(), der->size());
  if (!certificate) return -1;
  std::optional<int64_t> card = cardSlot(slot, pin);
  if (!card) return -1;
  CardCall call(pin, *card);
  if (!call.opened()) {
    consoleErr("Nelze provest login do tokenu\n");
    return -1;
  }
  return storeCertificate(tokenSession(), label, certificate.get());
}

int loadBase64Data(const char* label, const char* text, const char* slot, const char* pin) {
  setMessageFile(kDefaultMessageFile);
  if (!text) return -1;
  std::optional<SecureBytes> data = decodeBase64Text(text);
  // Nothing decoded means nothing to store: refused before the card is touched.
  if (!data || data->empty()) return -1;
  std::optional<int64_t> card = cardSlot(slot, pin);
  if (!card) return -1;
  CardCall call(pin, *card);
  if (!call.opened()) return -1;
  return storeDataObject(tokenSession(), label, data->data(), data->size());
}

int deleteObject(const char* label, const char* slot, const char* pin) {
  setMessageFile(kDefaultMessageFile);
  if (!slot || !pin) return -1;
  std::optional<int64_t> card = cardSlot(slot, pin);
  if (!card) return 0;  // slot -1: no card, nothing to remove
  CardCall call(pin, *card);
  if (!call.opened()) return -1;
  return removeObject(tokenSession(), label);
}

std::optional<std::string> getUserDN(const char* pattern, const char* slot, const char* pin) {
  setMessageFile(kDefaultMessageFile);
  std::optional<int64_t> card = cardSlot(slot, pin);
  if (!card) return std::nullopt;
  CardCall call(pin, *card);
  if (!call.opened()) return std::nullopt;
  // One byte more than returned, so a cut inside a character can be seen and stepped back.
  std::optional<std::string> dn = findUserDN(pattern, kMaxUserDn + 1);
  if (!dn) return std::nullopt;
  return cutAtCharacter(std::move(*dn), kMaxUserDn);
}

}  // namespace quervik
