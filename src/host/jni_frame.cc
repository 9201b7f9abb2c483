// The shared export frame; see jni_frame.h.
#include "host/jni_frame.h"

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

jstring newJavaString(JNIEnv* env, const std::optional<std::string>& text) {
  if (!text) return nullptr;
  jstring s = env->NewStringUTF(text->c_str());
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
