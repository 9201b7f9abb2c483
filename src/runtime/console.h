// The console: diagnostics that are not findings (fixed texts on standard output or standard
// error, flushed at once so they interleave correctly with the caller's own output), and the
// terminal mode of a prompt for a secret.
#pragma once

namespace quervik {

void consoleOut(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Sends consoleOut to standard error instead, for a command whose standard output carries
// data that these lines must not break into (its JSON findings).
void consoleOutToStandardError(bool on);
void consoleErr(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Switches echo off on the terminal fd while a secret is typed (nothing when fd is no
// terminal), and gives the terminal back as it was on every way out: when the object goes,
// and when an interrupt, quit, hang-up or termination signal ends the prompt, since a shell
// left without echo is unusable. Such a signal then takes the course it would have taken
// without the prompt (the handler the process had, or its default action). One at a time.
class EchoOff {
 public:
  explicit EchoOff(int fd);
  ~EchoOff();
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;
  bool active() const { return active_; }

 private:
  void restore();
  bool active_ = false;
};

}  // namespace quervik
