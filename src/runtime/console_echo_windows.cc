// The echo of a secret prompt on a Windows console; see console.h. Echo is a mode of the
// console input; no signal can leave it switched off for the shell, since the console gives
// every program its own input mode back when the program ends.
#include <windows.h>

#include <io.h>

#include "runtime/console.h"

namespace quervik {
namespace {

HANDLE gConsole = INVALID_HANDLE_VALUE;
DWORD gSavedMode = 0;
bool gEchoIsOff = false;

}  // namespace

EchoOff::EchoOff(int fd) {
  if (gEchoIsOff || fd < 0) return;
  HANDLE h = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
  if (h == INVALID_HANDLE_VALUE || !::GetConsoleMode(h, &gSavedMode)) return;
  if (!::SetConsoleMode(h, gSavedMode & ~DWORD(ENABLE_ECHO_INPUT))) return;
  gConsole = h;
  gEchoIsOff = true;
  active_ = true;
}

EchoOff::~EchoOff() {
  if (!active_) return;
  restore();
  consoleOut("\n");  // the Enter the user typed was not echoed
}

void EchoOff::restore() {
  ::SetConsoleMode(gConsole, gSavedMode);
  gEchoIsOff = false;
  active_ = false;
}

}  // namespace quervik
