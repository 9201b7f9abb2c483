// The message codes of card administration as constants (kMsg<Name>), from messages.def.
#pragma once

namespace quervik {

enum : int {
#define MSG(name, code, kinds) kMsg##name = code,
#include "tokenadmin/messages.def"
#undef MSG
};

}  // namespace quervik
