// The protected-file exports: signFile, unsignFile, unsignFileBase64Keys, getFileDN and
// checkFileDEScrc. Each frame records the environment for the interruption test and forgets
// it on return, converts the strings and calls its driver.
#include "container/open.h"
#include "container/sign.h"
#include "host/jni_frame.h"

using namespace quervik;
using namespace quervik::host;

namespace {

// The card data object that holds the hospital's hashing-key blob.
constexpr const char* kHashKeyObject = "RSA_DES_KEY";

}  // namespace

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_signFile(JNIEnv* env, jobject, jstring inputFile,
                                                             jstring outputFile, jstring slot, jstring addressee,
                                                             jstring sender, jstring pin) {
  HostCallScope scope(env, EnvUse::SetAndClear);
  return guarded<jint>(1, [&] {
    ScopedUtfChars in(env, inputFile), out(env, outputFile), s(env, slot), a(env, addressee), k(env, sender),
        p(env, pin);
    // The driver's output appears only when complete, so a failure has nothing to delete; a
    // file already under the output name (the input itself, signed in place) stays intact.
    return signProtectedFile(in.get(), out.get(), s.get(), kHashKeyObject, a.get(), 1, k.get(), p.get());
  });
}

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_unsignFile(JNIEnv* env, jobject, jstring inputFile,
                                                               jstring outputFile, jstring slot, jstring privateKey,
                                                               jstring publicKey, jstring pin) {
  HostCallScope scope(env, EnvUse::SetAndClear);
  return guarded<jint>(1, [&] {
    ScopedUtfChars in(env, inputFile), out(env, outputFile), s(env, slot), k(env, privateKey), c(env, publicKey),
        p(env, pin);
    return openProtectedFile(in.get(), out.get(), s.get(), k.get(), -1, c.get(), -1, 1, p.get());
  });
}

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_unsignFileBase64Keys(
    JNIEnv* env, jobject, jstring inputFile, jstring outputFile, jstring slot, jstring privateKey,
    jstring privateKeyLength, jstring publicKey, jstring publicKeyLength, jstring keyType, jstring password) {
  HostCallScope scope(env, EnvUse::SetAndClear);
  return guarded<jint>(1, [&] {
    ScopedUtfChars in(env, inputFile), out(env, outputFile), s(env, slot), k(env, privateKey),
        kl(env, privateKeyLength), c(env, publicKey), cl(env, publicKeyLength), t(env, keyType), p(env, password);
    return openProtectedFileWithBase64Keys(in.get(), out.get(), s.get(), k.get(), kl.get(), c.get(), cl.get(),
                                           t.get(), p.get());
  });
}

QUERVIK_EXPORT jstring JNICALL Java_QuervikPkg_Quervik_getFileDN(JNIEnv* env, jobject, jstring fileName) {
  HostCallScope scope(env, EnvUse::SetAndClear);
  return guarded<jstring>(nullptr, [&] {
    ScopedUtfChars name(env, fileName);
    return newJavaString(env, protectedFileDn(name.get()));
  });
}

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_checkFileDEScrc(JNIEnv* env, jobject, jstring fileName,
                                                                    jstring reference, jstring, jstring privateKey,
                                                                    jstring privateKeyLength, jstring password) {
  HostCallScope scope(env, EnvUse::SetAndClear);
  return guarded<jint>(-1, [&] {
    ScopedUtfChars f(env, fileName), r(env, reference), k(env, privateKey), kl(env, privateKeyLength),
        p(env, password);
    return checkFileHashKey(f.get(), r.get(), k.get(), kl.get(), p.get());
  });
}
