import java.nio.file.Path;

/**
 * Where the host class finds its library and the library its catalogue, each seen from a JVM
 * of its own: without a loadable library the first use of the class says where it looked and
 * why each place failed; run elsewhere, the library reads the catalogue beside it.
 */
public class LoaderTest {
    public static void testFailureNamesEveryPlaceTriedAndTheCause() throws Exception {
        String java = Path.of(System.getProperty("java.home"), "bin", "java").toString();
        Process p = new ProcessBuilder(java, "-cp", System.getProperty("java.class.path"),
            "-Dquervik.library=/nonexistent/libquervik.so", "-Djava.library.path=/nonexistent-dir", "LoaderTest")
            .redirectErrorStream(true).start();
        String out = new String(p.getInputStream().readAllBytes());
        Check.equal(0, p.waitFor(), out);
        Check.isTrue(out.startsWith("UnsatisfiedLinkError: the native library of QuervikPkg.Quervik (libquervik.so)"
            + " could not be loaded; tried: quervik.library=/nonexistent/libquervik.so ("), out);
        Check.isTrue(out.contains("libquervik.so (no such file); java.library.path=/nonexistent-dir ("), out);
        Check.isTrue(out.contains("cause: java.lang.UnsatisfiedLinkError: no quervik in java.library.path"), out);
    }

    /** Run from a directory without msg/errors.msg, the library reads the one beside it. */
    public static void testCatalogueIsFoundBesideTheLibrary() throws Exception {
        String java = Path.of(System.getProperty("java.home"), "bin", "java").toString();
        ProcessBuilder pb = new ProcessBuilder(java, "-cp", System.getProperty("java.class.path"),
            "-Dquervik.library=" + System.getProperty("quervik.library"), "LoaderTest", "catalogue");
        pb.directory(Check.tempDir().toFile()).environment().remove("DRGBIN");
        Process p = pb.redirectErrorStream(true).start();
        String out = new String(p.getInputStream().readAllBytes());
        Check.equal(0, p.waitFor(), out);
        Check.isTrue(out.startsWith("Nelze otevrit soubor ") && out.contains(" (7100)\nCelkovy pocet chyb: 1 (7085)\n"), out);
    }

    /** The child: the first use of the class, and what it threw; or a report's text. */
    public static void main(String[] args) {
        if (args.length > 0) {
            System.load(System.getProperty("quervik.library"));
            QuervikPkg.Quervik.dkontrol(null, "nikde.DRG", null, null, null, null, null, null, null);
            System.out.print(String.join("", QuervikPkg.Quervik.getErrors()));
            return;
        }
        try {
            QuervikPkg.Quervik.getVersion();
            System.out.println("loaded");
        } catch (UnsatisfiedLinkError e) {
            System.out.println("UnsatisfiedLinkError: " + e.getMessage() + "\ncause: " + e.getCause());
        }
    }
}
