// Console diagnostics that are not findings: fixed texts on standard output or standard
// error, flushed at once so they interleave correctly with the caller's own output.
#pragma once

namespace quervik {

void consoleOut(const char* format, ...) __attribute__((format(printf, 1, 2)));
void consoleErr(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace quervik
