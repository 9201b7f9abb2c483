// The generic check of a VZP field by its kind and presence; see checks.h.
#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "vzp/checks.h"
#include "vzp/codes.h"
#include "vzp/numbers.h"

namespace quervik::vzp {
namespace {

constexpr unsigned char kNationalLetters[] = {
    0xA0, 0x9F, 0xD4, 0x82, 0xD8, 0xA1, 0xE5, 0xA2, 0xFD, 0xE7, 0x9C, 0xA3, 0x85, 0xEC, 0xA7, 0xB5,
    0xAC, 0xD2, 0x90, 0xB7, 0xD6, 0xD5, 0xE0, 0xFC, 0xE6, 0x9B, 0xE9, 0xDE, 0xED, 0xA6, 0x93, 0xE2,
    0x92, 0x91, 0x96, 0x95, 0xEA, 0xE8, 0x84, 0x8E, 0x81, 0x9A, 0x89, 0xD3, 0x94, 0x99, 0xF5};
static_assert(std::size(kNationalLetters) == 47);

// Which bytes a character field accepts: printable ASCII and the national letters.
constexpr std::array<bool, 256> makeAllowed() {
  std::array<bool, 256> a{};
  for (int c = 0x20; c <= 0x7E; ++c) a[c] = true;
  for (unsigned char c : kNationalLetters) a[c] = true;
  return a;
}
constexpr std::array<bool, 256> kAllowed = makeAllowed();

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Eight bytes at a time: almost every character field is plain ASCII, and a word of
// printable ASCII needs no table lookups.
bool wordIsPrintableAscii(uint64_t w) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL, kHigh = 0x8080808080808080ULL;
  // With every byte below 0x80, adding 0x01 or 0x60 to each byte carries into no other:
  // b + 0x01 reaches 0x80 only for 0x7F, and b + 0x60 stays below 0x80 only for b < 0x20.
  if (w & kHigh) return false;
  return (((w + kOnes) | ~(w + kOnes * 0x60)) & kHigh) == 0;
}

// With `padded`, the caller guarantees that the bytes up to the next multiple of eight
// past the value are readable (the batch check's line buffer has that slack), so a short
// field is one masked word instead of a loop over its bytes.
template <bool padded>
int checkCharacter(std::string_view v, char presence) {
  static_assert(std::endian::native == std::endian::little, "the word masks assume little-endian order");
  constexpr uint64_t kBlanks = 0x2020202020202020ULL;
  bool filled = false, allowed = true;
  size_t i = 0;
  for (; i + 8 <= v.size() || (padded && i < v.size()); i += 8) {
    uint64_t w;
    std::memcpy(&w, v.data() + i, 8);
    const size_t count = std::min<size_t>(8, v.size() - i);
    if (count < 8) {  // bytes past the value read as blanks
      const uint64_t keep = (uint64_t(1) << (8 * count)) - 1;
      w = (w & keep) | (kBlanks & ~keep);
    }
    filled |= w != kBlanks;
    if (!wordIsPrintableAscii(w))
      for (size_t j = i; j < i + count; ++j) allowed &= kAllowed[static_cast<unsigned char>(v[j])];
  }
  for (; i < v.size(); ++i) {
    filled |= v[i] != ' ';
    allowed &= kAllowed[static_cast<unsigned char>(v[i])];
  }
  if (presence == 'X' && filled) return VZP_MUST_BE_BLANK;
  if (presence == ' ' && !filled) return VZP_REQUIRED_BLANK;
  if (!filled) return 0;
  return allowed ? 0 : VZP_CHARACTER_NOT_ALLOWED;
}

// A number is right-aligned and, unless it may be blank, filled.
int checkNumeric(std::string_view v, char presence) {
  if (int code = walkNumber(v, false)) return code;
  const bool endsBlank = v.empty() || v.back() == ' ';
  if (presence == 'X' && (fieldInteger(v) != 0 || endsBlank)) return VZP_MUST_BE_ZERO;
  if (endsBlank) return presence == 'N' ? 0 : VZP_NUMBER_NOT_RIGHT_ALIGNED;
  return 0;
}

// DDMMYYYY in the first eight characters.
int checkDate(std::string_view v, char presence) {
  const std::string_view d = v.substr(0, 8);
  bool filled = false, digits = d.size() == 8;
  if (digits) {  // the eight bytes as one word
    uint64_t w;
    std::memcpy(&w, d.data(), 8);
    filled = w != 0x2020202020202020ULL;
    digits = nonDigitBytes(w) == 0;
  } else {
    for (char c : d) filled |= c != ' ';
  }
  if (!filled) return presence == ' ' ? VZP_DATE_MISSING : 0;
  if (!digits) return VZP_DATE_FORMAT_WRONG;
  if (presence == 'X') return VZP_MUST_NOT_BE_FILLED;
  // All eight are digits here.
  const auto digit = [&d](size_t i) { return d[i] - '0'; };
  const int day = digit(0) * 10 + digit(1), month = digit(2) * 10 + digit(3);
  const int year = digit(4) * 1000 + digit(5) * 100 + digit(6) * 10 + digit(7);
  if (year < 1992) return VZP_YEAR_OUT_OF_RANGE;
  if (day < 1 || day > 31) return VZP_DAY_WRONG;
  if ((month == 4 || month == 6 || month == 9 || month == 11) && day > 30) return VZP_DAY_WRONG;
  if (month == 2 && day > (year % 4 == 0 ? 29 : 28)) return VZP_DAY_WRONG;
  if (month < 1 || month > 12) return VZP_DATE_MONTH_WRONG;
  return 0;
}

// An amount is right-aligned with its decimal point D+1 places from the end. Without the
// point, a 2-decimal amount is taken as it stands (the rest is not examined); a 3-decimal
// one is refused.
int checkMoney(std::string_view v, char presence, int decimals) {
  const int pointAt = int(v.size()) - decimals - 1;
  bool started = false, minus = false;
  for (int i = 0; i < int(v.size()); ++i) {
    const char c = v[size_t(i)];
    if (!started && c == ' ') continue;
    started = true;
    if (c == ' ') return VZP_AMOUNT_INNER_BLANK;
    if (c == '-') {
      if (minus) return VZP_NUMBER_CHARACTER_NOT_ALLOWED;
      minus = true;
    }
    if (i == pointAt) {
      if (c == '.') continue;
      return decimals == 2 ? 0 : VZP_AMOUNT_DECIMALS_WRONG;
    }
    if (!isDigit(c) && c != '-') return VZP_AMOUNT_CHARACTER_NOT_ALLOWED;
  }
  const bool endsBlank = v.empty() || v.back() == ' ';
  if (presence == 'X' && (leadingDecimalSign(v) > 0 || endsBlank)) return VZP_AMOUNT_MUST_BE_ZERO;
  if (endsBlank) return VZP_AMOUNT_NOT_RIGHT_ALIGNED;
  return 0;
}

}  // namespace

