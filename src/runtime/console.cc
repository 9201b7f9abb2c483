// Console diagnostics; see console.h.
#include "runtime/console.h"

#include <cstdarg>
#include <cstdio>

namespace quervik {

void consoleOut(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::vfprintf(stdout, format, ap);
  va_end(ap);
  std::fflush(stdout);
}

void consoleErr(const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  std::vfprintf(stderr, format, ap);
  va_end(ap);
  std::fflush(stderr);
}

}  // namespace quervik
