// Code page 852 to Unicode; see code_page_852.h.
#include "runtime/code_page_852.h"

namespace quervik {
namespace {

// Bytes 0x80-0xFF; the lower half is ASCII.
constexpr char16_t kUpperHalf[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x016F, 0x0107, 0x00E7,  // 80-87
    0x0142, 0x00EB, 0x0150, 0x0151, 0x00EE, 0x0179, 0x00C4, 0x0106,  // 88-8F
    0x00C9, 0x0139, 0x013A, 0x00F4, 0x00F6, 0x013D, 0x013E, 0x015A,  // 90-97
    0x015B, 0x00D6, 0x00DC, 0x0164, 0x0165, 0x0141, 0x00D7, 0x010D,  // 98-9F
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x0104, 0x0105, 0x017D, 0x017E,  // A0-A7
    0x0118, 0x0119, 0x00AC, 0x017A, 0x010C, 0x015F, 0x00AB, 0x00BB,  // A8-AF
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x011A,  // B0-B7
    0x015E, 0x2563, 0x2551, 0x2557, 0x255D, 0x017B, 0x017C, 0x2510,  // B8-BF
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x0102, 0x0103,  // C0-C7
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,  // C8-CF
    0x0111, 0x0110, 0x010E, 0x00CB, 0x010F, 0x0147, 0x00CD, 0x00CE,  // D0-D7
    0x011B, 0x2518, 0x250C, 0x2588, 0x2584, 0x0162, 0x016E, 0x2580,  // D8-DF
    0x00D3, 0x00DF, 0x00D4, 0x0143, 0x0144, 0x0148, 0x0160, 0x0161,  // E0-E7
    0x0154, 0x00DA, 0x0155, 0x0170, 0x00FD, 0x00DD, 0x0163, 0x00B4,  // E8-EF
    0x00AD, 0x02DD, 0x02DB, 0x02C7, 0x02D8, 0x00A7, 0x00F7, 0x00B8,  // F0-F7
    0x00B0, 0x00A8, 0x02D9, 0x0171, 0x0158, 0x0159, 0x25A0, 0x00A0,  // F8-FF
};

}  // namespace

char32_t codePage852Character(unsigned char byte) { return byte < 0x80 ? byte : kUpperHalf[byte - 0x80]; }

size_t encodeUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  size_t n = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  for (size_t i = n - 1; i > 0; --i, c >>= 6) out[i] = static_cast<char>(0x80 | (c & 0x3F));
  out[0] = static_cast<char>(kLead[n] | c);
  return n;
}

size_t utf8SequenceLength(std::string_view s) {
  if (s.empty()) return 0;
  unsigned char b = static_cast<unsigned char>(s[0]);
  if (b < 0x80) return 1;
  size_t n = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
  if (n == 0 || s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0;
  unsigned char second = static_cast<unsigned char>(s[1]);
  if ((b == 0xE0 && second < 0xA0) || (b == 0xED && second >= 0xA0) || (b == 0xF0 && second < 0x90) ||
      (b == 0xF4 && second >= 0x90))
    return 0;
  return n;
}

std::string utf8FromCodePage852(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  char buffer[4];
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) < 0x80)
      out += c;
    else
      out.append(buffer, encodeUtf8(codePage852Character(static_cast<unsigned char>(c)), buffer));
  }
  return out;
}

std::string utf8FromDataText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t n = utf8SequenceLength(text.substr(i));
    if (n == 0) {
      char buffer[4];
      out.append(buffer, encodeUtf8(codePage852Character(static_cast<unsigned char>(text[i])), buffer));
      ++i;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

}  // namespace quervik
