// printf-style formatting of catalogue texts with typed arguments.
//
// The catalogue is an external file, so its texts are untrusted. Every conversion is matched
// to the next argument: integer conversions (d i u o x X c) take an integer or a character,
// %s takes a text, floating conversions (f F e E g G a A) take a double, and a '*' width or
// precision takes an integer. A conversion whose argument is missing or of another kind, and
// every %n, is copied literally; an argument of another kind is still consumed, so later
// conversions meet the argument that printf would have given them. The result is cut to
// kMaxReportLength characters.
#pragma once
#include <span>
#include <string>
#include <string_view>

#include "runtime/message_args.h"

namespace quervik {

inline constexpr size_t kMaxReportLength = 2047;

std::string safeFormat(std::string_view format, std::span<const MsgArg> args);

// The argument classes a format expects, in order: 'i' integer, 's' text, 'f' double.
// '%%' expects nothing; %n and malformed conversions are reported as '?'.
std::string conversionClasses(std::string_view format);

}  // namespace quervik
