// The generic check of a VZP field by its kind and presence; see checks.h.
#include <array>

#include "runtime/leading_number.h"
#include "vzp/checks.h"
#include "vzp/codes.h"

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

int checkCharacter(std::string_view v, char presence) {
  bool filled = false, allowed = true;
  for (char c : v) {
    filled |= c != ' ';
    allowed &= kAllowed[static_cast<unsigned char>(c)];
  }
  if (presence == 'X' && filled) return VZP_MUST_BE_BLANK;
  if (presence == ' ' && !filled) return VZP_REQUIRED_BLANK;
  if (!filled) return 0;
  return allowed ? 0 : VZP_CHARACTER_NOT_ALLOWED;
}

// A number is right-aligned: leading blanks, then digits, with at most one minus sign that
// does not stand in the first position of the field.
int checkNumeric(std::string_view v, char presence) {
  bool started = false, minus = false;
  for (size_t i = 0; i < v.size(); ++i) {
    const char c = v[i];
    if (c == ' ') {
      if (started) return VZP_NUMBER_INNER_BLANK;
    } else if (c == '-') {
      if (i == 0 || minus) return VZP_NUMBER_CHARACTER_NOT_ALLOWED;
      minus = started = true;
    } else if (isDigit(c)) {
      started = true;
    } else {
      return VZP_NUMBER_CHARACTER_NOT_ALLOWED;
    }
  }
  const bool endsBlank = v.empty() || v.back() == ' ';
  if (presence == 'X' && (leadingInteger(v) != 0 || endsBlank)) return VZP_MUST_BE_ZERO;
  if (endsBlank) return presence == 'N' ? 0 : VZP_NUMBER_NOT_RIGHT_ALIGNED;
  return 0;
}

// DDMMYYYY in the first eight characters.
int checkDate(std::string_view v, char presence) {
  const std::string_view d = v.substr(0, 8);
  bool filled = false, digits = d.size() == 8;
  for (char c : d) {
    filled |= c != ' ';
    digits &= isDigit(c);
  }
  if (!filled) return presence == ' ' ? VZP_DATE_MISSING : 0;
  if (!digits) return VZP_DATE_FORMAT_WRONG;
  if (presence == 'X') return VZP_MUST_NOT_BE_FILLED;
  const int64_t day = leadingInteger(d.substr(0, 2));
  const int64_t month = leadingInteger(d.substr(2, 2));
  const int64_t year = leadingInteger(d.substr(4, 4));
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
  if (presence == 'X' && (leadingDecimal(v) > 0 || endsBlank)) return VZP_AMOUNT_MUST_BE_ZERO;
  if (endsBlank) return VZP_AMOUNT_NOT_RIGHT_ALIGNED;
  return 0;
}

}  // namespace

bool isNationalLetter(unsigned char c) { return c >= 0x80 && kAllowed[c]; }

int checkAttribute(std::string_view value, const VzpFieldDescriptor& field) {
  switch (field.kind) {
    case 'C':
      return checkCharacter(value, field.presence);
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

}  // namespace quervik::vzp
