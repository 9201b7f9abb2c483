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

    static long openFiles() {
        String[] fds = new File("/proc/self/fd").list();
        return fds == null ? -1 : fds.length;
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

    /** One generated delivery: a run watched to its end by a polling thread, then a run interrupted. */
    public static void testProgressToAPollingThreadAndInterruption() throws Exception {
        Path dir = Check.tempDir();
        try {
            Path drg = generate(dir);
            Path log = dir.resolve("log");
            // The percentage keeps the value of the previous activity until the first step.
            int stale = Quervik.getActPct();
            Worker worker = new Worker(drg, log);
            List<Integer> seen = new ArrayList<>();
            worker.start();
            while (worker.isAlive()) {
                if (ACTIVITY.equals(Quervik.getActName())) seen.add(Quervik.getActPct());
                Thread.sleep(0, 200_000);
            }
            worker.join();
            Quervik.clearErrors();
            Check.equal(0, worker.result.get(), "a clean batch");
            int i = 0;
            while (i < seen.size() && seen.get(i) == stale) i++;
            int during = 0;
            for (int k = i; k < seen.size(); k++) {
                if (k > i) Check.isTrue(seen.get(k) >= seen.get(k - 1), "never decreasing: " + seen);
                if (seen.get(k) > 0 && seen.get(k) < 100) during++;
            }
            Check.isTrue(during >= 3, "the poller saw the run in progress (" + during + " samples)");
            Check.equal(100, Quervik.getActPct(), "the percentage at the end");
            Check.isTrue(Files.exists(log.resolve("ok/VELKA_DRG.log.ok")), "the file's log");

            long filesBefore = openFiles();
            boolean stopped = false;
            // A run that finishes before the interrupt lands proves nothing; try again.
            for (int attempt = 0; attempt < 3 && !stopped; attempt++) {
                Path cut = dir.resolve("log" + attempt);
                Worker w = new Worker(drg, cut);
                w.start();
                while (w.isAlive()) {
                    if (ACTIVITY.equals(Quervik.getActName()) && Quervik.getActPct() != 100) {
                        w.interrupt();
                        break;
                    }
                    Thread.onSpinWait();
                }
                w.join();
                Quervik.clearErrors();
                if (w.result.get() == 0) continue;
                stopped = true;
                Check.equal(1, w.result.get(), "an interrupted dkontrol returns 1");
                Check.equal("Preruseno", Quervik.getActName(), "the activity after the interruption");
                Check.isTrue(!w.stillInterrupted.get(), "the check consumed the interrupt");
                Check.isTrue(!Files.exists(cut.resolve("ok/VELKA_DRG.log.ok")), "no log for a file cut short");
                Check.isTrue(openFiles() <= filesBefore, "every file the check opened is closed");
            }
            Check.isTrue(stopped, "an interrupt landed while the check ran");
        } finally {
            Check.deleteTree(dir);
        }
    }
}
