// The platform layer for POSIX systems; see platform.h.
#include "runtime/platform.h"

#include <dirent.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

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

void setBinaryStandardStreams() {}

FILE* createAnonymousFile() { return std::tmpfile(); }

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

std::optional<std::string> codeFilePath() {
  Dl_info info{};
  // The main program's own entry has no name (or a bare one): that is the executable.
  if (::dladdr(reinterpret_cast<void*>(&codeFilePath), &info) != 0 && info.dli_fname &&
      std::strchr(info.dli_fname, '/'))
    return std::string(info.dli_fname);
  return executablePath();
}

std::optional<std::string> environmentVariable(const char* name) {
  const char* value = name ? std::getenv(name) : nullptr;
  if (!value) return std::nullopt;
  return std::string(value);
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
  // A read or write the signal meets goes on; the driver sees the request at its next
  // question, so Ctrl-C ends the run as an interruption, never as a failed read. A second
  // Ctrl-C (the handler is reset by the first) ends the process at once, should a read wait.
  sa.sa_flags = SA_RESTART | SA_RESETHAND;
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
