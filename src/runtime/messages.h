// The registry of message codes: every code the library reports, with the kinds of the
// arguments its reports pass ('d' integer, 'c' character, 's' text, 'f' double). Each
// subsystem lists its codes in its own messages.def as MSG(NAME, code, "kinds") lines; the
// catalogue test holds msg/errors.msg against this registry.
#pragma once
#include <span>

namespace quervik {

struct MessageSpec {
  const char* name;
  int code;
  const char* kinds;
};

std::span<const MessageSpec> messageRegistry();
// The entry of a code, or null when the code is not registered.
const MessageSpec* findMessageSpec(int code);

}  // namespace quervik
