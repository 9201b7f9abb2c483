// The birth-number exports: desRc codes the birth numbers of a DRG batch, recover translates
// coded numbers to a new hashing key. desRc records the environment for the interruption test
// and forgets it on return; recover leaves it recorded, as the export table says.
#include "birthnumber/encode.h"
#include "birthnumber/recover.h"
#include "host/jni_frame.h"

using namespace quervik;
using namespace quervik::host;

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_desRc(JNIEnv* env, jobject, jstring inputFile,
                                                          jstring outputFile, jstring slot, jstring drgCertificate,
                                                          jstring tcCertificate, jstring hospitalKey,
                                                          jstring hashKeyName, jstring pin) {
  HostCallScope scope(env, EnvUse::SetAndClear);
  return guarded<jint>(1, [&] {
    ScopedUtfChars in(env, inputFile), out(env, outputFile), s(env, slot), drg(env, drgCertificate),
        tc(env, tcCertificate), zz(env, hospitalKey), blob(env, hashKeyName), p(env, pin);
    // The host always works with certificates: key type 1.
    return encodeBirthNumbers(in.get(), out.get(), s.get(), drg.get(), tc.get(), zz.get(), blob.get(), p.get(), 1);
  });
}

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_recover(JNIEnv* env, jobject, jstring inputFile,
                                                            jstring outputFile, jstring centreKey,
                                                            jstring centreKeyPassword, jstring centreKeyLength,
                                                            jstring newKeyFile, jstring newKeyLength,
                                                            jstring tcCertificate, jstring slot, jstring pin) {
  HostCallScope scope(env, EnvUse::Set);
  return guarded<jint>(-1, [&] {
    ScopedUtfChars in(env, inputFile), out(env, outputFile), k(env, centreKey), kp(env, centreKeyPassword),
        kl(env, centreKeyLength), d(env, newKeyFile), dl(env, newKeyLength), tc(env, tcCertificate), s(env, slot),
        p(env, pin);
    return recoverHashes(in.get(), out.get(), k.get(), kp.get(), kl.get(), d.get(), dl.get(), tc.get(), s.get(),
                         p.get());
  });
}
