// Small number readers of the VZP checks, kept beside the checks because they run for
// nearly every field.
#pragma once
#include <string_view>

namespace quervik::vzp {

// The sign of the leading decimal number of a text (see leadingDecimal): 1 positive, -1
// negative, 0 when it is zero or there is none. The checks only ask whether an amount is
// zero or above zero; this answers without converting it.
inline int leadingDecimalSign(std::string_view v) {
  size_t i = 0;
  while (i < v.size() && (v[i] == ' ' || (v[i] >= '\t' && v[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  bool nonzero = false;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) nonzero |= v[i] != '0';
  if (i < v.size() && v[i] == '.')
    for (++i; i < v.size() && v[i] >= '0' && v[i] <= '9'; ++i) nonzero |= v[i] != '0';
  return nonzero ? (negative ? -1 : 1) : 0;
}

}  // namespace quervik::vzp
