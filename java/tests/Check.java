import QuervikPkg.Quervik;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Comparator;
import java.util.Objects;
import java.util.stream.Stream;

/** Small assertions and helpers shared by the host tests. */
final class Check {
    private Check() {}

    static void isTrue(boolean condition, String what) {
        if (!condition) throw new AssertionError(what);
    }

    static void equal(Object expected, Object actual, String what) {
        if (!Objects.equals(expected, actual))
            throw new AssertionError(what + ": expected <" + expected + "> but was <" + actual + ">");
    }

    private static Path root;

    /**
     * A fresh directory below one directory of this JVM in TMPDIR (as the C++ tests use),
     * removed with everything in it when the JVM exits.
     */
    static synchronized Path tempDir() throws IOException {
        if (root == null) {
            String tmp = System.getenv("TMPDIR");
            root = tmp == null || tmp.isEmpty() ? Files.createTempDirectory("quervik-host")
                                                : Files.createTempDirectory(Path.of(tmp), "quervik-host");
            Path made = root;
            Runtime.getRuntime().addShutdownHook(new Thread(() -> {
                try {
                    deleteTree(made);
                } catch (IOException e) {
                    System.out.println("could not remove " + made + ": " + e);
                }
            }));
        }
        return Files.createTempDirectory(root, "t");
    }

    static void deleteTree(Path dir) throws IOException {
        if (!Files.exists(dir)) return;
        try (Stream<Path> paths = Files.walk(dir)) {
            for (Path p : paths.sorted(Comparator.reverseOrder()).toList()) Files.delete(p);
        }
    }

    /** The shipped catalogue, so reports carry their texts; the error list cleared. */
    static void useShippedCatalogue() {
        Quervik.setMessageFileName(Path.of(System.getProperty("quervik.source"), "msg", "errors.msg").toString());
        Quervik.clearErrors();
    }

    /** Runs a command in the directory (null: this one), fails unless it exits 0; its output. */
    static String run(Path dir, String... command) throws IOException, InterruptedException {
        Process p = new ProcessBuilder(command).directory(dir == null ? null : dir.toFile())
            .redirectErrorStream(true).start();
        p.getOutputStream().close();
        String out = new String(p.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        int status = p.waitFor();
        isTrue(status == 0, String.join(" ", command) + " exited " + status + ":\n" + out);
        return out;
    }
}
