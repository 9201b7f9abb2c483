// The card administration exports: getSlotIdArr, loadBase64X509, loadBase64Data, deleteObject
// and getUserDN. None of them is long-running, so none records the environment; each frame
// converts the strings, calls its driver and builds the Java result.
#include "host/jni_frame.h"
#include "tokenadmin/card_admin.h"

using namespace quervik;
using namespace quervik::host;

QUERVIK_EXPORT jobjectArray JNICALL Java_QuervikPkg_Quervik_getSlotIdArr(JNIEnv* env, jobject) {
  HostCallScope scope(env, EnvUse::None);
  return guarded<jobjectArray>(nullptr, [&]() -> jobjectArray {
    std::optional<std::vector<std::string>> slots = slotIdTexts();
    return slots ? newJavaStringArray(env, *slots) : nullptr;
  });
}

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_loadBase64X509(JNIEnv* env, jobject, jstring label,
                                                                   jstring certificate, jstring slot, jstring pin) {
  HostCallScope scope(env, EnvUse::None);
  return guarded<jint>(-1, [&] {
    ScopedUtfChars l(env, label), c(env, certificate), s(env, slot), p(env, pin);
    return loadBase64X509(l.get(), c.get(), s.get(), p.get());
  });
}

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_loadBase64Data(JNIEnv* env, jobject, jstring label, jstring data,
                                                                   jstring slot, jstring pin) {
  HostCallScope scope(env, EnvUse::None);
  return guarded<jint>(-1, [&] {
    ScopedUtfChars l(env, label), d(env, data), s(env, slot), p(env, pin);
    return loadBase64Data(l.get(), d.get(), s.get(), p.get());
  });
}

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_deleteObject(JNIEnv* env, jobject, jstring label, jstring slot,
                                                                 jstring pin) {
  HostCallScope scope(env, EnvUse::None);
  return guarded<jint>(-1, [&] {
    ScopedUtfChars l(env, label), s(env, slot), p(env, pin);
    return deleteObject(l.get(), s.get(), p.get());
  });
}

QUERVIK_EXPORT jstring JNICALL Java_QuervikPkg_Quervik_getUserDN(JNIEnv* env, jobject, jstring pattern, jstring slot,
                                                                 jstring pin) {
  HostCallScope scope(env, EnvUse::None);
  return guarded<jstring>(nullptr, [&] {
    ScopedUtfChars n(env, pattern), s(env, slot), p(env, pin);
    return newJavaString(env, getUserDN(n.get(), s.get(), p.get()));
  });
}
