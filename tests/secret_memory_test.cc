// Secrets stay out of core dumps: the pages of wiping storage, small and large, are marked so.
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "crypto/secure_bytes.h"
#include "test_support.h"

namespace quervik::test {
namespace {

// Whether the mapping that holds the address is left out of core dumps ("dd" in its VmFlags).
bool leftOutOfDumps(const void* p) {
  const auto at = reinterpret_cast<uintptr_t>(p);
  std::ifstream maps("/proc/self/smaps");
  bool inside = false;
  for (std::string line; std::getline(maps, line);) {
    uintptr_t from = 0, to = 0;
    char dash = 0;
    std::istringstream range(line);
    if (range >> std::hex >> from >> dash >> to && dash == '-') inside = from <= at && at < to;
    if (inside && line.rfind("VmFlags:", 0) == 0) return (line + " ").find(" dd ") != std::string::npos;
  }
  return false;
}

TEST(SecretMemory, IsLeftOutOfCoreDumps) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "sanitizer builds keep secrets on the heap";
#endif
  for (size_t size : {size_t(24), size_t(100000), size_t(8) << 20}) {
    SecureBytes secret(size);
    EXPECT_TRUE(leftOutOfDumps(secret.data())) << size;
  }
}

}  // namespace
}  // namespace quervik::test
