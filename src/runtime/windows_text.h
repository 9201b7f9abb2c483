// UTF-8 and UTF-16 conversions for the Windows half of the platform layer (platform_windows.cc
// and its neighbours). Names travel as UTF-8 through the library and meet the system's wide
// (UTF-16) calls only here.
#pragma once
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace quervik {

// UTF-16 of UTF-8 text; none when the bytes are not valid UTF-8.
std::optional<std::wstring> wideText(std::string_view text);
// UTF-8 of UTF-16 text.
std::string utf8Text(std::wstring_view text);
// The wide form of a path for the file calls: separators turned into '\', and a path too long
// for the classic limit of 260 characters made absolute in the "\\?\" form. None when the
// name is not valid UTF-8 or names a device (AUX, NUL, COM1, ...), so it is no file.
std::optional<std::wstring> widePath(std::string_view path);
// A C stream over a file handle the caller just created (binary; reading and writing when
// readWrite, else writing). The stream owns the handle; on failure the handle is closed.
FILE* streamOfHandle(void* handle, bool readWrite);
// The system's text for an error code (GetLastError), with the code.
std::string systemErrorText(unsigned long code);

}  // namespace quervik
