// Bytes as hexadecimal text: upper case for the card's digest, lower case for the SHA-1
// digests of the protected-file and birth-number work.
#pragma once
#include <cstddef>
#include <span>
#include <string>

namespace quervik {

// Write two characters per byte and a terminating NUL: out needs 2 * length + 1 characters.
void toHexUpper(const unsigned char* bytes, size_t length, char* out);
void toHexLower(const unsigned char* bytes, size_t length, char* out);

std::string hexUpper(std::span<const unsigned char> bytes);
std::string hexLower(std::span<const unsigned char> bytes);

}  // namespace quervik
