// Loading a shared library at run time (the card's PKCS#11 module). Kept here with the other
// platform calls so a build for another system replaces one file.
#pragma once
#include <optional>
#include <string>

#include "runtime/platform.h"

namespace quervik {

// What the loader is given for a name: a path (either separator) made native, a bare name as
// it is for the loader's own search; none, with the reason in error, when there is no name.
inline std::optional<std::string> loaderName(const char* name, std::string* error) {
  if (!name || !*name) {
    if (error) *error = "no library name";
    return std::nullopt;
  }
  std::string path(name);
  return path.find_first_of("/\\") != std::string::npos ? nativePath(path) : path;
}

// Loads the library by path or by name (the dynamic loader's search). Null on failure, with
// the loader's reason in error when given.
void* loadLibrary(const char* name, std::string* error);
// The address of an exported symbol, or null.
void* librarySymbol(void* library, const char* symbol);
void unloadLibrary(void* library);

}  // namespace quervik
