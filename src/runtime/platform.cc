// The platform layer for POSIX systems; see platform.h.
#include "runtime/platform.h"

#include <sys/stat.h>
#include <unistd.h>

namespace quervik {

std::string nativePath(std::string_view path) {
  std::string p(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

FILE* openFile(const char* path, const char* mode) {
  if (!path) return nullptr;
  std::string p = nativePath(path);
  struct stat st;
  if (::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return nullptr;
  return std::fopen(p.c_str(), mode);
}

int removeFile(const char* path) {
  if (!path) return -1;
  return ::unlink(nativePath(path).c_str());
}

int64_t fileSize(const char* path) {
  struct stat st;
  if (!path || ::stat(nativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

bool sameFile(const char* a, const char* b) {
  struct stat sa, sb;
  if (!a || !b || ::stat(nativePath(a).c_str(), &sa) != 0 || ::stat(nativePath(b).c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

}  // namespace quervik
