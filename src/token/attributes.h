// Reading object attributes and searching for objects inside a session, in the two shapes the
// card code needs everywhere: the two-call attribute read (lengths first, then exactly that
// much room) and a search that always ends with C_FindObjectsFinal.
#pragma once
#include <initializer_list>
#include <vector>

#include "crypto/secure_bytes.h"
#include "token/cryptoki.h"

namespace quervik {

// An attribute longer than this is taken for a broken answer, never allocated.
inline constexpr CK_ULONG kMaxAttributeLength = 16u << 20;

// Reads the attributes in two calls. On success values holds one byte string per type, in
// order. Otherwise the failing call's value (a length the module cannot give is
// CKR_ATTRIBUTE_TYPE_INVALID, an absurd one CKR_DEVICE_MEMORY); lengthsFailed tells which of
// the two calls failed. values is emptied on failure.
CK_RV readAttributes(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, std::initializer_list<CK_ATTRIBUTE_TYPE> types,
                     std::vector<SecureBytes>& values, bool* lengthsFailed = nullptr);

// One attribute of type CK_ULONG (class, key type, ...), read in two calls. A value of another
// size is CKR_ATTRIBUTE_VALUE_INVALID.
CK_RV readUlongAttribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type, CK_ULONG& value);

// A search: C_FindObjectsInit at construction, C_FindObjectsFinal at finish() or, if never
// finished, on destruction.
class FindOperation {
 public:
  FindOperation(CK_SESSION_HANDLE session, CK_ATTRIBUTE* pattern, CK_ULONG count);
  ~FindOperation();
  FindOperation(const FindOperation&) = delete;
  FindOperation& operator=(const FindOperation&) = delete;

  // The value of C_FindObjectsInit; nothing else may be called unless it is CKR_OK.
  CK_RV started() const { return started_; }
  // One C_FindObjects for at most max handles; found receives what came back.
  CK_RV next(CK_ULONG max, std::vector<CK_OBJECT_HANDLE>& found);
  // C_FindObjectsFinal (once); its value.
  CK_RV finish();

 private:
  CK_SESSION_HANDLE session_;
  CK_RV started_;
  bool active_;
};

}  // namespace quervik
