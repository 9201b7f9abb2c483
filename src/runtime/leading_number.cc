// Leading integers and decimals of texts; see leading_number.h.
#include "runtime/leading_number.h"

#include <cstdlib>
#include <string>

namespace quervik {
namespace {

bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Skips white space and reads the sign; returns the index of the first digit candidate.
size_t skipToDigits(std::string_view text, bool& negative) {
  size_t i = 0;
  while (i < text.size() && isCSpace(text[i])) ++i;
  negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  return i;
}

}  // namespace

int64_t leadingInteger(std::string_view text) {
  bool negative = false;
  size_t i = skipToDigits(text, negative);
  uint64_t value = 0;
  const uint64_t limit = negative ? uint64_t(INT64_MAX) + 1 : uint64_t(INT64_MAX);
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + uint64_t(text[i] - '0');
    if (value > limit) {
      value = limit;
      // Keep consuming digits; the value stays saturated.
      while (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9') ++i;
    }
  }
  if (negative) return value == uint64_t(INT64_MAX) + 1 ? INT64_MIN : -int64_t(value);
  return int64_t(value);
}

double leadingDecimal(std::string_view text) {
  bool negative = false;
  const size_t first = skipToDigits(text, negative);
  size_t i = first;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
  }
  // strtod on a bounded copy rounds exactly as atof would, without reading past the view.
  std::string digits(text.substr(first, i - first));
  if (digits.empty() || digits == ".") return 0.0;
  double value = std::strtod(digits.c_str(), nullptr);
  return negative ? -value : value;
}

}  // namespace quervik
