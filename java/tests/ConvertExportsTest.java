import QuervikPkg.Quervik;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;

/** The export drg through a real JVM: a conversion beside its input. */
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
        Check.equal("111", records[0].substring(25, 28), "the insurer code from the extension");
        String[] errors = Quervik.getErrors();
        Check.isTrue(errors != null && errors.length == 3 && errors[0].endsWith("(50106)\n"), "reports " + Arrays.toString(errors));
        Quervik.clearErrors();
    }
}
