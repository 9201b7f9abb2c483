// The shared export frame; see jni_frame.h.
#include "host/jni_frame.h"

#include <algorithm>
#include <string_view>

#include "host/jvm_cancellation.h"
#include "runtime/cancellation.h"
#include "runtime/code_page_852.h"

namespace quervik::host {

// Read as UTF-16 into our own buffer rather than through GetStringUTFChars: the JVM's copy of
// a PIN would go back to its heap unwiped, and its modified UTF-8 is no file name the system
// knows for a character beyond U+FFFF.
ScopedUtfChars::ScopedUtfChars(JNIEnv* env, jstring s) {
  if (!s) return;
  const jsize length = env->GetStringLength(s);
  std::vector<jchar, WipingAllocator<jchar>> units(static_cast<size_t>(length));
  if (length > 0) env->GetStringRegion(s, 0, length, units.data());
  if (env->ExceptionCheck()) {
    env->ExceptionClear();
    return;
  }
  bytes_.resize(units.size() * 3 + 1);  // three bytes per unit at most: a pair makes four
  size_t at = 0;
  for (size_t i = 0; i < units.size(); ++i) {
    char32_t c = units[i];
    if (c == 0) return;
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
      c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
    // A lone surrogate keeps its three bytes: such a name cannot exist, so it is reported unopened.
    at += encodeUtf8(c, reinterpret_cast<char*>(bytes_.data()) + at);
  }
  bytes_[at] = '\0';
  present_ = true;
}

HostCallScope::HostCallScope(JNIEnv* env, EnvUse use) : use_(use) {
  if (use_ != EnvUse::None) {
    jvmCancellation().setEnv(env);
    installCancellationSource(&jvmCancellation());
  }
}

HostCallScope::~HostCallScope() {
  if (use_ == EnvUse::SetAndClear) {
    jvmCancellation().setEnv(nullptr);
    installCancellationSource(nullptr);
  }
}

namespace {

// The text as NewStringUTF reads it: modified UTF-8, in which U+0000 is two bytes (so a NUL
// in a record does not end the entry) and a character beyond U+FFFF is two 3-byte surrogates.
std::string modifiedUtf8(std::string_view raw) {
  const std::string text = utf8FromDataText(raw);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t n = std::max<size_t>(1, utf8SequenceLength(std::string_view(text).substr(i)));  // text is UTF-8
    if (text[i] == '\0') {
      out += "\xC0\x80";
    } else if (n < 4) {
      out.append(text, i, n);
    } else {
      char32_t c = ((text[i] & 0x07u) << 18) | ((text[i + 1] & 0x3Fu) << 12) | ((text[i + 2] & 0x3Fu) << 6) |
                   (text[i + 3] & 0x3Fu);
      c -= 0x10000;
      char buffer[4];
      out.append(buffer, encodeUtf8(0xD800 + (c >> 10), buffer));
      out.append(buffer, encodeUtf8(0xDC00 + (c & 0x3FF), buffer));
    }
    i += n;
  }
  return out;
}

jstring javaString(JNIEnv* env, std::string_view text) {
  jstring s = env->NewStringUTF(modifiedUtf8(text).c_str());
  if (!s && env->ExceptionCheck()) env->ExceptionClear();
  return s;
}

}  // namespace

jstring newJavaString(JNIEnv* env, const std::optional<std::string>& text) {
  return text ? javaString(env, *text) : nullptr;
}

jobjectArray newJavaStringArray(JNIEnv* env, const std::vector<std::string>& texts) {
  jclass stringClass = env->FindClass("java/lang/String");
  if (!stringClass) {
    env->ExceptionClear();
    return nullptr;
  }
  jstring empty = env->NewStringUTF("");
  jobjectArray array = env->NewObjectArray(jsize(texts.size()), stringClass, empty);
  env->DeleteLocalRef(stringClass);
  if (empty) env->DeleteLocalRef(empty);
  if (!array) {
    env->ExceptionClear();
    return nullptr;
  }
  for (size_t i = 0; i < texts.size(); ++i) {
    jstring element = javaString(env, texts[i]);
    if (!element) continue;
    env->SetObjectArrayElement(array, jsize(i), element);
    env->DeleteLocalRef(element);
  }
  return array;
}

}  // namespace quervik::host
