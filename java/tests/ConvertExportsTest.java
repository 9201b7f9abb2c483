import QuervikPkg.Quervik;
import java.io.BufferedOutputStream;
import java.io.OutputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.stream.Stream;

/** The export drg through a real JVM: a conversion, and an interruption from another thread. */
public class ConvertExportsTest {
    /** A VZP line of the given length: blanks, with texts written from 1-based positions. */
    static String line(int length, Object... positionsAndTexts) {
        char[] chars = new char[length];
        Arrays.fill(chars, ' ');
        for (int i = 0; i < positionsAndTexts.length; i += 2) {
            String text = (String) positionsAndTexts[i + 1];
            text.getChars(0, text.length(), chars, (Integer) positionsAndTexts[i] - 1);
        }
        return new String(chars);
    }

    static String header(String type) {
        return line(62, 1, "D", 2, "P", 3, type, 5, "12345678", 17, "2024", 21, "03", 23, "000042");
    }

    public static void testConvertsABatchBesideItsInput() throws Exception {
        Check.useShippedCatalogue();
        Path dir = Check.tempDir();
        Path in = dir.resolve("KDAVKA.111");
        String p = line(49, 1, "P", 2, "0000123", 12, "87654321", 20, "VS0001", 26, "001");
        String v1 = line(30, 1, "V", 2, "01012024", 10, "8555121234", 20, "09513", 25, "J0690");
        String v2 = line(30, 1, "V", 2, "02012024", 10, "0101011234", 20, "09514", 25, "J0700");
        Files.writeString(in, String.join("\r\n", header("05"), p, v1, v2) + "\r\n");
        Check.equal(0, Quervik.drg(null, in.toString(), null, null, null, null, null), "drg");
        String[] records = Files.readString(dir.resolve("KDAVKA_111.drg")).split("\r\n", -1);
        Check.equal(5, records.length, "four records, each ended with CR LF");
        Check.equal("", records[4], "nothing after the last line end");
        StringBuilder kinds = new StringBuilder();
        for (int i = 0; i < 4; i++) {
            kinds.append(records[i].charAt(0));
            Check.equal(i == 0 ? 29 : i == 1 ? 124 : 76, records[i].length(), "length of record " + i);
        }
        Check.equal("ABCC", kinds.toString(), "record kinds");
        Check.equal("Z12051985", records[1].substring(10, 19), "the patient of the first V line");
        Check.equal("111", records[0].substring(25, 28), "the insurer code from the extension");
        String[] errors = Quervik.getErrors();
        Check.isTrue(errors != null && errors.length == 3 && errors[0].endsWith("(50106)\n"), "reports " + Arrays.toString(errors));
        Quervik.clearErrors();
    }

    public static void testAllArgumentsNull() {
        Check.useShippedCatalogue();
        Check.equal(0, Quervik.drg(null, null, null, null, null, null, null), "nothing to convert");
        Check.equal(null, Quervik.getErrors(), "nothing reported");
    }

    public static void testInterruptionFromAnotherThread() throws Exception {
        Check.useShippedCatalogue();
        Path dir = Check.tempDir();
        Path in = dir.resolve("BIG.111");
        Path out = Files.createDirectory(dir.resolve("out"));
        Path done = dir.resolve("done");
        // 64 MiB of batch-81 documents, so that the interruption lands well inside the file.
        StringBuilder block = new StringBuilder();
        String a = line(93, 1, "A", 2, "0000010", 35, "8555121234");
        String v = line(33, 1, "V", 2, "30032024", 10, "71234");
        while (block.length() < 1 << 20) {
            block.append(a).append("\r\n");
            for (int i = 0; i < 20; i++) block.append(v).append("\r\n");
        }
        byte[] bytes = block.toString().getBytes(StandardCharsets.US_ASCII);
        try (OutputStream os = new BufferedOutputStream(Files.newOutputStream(in))) {
            os.write((header("81") + "\r\n").getBytes(StandardCharsets.US_ASCII));
            for (int i = 0; i < 64; i++) os.write(bytes);
        }

        int[] result = {Integer.MIN_VALUE};
        Thread worker = new Thread(() -> result[0] = Quervik.drg(null, in.toString(), out.toString(), null, null,
                                                                  done.toString(), "move"));
        worker.start();
        long deadline = System.nanoTime() + 60_000_000_000L;
        int pct;
        // Earlier runs leave their activity at 100 %: wait for this one to be under way.
        for (;;) {
            pct = Quervik.getActPct();
            if ("Konverze VZP rozhrani do DRG".equals(Quervik.getActName()) && pct >= 2 && pct <= 50) break;
            if (!worker.isAlive() || System.nanoTime() > deadline) break;
            Thread.sleep(1);
        }
        worker.interrupt();
        worker.join();
        Check.isTrue(pct >= 2 && pct <= 50, "interrupted inside the file, at " + pct + " %");
        Check.equal(-1, result[0], "the result of an interrupted run");
        Check.equal("Preruseno", Quervik.getActName(), "the activity after the interruption");
        Check.isTrue(!Files.exists(out.resolve("BIG_111.drg")), "the DRG file being written is deleted");
        Check.isTrue(Files.exists(in), "the VZP file stays in place");
        try (Stream<Path> ok = Files.list(done.resolve("ok")); Stream<Path> err = Files.list(done.resolve("err"))) {
            Check.equal(0L, ok.count() + err.count(), "nothing moved");
        }
        Quervik.clearErrors();
    }
}
