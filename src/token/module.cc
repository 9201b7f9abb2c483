// The card's PKCS#11 module; see module.h.
#include "token/module.h"

#include <optional>
#include <string>

#include "runtime/console.h"
#include "runtime/dynamic_library.h"
#include "runtime/platform.h"

namespace quervik {
namespace {

struct Binding {
  void* library = nullptr;
  CK_FUNCTION_LIST* functions = nullptr;
  std::string name;
  bool initialized = false;
  const CK_FUNCTION_LIST* interposed = nullptr;
};

Binding& binding() {
  static Binding b;
  return b;
}

std::string configuredName() {
  std::optional<std::string> value = environmentVariable(kModuleVariable);
  return value && !value->empty() ? *value : kDefaultModuleName;
}

void unbind() {
  Binding& b = binding();
  unloadLibrary(b.library);
  b.library = nullptr;
  b.functions = nullptr;
  b.name.clear();
}

bool bind() {
  Binding& b = binding();
  std::string name = configuredName();
  if (b.functions && b.name == name) return true;
  if (b.library) unbind();
  std::string error;
  void* library = loadLibrary(name.c_str(), &error);
  if (!library) {
    consoleErr("Nelze nacist modul PKCS#11 %s: %s\n", name.c_str(), error.c_str());
    return false;
  }
  auto getList = reinterpret_cast<CK_C_GetFunctionList>(librarySymbol(library, "C_GetFunctionList"));
  CK_FUNCTION_LIST* functions = nullptr;
  if (!getList || getList(&functions) != CKR_OK || !functions || functions->version.major < 2 ||
      !functions->C_Initialize) {
    consoleErr("Knihovna %s neni modul PKCS#11\n", name.c_str());
    unloadLibrary(library);
    return false;
  }
  b.library = library;
  b.functions = functions;
  b.name = name;
  return true;
}

}  // namespace

const CK_FUNCTION_LIST* activeModuleFunctions() {
  const Binding& b = binding();
  return b.interposed ? b.interposed : b.functions;
}

CK_RV initializeModule() {
  Binding& b = binding();
  if (!b.initialized && !bind()) return CKR_GENERAL_ERROR;
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_Initialize, nullptr);
  if (rv == CKR_CRYPTOKI_ALREADY_INITIALIZED) rv = CKR_OK;
  if (rv == CKR_OK) b.initialized = true;
  return rv;
}

CK_RV finalizeModule() {
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_Finalize, nullptr);
  binding().initialized = false;
  return rv;
}

bool moduleInitialized() { return binding().initialized; }

void unloadModule() {
  if (binding().initialized) (void)finalizeModule();
  unbind();
}

const CK_FUNCTION_LIST* boundModuleFunctions() { return binding().functions; }

void setModuleFunctions(const CK_FUNCTION_LIST* list) { binding().interposed = list; }

}  // namespace quervik
