package QuervikPkg;

import java.io.File;
import java.util.ArrayList;
import java.util.List;

/**
 * Finds libquervik for the host class: the file named by the system property
 * "quervik.library", else the library next to the jar that holds this class (libquervik.so,
 * quervik.dll on Windows: System.mapLibraryName), else "quervik" on java.library.path. An
 * application that loaded the library itself before touching the class keeps its own: a
 * failed attempt here is not an error while the natives are bound. When they are not, the
 * first use of the class throws an UnsatisfiedLinkError that names every place tried and why
 * each failed.
 */
final class NativeLoader {
    private NativeLoader() {}

    static void load() {
        List<String> tried = new ArrayList<>();
        LinkageError cause = null;
        String explicit = System.getProperty("quervik.library");
        if (explicit != null) {
            LinkageError e = tryLoad(explicit);
            if (e == null) return;
            tried.add("quervik.library=" + explicit + " (" + e.getMessage() + ")");
            cause = e;
        }
        try {
            File here = new File(NativeLoader.class.getProtectionDomain().getCodeSource().getLocation().toURI());
            File beside = new File(here.isFile() ? here.getParentFile() : here, System.mapLibraryName("quervik"));
            if (beside.isFile()) {
                LinkageError e = tryLoad(beside.getAbsolutePath());
                if (e == null) return;
                tried.add(beside.getAbsolutePath() + " (" + e.getMessage() + ")");
                cause = e;
            } else {
                tried.add(beside.getAbsolutePath() + " (no such file)");
            }
        } catch (Exception | LinkageError e) {
            tried.add("beside the jar (its place is unknown: " + e + ")");
        }
        try {
            System.loadLibrary("quervik");
            return;
        } catch (LinkageError e) {
            tried.add("java.library.path=" + System.getProperty("java.library.path") + " (" + e.getMessage() + ")");
            cause = e;
        }
        if (nativesBound()) return;  // the application loaded the library itself
        UnsatisfiedLinkError failure = new UnsatisfiedLinkError(
            "the native library of QuervikPkg.Quervik (" + System.mapLibraryName("quervik")
            + ") could not be loaded; tried: " + String.join("; ", tried));
        failure.initCause(cause);
        throw failure;
    }

    private static LinkageError tryLoad(String path) {
        try {
            System.load(path);
            return null;
        } catch (LinkageError e) {
            return e;
        }
    }

    private static boolean nativesBound() {
        try {
            Quervik.getActPct();
            return true;
        } catch (UnsatisfiedLinkError e) {
            return false;
        }
    }
}
