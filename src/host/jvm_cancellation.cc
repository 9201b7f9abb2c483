// The JVM-backed cancellation source; see jvm_cancellation.h.
#include "host/jvm_cancellation.h"

#include "runtime/console.h"

namespace quervik::host {

bool JvmCancellation::consumeInterrupt() {
  JNIEnv* env = env_;
  if (!env || thread_ != std::this_thread::get_id()) return false;
  if (!threadClass_) {
    jclass local = env->FindClass("java/lang/Thread");
    if (!local) {
      env->ExceptionClear();
      consoleErr("nejde najit Thread\n");
      return false;
    }
    threadClass_ = static_cast<jclass>(env->NewGlobalRef(local));
    env->DeleteLocalRef(local);
  }
  if (!interrupted_) {
    interrupted_ = env->GetStaticMethodID(threadClass_, "interrupted", "()Z");
    if (!interrupted_) {
      env->ExceptionClear();
      consoleErr("nejde najit metodu interrupted\n");
      return false;
    }
  }
  jboolean result = env->CallStaticBooleanMethod(threadClass_, interrupted_);
  if (env->ExceptionCheck()) {
    env->ExceptionClear();
    return false;
  }
  return result == JNI_TRUE;
}

JvmCancellation& jvmCancellation() {
  static JvmCancellation source;
  return source;
}

}  // namespace quervik::host
