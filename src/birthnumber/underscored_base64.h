// The text form of an RSA block inside a record and of the reference check value a host
// passes in: base64 in lines of 64 characters, each line ended by "_" instead of a line feed,
// so the whole text fits on one line of a batch file.
#pragma once
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "crypto/secure_bytes.h"

namespace quervik {

// The base64 encoder's text of the bytes (64-character lines, the last one shorter) with
// every line end written as "_": a 128-byte block gives 64 + "_" + 64 + "_" + 44 + "_".
std::string encodeUnderscoredBase64(std::span<const unsigned char> bytes);

// The bytes of such a text. One trailing "_" is dropped; the text is decoded 64 characters at
// a time, each piece on its own, and one separator after each whole piece is skipped (any
// character outside the base64 alphabet, "_" in practice), so text without separators decodes
// too. None when a piece does not decode (a character outside the alphabet, data after "=", a
// piece that is not a whole number of quads).
std::optional<SecureBytes> decodeUnderscoredBase64(std::string_view text);

}  // namespace quervik
