// The platform layer for POSIX systems; see platform.h.
#include "runtime/platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <utility>

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

PathKind pathKind(const char* path) {
  if (!path) return PathKind::kMissing;
  struct stat st;
  if (::stat(nativePath(path).c_str(), &st) != 0) return PathKind::kMissing;
  if (S_ISDIR(st.st_mode)) return PathKind::kDirectory;
  return S_ISREG(st.st_mode) ? PathKind::kRegular : PathKind::kOther;
}

bool makeDirectory(const char* path) { return path && ::mkdir(nativePath(path).c_str(), 0777) == 0; }

bool listDirectory(const char* path, std::vector<std::string>& names) {
  DIR* d = path ? ::opendir(nativePath(path).c_str()) : nullptr;
  if (!d) return false;
  while (const dirent* e = ::readdir(d)) names.emplace_back(e->d_name);
  ::closedir(d);
  return true;
}

std::optional<FileStamp> fileStamp(const char* path) {
  struct stat st;
  if (!path || ::stat(nativePath(path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  return FileStamp{uint64_t(st.st_dev), uint64_t(st.st_ino), int64_t(st.st_mtim.tv_sec),
                   int64_t(st.st_mtim.tv_nsec), int64_t(st.st_size)};
}

int64_t streamFileSize(FILE* file) {
  struct stat st;
  if (!file || ::fstat(::fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

bool seekStream(FILE* file, int64_t offset, int whence) { return ::fseeko(file, off_t(offset), whence) == 0; }

int64_t tellStream(FILE* file) { return ::ftello(file); }

bool isTerminal(FILE* file) { return file && ::isatty(::fileno(file)) == 1; }

void setBinaryStdout() {}

FILE* createAnonymousFile() { return std::tmpfile(); }

FILE* createTemporaryBeside(const std::string& target, std::string& created) {
  const size_t sep = target.find_last_of('/');
  const std::string stem = (sep == std::string::npos ? std::string() : target.substr(0, sep + 1)) + "." +
                           target.substr(sep == std::string::npos ? 0 : sep + 1) + ".";
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%08x.part", static_cast<unsigned>(entropy()));
    std::string candidate = stem + suffix;
    // O_EXCL: never reuse a file someone else made; mode 0666 lets the umask decide, as fopen.
    int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return nullptr;
    }
    FILE* f = ::fdopen(fd, "wb");
    if (!f) {
      ::close(fd);
      ::unlink(candidate.c_str());
      return nullptr;
    }
    created = std::move(candidate);
    return f;
  }
  return nullptr;
}

bool replaceFile(const char* from, const char* to) { return std::rename(from, to) == 0; }

std::tm localCalendarTime(std::time_t moment) {
  std::tm local{};
  ::localtime_r(&moment, &local);
  return local;
}

std::optional<std::string> executablePath() {
  char self[4096];
  ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return std::nullopt;
  return std::string(self, size_t(n));
}

std::optional<std::string> environmentVariable(const char* name) {
  const char* value = name ? std::getenv(name) : nullptr;
  if (!value) return std::nullopt;
  return std::string(value);
}

bool setEnvironmentVariable(const char* name, const char* value) {
  return (value ? ::setenv(name, value, 1) : ::unsetenv(name)) == 0;
}

void* disableEcho(FILE* in) {
  const int fd = in ? ::fileno(in) : -1;
  termios saved{};
  if (fd < 0 || !::isatty(fd) || ::tcgetattr(fd, &saved) != 0) return nullptr;
  termios quiet = saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  if (::tcsetattr(fd, TCSAFLUSH, &quiet) != 0) return nullptr;
  return new std::pair<int, termios>(fd, saved);
}

void restoreEcho(void* saved) {
  auto* state = static_cast<std::pair<int, termios>*>(saved);
  if (!state) return;
  ::tcsetattr(state->first, TCSAFLUSH, &state->second);
  delete state;
}

namespace {
void (*gInterruptHandler)() = nullptr;
void onSigint(int) {
  if (gInterruptHandler) gInterruptHandler();
}
}  // namespace

void* installInterruptHandler(void (*handler)()) {
  gInterruptHandler = handler;
  struct sigaction sa {};
  sa.sa_handler = onSigint;
  using SignalAction = struct sigaction;
  auto* old = new SignalAction();
  sigaction(SIGINT, &sa, old);
  return old;
}

void restoreInterruptHandler(void* previous) {
  auto* old = static_cast<struct sigaction*>(previous);
  if (!old) return;
  sigaction(SIGINT, old, nullptr);
  delete old;
}

}  // namespace quervik
