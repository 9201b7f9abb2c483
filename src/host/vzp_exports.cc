// The export kkontrol: the VZP batch check. The frame records the JNI environment for the
// interruption test (and keeps it, as the export table says), converts the five strings
// and calls the driver.
#include "host/jni_frame.h"
#include "vzp/batch_check.h"

using namespace quervik;
using namespace quervik::host;

// Arguments: input file or directory, insurer code, log directory, output directory, move
// switch (any string: move; null: copy).
QUERVIK_EXPORT jint JNICALL Java_QuervikPkg_Quervik_kkontrol(JNIEnv* env, jobject, jstring input, jstring insurer,
                                                             jstring logDirectory, jstring outputDirectory,
                                                             jstring move) {
  HostCallScope scope(env, EnvUse::Set);
  return guarded<jint>(1, [&] {
    ScopedUtfChars in(env, input), code(env, insurer), logs(env, logDirectory), out(env, outputDirectory);
    return vzp::checkVzpBatches(in.get(), code.get(), logs.get(), out.get(), move != nullptr);
  });
}
