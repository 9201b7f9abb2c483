// The one card session of a work call. openToken initialises the module, opens a read/write
// session on the caller's slot and logs the user in with the PIN; closeToken closes it and
// finalises the module. Every object and cryptographic operation on the card runs in
// tokenSession(). Also: the slots that hold a card, the token's information, PIN changes.
// The session is process-wide and unguarded: one work call uses the card at a time.
#pragma once
#include <cstdint>
#include <vector>

#include "token/cryptoki.h"

namespace quervik {

// The value of tokenSession() while no session is open.
inline constexpr CK_SESSION_HANDLE kNoSession = CK_INVALID_HANDLE;

// A slot number as the callers receive it: decimal text; -1 means no card (keys in files).
inline constexpr int64_t kNoSlot = -1;
// The leading integer of the text as a 64-bit value (slot IDs can exceed 32-bit signed
// ranges on some modules); a null text is kNoSlot.
int64_t slotNumber(const char* text);

CK_SESSION_HANDLE tokenSession();

// Closes a session left open, then opens one on the slot and logs the user in. 0 success;
// -1 the session could not be opened (223; no session is recorded); -2 the PIN was refused
// (224; the session stays recorded until closeToken). The PIN is passed through, never kept.
[[nodiscard]] int openToken(const char* pin, CK_SLOT_ID slotId);
// Closes the recorded session and finalises the module; with none recorded, calls nothing.
// Always 0.
int closeToken();

// C_Initialize (197 on failure, its value returned), then C_OpenSession(serial, read/write).
[[nodiscard]] CK_RV startSession(CK_SLOT_ID slotId, CK_SESSION_HANDLE* session);
// C_Login as the normal user; its value. A null PIN is passed as no PIN.
[[nodiscard]] CK_RV loginUser(CK_SESSION_HANDLE session, const char* pin);
// C_CloseSession then C_Finalize, results ignored. Always 0.
int endSession(CK_SESSION_HANDLE session);

// The IDs of the slots that hold a token, in the module's order. Empty after reporting 197
// (C_Initialize failed), 198 (the count could not be read) or 199 (the list could not be read,
// or no slot holds a token). The module is left initialised.
std::vector<CK_SLOT_ID> listTokenSlots();

// Prints the token's label, manufacturer, model, serial number and flags and, when the module
// gives it, the number of mechanisms, one "Karta (token) ..." line each. C_GetTokenInfo's
// failure reports 200 with the slot ID; the module's value is returned.
[[nodiscard]] CK_RV printTokenInfo(CK_SLOT_ID slotId);

// Without an old PIN: C_InitPIN with the new one (the security officer's session); with both:
// C_SetPIN. No new PIN: 201 and CKR_ATTRIBUTE_VALUE_INVALID.
[[nodiscard]] CK_RV setTokenPin(CK_SESSION_HANDLE session, const char* oldPin, const char* newPin);

}  // namespace quervik
