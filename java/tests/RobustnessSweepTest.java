import QuervikPkg.Quervik;
import java.io.File;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Comparator;
import java.util.concurrent.TimeUnit;

/**
 * Calls every export of the host class with hostile arguments: all null, all empty, paths
 * that do not exist, garbage numbers and lengths, very long texts, and mixtures, over and
 * over, watching open descriptors and resident memory for leaks. Run in its
 * own JVM by the test below, in a scratch directory and with a card module that holds
 * no card, so a crash or a hang shows as a failure of that test and nothing real is touched.
 */
public class RobustnessSweepTest {
    static final String[] HOSTILE = {
        null, "", "/nonexistent/dir/file.drg", "-1", "0", "99999999999999999999999", "-2147483649",
        "abc", "\u0000", "C:\\NEEXISTUJE\\F.DRG", "x".repeat(100_000), "%s%s%s%n%d", "\u00e9\ud83d\ude00",
    };

    /** One call of every export with every variant of hostile arguments; the number of calls. */
    static int sweep() throws Exception {
        Method[] exports = Quervik.class.getDeclaredMethods();
        Arrays.sort(exports, Comparator.comparing(Method::getName));
        int calls = 0;
        for (Method m : exports) {
            if (!Modifier.isNative(m.getModifiers())) continue;
            int n = m.getParameterCount();
            for (int variant = 0; variant < HOSTILE.length + 2; variant++) {
                Object[] a = new Object[n];
                for (int i = 0; i < n; i++) {
                    if (variant < HOSTILE.length) a[i] = HOSTILE[variant];
                    else a[i] = HOSTILE[(i * 7 + variant) % HOSTILE.length];  // mixtures
                }
                m.invoke(null, a);
                calls++;
                if (n == 0) break;
            }
            Quervik.clearErrors();
        }
        Quervik.closeErrorFile();
        Quervik.closeGLOG();
        return calls;
    }

    /**
     * The open files, pipes and directories of the process (not sockets: the card module may
     * keep one for its system log, opened once when it first has something to say).
     */
    static int openDescriptors() {
        int open = 0;
        for (File f : new File("/proc/self/fd").listFiles()) {
            try {
                if (!Files.readSymbolicLink(f.toPath()).toString().startsWith("socket:")) open++;
            } catch (java.io.IOException e) {
                // the descriptor of the listing itself, closed by now
            }
        }
        return open;
    }

    static long residentKb() throws Exception {
        for (String line : Files.readAllLines(Path.of("/proc/self/status")))
            if (line.startsWith("VmRSS:")) return Long.parseLong(line.replaceAll("[^0-9]", ""));
        throw new IllegalStateException("no VmRSS");
    }

    /**
     * The sweep a few times to settle, then ROUNDS more: afterwards as many descriptors are open as
     * before, and the resident memory has grown by less than a leak of the long text per
     * export and round would add. Exit status 1 on a leak.
     */
    static final int WARM_UP_ROUNDS = 3;  // what is opened once per process is open by then
    static final int ROUNDS = 20;
    static final long GROWTH_LIMIT_KB = 8 * 1024;

    public static void main(String[] args) throws Exception {
        int calls = 0;
        for (int round = 0; round < WARM_UP_ROUNDS; round++) calls += sweep();
        System.gc();
        int descriptors = openDescriptors();
        long resident = residentKb();
        for (int round = 0; round < ROUNDS; round++) calls += sweep();
        System.gc();
        int descriptorsAfter = openDescriptors();
        long growth = residentKb() - resident;
        System.out.println("sweep done: " + calls + " calls; open descriptors " + descriptors + " -> "
            + descriptorsAfter + ", resident memory +" + growth + " KiB over " + ROUNDS + " rounds");
        if (descriptorsAfter != descriptors || growth > GROWTH_LIMIT_KB) {
            System.out.println("leak: descriptors or memory grew");
            System.exit(1);
        }
    }

    public static void testEveryExportSurvivesHostileArguments() throws Exception {
        Path dir = Check.tempDir();
        Path tokens = Files.createDirectory(dir.resolve("tokens"));
        Path conf = dir.resolve("softhsm2.conf");
        Files.writeString(conf, "directories.tokendir = " + tokens + "\nobjectstore.backend = file\nlog.level = ERROR\n");
        String java = Path.of(System.getProperty("java.home"), "bin", "java").toString();
        // A fixed heap, touched up front, and no compiler: the resident memory then moves only
        // with what the library holds.
        ProcessBuilder pb = new ProcessBuilder(java, "-Xcheck:jni", "-Xint", "-Xms64m", "-Xmx64m",
            "-XX:+AlwaysPreTouch",
            "-cp", System.getProperty("java.class.path"),
            "-Dquervik.library=" + System.getProperty("quervik.library"), "RobustnessSweepTest");
        pb.directory(dir.toFile());
        pb.environment().put("SOFTHSM2_CONF", conf.toString());
        pb.environment().remove("DRGBIN");
        pb.redirectErrorStream(true);
        File log = dir.resolve("sweep.log").toFile();
        pb.redirectOutput(log);
        Process p = pb.start();
        p.getOutputStream().close();  // no console input: password prompts must give up
        boolean finished = p.waitFor(300, TimeUnit.SECONDS);
        if (!finished) p.destroyForcibly();
        String out = new String(Files.readAllBytes(log.toPath()), StandardCharsets.ISO_8859_1);
        String tail = out.length() > 3000 ? out.substring(out.length() - 3000) : out;
        Check.isTrue(finished, "the sweep hung:\n" + tail);
        Check.equal(0, p.exitValue(), "the sweep's exit status; its output ends:\n" + tail);
        Check.isTrue(out.contains("sweep done: "), "the sweep did not finish:\n" + tail);
    }
}
