import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Objects;

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

    static void equalArrays(Object[] expected, Object[] actual, String what) {
        if (!Arrays.equals(expected, actual))
            throw new AssertionError(what + ": expected " + Arrays.toString(expected) + " but was "
                + Arrays.toString(actual));
    }

    static Path tempDir() throws IOException {
        Path dir = Files.createTempDirectory("quervik-host");
        dir.toFile().deleteOnExit();
        return dir;
    }

    /** A catalogue file with the given lines (each ended with LF). */
    static Path catalogue(Path dir, String... lines) throws IOException {
        Path file = dir.resolve("errors.msg");
        Files.writeString(file, String.join("\n", lines) + "\n");
        return file;
    }
}
