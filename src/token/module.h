// The card's PKCS#11 module. It is loaded at the first C_Initialize, from the path in
// QUERVIK_PKCS11_MODULE or, when that is unset, by the name libdkck201.so through the dynamic
// loader; its functions come from its C_GetFunctionList. The library loads and works without
// any module: a module that cannot be loaded answers C_Initialize with a failure, and every
// other call fails as "not initialised" until one is bound. The session, object and operation
// code calls the module only through callModule.
#pragma once
#include <utility>

#include "token/cryptoki.h"

namespace quervik {

inline constexpr const char* kModuleVariable = "QUERVIK_PKCS11_MODULE";
#ifdef _WIN32
inline constexpr const char* kDefaultModuleName = "dkck201.dll";
#else
inline constexpr const char* kDefaultModuleName = "libdkck201.so";
#endif

// The functions calls go to: a test's interposed list when one is set, else the bound
// module's, else null.
const CK_FUNCTION_LIST* activeModuleFunctions();

// Calls one module function, e.g. callModule(&CK_FUNCTION_LIST::C_Login, session, ...).
// CKR_CRYPTOKI_NOT_INITIALIZED when no module is bound.
template <class F, class... A>
CK_RV callModule(F CK_FUNCTION_LIST::*function, A&&... args) {
  const CK_FUNCTION_LIST* list = activeModuleFunctions();
  if (!list || !(list->*function)) return CKR_CRYPTOKI_NOT_INITIALIZED;
  return (list->*function)(std::forward<A>(args)...);
}

// C_Initialize(NULL), binding the module first when none is bound (or when the configured
// module changed while none was initialised). A module that cannot be loaded, or that is not
// a PKCS#11 module, gives CKR_GENERAL_ERROR after a console diagnostic on standard error.
// CKR_CRYPTOKI_ALREADY_INITIALIZED counts as success: the slot listing leaves the module
// initialised and the next session initialises it again.
CK_RV initializeModule();
// C_Finalize(NULL); its result.
CK_RV finalizeModule();
// True between a successful initializeModule and the next finalizeModule.
bool moduleInitialized();

// Finalises the module if initialised and unloads it (tests, and a host that unloads us).
// Close the card session (closeToken) first.
void unloadModule();

// Tests: the real module's functions (null when none is bound), and a list that replaces
// them for every call until reset with null. The list must outlive its use.
const CK_FUNCTION_LIST* boundModuleFunctions();
void setModuleFunctions(const CK_FUNCTION_LIST* list);

}  // namespace quervik
