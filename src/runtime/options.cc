// Option lookup; see options.h.
#include "runtime/options.h"

#include "runtime/report.h"

namespace quervik {

int findOption(int count, const char* const* vector, char letter, const char** value, OptionCheck check, int code) {
  for (int i = 0; i < count; ++i) {
    const char* a = vector[i];
    if (!a || a[0] != '-' || a[1] != letter || a[2] != '\0') continue;
    const char* v = i + 1 < count ? vector[i + 1] : nullptr;
    if (value) *value = v;
    if (!check || check(v) == 0) return 0;
    if (code >= 0) reportError(code);
    return 2;
  }
  return 1;
}

}  // namespace quervik
