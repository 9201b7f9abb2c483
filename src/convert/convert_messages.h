// The message codes the conversion reports, by name (the list is convert/messages.def).
#pragma once

namespace quervik::convert::msg {

#define MSG(name, code, kinds) inline constexpr int name = code;
#include "convert/messages.def"
#undef MSG

}  // namespace quervik::convert::msg
