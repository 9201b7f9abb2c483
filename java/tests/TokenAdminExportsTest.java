import QuervikPkg.Quervik;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Base64;

/** The five card administration exports through a real JVM, against SoftHSM2 cards. */
public class TokenAdminExportsTest {
    private static final String PIN = JavaCard.PIN;

    /** A self-signed certificate made by the openssl tool, as DER, for C=CZ and a common name of any letters. */
    private static byte[] certificate(String commonName) throws Exception {
        Path dir = Check.tempDir();
        Path config = dir.resolve("req.cnf"), key = dir.resolve("key.pem"), der = dir.resolve("cert.der");
        Files.writeString(config, "[req]\ndistinguished_name = dn\nprompt = no\nutf8 = yes\n"
            + "string_mask = utf8only\n[dn]\nC = CZ\nCN = " + commonName + "\n", StandardCharsets.UTF_8);
        Check.run(null, "openssl", "req", "-x509", "-newkey", "rsa:1024", "-nodes", "-keyout", key.toString(),
            "-config", config.toString(), "-days", "30", "-outform", "DER", "-out", der.toString());
        byte[] bytes = Files.readAllBytes(der);
        for (Path p : new Path[] {config, key, der}) Files.deleteIfExists(p);
        return bytes;
    }

    private static boolean reported(String code) {
        String[] errors = Quervik.getErrors();
        return errors != null && Arrays.stream(errors).anyMatch(e -> e.endsWith(" (" + code + ")\n"));
    }

    public static void testCertificateStoredOnceAndFoundByItsDnBeyondAscii() throws Exception {
        String slot = JavaCard.slot();
        String[] slots = Quervik.getSlotIdArr();
        Check.isTrue(slots != null && Arrays.asList(slots).contains(slot), slot + " in " + Arrays.toString(slots));
        // A Czech name and a character beyond U+FFFF (two UTF-16 units in Java).
        String name = "Java Nemocnice \uD83D\uDE00 \u010C\u00E1p";
        String text = Base64.getEncoder().encodeToString(certificate(name));
        Check.useShippedCatalogue();
        Check.equal(0, Quervik.loadBase64X509("JCERT", text, slot, PIN), "loadBase64X509");
        Check.equal(-1, Quervik.loadBase64X509("JCERT", text, slot, PIN), "the same label again");
        Check.isTrue(reported("233"), "233 reported");
        Check.equal("CN=" + name + ",C=CZ", Quervik.getUserDN("java NEMOCNICE", slot, PIN),
            "getUserDN in another letter case, the name whole");
        Check.equal(null, Quervik.getUserDN("Nikdo", slot, PIN), "getUserDN without a match");
        Quervik.clearErrors();
    }

    /** What is stored is the card tests' and the command tests' (225 too); here the arguments and null. */
    public static void testDataObjectStoredAndDeleted() throws Exception {
        String slot = JavaCard.slot();
        Check.useShippedCatalogue();
        Check.equal(0, Quervik.loadBase64Data("JBLOB", "AQID", slot, PIN), "loadBase64Data");
        Check.isTrue(JavaCard.tool("--list-objects").contains("JBLOB"), "pkcs11-tool sees the data object");
        Check.equal(-1, Quervik.loadBase64Data("JEMPTY", "", slot, PIN), "nothing to store");
        Check.equal(-1, Quervik.loadBase64Data("JBLOB2", "AQID", "-1", PIN), "slot -1");
        Check.equal(-5, Quervik.loadBase64Data(null, "AQID", slot, PIN), "no label");
        Quervik.clearErrors();
        Check.equal(0, Quervik.deleteObject("JBLOB", slot, PIN), "deleteObject");
        Check.isTrue(!JavaCard.tool("--list-objects").contains("JBLOB"), "the data object is gone");
    }
}
