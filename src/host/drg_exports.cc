// The dkontrol export: the DRG batch check of a delivery. The frame only translates the nine
// strings and records the environment for the interruption test.
#include "drg/batch_check.h"
#include "host/jni_frame.h"

using namespace quervik;
using namespace quervik::host;

QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_dkontrol(JNIEnv* env, jobject, jstring org, jstring drg,
                                                             jstring osn, jstring eko, jstring dir, jstring logDir,
                                                             jstring outDir, jstring move, jstring kor) {
  return guarded<jint>(1, [&] {
    HostCallScope scope(env, EnvUse::Set);
    ScopedUtfChars o(env, org), d(env, drg), s(env, osn), e(env, eko), c(env, dir), l(env, logDir), out(env, outDir),
        m(env, move), k(env, kor);
    // Any move string, whatever it says, means moving.
    return drg::runDrgCheck(o.get(), d.get(), s.get(), e.get(), c.get(), l.get(), out.get(), move != nullptr, k.get());
  });
}
