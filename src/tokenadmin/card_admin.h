// Card administration for the host application: the slots that hold a card, storing a
// certificate or a data object sent as base64 text, removing objects, and the distinguished
// name of a certificate on the card. Each entry that needs the card opens the one card session
// on the caller's slot with the caller's PIN, does its one thing and closes the session on
// every path. The quervik card command uses the same steps on files.
#pragma once
#include <openssl/x509.h>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "token/cryptoki.h"

namespace quervik {

// getUserDN returns at most this many bytes of the DN text.
inline constexpr size_t kMaxUserDn = 127;

// The decimal IDs of the slots that hold a card, in the module's order; none after 197
// (no module), 198 or 199 (no slot list, or no slot holds a card). The module stays
// initialised.
std::optional<std::vector<std::string>> slotIdTexts();

// The steps, in a session the caller opened (openToken).
//
// storeCertificate: the certificate as "Certifikat:<label>". 0; -1 when the name already
// answers an object on the card (233 with the label) or an object's attributes cannot be read
// (261); -2 when the card does not take it (the card layer's report, then 234 with the label).
[[nodiscard]] int storeCertificate(CK_SESSION_HANDLE session, const char* label, const X509* certificate);
// storeDataObject: a private data object labelled with the bare label holding the bytes. 0; -5
// without a label; -1 without bytes (the card is not touched), when the name already answers
// an object (225 with the label) or an object's attributes cannot be read (261); -6 when the
// card does not take it (226).
[[nodiscard]] int storeDataObject(CK_SESSION_HANDLE session, const char* label, const unsigned char* data,
                                  size_t length);
// removeObject: with a label, every object labelled exactly so (no prefix is added); without
// one, every object the session sees (a "." for each on standard output). 0; -1 after 260
// (with the label) or 259 and "Nelze vymazat objekt '<label>' z tokenu" on standard error.
[[nodiscard]] int removeObject(CK_SESSION_HANDLE session, const char* label);

// The host entries. Slots are decimal texts ("-1": no card); an absent slot or PIN, or slot
// -1, touches no card.
//
// loadBase64X509: the certificate (DER in base64, one line) stored as "Certifikat:<label>".
// 0; -1 when the text is absent, not base64 or not a certificate, without slot or PIN, when
// the session cannot be opened ("Nelze provest login do tokenu" on standard error) or the
// label is taken; -2 the card does not take it.
[[nodiscard]] int loadBase64X509(const char* label, const char* text, const char* slot, const char* pin);
// loadBase64Data: the decoded bytes as a data object labelled <label>. 0; -1 when the text is
// absent, not base64 or decodes to nothing, without slot or PIN, when the session cannot be
// opened or the label is taken; -5 no label; -6 the card does not take it.
[[nodiscard]] int loadBase64Data(const char* label, const char* text, const char* slot, const char* pin);
// deleteObject: removeObject on the card. 0 also for slot -1 (nothing is done); -1 without
// slot or PIN, when the session cannot be opened, or when removing failed.
[[nodiscard]] int deleteObject(const char* label, const char* slot, const char* pin);
// getUserDN: the DN text of the first certificate on the card whose DN text contains the
// pattern in any letter case, at most kMaxUserDn bytes (never ending inside a UTF-8
// character). None when nothing matches, without slot or PIN, or when the session cannot be
// opened.
std::optional<std::string> getUserDN(const char* pattern, const char* slot, const char* pin);

}  // namespace quervik
