import QuervikPkg.Quervik;
import java.nio.file.Files;
import java.nio.file.Path;

/** The VZP batch check through the export kkontrol. */
public class KkontrolTest {
    static final String HEADER = "DP05" + "12345678" + "1200" + "2023" + "05" + "000001" + "001" + " ".repeat(11)
        + " ".repeat(14) + "0.00" + "1" + " ";
    static final String P = "P" + "0000001" + "111" + "12345678" + " ".repeat(6) + "101" + "    100.00" + " ".repeat(7)
        + "001" + " ";
    static final String V = "V" + "15052023" + "8001011234" + "09513" + "J189 " + " ";

    static Path batch(Path dir, String name, String v) throws Exception {
        Path file = dir.resolve(name);
        Files.writeString(file, HEADER + "\r\n" + P + "\r\n" + v + "\r\n");
        return file;
    }

    public static void testCleanFileAndAFinding() throws Exception {
        Check.useShippedCatalogue();
        Path dir = Check.tempDir();
        Path clean = batch(dir, "clean.111", V);
        Check.equal(0, Quervik.kkontrol(clean.toString(), null, null, null, null), "clean file");
        String[] errors = Quervik.getErrors();
        Check.equal(4, errors.length, "reports of a clean file");
        Check.equal("Kontrola souboru " + clean + " (50106)\n", errors[0], "first report");
        Quervik.clearErrors();

        Path bad = batch(dir, "bad.205", V.replace("J189 ", "1XXXX"));
        Check.equal(-1, Quervik.kkontrol(bad.toString(), "111", null, null, null), "one finding");
        Quervik.clearErrors();
    }

    public static void testInterruptedThread() throws Exception {
        Check.useShippedCatalogue();
        Path file = batch(Check.tempDir(), "a.111", V);
        Thread.currentThread().interrupt();
        Check.equal(-1, Quervik.kkontrol(file.toString(), null, null, null, null), "interrupted run");
        Check.isTrue(!Thread.interrupted(), "the check consumed the interruption");
        Check.equal("Preruseno", Quervik.getActName(), "activity after the interruption");
        Quervik.clearErrors();
    }
}
