// The frame every export shares: Java strings become byte strings for the core and are given
// back on every path, the JNI environment is recorded for the interruption test while a work
// call runs, no exception escapes to the JVM, and results are built as Java values.
#pragma once
#include <jni.h>

#include <optional>
#include <string>
#include <vector>

#define QUERVIK_EXPORT extern "C" __attribute__((visibility("default"))) JNIEXPORT

namespace quervik::host {

// The UTF chars of one Java string, released when the holder goes. A null string gives a
// null pointer; so does a string whose chars cannot be had (the worker then sees it absent).
class ScopedUtfChars {
 public:
  ScopedUtfChars(JNIEnv* env, jstring s);
  ~ScopedUtfChars();
  ScopedUtfChars(const ScopedUtfChars&) = delete;
  ScopedUtfChars& operator=(const ScopedUtfChars&) = delete;
  const char* get() const { return chars_; }

 private:
  JNIEnv* env_;
  jstring string_;
  const char* chars_ = nullptr;
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

// A new Java string, or null for none.
jstring newJavaString(JNIEnv* env, const std::optional<std::string>& text);
// A new String[] of the texts; null when the array cannot be made.
jobjectArray newJavaStringArray(JNIEnv* env, const std::vector<std::string>& texts);

}  // namespace quervik::host
