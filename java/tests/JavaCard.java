import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.regex.Matcher;
import java.util.regex.Pattern;

/**
 * The SoftHSM2 cards of the host tests. The test run names the module and the configuration
 * file in QUERVIK_PKCS11_MODULE and SOFTHSM2_CONF (ctest sets both); this class writes the
 * configuration with a token directory of its own and initialises every card the suites use,
 * all at once before the library first looks at the module (a module that is already
 * initialised does not see cards made later).
 */
final class JavaCard {
    static final String PIN = "Java-Pin-5521";
    static final String SO_PIN = "Java-So-Pin-8812";
    /** Cards by label; each suite takes its own. */
    static final String[] LABELS = {"java-store", "java-delete"};  // pkcs11-tool matches label prefixes

    private static Map<String, String> slots;

    private JavaCard() {}

    static String module() {
        String module = System.getenv("QUERVIK_PKCS11_MODULE");
        Check.isTrue(module != null && Files.isRegularFile(Path.of(module)),
            "QUERVIK_PKCS11_MODULE must name the SoftHSM2 module (ctest sets it): " + module);
        return module;
    }

    /** The slot ID (decimal) of the card with the label, the cards made on first use. */
    static synchronized String slot(String label) throws IOException, InterruptedException {
        if (slots == null) slots = makeCards();
        String slot = slots.get(label);
        Check.isTrue(slot != null, "no test card " + label);
        return slot;
    }

    private static Map<String, String> makeCards() throws IOException, InterruptedException {
        module();
        String conf = System.getenv("SOFTHSM2_CONF");
        Check.isTrue(conf != null, "SOFTHSM2_CONF must name the test configuration (ctest sets it)");
        Path config = Path.of(conf).toAbsolutePath();
        Path tokens = config.getParent().resolve("tokens");
        Check.deleteTree(tokens);
        Files.createDirectories(tokens);
        Files.writeString(config, "directories.tokendir = " + tokens + "\nobjectstore.backend = file\n"
            + "log.level = ERROR\n");
        Map<String, String> made = new HashMap<>();
        Pattern reassigned = Pattern.compile("reassigned to slot ([0-9]+)");
        for (String label : LABELS) {
            String out = Check.run(null, "softhsm2-util", "--init-token", "--free", "--label", label, "--pin", PIN,
                "--so-pin", SO_PIN);
            Matcher m = reassigned.matcher(out);
            Check.isTrue(m.find(), "softhsm2-util did not name the slot: " + out);
            made.put(label, m.group(1));
        }
        return made;
    }

    /** pkcs11-tool on the card, logged in with the PIN. */
    static String tool(String label, String... args) throws IOException, InterruptedException {
        List<String> command = new ArrayList<>(List.of("pkcs11-tool", "--module", module(), "--token-label", label,
            "--login", "--pin", PIN));
        command.addAll(List.of(args));
        return Check.run(null, command.toArray(new String[0]));
    }
}