bool classifyLine(const char* line, size_t length, VzpLineClasses& classes) {
#ifdef __SSE2__
  // Sixteen bytes at a time, four of them to a mask word, each word stored whole (a word
  // read back after smaller stores into it would wait for them). A range of bytes is one
  // signed compare once the range is moved to start at -128: printable ASCII (0x20-0x7E)
  // plus 0x60, digits plus 0x50.
  const __m128i toPrintable = _mm_set1_epi8(0x60), printableEnd = _mm_set1_epi8(-128 + 0x5F);
  const __m128i toDigits = _mm_set1_epi8(0x50), digitsEnd = _mm_set1_epi8(-128 + 10), blanks = _mm_set1_epi8(' ');
  for (size_t at = 0; at < length; at += 64) {
    uint64_t printable = 0, blank = 0, digit = 0;
    for (size_t k = 0; k < 64 && at + k < length; k += 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + at + k));
      printable |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmplt_epi8(_mm_add_epi8(v, toPrintable), printableEnd)))) << k;
      blank |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, blanks)))) << k;
      digit |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmplt_epi8(_mm_add_epi8(v, toDigits), digitsEnd)))) << k;
    }
    const size_t left = length - at;
    const uint64_t keep = left >= 64 ? ~uint64_t(0) : (uint64_t(1) << left) - 1;
    // Bytes outside printable ASCII are rare: a national letter is as good, anything else
    // leaves the line to the field-by-field checks.
    for (uint64_t other = ~printable & keep; other != 0; other &= other - 1)
      if (!kAllowed[static_cast<unsigned char>(line[at + size_t(std::countr_zero(other))])]) return false;
    classes.nonblank[at / 64] = ~blank & keep;
    classes.digit[at / 64] = digit & keep;
  }
