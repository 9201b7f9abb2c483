// Loading a shared library at run time (the card's PKCS#11 module). Kept here with the other
// platform calls so a build for another system replaces one file.
#pragma once
#include <string>

namespace quervik {

// Loads the library by path or by name (the dynamic loader's search). Null on failure, with
// the loader's reason in error when given.
void* loadLibrary(const char* name, std::string* error);
// The address of an exported symbol, or null.
void* librarySymbol(void* library, const char* symbol);
void unloadLibrary(void* library);

}  // namespace quervik
