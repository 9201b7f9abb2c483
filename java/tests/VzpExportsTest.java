import QuervikPkg.Quervik;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;

/** The VZP exports kkontrol and drg through a real JVM, on one small batch. */
public class VzpExportsTest {
    static final String HEADER = "DP05" + "12345678" + "1200" + "2023" + "05" + "000001" + "001" + " ".repeat(11)
        + " ".repeat(14) + "0.00" + "1" + " ";
    static final String P = "P" + "0000001" + "111" + "12345678" + " ".repeat(6) + "101" + "    100.00" + " ".repeat(7)
        + "001" + " ";
    static final String V = "V" + "15052023" + "8001011234" + "09513" + "J189 " + " ";

    static Path batch(Path dir, String name, String v) throws Exception {
        return Files.writeString(dir.resolve(name), HEADER + "\r\n" + P + "\r\n" + v + "\r\n");
    }

    public static void testCheckAndConversionOfABatch() throws Exception {
        Check.useShippedCatalogue();
        Path dir = Check.tempDir();
        Path clean = batch(dir, "clean.111", V);
        Check.equal(0, Quervik.kkontrol(clean.toString(), null, null, null, null), "clean file");
        String[] errors = Quervik.getErrors();
        Check.equal("Kontrola souboru " + clean + " (50106)\n", errors[0], "first report");
        Quervik.clearErrors();
        Path bad = batch(dir, "bad.205", V.replace("J189 ", "1XXXX"));
        Check.equal(-1, Quervik.kkontrol(bad.toString(), "111", null, null, null), "one finding");
        Quervik.clearErrors();

        // Converted beside the input, the insurer code taken from the extension.
        Check.equal(0, Quervik.drg(null, clean.toString(), null, null, null, null, null), "drg");
        String[] records = Files.readString(dir.resolve("clean_111.drg")).split("\r\n", -1);
        Check.equal("", records[records.length - 1], "each record ended with CR LF, nothing after the last");
        Check.equal("111", records[0].substring(25, 28), "the insurer code from the extension");
        errors = Quervik.getErrors();
        Check.isTrue(errors != null && errors.length == 3 && errors[0].endsWith("(50106)\n"), "reports " + Arrays.toString(errors));

        Thread.currentThread().interrupt();
        Check.equal(-1, Quervik.kkontrol(clean.toString(), null, null, null, null), "interrupted run");
        Check.isTrue(!Thread.interrupted(), "the check consumed the interruption");
        Check.equal("Preruseno", Quervik.getActName(), "activity after the interruption");
        Quervik.clearErrors();
    }
}
