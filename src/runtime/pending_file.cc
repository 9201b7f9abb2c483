// Outputs renamed into place when complete; see pending_file.h.
#include "runtime/pending_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "runtime/paths.h"
#include "runtime/platform.h"

namespace quervik {

PendingFile::~PendingFile() { discard(); }

bool PendingFile::open(const char* path) {
  discard();
  if (!path || !*path || isDirectory(path) == 1) return false;
  std::string target = nativePath(path);
  std::string directory = dirName(target).value_or("");
  std::string stem = directory + "." + baseName(target) + ".";
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x.part", static_cast<unsigned>(entropy()));
    std::string candidate = stem + suffix;
    // O_EXCL: never reuse a file someone else made; mode 0666 lets the umask decide, as fopen.
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    FILE* f = ::fdopen(fd, "wb");
    if (!f) {
      ::close(fd);
      ::unlink(candidate.c_str());
      return false;
    }
    stream_ = f;
    temporary_ = std::move(candidate);
    target_ = std::move(target);
    return true;
  }
  return false;
}

bool PendingFile::commit() {
  if (!stream_) return false;
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  if (ok && std::rename(temporary_.c_str(), target_.c_str()) == 0) {
    temporary_.clear();
    return true;
  }
  ::unlink(temporary_.c_str());
  temporary_.clear();
  return false;
}

void PendingFile::discard() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace quervik
