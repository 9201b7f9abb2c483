import QuervikPkg.Quervik;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Base64;
import java.util.List;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * The five card administration exports through a real JVM, against a SoftHSM2 card. The test run
 * names the module and the configuration file in QUERVIK_PKCS11_MODULE and SOFTHSM2_CONF (ctest
 * sets both); this class writes the configuration with a token directory of its own and
 * initialises the card before the library first looks at the module (a module that is already
 * initialised does not see cards made later).
 */
public class TokenAdminExportsTest {
    private static final String PIN = "Java-Pin-5521", SO_PIN = "Java-So-Pin-8812", LABEL = "java-store";
    private static String slot;

    private static String module() {
        String module = System.getenv("QUERVIK_PKCS11_MODULE");
        Check.isTrue(module != null && Files.isRegularFile(Path.of(module)),
            "QUERVIK_PKCS11_MODULE must name the SoftHSM2 module (ctest sets it): " + module);
        return module;
    }

    /** The slot ID (decimal) of the card, made on first use. */
    private static synchronized String slot() throws Exception {
        if (slot != null) return slot;
        String conf = System.getenv("SOFTHSM2_CONF");
        Check.isTrue(conf != null, "SOFTHSM2_CONF must name the test configuration (ctest sets it)");
        module();
        Path config = Path.of(conf).toAbsolutePath();
        Path tokens = config.getParent().resolve("tokens");
        Check.deleteTree(tokens);
        Files.createDirectories(tokens);
        Files.writeString(config, "directories.tokendir = " + tokens + "\nobjectstore.backend = file\n"
            + "log.level = ERROR\n");
        String out = Check.run(null, "softhsm2-util", "--init-token", "--free", "--label", LABEL, "--pin", PIN,
            "--so-pin", SO_PIN);
        Matcher m = Pattern.compile("reassigned to slot ([0-9]+)").matcher(out);
        Check.isTrue(m.find(), "softhsm2-util did not name the slot: " + out);
        slot = m.group(1);
        return slot;
    }

    /** pkcs11-tool on the card, logged in with the PIN. */
    private static String tool(String... args) throws Exception {
        List<String> command = new ArrayList<>(List.of("pkcs11-tool", "--module", module(), "--token-label", LABEL,
            "--login", "--pin", PIN));
        command.addAll(List.of(args));
        return Check.run(null, command.toArray(new String[0]));
    }

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
        String slot = slot();
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
        String slot = slot();
        Check.useShippedCatalogue();
        Check.equal(0, Quervik.loadBase64Data("JBLOB", "AQID", slot, PIN), "loadBase64Data");
        Check.isTrue(tool("--list-objects").contains("JBLOB"), "pkcs11-tool sees the data object");
        Check.equal(-1, Quervik.loadBase64Data("JEMPTY", "", slot, PIN), "nothing to store");
        Check.equal(-1, Quervik.loadBase64Data("JBLOB2", "AQID", "-1", PIN), "slot -1");
        Check.equal(-5, Quervik.loadBase64Data(null, "AQID", slot, PIN), "no label");
        Quervik.clearErrors();
        Check.equal(0, Quervik.deleteObject("JBLOB", slot, PIN), "deleteObject");
        Check.isTrue(!tool("--list-objects").contains("JBLOB"), "the data object is gone");
    }
}
