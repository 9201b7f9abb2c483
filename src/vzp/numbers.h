// Small number readers of the VZP checks, kept beside the checks because they run for
// nearly every field.
#pragma once
#include <cstdint>
#include <cstring>
#include <string_view>

#include "runtime/leading_number.h"
#include "vzp/codes.h"

namespace quervik::vzp {

// Bit 7 of each byte of the word is set where that byte is not a decimal digit; the sum
// never carries from one byte into the next.
inline uint64_t nonDigitBytes(uint64_t w) {
  const uint64_t x = w ^ 0x3030303030303030ULL;
  return (((x & 0x7F7F7F7F7F7F7F7FULL) + 0x7676767676767676ULL) | x) & 0x8080808080808080ULL;
}

inline bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The leading integer of a text (see leadingInteger), read directly when the text is too
// short for its number to overflow, as nearly every field is.
inline int64_t fieldInteger(std::string_view v) {
  if (v.size() > 18) return leadingInteger(v);
  size_t i = 0;
  while (i < v.size() && isCSpace(v[i])) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  int64_t n = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) n = n * 10 + (v[i] - '0');
  return negative ? -n : n;
}

// The sign of the leading decimal number of a text (see leadingDecimal): 1 positive, -1
// negative, 0 when it is zero or there is none. The checks only ask whether an amount is
// zero or above zero; this answers without converting it.
inline int leadingDecimalSign(std::string_view v) {
  size_t i = 0;
  while (i < v.size() && isCSpace(v[i])) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  bool nonzero = false;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) nonzero |= v[i] != '0';
  if (i < v.size() && v[i] == '.')
    for (++i; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) nonzero |= v[i] != '0';
  return nonzero ? (negative ? -1 : 1) : 0;
}

// Walks a right-aligned whole number: leading blanks, then digits with at most one minus
// sign, which may not stand in the first place. Any other character, or a misplaced minus,
// gives 6055. A blank after the number began gives 6056, or ends the walk with 0 when
// `blankEnds` (a number followed by blanks).
inline int walkNumber(std::string_view v, bool blankEnds) {
  bool started = false, minus = false;
  for (size_t i = 0; i < v.size(); ++i) {
    const char c = v[i];
    if (c == ' ') {
      if (started) return blankEnds ? 0 : VZP_NUMBER_INNER_BLANK;
    } else if (c == '-') {
      if (i == 0 || minus) return VZP_NUMBER_CHARACTER_NOT_ALLOWED;
      minus = started = true;
    } else if (c >= '0' && c <= '9') {
      started = true;
    } else {
      return VZP_NUMBER_CHARACTER_NOT_ALLOWED;
    }
  }
  return 0;
}

}  // namespace quervik::vzp
