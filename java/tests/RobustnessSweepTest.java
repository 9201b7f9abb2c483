import java.io.File;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.concurrent.TimeUnit;

/** Runs RobustnessSweep in a second JVM, so a crash, a hang or a leak of an export fails this test. */
public class RobustnessSweepTest {
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
            "-Dquervik.library=" + System.getProperty("quervik.library"), "RobustnessSweep");
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
