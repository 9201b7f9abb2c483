// The message codes the conversion reports, by name (the list is convert/messages.def).
#pragma once

namespace quervik::convert::msg {

#define MSG(name, code, kinds) inline constexpr int name = code;
#include "convert/messages.def"
#undef MSG

// Registered with the run services, as the VZP check reports them too.
inline constexpr int CONVERT_INPUT_UNREADABLE = 50102;
inline constexpr int CONVERT_FILE_START = 50106;
inline constexpr int CONVERT_TEXT_LINE = 7110;

}  // namespace quervik::convert::msg
