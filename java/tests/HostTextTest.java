import QuervikPkg.Quervik;
import java.nio.charset.Charset;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

/**
 * Texts crossing the host boundary: findings that quote data bytes (code page 852 letters, control
 * characters, every byte value) arrive whole and readable, and file names beyond U+FFFF work both ways.
 */
public class HostTextTest {
    static final Charset BYTES = StandardCharsets.ISO_8859_1, CP852 = Charset.forName("IBM852");
    static final Path EXAMPLE = Path.of(System.getProperty("quervik.source"), "examples", "drg", "NEMOCNICE.DRG");

    static String[] check(String drg) {
        Check.useShippedCatalogue();
        Quervik.dkontrol(null, drg, null, null, null, null, null, null, null);
        String[] errors = Quervik.getErrors();
        Quervik.clearErrors();
        return errors;
    }

    /** A shell command line of ASCII text, so that it works whatever the JVM's file-name encoding is. */
    static void shell(String command) throws Exception {
        Check.equal(0, new ProcessBuilder("/bin/sh", "-c", command).inheritIO().start().waitFor(), command);
    }

    public static void testFindingsQuoteEveryByteOfAFieldReadably() throws Exception {
        // Every byte value a line can hold, 40 to a patient field (41 bytes from column 84 of a
        // B record), each ended by a control character so that it is reported; then Czech letters.
        StringBuilder all = new StringBuilder();
        for (char b = 1; b < 256; b++) if (b != '\n' && b != '\r') all.append(b);
        List<String> fields = new ArrayList<>();
        for (int at = 0; at < all.length(); at += 40) fields.add(all.substring(at, Math.min(at + 40, all.length())) + "\u0001");
        fields.add(new String("\u017Dlu\u0165ou\u010Dk\u00FD k\u016F\u0148 \u00A4".getBytes(CP852), BYTES));  // the last is no letter
        String[] lines = Files.readString(EXAMPLE, BYTES).split("\r\n", -1);
        int next = 0;
        for (int i = 0; i < lines.length && next < fields.size(); i++)
            if (lines[i].startsWith("B")) lines[i] = lines[i].substring(0, 83) + String.format("%-41s", fields.get(next++));
        Check.equal(fields.size(), next, "a B record for every field");
        Path dir = Check.tempDir(), drg = dir.resolve("BYTES.DRG");
        try {
            Files.writeString(drg, String.join("\r\n", lines), BYTES);
            String[] errors = check(drg.toString());
            for (String e : errors) Check.isTrue(e.matches("(?s)[^\n]* \\(\\d+\\)\n"), "one whole entry: " + e);
            for (String field : fields) {
                String quoted = new String(String.format("%-41s", field).getBytes(BYTES), CP852);
                String expected = "Pole 'Identifikace pacienta' obsahuje '" + quoted + "' (7910)\n";
                Check.isTrue(List.of(errors).contains(expected), "quoted as the letters they are: " + expected);
            }
        } finally {
            shell("rm -rf '" + dir + "'");
        }
    }

    public static void testFileNamesBeyondTheBasicPlane() throws Exception {
        Path dir = Check.tempDir();
        try {
            Files.copy(EXAMPLE, dir.resolve("plain"));
            shell("cd '" + dir + "' && mv plain \"$(printf 'pat\\360\\237\\230\\200.DRG')\"");  // U+1F600 in UTF-8
            String name = dir + "/pat\uD83D\uDE00.DRG";
            String[] errors = check(name);
            Check.equal("Kontrola souboru " + name + " (7912)\n", errors[0], "the file, named as Java names it");
            for (String e : errors) Check.isTrue(!e.endsWith("(7100)\n"), "the file was opened: " + e);
        } finally {
            shell("rm -rf '" + dir + "'");
        }
    }
}
