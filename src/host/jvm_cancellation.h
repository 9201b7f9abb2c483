// The cancellation source of the JNI host: asks java.lang.Thread.interrupted() on the
// working thread, whose environment the export frame recorded.
#pragma once
#include <jni.h>
#include <thread>

#include "runtime/cancellation.h"

namespace quervik::host {

class JvmCancellation : public CancellationSource {
 public:
  // The environment belongs to the thread that records it; a test made on any other thread
  // (after a work call left its environment recorded) is answered "not interrupted".
  void setEnv(JNIEnv* env) {
    env_ = env;
    thread_ = std::this_thread::get_id();
  }
  JNIEnv* env() const { return env_; }
  bool consumeInterrupt() override;

 private:
  JNIEnv* env_ = nullptr;
  std::thread::id thread_{};
  jclass threadClass_ = nullptr;  // global reference, looked up once
  jmethodID interrupted_ = nullptr;
};

JvmCancellation& jvmCancellation();

}  // namespace quervik::host
