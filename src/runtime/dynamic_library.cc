// Run-time loading for POSIX systems; see dynamic_library.h.
#include "runtime/dynamic_library.h"

#include <dlfcn.h>

#include "runtime/platform.h"

namespace quervik {

void* loadLibrary(const char* name, std::string* error) {
  std::optional<std::string> path = loaderName(name, error);
  if (!path) return nullptr;
  void* library = ::dlopen(path->c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library && error) {
    const char* reason = ::dlerror();
    *error = reason ? reason : "unknown reason";
  }
  return library;
}

void* librarySymbol(void* library, const char* symbol) { return library ? ::dlsym(library, symbol) : nullptr; }

void unloadLibrary(void* library) {
  if (library) ::dlclose(library);
}

}  // namespace quervik
