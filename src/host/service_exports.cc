// The service exports: version, catalogue, error list and error file, global log, progress.
// Each frame only translates between Java and the run services.
#include "host/jni_frame.h"
#include "runtime/catalogue.h"
#include "runtime/logs.h"
#include "runtime/progress.h"
#include "runtime/report.h"
#include "runtime/version.h"

using namespace quervik;
using namespace quervik::host;

QUERVIK_EXPORT jobjectArray JNICALL Java_QuervikPkg_Quervik_getVersion(JNIEnv* env, jobject) {
  return guarded<jobjectArray>(nullptr, [&] { return newJavaStringArray(env, {kLibraryVersion, kCryptoVersion}); });
}

QUERVIK_EXPORT void JNICALL Java_QuervikPkg_Quervik_setMessageFileName(JNIEnv* env, jobject, jstring name) {
  guardedVoid([&] {
    ScopedUtfChars n(env, name);
    setMessageFile(n.get());
  });
}

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_setErrorFile(JNIEnv* env, jobject, jstring name) {
  return guarded<jint>(1, [&] {
    ScopedUtfChars n(env, name);
    return setErrorFile(n.get());
  });
}

QUERVIK_EXPORT void JNICALL Java_QuervikPkg_Quervik_closeErrorFile(JNIEnv*, jobject) {
  guardedVoid([] { closeErrorFile(); });
}

QUERVIK_EXPORT jobjectArray JNICALL Java_QuervikPkg_Quervik_getErrors(JNIEnv* env, jobject) {
  return guarded<jobjectArray>(nullptr, [&]() -> jobjectArray {
    if (errorEntryCount() == 0) return nullptr;
    return newJavaStringArray(env, errorEntries());
  });
}

QUERVIK_EXPORT void JNICALL Java_QuervikPkg_Quervik_clearErrors(JNIEnv*, jobject) {
  guardedVoid([] { clearErrors(); });
}

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_openGLOG(JNIEnv* env, jobject, jstring name) {
  return guarded<jint>(-1, [&] {
    ScopedUtfChars n(env, name);
    return openGlobalLog(n.get());
  });
}

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_closeGLOG(JNIEnv*, jobject) {
  return guarded<jint>(-1, [] { return closeGlobalLog(); });
}

QUERVIK_EXPORT jstring JNICALL Java_QuervikPkg_Quervik_getActName(JNIEnv* env, jobject) {
  return guarded<jstring>(nullptr, [&] { return newJavaString(env, activityName()); });
}

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_getActPct(JNIEnv*, jobject) {
  return guarded<jint>(0, [] { return activityPercent(); });
}
