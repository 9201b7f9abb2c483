// The platform layer for Windows; see platform.h. Every name goes to the wide (UTF-16) calls,
// so names with national letters work whatever the ANSI code page; streams are binary and
// positions 64-bit.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <cwchar>
#include <random>

#include "runtime/platform.h"
#include "runtime/windows_text.h"

namespace quervik {

std::optional<std::wstring> wideText(std::string_view text) {
  if (text.empty()) return std::wstring();
  const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), nullptr, 0);
  if (n <= 0) return std::nullopt;
  std::wstring wide(size_t(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), int(text.size()), wide.data(), n);
  return wide;
}

std::string utf8Text(std::wstring_view text) {
  if (text.empty()) return std::string();
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(size_t(n > 0 ? n : 0), '\0');
  if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), utf8.data(), n, nullptr, nullptr);
  return utf8;
}

namespace {

// CON, PRN, AUX, NUL, COM1-9 and LPT1-9, with any extension, name devices in every folder:
// reading "aux.log" would wait on the serial port forever. Such a name is no file.
bool isDeviceName(std::wstring_view path) {
  const size_t sep = path.find_last_of(L"\\/:");
  std::wstring_view base = path.substr(sep == std::wstring_view::npos ? 0 : sep + 1);
  base = base.substr(0, base.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  std::wstring upper;
  for (wchar_t c : base) upper += (c >= L'a' && c <= L'z') ? wchar_t(c - L'a' + L'A') : c;
  if (upper == L"CON" || upper == L"PRN" || upper == L"AUX" || upper == L"NUL") return true;
  return upper.size() == 4 && (upper.rfind(L"COM", 0) == 0 || upper.rfind(L"LPT", 0) == 0) && upper[3] >= L'1' &&
         upper[3] <= L'9';
}

}  // namespace

std::optional<std::wstring> widePath(std::string_view path) {
  std::optional<std::wstring> wide = wideText(nativePath(path));
  if (wide && isDeviceName(*wide)) return std::nullopt;
  if (!wide || wide->size() < MAX_PATH - 12 || wide->rfind(L"\\\\?\\", 0) == 0) return wide;
  // The classic calls stop at 260 characters (less for a directory); the "\\?\" form of the
  // absolute path has no such limit but takes the path literally.
  const DWORD n = ::GetFullPathNameW(wide->c_str(), 0, nullptr, nullptr);
  if (n == 0) return wide;
  std::wstring full(n, L'\0');
  const DWORD written = ::GetFullPathNameW(wide->c_str(), n, full.data(), nullptr);
  if (written == 0 || written >= n) return wide;
  full.resize(written);
  if (full.rfind(L"\\\\", 0) == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

std::string systemErrorText(unsigned long code) {
  wchar_t* text = nullptr;
  const DWORD n = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
      0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = n && text ? utf8Text(std::wstring_view(text, n)) : std::string();
  if (text) ::LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  // The texts' inserts are left unfilled; "%1" stands for the file the report names beside it.
  for (size_t at; (at = message.find("%1")) != std::string::npos;) message.replace(at, 2, "the file");
  return message + (message.empty() ? "" : " ") + "(error " + std::to_string(code) + ")";
}

FILE* streamOfHandle(void* handle, bool readWrite) {
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), (readWrite ? _O_RDWR : _O_WRONLY) | _O_BINARY);
  FILE* f = fd < 0 ? nullptr : ::_fdopen(fd, readWrite ? "w+b" : "wb");
  if (!f) {
    if (fd < 0)
      ::CloseHandle(handle);
    else
      ::_close(fd);
  }
  return f;
}

std::string nativePath(std::string_view path) {
  std::string p(path);
  for (char& c : p)
    if (c == '/') c = '\\';
  return p;
}

namespace {

// Attributes of a path; false when it does not exist or cannot be named.
bool attributesOf(const char* path, WIN32_FILE_ATTRIBUTE_DATA& data) {
  std::optional<std::wstring> wide = path ? widePath(path) : std::nullopt;
  return wide && ::GetFileAttributesExW(wide->c_str(), GetFileExInfoStandard, &data);
}

bool isDirectoryAttribute(const WIN32_FILE_ATTRIBUTE_DATA& data) {
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The identity (volume and file index) and times of an existing file or directory.
bool handleInformation(const char* path, BY_HANDLE_FILE_INFORMATION& info) {
  std::optional<std::wstring> wide = path ? widePath(path) : std::nullopt;
  if (!wide) return false;
  HANDLE h = ::CreateFileW(wide->c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = ::GetFileInformationByHandle(h, &info) != 0;
  ::CloseHandle(h);
  return ok;
}

}  // namespace

FILE* openFile(const char* path, const char* mode) {
  if (!path || !mode) return nullptr;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (attributesOf(path, data) && isDirectoryAttribute(data)) return nullptr;
  std::optional<std::wstring> wide = widePath(path);
  std::optional<std::wstring> wideMode = wideText(mode);
  if (!wide || !wideMode) return nullptr;
  // Text mode would turn the library's own CR LF into CR CR LF.
  if (wideMode->find(L'b') == std::wstring::npos) wideMode->push_back(L'b');
  return ::_wfopen(wide->c_str(), wideMode->c_str());
}

int removeFile(const char* path) {
  std::optional<std::wstring> wide = path ? widePath(path) : std::nullopt;
  return wide && ::DeleteFileW(wide->c_str()) ? 0 : -1;
}

int64_t fileSize(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!attributesOf(path, data) || isDirectoryAttribute(data)) return -1;
  return int64_t((uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
}

bool sameFile(const char* a, const char* b) {
  BY_HANDLE_FILE_INFORMATION ia, ib;
  if (!a || !b || !handleInformation(a, ia) || !handleInformation(b, ib)) return false;
  return ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber && ia.nFileIndexHigh == ib.nFileIndexHigh &&
         ia.nFileIndexLow == ib.nFileIndexLow;
}

PathKind pathKind(const char* path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!attributesOf(path, data)) return PathKind::kMissing;
  if (isDirectoryAttribute(data)) return PathKind::kDirectory;
  return (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) ? PathKind::kOther : PathKind::kRegular;
}

bool makeDirectory(const char* path) {
  std::optional<std::wstring> wide = path ? widePath(path) : std::nullopt;
  return wide && ::CreateDirectoryW(wide->c_str(), nullptr);
}

bool listDirectory(const char* path, std::vector<std::string>& names) {
  if (!path) return false;
  std::string pattern = nativePath(path);
  if (!pattern.empty() && pattern.back() != '\\') pattern += '\\';
  pattern += '*';
  std::optional<std::wstring> wide = widePath(pattern);
  if (!wide) return false;
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW(wide->c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
  do {
    names.push_back(utf8Text(entry.cFileName));
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return true;
}

std::optional<FileStamp> fileStamp(const char* path) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!handleInformation(path, info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
  const uint64_t ticks = (uint64_t(info.ftLastWriteTime.dwHighDateTime) << 32) | info.ftLastWriteTime.dwLowDateTime;
  return FileStamp{info.dwVolumeSerialNumber, (uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                   int64_t(ticks / 10000000), int64_t(ticks % 10000000) * 100,
                   int64_t((uint64_t(info.nFileSizeHigh) << 32) | info.nFileSizeLow)};
}

int64_t streamFileSize(FILE* file) {
  struct _stati64 st;
  if (!file || ::_fstati64(::_fileno(file), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) return -1;
  return st.st_size;
}

bool seekStream(FILE* file, int64_t offset, int whence) { return ::_fseeki64(file, offset, whence) == 0; }

int64_t tellStream(FILE* file) { return ::_ftelli64(file); }

namespace {
HANDLE handleOf(FILE* file) {
  const int fd = file ? ::_fileno(file) : -1;
  return fd < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
}
}  // namespace

bool isTerminal(FILE* file) {
  DWORD mode;
  HANDLE h = handleOf(file);
  return h != INVALID_HANDLE_VALUE && ::GetConsoleMode(h, &mode) != 0;
}

void setBinaryStandardStreams() {
  for (FILE* stream : {stdout, stderr})
    if (!isTerminal(stream)) ::_setmode(::_fileno(stream), _O_BINARY);
}

FILE* createAnonymousFile() {
  // The C runtime's tmpfile writes to the root of the drive, which users may not write.
  wchar_t folder[MAX_PATH + 1];
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
  if (n == 0 || n > MAX_PATH) return nullptr;
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    wchar_t name[32];
    std::swprintf(name, 32, L"quervik-%08x.tmp", static_cast<unsigned>(entropy()));
    const std::wstring path = std::wstring(folder) + name;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;
      return nullptr;
    }
    return streamOfHandle(h, true);
  }
  return nullptr;
}

std::tm localCalendarTime(std::time_t moment) {
  std::tm local{};
  ::localtime_s(&local, &moment);
  return local;
}

namespace {
// The file a module was loaded from (null: the program), however long its path.
std::optional<std::string> moduleFileName(HMODULE module) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(module, buffer.data(), DWORD(buffer.size()));
    if (n == 0) return std::nullopt;
    if (n < buffer.size()) return utf8Text(std::wstring_view(buffer.data(), n));
    buffer.resize(buffer.size() * 2);
  }
}
}  // namespace

std::optional<std::string> executablePath() { return moduleFileName(nullptr); }

std::optional<std::string> codeFilePath() {
  HMODULE self = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&codeFilePath), &self))
    return executablePath();
  return moduleFileName(self);
}

