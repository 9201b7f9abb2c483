// The platform layer: every file-system call of the library goes through here, so paths
// received from callers are read the same way everywhere. Both '/' and '\' separate path
// parts in a received path; paths we compose use '/'.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace quervik {

inline constexpr char kSeparator = '/';

inline bool isSeparator(char c) { return c == '/' || c == '\\'; }

// The path with every '\' turned into '/'.
std::string nativePath(std::string_view path);

// fopen on the native form of the path; null for a null path or a directory.
FILE* openFile(const char* path, const char* mode);
int removeFile(const char* path);
// Size of a regular file in bytes, or -1.
int64_t fileSize(const char* path);
// True when both paths name the same existing file.
bool sameFile(const char* a, const char* b);

}  // namespace quervik
