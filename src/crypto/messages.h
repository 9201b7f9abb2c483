// The message codes of the OpenSSL glue as constants (kMsg<Name>), from messages.def.
#pragma once

namespace quervik {

enum : int {
#define MSG(name, code, kinds) kMsg##name = code,
#include "crypto/messages.def"
#undef MSG
};

}  // namespace quervik
