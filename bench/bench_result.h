// One machine-readable line per measured figure, collected by scripts/bench into its table:
//   RESULT|benchmark|figure|baseline|ratio|target|PASS or FAIL
// The texts carry their units; a figure without a baseline of its own gives "-".
#pragma once
#include <cstdio>
#include <string>

namespace bench {

inline void printResult(const std::string& benchmark, const std::string& figure, const std::string& baseline,
                        const std::string& ratio, const std::string& target, bool pass) {
  std::printf("RESULT|%s|%s|%s|%s|%s|%s\n", benchmark.c_str(), figure.c_str(), baseline.c_str(), ratio.c_str(),
              target.c_str(), pass ? "PASS" : "FAIL");
  std::fflush(stdout);
}

// printf into a string, for the columns above.
template <typename... Args>
std::string format(const char* pattern, Args... args) {
  char buffer[256];
  std::snprintf(buffer, sizeof buffer, pattern, args...);
  return buffer;
}

}  // namespace bench