#else
  const size_t words = (length + 63) / 64;
  std::memset(classes.nonblank, 0, words * sizeof(uint64_t));
  std::memset(classes.digit, 0, words * sizeof(uint64_t));
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (!kAllowed[c]) return false;
    if (c != ' ') classes.nonblank[i / 64] |= uint64_t(1) << (i % 64);
    if (isDigit(char(c))) classes.digit[i / 64] |= uint64_t(1) << (i % 64);
  }
#endif
  return true;
}

VzpQuickNumber quickNumberOf(const VzpFieldDescriptor& f) {
  if (f.width <= 0 || f.width > 63 || (f.presence != ' ' && f.presence != 'N')) return VzpQuickNumber::None;
  if (f.kind == 'N') return f.presence == 'N' ? VzpQuickNumber::NumberOrBlank : VzpQuickNumber::Number;
  if (f.kind == '$' && f.width - f.decimals - 1 >= 0) return VzpQuickNumber::Amount;
  return VzpQuickNumber::None;
}

bool anyBitInWide(const uint64_t (&bits)[kVzpMaskWords], size_t from, size_t count) {
  while (count > 0) {
    const size_t shift = from % 64, n = std::min(count, 64 - shift);
    const uint64_t mask = (n == 64 ? ~uint64_t(0) : (uint64_t(1) << n) - 1) << shift;
    if (bits[from / 64] & mask) return true;
    from += n;
    count -= n;
  }
  return false;
}

bool isNationalLetter(unsigned char c) { return c >= 0x80 && kAllowed[c]; }

int checkAttribute(std::string_view value, const VzpFieldDescriptor& field) {
  switch (field.kind) {
    case 'C':
      return checkCharacter<false>(value, field.presence);
    case 'N':
      return checkNumeric(value, field.presence);
    case 'D':
      return checkDate(value, field.presence);
    case '$':
      return checkMoney(value, field.presence, field.decimals);
    default:
      return VZP_UNKNOWN_KIND;
  }
}

namespace {

// One function per kind and presence, so the batch check decides both once per field of a
// layout instead of once per value.
template <char presence>
int characterInLine(std::string_view v, const VzpFieldDescriptor&) {
  return checkCharacter<true>(v, presence);
}
template <char presence>
int numericOf(std::string_view v, const VzpFieldDescriptor&) {
  return checkNumeric(v, presence);
}
template <char presence>
int dateOf(std::string_view v, const VzpFieldDescriptor&) {
  return checkDate(v, presence);
}
template <char presence>
int moneyOf(std::string_view v, const VzpFieldDescriptor& field) {
  return checkMoney(v, presence, field.decimals);
}

}  // namespace

VzpGenericCheck genericCheckInLine(const VzpFieldDescriptor& field) {
  const int p = field.presence == ' ' ? 0 : field.presence == 'N' ? 1 : field.presence == 'X' ? 2 : -1;
  if (p < 0) return checkAttribute;
  switch (field.kind) {
    case 'C': {
      static constexpr VzpGenericCheck f[] = {characterInLine<' '>, characterInLine<'N'>, characterInLine<'X'>};
      return f[p];
    }
    case 'N': {
      static constexpr VzpGenericCheck f[] = {numericOf<' '>, numericOf<'N'>, numericOf<'X'>};
      return f[p];
    }
    case 'D': {
      static constexpr VzpGenericCheck f[] = {dateOf<' '>, dateOf<'N'>, dateOf<'X'>};
      return f[p];
    }
    case '$': {
      static constexpr VzpGenericCheck f[] = {moneyOf<' '>, moneyOf<'N'>, moneyOf<'X'>};
      return f[p];
    }
    default:
      return checkAttribute;
  }
}

}  // namespace quervik::vzp
