import QuervikPkg.Quervik;
import java.io.ByteArrayOutputStream;
import java.nio.charset.Charset;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;

/**
 * Texts crossing the host boundary: findings that quote data bytes (code page 852 letters, control
 * characters, every byte value) arrive whole and readable, and file names beyond U+FFFF work both ways.
 */
public class HostTextTest {
    static final String PATIENT = "Pole 'Identifikace pacienta' obsahuje '";

    /** The example delivery's DRG batch with the patient field (41 bytes from column 84) of each B record replaced. */
    static byte[] drgWithPatientFields(List<byte[]> fields) throws Exception {
        byte[] example = Files.readAllBytes(Path.of(System.getProperty("quervik.source"), "examples", "drg", "NEMOCNICE.DRG"));
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        int next = 0, start = 0;
        for (int i = 0; i <= example.length; i++) {
            if (i < example.length && example[i] != '\n') continue;
            byte[] line = java.util.Arrays.copyOfRange(example, start, Math.min(i + 1, example.length));
            if (line.length > 124 && line[0] == 'B' && next < fields.size()) {
                byte[] field = fields.get(next++);
                for (int k = 0; k < 41; k++) line[83 + k] = k < field.length ? field[k] : (byte) ' ';
            }
            out.write(line);
            start = i + 1;
        }
        Check.equal(fields.size(), next, "B records for every field");
        return out.toByteArray();
    }

    /** Runs a shell command line of ASCII text, so that it works whatever the JVM's file-name encoding is. */
    static void shell(String command) throws Exception {
        Process p = new ProcessBuilder("/bin/sh", "-c", command).inheritIO().start();
        Check.equal(0, p.waitFor(), command);
    }

    static String[] check(String drg) {
        KkontrolTest.useShippedCatalogue();
        Quervik.dkontrol(null, drg, null, null, null, null, null, null, null);
        String[] errors = Quervik.getErrors();
        Quervik.clearErrors();
        return errors;
    }

    public static void testFindingsQuoteEveryByteOfAFieldReadably() throws Exception {
        // Every byte value a line can hold, 40 to a field, each field ended by a control
        // character so that the field is reported; then Czech letters in code page 852.
        ByteArrayOutputStream all = new ByteArrayOutputStream();
        for (int b = 1; b < 256; b++) if (b != '\n' && b != '\r') all.write(b);
        byte[] bytes = all.toByteArray();
        List<byte[]> fields = new ArrayList<>();
        for (int at = 0; at < bytes.length; at += 40) {
            byte[] field = java.util.Arrays.copyOfRange(bytes, at, Math.min(at + 40, bytes.length) + 1);
            field[field.length - 1] = 0x01;
            fields.add(field);
        }
        Charset cp852 = Charset.forName("IBM852");
        String czech = "\u017Dlu\u0165ou\u010Dk\u00FD k\u016F\u0148 \u00A4";  // the last is no letter: a finding
        fields.add(czech.getBytes(cp852));
        Path dir = Check.tempDir();
        try {
            Path drg = dir.resolve("BYTES.DRG");
            Files.write(drg, drgWithPatientFields(fields));
            String[] errors = check(drg.toString());
            Check.isTrue(errors.length > fields.size(), "the findings of the batch");
            for (String e : errors) Check.isTrue(e.matches("(?s)[^\n]* \\(\\d+\\)\n"), "one whole entry: " + e);
            for (byte[] field : fields) {
                String quoted = new String(field, cp852) + " ".repeat(41 - field.length);
                String expected = PATIENT + quoted + "' (7910)\n";
                Check.isTrue(List.of(errors).contains(expected), "quoted as the letters they are: " + expected);
            }
        } finally {
            shell("rm -rf '" + dir + "'");
        }
    }

    public static void testFileNamesBeyondTheBasicPlane() throws Exception {
        Path dir = Check.tempDir();
        try {
            Files.copy(Path.of(System.getProperty("quervik.source"), "examples", "drg", "NEMOCNICE.DRG"), dir.resolve("plain"));
            // pat U+1F600 .DRG, made by the shell from its UTF-8 bytes
            shell("cd '" + dir + "' && mv plain \"$(printf 'pat\\360\\237\\230\\200.DRG')\"");
            String name = dir + "/pat\uD83D\uDE00.DRG";
            String[] errors = check(name);
            Check.equal("Kontrola souboru " + name + " (7912)\n", errors[0], "the file, named as Java names it");
            for (String e : errors) Check.isTrue(!e.endsWith("(7100)\n"), "the file was opened: " + e);
        } finally {
            shell("rm -rf '" + dir + "'");
        }
    }
}
