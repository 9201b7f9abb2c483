// The card session; see session.h.
#include "token/session.h"

#include <cstring>

#include "runtime/console.h"
#include "runtime/leading_number.h"
#include "runtime/report.h"
#include "token/messages.h"
#include "token/module.h"

namespace quervik {
namespace {

CK_SESSION_HANDLE gSession = kNoSession;

CK_ULONG pinLength(const char* pin) { return pin ? static_cast<CK_ULONG>(std::strlen(pin)) : 0; }
CK_UTF8CHAR_PTR pinBytes(const char* pin) { return reinterpret_cast<CK_UTF8CHAR_PTR>(const_cast<char*>(pin)); }

}  // namespace

int64_t slotNumber(const char* text) { return text ? leadingInteger(text) : kNoSlot; }

CK_SESSION_HANDLE tokenSession() { return gSession; }

int openToken(const char* pin, CK_SLOT_ID slotId) {
  if (gSession != kNoSession) endSession(gSession);
  gSession = kNoSession;
  CK_SESSION_HANDLE opened = kNoSession;
  if (startSession(slotId, &opened) != CKR_OK) {
    reportError(kMsgSessionNotOpened);
    return -1;
  }
  gSession = opened;
  if (loginUser(gSession, pin) != CKR_OK) {
    reportError(kMsgLoginRefused);
    return -2;
  }
  return 0;
}

int closeToken() {
  if (gSession != kNoSession) endSession(gSession);
  gSession = kNoSession;
  return 0;
}

CK_RV startSession(CK_SLOT_ID slotId, CK_SESSION_HANDLE* session) {
  CK_RV rv = initializeModule();
  if (rv != CKR_OK) {
    reportError(kMsgModuleNotInitialized);
    return rv;
  }
  return callModule(&CK_FUNCTION_LIST::C_OpenSession, slotId, CK_FLAGS(CKF_SERIAL_SESSION | CKF_RW_SESSION),
                    nullptr, nullptr, session);
}

CK_RV loginUser(CK_SESSION_HANDLE session, const char* pin) {
  return callModule(&CK_FUNCTION_LIST::C_Login, session, CK_USER_TYPE(CKU_USER), pinBytes(pin), pinLength(pin));
}

int endSession(CK_SESSION_HANDLE session) {
  (void)callModule(&CK_FUNCTION_LIST::C_CloseSession, session);
  (void)finalizeModule();
  return 0;
}

std::vector<CK_SLOT_ID> listTokenSlots() {
  if (initializeModule() != CKR_OK) {
    reportError(kMsgModuleNotInitialized);
    return {};
  }
  CK_ULONG count = 0;
  if (callModule(&CK_FUNCTION_LIST::C_GetSlotList, CK_BBOOL(CK_TRUE), nullptr, &count) != CKR_OK) {
    reportError(kMsgSlotCountUnknown);
    return {};
  }
  std::vector<CK_SLOT_ID> slots(count);
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_GetSlotList, CK_BBOOL(CK_TRUE), slots.data(), &count);
  if (rv != CKR_OK || count == 0 || count > slots.size()) {
    reportError(kMsgNoTokenSlots);
    return {};
  }
  slots.resize(count);
  return slots;
}

CK_RV printTokenInfo(CK_SLOT_ID slotId) {
  CK_TOKEN_INFO info;
  std::memset(&info, 0, sizeof info);
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_GetTokenInfo, slotId, &info);
  if (rv != CKR_OK) {
    reportError(kMsgTokenInfoUnavailable, static_cast<unsigned long>(slotId));
    return rv;
  }
  // The text fields are blank-padded to their width and carry no terminator.
  auto field = [](const char* format, const CK_UTF8CHAR* text, size_t width) {
    consoleOut(format, static_cast<int>(width), reinterpret_cast<const char*>(text));
  };
  field("Karta (token) label            =%.*s=\n", info.label, sizeof info.label);
  field("Karta (token) vyrobce          =%.*s=\n", info.manufacturerID, sizeof info.manufacturerID);
  field("Karta (token) model            =%.*s=\n", info.model, sizeof info.model);
  field("Karta (token) serial           =%.*s=\n", info.serialNumber, sizeof info.serialNumber);
  consoleOut("Karta (token) inicializovana   =%ld=\n", static_cast<long>(info.flags));
  CK_ULONG mechanisms = 0;
  if (callModule(&CK_FUNCTION_LIST::C_GetMechanismList, slotId, nullptr, &mechanisms) == CKR_OK)
    consoleOut("Karta (token) pocet mechanismu =%d=\n", static_cast<int>(mechanisms));
  return rv;
}

CK_RV setTokenPin(CK_SESSION_HANDLE session, const char* oldPin, const char* newPin) {
  if (!newPin) {
    reportError(kMsgNoNewPin);
    return CKR_ATTRIBUTE_VALUE_INVALID;
  }
  if (!oldPin) return callModule(&CK_FUNCTION_LIST::C_InitPIN, session, pinBytes(newPin), pinLength(newPin));
  return callModule(&CK_FUNCTION_LIST::C_SetPIN, session, pinBytes(oldPin), pinLength(oldPin), pinBytes(newPin),
                    pinLength(newPin));
}

}  // namespace quervik
