// The message codes of the protected-file work as constants (kMsg<Name>), from messages.def.
#pragma once

namespace quervik {

enum : int {
#define MSG(name, code, kinds) kMsg##name = code,
#include "container/messages.def"
#undef MSG
};

}  // namespace quervik
