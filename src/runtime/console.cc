// Console diagnostics and the echo of a secret prompt; see console.h.
#include "runtime/console.h"

#ifndef _WIN32  // the Windows console's echo: console_echo_windows.cc
#include <signal.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <cstdarg>
#include <cstdio>

namespace quervik {

namespace {
FILE* gConsoleOut = nullptr;  // null: standard output
}  // namespace

void consoleOutToStandardError(bool on) { gConsoleOut = on ? stderr : nullptr; }

void consoleOut(const char* format, ...) {
  FILE* out = gConsoleOut ? gConsoleOut : stdout;
  va_list ap;
  va_start(ap, format);
  std::vfprintf(out, format, ap);
  va_end(ap);
  std::fflush(out);
}

void consoleErr(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::vfprintf(stderr, format, ap);
  va_end(ap);
  std::fflush(stderr);
}

#ifndef _WIN32
namespace {

// The signals that end a prompt, and what the process did with them before it.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGQUIT, SIGHUP};
constexpr int kSignalCount = sizeof kEndingSignals / sizeof kEndingSignals[0];
struct sigaction gPrevious[kSignalCount];
bool gInstalled[kSignalCount];

// The terminal of the prompt, as the handler needs it (tcsetattr is async-signal-safe).
int gTerminal = -1;
termios gSaved;
volatile sig_atomic_t gEchoIsOff = 0;

void onEndingSignal(int sig, siginfo_t* info, void* context) {
  if (gEchoIsOff) ::tcsetattr(gTerminal, TCSANOW, &gSaved);
  for (int i = 0; i < kSignalCount; ++i) {
    if (kEndingSignals[i] != sig) continue;
    const struct sigaction& before = gPrevious[i];
    if (before.sa_flags & SA_SIGINFO) {
      before.sa_sigaction(sig, info, context);
    } else if (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN) {
      before.sa_handler(sig);
    } else {
      // The default action: it takes effect when this handler returns (the signal is blocked
      // until then), so the process ends exactly as it would have, with its terminal restored.
      ::sigaction(sig, &before, nullptr);
      ::raise(sig);
    }
  }
}

}  // namespace

EchoOff::EchoOff(int fd) {
  if (gEchoIsOff || fd < 0 || !::isatty(fd) || ::tcgetattr(fd, &gSaved) != 0) return;
  gTerminal = fd;
  gEchoIsOff = 1;
  struct sigaction handler {};
  handler.sa_sigaction = onEndingSignal;
  handler.sa_flags = SA_SIGINFO;  // no SA_RESTART: the read of the prompt ends with the signal
  sigemptyset(&handler.sa_mask);
  for (int i = 0; i < kSignalCount; ++i) {
    gInstalled[i] = ::sigaction(kEndingSignals[i], nullptr, &gPrevious[i]) == 0 && gPrevious[i].sa_handler != SIG_IGN &&
                    ::sigaction(kEndingSignals[i], &handler, nullptr) == 0;
  }
  termios quiet = gSaved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  active_ = true;
  if (::tcsetattr(fd, TCSAFLUSH, &quiet) != 0) restore();
}

EchoOff::~EchoOff() {
  if (!active_) return;
  restore();
  consoleOut("\n");  // the Enter the user typed was not echoed
}

void EchoOff::restore() {
  ::tcsetattr(gTerminal, TCSAFLUSH, &gSaved);
  gEchoIsOff = 0;
  for (int i = 0; i < kSignalCount; ++i) {
    if (gInstalled[i]) ::sigaction(kEndingSignals[i], &gPrevious[i], nullptr);
    gInstalled[i] = false;
  }
  active_ = false;
}
#endif

}  // namespace quervik
