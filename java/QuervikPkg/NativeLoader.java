package QuervikPkg;

import java.io.File;

/**
 * Finds libquervik for the host class: the file named by the system property
 * "quervik.library", else the library next to the jar that holds this class (libquervik.so,
 * quervik.dll on Windows: System.mapLibraryName), else "quervik" on java.library.path. An
 * application that loaded the library itself before touching the class keeps its own: a
 * failed attempt here is not an error while the natives are bound.
 */
final class NativeLoader {
    private NativeLoader() {}

    static void load() {
        String explicit = System.getProperty("quervik.library");
        if (explicit != null && tryLoad(explicit)) return;
        try {
            File here = new File(NativeLoader.class.getProtectionDomain().getCodeSource().getLocation().toURI());
            File beside = new File(here.isFile() ? here.getParentFile() : here, System.mapLibraryName("quervik"));
            if (beside.isFile() && tryLoad(beside.getAbsolutePath())) return;
        } catch (Exception | LinkageError e) {
            // no code source: fall through to the library path
        }
        try {
            System.loadLibrary("quervik");
        } catch (LinkageError e) {
            // The application may have loaded the library from elsewhere already.
        }
    }

    private static boolean tryLoad(String path) {
        try {
            System.load(path);
            return true;
        } catch (LinkageError e) {
            return false;
        }
    }
}
