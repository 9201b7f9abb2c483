// The message codes of the key helpers as constants (kMsg<Name>), from messages.def.
#pragma once

namespace quervik {

enum : int {
#define MSG(name, code, kinds) kMsg##name = code,
#include "birthnumber/messages.def"
#undef MSG
};

}  // namespace quervik
