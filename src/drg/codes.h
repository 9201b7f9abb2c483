// Names for the DRG checker's message codes (the numbers are listed in messages.def).
#pragma once

namespace quervik::drg {

enum Code : int {
#define MSG(name, code, kinds) name = code,
#include "drg/messages.def"
#undef MSG
  // The free text line, registered with the run services as other drivers report it too.
  DRG_TEXT_LINE = 7110,
};

}  // namespace quervik::drg
