// Base64 texts as the host hands them over: a certificate or a data object (a key blob, say)
// in standard base64 on one line. The text is checked before anything is decoded, so a text
// that would decode to something else than what was sent (a line break, a blank, padding in
// the middle, a missing tail) is refused instead of being stored damaged.
#pragma once
#include <optional>
#include <string_view>

#include "crypto/secure_bytes.h"

namespace quervik {

// The bytes of the text: letters, digits, '+' and '/' in groups of four, the last group
// possibly ending in one or two '='. None for any other text. An empty text decodes to no
// bytes.
std::optional<SecureBytes> decodeBase64Text(std::string_view text);

}  // namespace quervik
