import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * The SoftHSM2 card of the host tests. The test run names the module and the configuration
 * file in QUERVIK_PKCS11_MODULE and SOFTHSM2_CONF (ctest sets both); this class writes the
 * configuration with a token directory of its own and initialises the card before the library
 * first looks at the module (a module that is already initialised does not see cards made later).
 */
final class JavaCard {
    static final String PIN = "Java-Pin-5521";
    static final String SO_PIN = "Java-So-Pin-8812";
    static final String LABEL = "java-store";

    private static String slot;

    private JavaCard() {}

    static String module() {
        String module = System.getenv("QUERVIK_PKCS11_MODULE");
        Check.isTrue(module != null && Files.isRegularFile(Path.of(module)),
            "QUERVIK_PKCS11_MODULE must name the SoftHSM2 module (ctest sets it): " + module);
        return module;
    }

    /** The slot ID (decimal) of the card, made on first use. */
    static synchronized String slot() throws IOException, InterruptedException {
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
    static String tool(String... args) throws IOException, InterruptedException {
        List<String> command = new ArrayList<>(List.of("pkcs11-tool", "--module", module(), "--token-label", LABEL,
            "--login", "--pin", PIN));
        command.addAll(List.of(args));
        return Check.run(null, command.toArray(new String[0]));
    }
}
