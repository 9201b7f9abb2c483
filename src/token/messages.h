// The message codes of the card layer as constants (kMsg<Name>), from messages.def.
#pragma once

namespace quervik {

enum : int {
#define MSG(name, code, kinds) kMsg##name = code,
#include "token/messages.def"
#undef MSG
};

}  // namespace quervik
