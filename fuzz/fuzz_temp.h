// The scratch files of the fuzz targets live under TMPDIR. scripts/fuzz-run points it at a
// directory of the target's own and removes it afterwards: libFuzzer's time limit ends a
// target without its exit handlers, so a target cannot be trusted to clean up itself.
#pragma once
#include <cstdlib>
#include <string>

// A mkstemp/mkdtemp template for a scratch file or directory of the name under TMPDIR.
inline std::string fuzzTempTemplate(const char* name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir && *dir ? dir : "/tmp") + "/quervik-fuzz-" + name + "-XXXXXX";
}
