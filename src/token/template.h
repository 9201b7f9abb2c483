// Building attribute templates: PKCS#11 takes non-const pointers even for values it only
// reads, so the casts live here, once.
#pragma once
#include <cstring>
#include <string>

#include "token/cryptoki.h"

namespace quervik {

inline CK_ATTRIBUTE attribute(CK_ATTRIBUTE_TYPE type, const void* value, size_t length) {
  return CK_ATTRIBUTE{type, const_cast<void*>(value), static_cast<CK_ULONG>(length)};
}

template <class T>
CK_ATTRIBUTE attribute(CK_ATTRIBUTE_TYPE type, const T& value) {
  return attribute(type, &value, sizeof value);
}

inline CK_ATTRIBUTE attribute(CK_ATTRIBUTE_TYPE type, const std::string& text) {
  return attribute(type, text.data(), text.size());
}

inline constexpr CK_BBOOL kCkTrue = CK_TRUE;
inline constexpr CK_BBOOL kCkFalse = CK_FALSE;

}  // namespace quervik
