import QuervikPkg.Quervik;
import java.io.File;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.concurrent.atomic.AtomicInteger;

/** dkontrol through a real JVM on a generated delivery of tens of MB: progress and interruption. */
public class DkontrolTest {
    static final String ACTIVITY = "Kontrola DRG rozhrani";

    /** A clean DRG batch of about 60 MB written by the generator beside the library. */
    static Path generate(Path dir) throws Exception {
        Check.useShippedCatalogue();
        File library = new File(System.getProperty("quervik.library"));
        String generator = new File(library.getParentFile(), "drg_generate").getPath();
        Process p = new ProcessBuilder(generator, "--out", dir.toString(), "--name", "VELKA", "--centres", "20",
                "--documents", "220000", "--accounts", "2", "--turnover", "1", "--modifications", "1")
            .redirectErrorStream(true).redirectOutput(ProcessBuilder.Redirect.DISCARD).start();
        Check.equal(0, p.waitFor(), "the generator ran");
        Path drg = dir.resolve("VELKA.DRG");
        Check.isTrue(Files.size(drg) > 40_000_000L, "tens of MB of DRG data");
        return drg;
    }

    /** The files under dir this process holds open (other JVM threads open files of their own). */
    static long openFilesUnder(Path dir) {
        String[] fds = new File("/proc/self/fd").list();
        long n = 0;
        for (String fd : fds == null ? new String[0] : fds) {
            try {
                if (Files.readSymbolicLink(Path.of("/proc/self/fd", fd)).startsWith(dir.toRealPath())) n++;
            } catch (Exception gone) {
                // closed while we looked
            }
        }
        return n;
    }

    /** Runs dkontrol on another thread; the result and the thread's interrupt status after it. */
    static final class Worker extends Thread {
        final Path drg, log;
        final AtomicInteger result = new AtomicInteger(Integer.MIN_VALUE);
        final AtomicBoolean stillInterrupted = new AtomicBoolean();

        Worker(Path drg, Path log) {
            this.drg = drg;
            this.log = log;
        }

        @Override
        public void run() {
            result.set(Quervik.dkontrol(null, drg.toString(), null, null, null, log.toString(), null, null, null));
            stillInterrupted.set(Thread.currentThread().isInterrupted());
        }
    }

    /** A generated delivery checked on another thread: its progress seen from here, then an interrupt. */
    public static void testProgressToAPollingThreadAndInterruption() throws Exception {
        Path dir = Check.tempDir();
        try {
            Path drg = generate(dir), log = dir.resolve("log");
            // The percentage keeps the value of the previous activity until the first step.
            int stale = Quervik.getActPct();
            Worker worker = new Worker(drg, log);
            List<Integer> seen = new ArrayList<>();
            worker.start();
            while (worker.isAlive() && seen.size() < 3) {
                int pct = Quervik.getActPct();
                if (!ACTIVITY.equals(Quervik.getActName()) || pct == stale) continue;
                Check.isTrue(seen.isEmpty() || pct >= seen.get(seen.size() - 1), "never decreasing: " + seen + " " + pct);
                if (seen.isEmpty() || pct > seen.get(seen.size() - 1)) seen.add(pct);
            }
            worker.interrupt();
            worker.join();
            Quervik.clearErrors();
            Check.isTrue(seen.size() == 3 && seen.get(2) < 100, "the poller saw the run in progress: " + seen);
            Check.equal(1, worker.result.get(), "an interrupted dkontrol returns 1");
            Check.equal("Preruseno", Quervik.getActName(), "the activity after the interruption");
            Check.isTrue(!worker.stillInterrupted.get(), "the check consumed the interrupt");
            Check.isTrue(!Files.exists(log.resolve("ok/VELKA_DRG.log.ok")), "no log for a file cut short");
            Check.equal(0L, openFilesUnder(dir), "every file the check opened is closed");
        } finally {
            Check.deleteTree(dir);
        }
    }
}
