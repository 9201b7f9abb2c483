// The distinguished-name text of a certificate, the way the library shows and matches it: the
// subject's entries from the last to the first as "SN=value" joined by ",", e-mail entries
// left out. Protected files carry this text as the sender's name, and a certificate on the card
// is found by a fragment of it in any letter case.
#pragma once
#include <openssl/x509.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace quervik {

inline constexpr size_t kMaxDnText = 1023;

// The DN text of the certificate's subject, cut at kMaxDnText characters; "" for null. Each
// value is taken as stored up to its first NUL byte. A comma follows every entry except the
// subject's first, so a subject whose first entry is an e-mail address gives a text ending
// in ",".
std::string certificateDnText(const X509* certificate);

// True when text contains pattern, ASCII letters compared without regard to case. An empty
// pattern is found in every text.
bool containsIgnoringCase(std::string_view text, std::string_view pattern);

}  // namespace quervik
