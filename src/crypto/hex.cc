// Hexadecimal text; see hex.h.
#include "crypto/hex.h"

namespace quervik {
namespace {

void toHex(const unsigned char* bytes, size_t length, char* out, const char* digits) {
  for (size_t i = 0; i < length; ++i) {
    *out++ = digits[bytes[i] >> 4];
    *out++ = digits[bytes[i] & 0x0F];
  }
  *out = '\0';
}

constexpr const char* kUpper = "0123456789ABCDEF";
constexpr const char* kLower = "0123456789abcdef";

}  // namespace

void toHexUpper(const unsigned char* bytes, size_t length, char* out) { toHex(bytes, length, out, kUpper); }
void toHexLower(const unsigned char* bytes, size_t length, char* out) { toHex(bytes, length, out, kLower); }

std::string hexUpper(std::span<const unsigned char> bytes) {
  std::string s(bytes.size() * 2 + 1, '\0');
  toHexUpper(bytes.data(), bytes.size(), s.data());
  s.pop_back();
  return s;
}

std::string hexLower(std::span<const unsigned char> bytes) {
  std::string s(bytes.size() * 2 + 1, '\0');
  toHexLower(bytes.data(), bytes.size(), s.data());
  s.pop_back();
  return s;
}

}  // namespace quervik
