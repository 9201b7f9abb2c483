// The message codes of the VZP checker as constants, made from its list of codes
// (vzp/messages.def), so a code and its registered arguments cannot drift apart.
#pragma once

namespace quervik::vzp {

enum VzpCode : int {
#define MSG(name, code, kinds) name = code,
#include "vzp/messages.def"
#undef MSG
  // A year outside the allowed range: the DRG checker registers this code; the VZP checks
  // return it too and only ever report it through its text.
  VZP_YEAR_OUT_OF_RANGE = 6059,
  // Registered with the run services, as other drivers report them too.
  VZP_FILE_UNREADABLE = 50102,
  VZP_FILE_START = 50106,
  VZP_FREE_TEXT = 7110,
};

}  // namespace quervik::vzp