std::optional<std::string> environmentVariable(const char* name) {
  std::optional<std::wstring> wideName = name ? wideText(name) : std::nullopt;
  if (!wideName) return std::nullopt;
  const DWORD n = ::GetEnvironmentVariableW(wideName->c_str(), nullptr, 0);
  if (n == 0) return std::nullopt;
  std::wstring value(n, L'\0');
  const DWORD written = ::GetEnvironmentVariableW(wideName->c_str(), value.data(), n);
  if (written >= n) return std::nullopt;
  value.resize(written);
  return utf8Text(value);
}

namespace {
void (*gInterruptHandler)() = nullptr;
BOOL WINAPI onConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  if (gInterruptHandler) gInterruptHandler();
  return TRUE;
}
}  // namespace

void* installInterruptHandler(void (*handler)()) {
  gInterruptHandler = handler;
  ::SetConsoleCtrlHandler(onConsoleControl, TRUE);
  return reinterpret_cast<void*>(1);
}

void restoreInterruptHandler(void* previous) {
  if (!previous) return;
  ::SetConsoleCtrlHandler(onConsoleControl, FALSE);
  gInterruptHandler = nullptr;
}

std::vector<std::string> utf8Arguments(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(utf8Text(argv[i] ? argv[i] : L""));
  return arguments;
}

}  // namespace quervik
