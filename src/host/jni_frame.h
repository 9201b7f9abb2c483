// The frame every export shares: Java strings become UTF-8 byte strings for the core (held in
// wiping storage, since PINs, passwords and key texts arrive this way), the JNI environment is recorded for the interruption test while a work
// call runs, no exception escapes to the JVM, and results are built as Java values.
#pragma once
#include <jni.h>

#include <optional>
#include <string>
#include <vector>

#include "crypto/secure_bytes.h"

#define QUERVIK_EXPORT extern "C" __attribute__((visibility("default"))) JNIEXPORT

namespace quervik::host {

// One Java string as standard UTF-8 (a character beyond U+FFFF as its four-byte sequence, which
// the modified UTF-8 of GetStringUTFChars would split into two surrogates), terminated, in
// storage that is wiped when the holder goes. A null string gives a null pointer; so does a
// string holding U+0000, which would cut the text short where the core reads it (a file name
// "a.txt\0.bin" must not quietly become "a.txt"), and one that cannot be read (out of memory).
class ScopedUtfChars {
 public:
  ScopedUtfChars(JNIEnv* env, jstring s);
  ScopedUtfChars(const ScopedUtfChars&) = delete;
  ScopedUtfChars& operator=(const ScopedUtfChars&) = delete;
  const char* get() const { return present_ ? reinterpret_cast<const char*>(bytes_.data()) : nullptr; }

 private:
  SecureBytes bytes_;
  bool present_ = false;
};

// How an export treats the recorded environment (the export table's column).
enum class EnvUse { None, Set, SetAndClear };

// Records the environment on entry (Set, SetAndClear) and forgets it on return (SetAndClear),
// installing the JVM-backed cancellation source for the drivers.
class HostCallScope {
 public:
  HostCallScope(JNIEnv* env, EnvUse use);
  ~HostCallScope();
  HostCallScope(const HostCallScope&) = delete;
  HostCallScope& operator=(const HostCallScope&) = delete;

 private:
  EnvUse use_;
};

// Runs the body; any C++ exception (an allocation failure, say) becomes the failure value.
template <class R, class F>
R guarded(R failure, F&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return failure;
  }
}

template <class F>
void guardedVoid(F&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

// A new Java string, or null for none. Every text the library hands Java goes through here:
// well-formed UTF-8 stays, any other byte is read as a code page 852 character (the letters of
// the data files that findings quote).
jstring newJavaString(JNIEnv* env, const std::optional<std::string>& text);
// A new String[] of the texts; null when the array cannot be made.
jobjectArray newJavaStringArray(JNIEnv* env, const std::vector<std::string>& texts);

}  // namespace quervik::host
