// The message codes of birth-number coding and recovery as constants (kMsg<Name>), from
// coding_messages.def.
#pragma once

namespace quervik {

enum : int {
#define MSG(name, code, kinds) kMsg##name = code,
#include "birthnumber/coding_messages.def"
#undef MSG
};

// A failure tied to a line of the recovery input is reported with its line number first.
inline constexpr int kMsgLineOfRecord = 7900;

}  // namespace quervik
