// Outputs put into place when complete; see pending_file.h.
#include "runtime/pending_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <random>

#include "runtime/paths.h"
#include "runtime/platform.h"

namespace quervik {
namespace {

std::atomic<bool> gUnnamedAllowed{true};

// A hidden name beside the output that does not grow with the output's name, so an output
// name near the system's limit still has room for its temporary file.
std::string shortTemporaryName(const std::string& directory) {
  std::random_device entropy;
  char name[32];
  std::snprintf(name, sizeof name, ".qv%08x%04x.part", static_cast<unsigned>(entropy()),
                static_cast<unsigned>(entropy() & 0xFFFF));
  return directory + name;
}

std::string procFdPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// The umask, read without changing it: setting and restoring it would race with the other
// threads of the host application, whose files would meanwhile be created without a mask.
mode_t currentUmask() {
  if (FILE* f = std::fopen("/proc/self/status", "re")) {
    char line[256];
    while (std::fgets(line, sizeof line, f)) {
      if (std::strncmp(line, "Umask:", 6) == 0) {
        std::fclose(f);
        return static_cast<mode_t>(std::strtoul(line + 6, nullptr, 8) & 0777);
      }
    }
    std::fclose(f);
  }
  mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

// What the output is given on commit: the permissions of the file it replaces (never its
// set-id bits), a plain create's for a new file, the owner's alone for a private one.
mode_t finalMode(PendingFile::Kind kind, const std::string& target) {
  if (kind == PendingFile::Kind::NewPrivate) return 0600;
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 0777;
  return 0666 & ~currentUmask();
}

}  // namespace

PendingFile::~PendingFile() { discard(); }

void PendingFile::allowUnnamedFiles(bool allow) { gUnnamedAllowed = allow; }

bool PendingFile::open(const char* path, Kind kind) {
  discard();
  if (!path || !*path || isDirectory(path) == 1) return false;
  std::string target = nativePath(path);
  struct stat existing {};
  if (kind == Kind::Output && ::stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    // A device or a pipe (/dev/null, a FIFO another program reads) is written as it stands:
    // renaming a file over it would put a plain file in its place (for root even instead of
    // /dev/null, which every later reader of /dev/null would then read), and what goes into
    // a device or a pipe cannot be held back until the end anyway.
    int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    FILE* f = fd >= 0 ? ::fdopen(fd, "wb") : nullptr;
    if (!f) {
      if (fd >= 0) ::close(fd);
      return false;
    }
    stream_ = f;
    kind_ = kind;
    direct_ = true;
    return true;
  }
  std::string directory = dirName(target).value_or("");
  std::string temporary;
  int fd = -1;
#ifdef O_TMPFILE
  if (gUnnamedAllowed) {
    fd = ::open(directory.empty() ? "." : directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    // It is linked into place through /proc; without /proc a named file serves.
    if (fd >= 0 && ::access(procFdPath(fd).c_str(), F_OK) != 0) {
      ::close(fd);
      fd = -1;
    }
  }
#endif
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    temporary = shortTemporaryName(directory);
    // O_EXCL: never reuse a file someone else made.
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;
  FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    ::close(fd);
    if (!temporary.empty()) ::unlink(temporary.c_str());
    return false;
  }
  return hold(f, kind, std::move(directory), std::move(temporary), std::move(target));
}

bool PendingFile::commit() {
  if (!stream_) return false;
  if (direct_) {
    bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
    ok = std::fclose(stream_) == 0 && ok;
    stream_ = nullptr;
    direct_ = false;
    return ok;
  }
  const int fd = ::fileno(stream_);
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_) && ::fchmod(fd, finalMode(kind_, target_)) == 0;
  // An unnamed file gets a short name first: linkat cannot replace an existing file, and a
  // replaced output must never be missing meanwhile, so from that name it is renamed over the
  // target (or, a private file, linked beside it), as a named temporary file is.
  for (int attempt = 0; ok && temporary_.empty() && attempt < 100; ++attempt) {
    std::string candidate = shortTemporaryName(directory_);
    if (::linkat(AT_FDCWD, procFdPath(fd).c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0)
      temporary_ = std::move(candidate);
    else if (errno != EEXIST)
      ok = false;
  }
  ok = std::fclose(stream_) == 0 && ok && !temporary_.empty();
  stream_ = nullptr;
  if (ok && kind_ == Kind::Output) {
    ok = std::rename(temporary_.c_str(), target_.c_str()) == 0;
  } else if (ok) {
    // Never over an existing name: a hard link fails when the name exists; a file system
    // without hard links may still refuse to replace on a rename.
    ok = ::link(temporary_.c_str(), target_.c_str()) == 0 ||
         (errno != EEXIST && ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) == 0);
  }
  if (!temporary_.empty() && !(ok && kind_ == Kind::Output)) ::unlink(temporary_.c_str());
  temporary_.clear();
  return ok;
}

void PendingFile::discard() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  direct_ = false;
  if (!temporary_.empty()) {
    ::unlink(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace quervik
