// Run-time loading on Windows; see dynamic_library.h. A name without a directory is found by
// the DLL search order; a path is used as given, with its UTF-8 name turned into UTF-16.
#include <windows.h>

#include "runtime/dynamic_library.h"
#include "runtime/platform.h"
#include "runtime/windows_text.h"

namespace quervik {

void* loadLibrary(const char* name, std::string* error) {
  std::optional<std::string> path = loaderName(name, error);
  if (!path) return nullptr;
  std::optional<std::wstring> wide = widePath(*path);
  if (!wide) {
    if (error) *error = "the name is not valid UTF-8";
    return nullptr;
  }
  // A file that is no DLL must fail quietly, never with a message box.
  DWORD previousMode = 0;
  ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
  HMODULE library = ::LoadLibraryW(wide->c_str());
  const DWORD code = ::GetLastError();
  ::SetThreadErrorMode(previousMode, nullptr);
  if (!library && error) *error = systemErrorText(code);
  return reinterpret_cast<void*>(library);
}

void* librarySymbol(void* library, const char* symbol) {
  if (!library) return nullptr;
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), symbol));
}

void unloadLibrary(void* library) {
  if (library) ::FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace quervik
