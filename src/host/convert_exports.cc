// The export of the VZP to DRG conversion.
#include "convert/convert_driver.h"
#include "host/jni_frame.h"

using namespace quervik;
using namespace quervik::host;

// drg(insurer, input, drgDirectory, excludedTypes, logDirectory, doneDirectory, move): any
// non-null move moves the processed files.
QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_drg(JNIEnv* env, jobject, jstring insurer, jstring input,
                                                        jstring drgDirectory, jstring excludedTypes,
                                                        jstring logDirectory, jstring doneDirectory, jstring move) {
  return guarded<jint>(-1, [&] {
    HostCallScope scope(env, EnvUse::Set);
    ScopedUtfChars a1(env, insurer), a2(env, input), a3(env, drgDirectory), a4(env, excludedTypes),
        a5(env, logDirectory), a6(env, doneDirectory);
    return convert::convertVzpBatches(a1.get(), a2.get(), a3.get(), a4.get(), a5.get(), a6.get(), move != nullptr);
  });
}
