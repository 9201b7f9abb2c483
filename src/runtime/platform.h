// The platform layer: the calls to the operating system that the library and the command
// make go through here and through its neighbours in runtime/ (dynamic_library, large_block,
// pending_file, the console's echo), each with a POSIX half (name.cc) and a Windows half
// (name_windows.cc) behind one header. Both '/' and '\' separate path parts in a received
// path; paths we compose use the system's own separator. Names are UTF-8 bytes everywhere.
#pragma once
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quervik {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
#else
inline constexpr char kSeparator = '/';
#endif

inline bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The path with every separator turned into the system's own.
std::string nativePath(std::string_view path);

// fopen on the native form of the path, always in binary mode (the library writes its own
// line ends); null for a null path or a directory.
FILE* openFile(const char* path, const char* mode);
int removeFile(const char* path);
// Size of a regular file in bytes, or -1.
int64_t fileSize(const char* path);
// True when both paths name the same existing file.
bool sameFile(const char* a, const char* b);

enum class PathKind { kMissing, kDirectory, kRegular, kOther };
// What the path names. kMissing for null.
PathKind pathKind(const char* path);
// Creates one directory; false when it could not be created (also when it exists).
bool makeDirectory(const char* path);
// The names in a directory, "." and ".." included where the system lists them; false when
// it cannot be read.
bool listDirectory(const char* path, std::vector<std::string>& names);

// What tells one version of a file from another: an edited or replaced file differs.
struct FileStamp {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t modifiedSeconds = 0;
  int64_t modifiedNanoseconds = 0;
  int64_t size = -1;
  bool operator==(const FileStamp&) const = default;
};
// The stamp of an existing file that is no directory; none otherwise.
std::optional<FileStamp> fileStamp(const char* path);

// 64-bit positions on open streams (a protected file or a batch may pass 4 GiB). Size of the
// regular file behind the stream, or -1.
int64_t streamFileSize(FILE* file);
bool seekStream(FILE* file, int64_t offset, int whence);
int64_t tellStream(FILE* file);
// True when the stream is a terminal or console.
bool isTerminal(FILE* file);
// Standard output and error carry their bytes unchanged (no line-end translation) when they
// go to a file or a pipe, so what a run prints is the same on every system.
void setBinaryStandardStreams();

// An anonymous temporary file for reading and writing, gone when closed (or the process
// ends). Null on failure.
FILE* createAnonymousFile();

// The local calendar time of a moment (the clock of the machine's time zone).
std::tm localCalendarTime(std::time_t moment);

// The full path of the running program, or none.
std::optional<std::string> executablePath();
// The full path of the file this code was loaded from: the library inside a host application,
// the program itself for the command. None when it cannot be told.
std::optional<std::string> codeFilePath();
// The value of an environment variable (UTF-8), or none.
std::optional<std::string> environmentVariable(const char* name);

// Calls handler on an interrupt from the keyboard (Ctrl-C) until the returned previous state
// is restored with restoreInterruptHandler. The handler must only set a flag.
void* installInterruptHandler(void (*handler)());
void restoreInterruptHandler(void* previous);

#ifdef _WIN32
// The command line as UTF-8 arguments, from the UTF-16 form the system keeps.
std::vector<std::string> utf8Arguments(int argc, wchar_t** argv);
#endif

}  // namespace quervik
