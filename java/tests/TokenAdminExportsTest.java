import QuervikPkg.Quervik;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Base64;

/** The five card administration exports through a real JVM, against SoftHSM2 cards. */
public class TokenAdminExportsTest {
    private static final String PIN = JavaCard.PIN;

    /**
     * A self-signed certificate made by the openssl tool, as DER. The subject is given as "-subj" and its
     * text, or as "-config" and a common name beyond ASCII that a UTF-8 configuration holds.
     */
    private static byte[] certificate(String how, String subject) throws Exception {
        Path dir = Check.tempDir();
        Path config = dir.resolve("req.cnf"), key = dir.resolve("key.pem"), der = dir.resolve("cert.der");
        if (how.equals("-config")) {
            Files.writeString(config, "[req]\ndistinguished_name = dn\nprompt = no\nutf8 = yes\n"
                + "string_mask = utf8only\n[dn]\nC = CZ\nCN = " + subject + "\n", StandardCharsets.UTF_8);
            subject = config.toString();
        }
        Check.run(null, "openssl", "req", "-x509", "-newkey", "rsa:1024", "-nodes", "-keyout", key.toString(),
            how, subject, "-days", "30", "-outform", "DER", "-out", der.toString());
        byte[] bytes = Files.readAllBytes(der);
        for (Path p : new Path[] {config, key, der}) Files.deleteIfExists(p);
        return bytes;
    }

    private static boolean reported(String code) {
        String[] errors = Quervik.getErrors();
        return errors != null && Arrays.stream(errors).anyMatch(e -> e.endsWith(" (" + code + ")\n"));
    }

    public static void testCertificateStoredOnceAndFoundByItsDn() throws Exception {
        String slot = JavaCard.slot();
        String[] slots = Quervik.getSlotIdArr();
        Check.isTrue(slots != null && Arrays.asList(slots).contains(slot), slot + " in " + Arrays.toString(slots));
        String text = Base64.getEncoder().encodeToString(certificate("-subj", "/C=CZ/O=Nemocnice Java/CN=Java Nemocnice"));
        Check.useShippedCatalogue();
        Check.equal(0, Quervik.loadBase64X509("JCERT", text, slot, PIN), "loadBase64X509");
        Check.isTrue(JavaCard.tool("--list-objects", "--type", "cert").contains("Certifikat:JCERT"),
            "pkcs11-tool sees the certificate");
        Check.equal(-1, Quervik.loadBase64X509("JCERT", text, slot, PIN), "the same label again");
        Check.isTrue(reported("233"), "233 reported");
        Check.equal("CN=Java Nemocnice,O=Nemocnice Java,C=CZ", Quervik.getUserDN("java NEMOCNICE", slot, PIN),
            "getUserDN in another letter case");
        Check.equal(null, Quervik.getUserDN("Nikdo", slot, PIN), "getUserDN without a match");
        Quervik.clearErrors();
    }

    public static void testDnBeyondAsciiComesBackWhole() throws Exception {
        String slot = JavaCard.slot();
        // A Czech name and a character beyond U+FFFF (two UTF-16 units in Java).
        String name = "Smajlik \uD83D\uDE00 \u010C\u00E1p";
        String text = Base64.getEncoder().encodeToString(certificate("-config", name));
        Check.equal(0, Quervik.loadBase64X509("JUTF", text, slot, PIN), "loadBase64X509");
        Check.equal("CN=" + name + ",C=CZ", Quervik.getUserDN("SMAJLIK", slot, PIN), "getUserDN");
    }

    public static void testDataObjectStoredOnceAndDeleted() throws Exception {
        String slot = JavaCard.slot();
        byte[] blob = new byte[128];
        for (int i = 0; i < blob.length; i++) blob[i] = (byte) (i * 7 + 3);
        String text = Base64.getEncoder().encodeToString(blob);
        Check.useShippedCatalogue();
        Check.equal(0, Quervik.loadBase64Data("JBLOB", text, slot, PIN), "loadBase64Data");
        Path back = Check.tempDir().resolve("blob.bin");
        JavaCard.tool("--read-object", "--type", "data", "--label", "JBLOB", "-o", back.toString());
        Check.isTrue(Arrays.equals(blob, Files.readAllBytes(back)), "pkcs11-tool reads the same bytes");
        Files.delete(back);
        Check.equal(-1, Quervik.loadBase64Data("JBLOB", text, slot, PIN), "the same label again");
        Check.isTrue(reported("225"), "225 reported");
        Check.equal(-1, Quervik.loadBase64Data("JEMPTY", "", slot, PIN), "nothing to store");
        Check.equal(-1, Quervik.loadBase64Data("JBLOB2", text, "-1", PIN), "slot -1");
        Check.equal(-5, Quervik.loadBase64Data(null, text, slot, PIN), "no label");
        Quervik.clearErrors();
        Check.equal(0, Quervik.deleteObject("JBLOB", slot, PIN), "deleteObject");
        Check.isTrue(!JavaCard.tool("--list-objects").contains("JBLOB"), "the data object is gone");
    }
}
