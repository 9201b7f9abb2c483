// Attribute reads and searches; see attributes.h.
#include "token/attributes.h"

#include <cstring>

#include "token/module.h"

namespace quervik {

CK_RV readAttributes(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, std::initializer_list<CK_ATTRIBUTE_TYPE> types,
                     std::vector<SecureBytes>& values, bool* lengthsFailed) {
  values.clear();
  std::vector<CK_ATTRIBUTE> query;
  for (CK_ATTRIBUTE_TYPE t : types) query.push_back(CK_ATTRIBUTE{t, nullptr, 0});
  if (lengthsFailed) *lengthsFailed = true;
  CK_ULONG n = static_cast<CK_ULONG>(query.size());
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_GetAttributeValue, session, object, query.data(), n);
  if (rv != CKR_OK) return rv;
  std::vector<SecureBytes> room(query.size());
  for (size_t i = 0; i < query.size(); ++i) {
    if (query[i].ulValueLen == CK_UNAVAILABLE_INFORMATION) return CKR_ATTRIBUTE_TYPE_INVALID;
    if (query[i].ulValueLen > kMaxAttributeLength) return CKR_DEVICE_MEMORY;
    room[i].resize(query[i].ulValueLen);
    // A zero-length value still needs a pointer that is not null, or the module would answer
    // with the length again instead of the value.
    room[i].reserve(1);
    query[i].pValue = room[i].data();
  }
  if (lengthsFailed) *lengthsFailed = false;
  rv = callModule(&CK_FUNCTION_LIST::C_GetAttributeValue, session, object, query.data(), n);
  if (rv != CKR_OK) return rv;
  for (size_t i = 0; i < query.size(); ++i) {
    if (query[i].ulValueLen > room[i].size()) return CKR_GENERAL_ERROR;
    room[i].resize(query[i].ulValueLen);
  }
  values = std::move(room);
  return CKR_OK;
}

CK_RV readUlongAttribute(CK_SESSION_HANDLE session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type,
                         CK_ULONG& value) {
  std::vector<SecureBytes> values;
  CK_RV rv = readAttributes(session, object, {type}, values);
  if (rv != CKR_OK) return rv;
  if (values[0].size() != sizeof(CK_ULONG)) return CKR_ATTRIBUTE_VALUE_INVALID;
  std::memcpy(&value, values[0].data(), sizeof value);
  return CKR_OK;
}

FindOperation::FindOperation(CK_SESSION_HANDLE session, CK_ATTRIBUTE* pattern, CK_ULONG count)
    : session_(session),
      started_(callModule(&CK_FUNCTION_LIST::C_FindObjectsInit, session, pattern, count)),
      active_(started_ == CKR_OK) {}

FindOperation::~FindOperation() {
  if (active_) (void)finish();
}

CK_RV FindOperation::next(CK_ULONG max, std::vector<CK_OBJECT_HANDLE>& found) {
  found.assign(max, CK_INVALID_HANDLE);
  CK_ULONG count = 0;
  CK_RV rv = callModule(&CK_FUNCTION_LIST::C_FindObjects, session_, found.data(), max, &count);
  found.resize(rv == CKR_OK && count <= max ? count : 0);
  return rv;
}

CK_RV FindOperation::finish() {
  if (!active_) return CKR_OPERATION_NOT_INITIALIZED;
  active_ = false;
  return callModule(&CK_FUNCTION_LIST::C_FindObjectsFinal, session_);
}

}  // namespace quervik
