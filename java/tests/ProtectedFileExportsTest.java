import QuervikPkg.Quervik;
import java.io.IOException;
import java.io.OutputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Base64;
import java.util.Random;
import java.util.stream.Stream;

/** The protected-file exports through a real JVM, with key files made by the openssl tool. */
public class ProtectedFileExportsTest {
    private static Path keys;

    /** The hospital's and the centre's keys and certificates, made once. */
    private static synchronized Path keys() throws Exception {
        if (keys != null) return keys;
        Path dir = Check.tempDir();
        Check.run(dir, "openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1024", "-out", "hospital.pem");
        Check.run(dir, "openssl", "req", "-x509", "-new", "-key", "hospital.pem", "-subj", "/C=CZ/CN=Nemocnice Java",
                "-days", "30", "-out", "hospital.crt");
        Check.run(dir, "openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1024", "-out", "centre.pem");
        Check.run(dir, "openssl", "req", "-x509", "-new", "-key", "centre.pem", "-subj", "/C=CZ/CN=NRC Java",
                "-days", "30", "-out", "centre.crt");
        Check.run(dir, "openssl", "pkey", "-in", "centre.pem", "-outform", "DER", "-out", "centre.der");
        Check.run(dir, "openssl", "x509", "-in", "hospital.crt", "-outform", "DER", "-out", "hospital.der");
        Check.useShippedCatalogue();
        keys = dir;
        return dir;
    }

    private static Path randomFile(Path dir, String name, long size) throws IOException {
        Path file = dir.resolve(name);
        Random random = new Random(size);
        byte[] buffer = new byte[1 << 20];
        try (OutputStream out = Files.newOutputStream(file)) {
            for (long left = size; left > 0; left -= buffer.length) {
                random.nextBytes(buffer);
                out.write(buffer, 0, (int) Math.min(left, buffer.length));
            }
        }
        return file;
    }

    private static String s(Path p) { return p.toString(); }

    private static void noPartialFiles(Path dir) throws IOException {
        try (Stream<Path> files = Files.list(dir)) {
            Check.isTrue(files.noneMatch(f -> f.getFileName().toString().endsWith(".part")), "no temporary files left");
        }
    }

    public static void testSignAndOpenRoundTrip() throws Exception {
        Path k = keys(), dir = Check.tempDir();
        Path in = randomFile(dir, "in.txt", 100_003), out = dir.resolve("out.bin"), back = dir.resolve("back.txt");
        Check.equal(0, Quervik.signFile(s(in), s(out), null, s(k.resolve("centre.crt")), s(k.resolve("hospital.pem")),
            null), "signFile");
        Check.equal("", Quervik.getFileDN(s(out)), "no DN without a card");
        Check.equal(0, Quervik.unsignFile(s(out), s(back), null, s(k.resolve("centre.pem")),
            s(k.resolve("hospital.crt")), null), "unsignFile");
        Check.isTrue(Arrays.equals(Files.readAllBytes(in), Files.readAllBytes(back)), "the content comes back");
        // The keys as base64 DER, the way a host that holds them in memory passes them.
        Files.delete(back);
        byte[] priv = Files.readAllBytes(k.resolve("centre.der")), cert = Files.readAllBytes(k.resolve("hospital.der"));
        Check.equal(0, Quervik.unsignFileBase64Keys(s(out), s(back), null, Base64.getEncoder().encodeToString(priv),
            Integer.toString(priv.length), Base64.getEncoder().encodeToString(cert), Integer.toString(cert.length),
            "1", null), "unsignFileBase64Keys");
        Check.isTrue(Arrays.equals(Files.readAllBytes(in), Files.readAllBytes(back)), "the content comes back again");
        Check.equal(null, Quervik.getErrors(), "nothing reported");
    }

    public static void testFailuresLeaveNoOutput() throws Exception {
        Path k = keys(), dir = Check.tempDir();
        Path in = randomFile(dir, "in.txt", 5000), out = dir.resolve("out.bin"), back = dir.resolve("back.txt");
        Check.equal(1, Quervik.signFile(s(dir.resolve("missing.txt")), s(out), null, s(k.resolve("centre.crt")),
            s(k.resolve("hospital.pem")), null), "missing input");
        Check.isTrue(!Files.exists(out), "no output");
        Check.equal(0, Quervik.signFile(s(in), s(out), null, s(k.resolve("centre.crt")), s(k.resolve("hospital.pem")),
            null), "signFile");
        byte[] bytes = Files.readAllBytes(out);
        bytes[10] ^= 1;
        Files.write(out, bytes);
        Quervik.clearErrors();
        Check.equal(1, Quervik.unsignFile(s(out), s(back), null, s(k.resolve("centre.pem")),
            s(k.resolve("hospital.crt")), null), "a damaged file");
        String[] errors = Quervik.getErrors();
        Check.isTrue(errors != null && errors[errors.length - 1].contains("(90004)"), "the digest differs");
        Check.isTrue(!Files.exists(back), "no unverified plaintext");
        Check.equal(-1, Quervik.unsignFileBase64Keys(s(out), s(back), null, s(dir.resolve("none.pem")), "-1",
            s(k.resolve("hospital.crt")), "-1", "1", null), "a missing key file");
        Check.equal(null, Quervik.getFileDN(s(dir.resolve("none.bin"))), "no file, no DN");
        Check.equal(-1, Quervik.checkFileDEScrc(s(out), "", null, s(k.resolve("centre.pem")), "-1", null),
            "an empty reference");
        noPartialFiles(dir);
        Quervik.clearErrors();
    }

    /** The host stops a signing by interrupting the working thread. */
    public static void testInterruptingSignFile() throws Exception {
        Path k = keys(), dir = Check.tempDir();
        Path in = randomFile(dir, "big.txt", 64L << 20), out = dir.resolve("big.bin");
        int[] result = {-99};
        Thread worker = new Thread(() -> result[0] = Quervik.signFile(s(in), s(out), null,
            s(k.resolve("centre.crt")), s(k.resolve("hospital.pem")), null));
        worker.start();
        long deadline = System.nanoTime() + 60_000_000_000L;
        while (!("podpis souboru".equals(Quervik.getActName()) && Quervik.getActPct() > 0)
               && worker.isAlive() && System.nanoTime() < deadline)
            Thread.sleep(5);
        worker.interrupt();
        worker.join();
        Check.equal(1, result[0], "signFile returns 1 when interrupted");
        Check.equal("Preruseno", Quervik.getActName(), "the activity shows the interruption");
        Check.isTrue(!Files.exists(out), "no output");
        noPartialFiles(dir);
        Files.delete(in);
    }
}
