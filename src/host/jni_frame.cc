// The shared export frame; see jni_frame.h.
#include "host/jni_frame.h"

#include <cstdint>
#include <string_view>

#include "host/jvm_cancellation.h"
#include "runtime/cancellation.h"

namespace quervik::host {

ScopedUtfChars::ScopedUtfChars(JNIEnv* env, jstring s) : env_(env), string_(s) {
  if (s) {
    chars_ = env->GetStringUTFChars(s, nullptr);
    if (!chars_ && env->ExceptionCheck()) env->ExceptionClear();  // out of memory: absent
  }
}

ScopedUtfChars::~ScopedUtfChars() {
  if (chars_) env_->ReleaseStringUTFChars(string_, chars_);
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

void appendUtf8(std::string& out, uint32_t c) {
  if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  }
  out += static_cast<char>(0x80 | (c & 0x3F));
}

// The length of the well-formed UTF-8 sequence at the start of s, or 0.
size_t utf8SequenceLength(std::string_view s) {
  unsigned char b = static_cast<unsigned char>(s[0]);
  size_t n = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
  if (n == 0 || s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0;
  unsigned char second = static_cast<unsigned char>(s[1]);
  // No overlong forms, no surrogates, nothing beyond U+10FFFF.
  if ((b == 0xE0 && second < 0xA0) || (b == 0xED && second >= 0xA0) || (b == 0xF0 && second < 0x90) ||
      (b == 0xF4 && second >= 0x90))
    return 0;
  return n;
}

// JNI reads modified UTF-8, in which a character beyond U+FFFF is two 3-byte surrogates; a
// plain 4-byte sequence, or a byte that is no UTF-8 at all (a Latin-1 name in a certificate,
// say), would come out cut or garbled. Those are rewritten (the stray byte as the Latin-1
// character it most likely is); every other text passes unchanged.
std::string modifiedUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    size_t n = b < 0x80 ? 1 : utf8SequenceLength(text.substr(i));
    if (n == 0) {
      appendUtf8(out, b);
      ++i;
      continue;
    }
    if (n < 4) {
      out.append(text.substr(i, n));
    } else {
      uint32_t c = ((b & 0x07u) << 18) | ((text[i + 1] & 0x3Fu) << 12) | ((text[i + 2] & 0x3Fu) << 6) |
                   (text[i + 3] & 0x3Fu);
      c -= 0x10000;
      appendUtf8(out, 0xD800 + (c >> 10));
      appendUtf8(out, 0xDC00 + (c & 0x3FF));
    }
    i += n;
  }
  return out;
}

}  // namespace

jstring newJavaString(JNIEnv* env, const std::optional<std::string>& text) {
  if (!text) return nullptr;
  jstring s = env->NewStringUTF(modifiedUtf8(*text).c_str());
  if (!s && env->ExceptionCheck()) env->ExceptionClear();
  return s;
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
    jstring element = env->NewStringUTF(texts[i].c_str());
    if (!element) {
      env->ExceptionClear();
      continue;
    }
    env->SetObjectArrayElement(array, jsize(i), element);
    env->DeleteLocalRef(element);
  }
  return array;
}

}  // namespace quervik::host
