// Leading numbers of texts: slot numbers, lengths, catalogue codes and numeric fields are read
// the way the C library's atoi and atof read them, but never overflow and never read past the
// view they are given.
#pragma once
#include <cstdint>
#include <string_view>

namespace quervik {

// White space, an optional sign, then decimal digits up to the first other character.
// No digits gives 0; values beyond the 64-bit range saturate.
int64_t leadingInteger(std::string_view text);

// The same for a number with an optional decimal point and fraction ("12.5", "-.5", " 3.").
double leadingDecimal(std::string_view text);

}  // namespace quervik
