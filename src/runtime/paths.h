// Path composition and directory services for the log and output directories of the
// drivers. Received paths may use '/' or '\'; composed paths use the system's separator.
#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace quervik {

// The part after the last separator, or the whole path.
std::string baseName(std::string_view path);
// The directory part including its last separator; none when the path has no separator.
std::optional<std::string> dirName(std::string_view path);
// The given extension when there is one, else the text after the last '.' of the base name.
std::optional<std::string> fileExtension(std::string_view path, const char* given);

// 1 directory, 0 exists but is no directory, -1 does not exist (trailing separators ignored).
int isDirectory(const char* path);
// 1 regular file, 0 exists but is no regular file, -1 does not exist or no path.
int isRegularFile(const char* path);
// 1 already existed, 0 created, -1 failure ("Chyba: nelze vytvorit adresar %s\n" when
// creating failed; silent when the path exists as something else).
int ensureDirectory(const char* path);
// Creates the path with all missing parents; the result is that of the full path.
int makeDirectories(const char* path);

// directory + separator + the name's base name, with "stem_ext.suffix" when a suffix is
// given; none when both the directory and the name are existing directories.
std::optional<std::string> makePath(const char* directory, const char* name, const char* suffix);

}  // namespace quervik
