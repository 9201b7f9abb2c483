import QuervikPkg.Quervik;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.Base64;
import java.util.HexFormat;
import java.util.Random;

/**
 * The exports that protect files and code birth numbers through a real JVM, with key files made
 * by the openssl tool: argument order, results and the error list.
 */
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
        // The hashing key (three DES keys of odd parity) wrapped for the hospital.
        Files.write(dir.resolve("hash.key"), HexFormat.of().parseHex("0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123"));
        Check.run(dir, "openssl", "pkeyutl", "-encrypt", "-certin", "-inkey", "hospital.crt", "-in", "hash.key", "-out",
                "blob.bin");
        Check.useShippedCatalogue();
        keys = dir;
        return dir;
    }

    private static String s(Path p) { return p.toString(); }

    public static void testSignAndOpenRoundTrip() throws Exception {
        Path k = keys(), dir = Check.tempDir();
        byte[] content = new byte[100_003];
        new Random(7).nextBytes(content);
        Path in = Files.write(dir.resolve("in.txt"), content), out = dir.resolve("out.bin"), back = dir.resolve("back.txt");
        Check.equal(0, Quervik.signFile(s(in), s(out), null, s(k.resolve("centre.crt")), s(k.resolve("hospital.pem")),
            null), "signFile");
        Check.equal("", Quervik.getFileDN(s(out)), "no DN without a card");
        Check.equal(0, Quervik.unsignFile(s(out), s(back), null, s(k.resolve("centre.pem")),
            s(k.resolve("hospital.crt")), null), "unsignFile");
        Check.isTrue(Arrays.equals(content, Files.readAllBytes(back)), "the content comes back");
        // The keys as base64 DER, the way a host that holds them in memory passes them.
        Files.delete(back);
        byte[] priv = Files.readAllBytes(k.resolve("centre.der")), cert = Files.readAllBytes(k.resolve("hospital.der"));
        Check.equal(0, Quervik.unsignFileBase64Keys(s(out), s(back), null, Base64.getEncoder().encodeToString(priv),
            Integer.toString(priv.length), Base64.getEncoder().encodeToString(cert), Integer.toString(cert.length),
            "1", null), "unsignFileBase64Keys");
        Check.isTrue(Arrays.equals(content, Files.readAllBytes(back)), "the content comes back again");
        Check.equal(null, Quervik.getErrors(), "nothing reported");
        Check.equal(null, Quervik.getFileDN(s(dir.resolve("none.bin"))), "no file, no DN");
        Check.equal(-1, Quervik.checkFileDEScrc(s(out), "", null, s(k.resolve("centre.pem")), "-1", null),
            "an empty reference");
        Quervik.clearErrors();
    }

    public static void testDesRcCodesABatchAndRecoverNeedsAKeyRecord() throws Exception {
        Path k = keys(), dir = Check.tempDir();
        String b = "B0000001" + "0".repeat(75) + "8001011234" + " ".repeat(31);
        Path in = Files.writeString(dir.resolve("in.drg"), "A" + "1".repeat(28) + "\r\n" + b + "\r\n" + "C" + "0".repeat(75)
            + "\r\n"), out = dir.resolve("out.drg");
        Check.equal(0, Quervik.desRc(s(in), s(out), null, s(k.resolve("centre.crt")), s(k.resolve("hospital.crt")),
            s(k.resolve("hospital.pem")), s(k.resolve("blob.bin")), null), "desRc " + Arrays.toString(Quervik.getErrors()));
        String[] lines = Files.readString(out).split("\r\n");
        Check.equal(5, lines.length, "A, B, C, X and one Y");
        Check.isTrue(lines[1].startsWith(b.substring(0, 83)) && !lines[1].contains("8001011234"), "coded");

        Path y = Files.writeString(dir.resolve("y.txt"), "Y" + "0".repeat(40) + "A".repeat(22) + "==\r\n");
        out = dir.resolve("recovered.txt");
        Check.equal(-1, Quervik.recover(s(y), s(out), "nrc.pem", "", "-1", "new.key", "-1", "TC", "0", "0000"), "recover");
        String[] errors = Quervik.getErrors();
        Check.isTrue(errors != null && errors.length == 2 && errors[0].endsWith("(8010)\n")
            && errors[1].endsWith("(8011)\n"), "8010 and 8011: " + Arrays.toString(errors));
        Check.equal(0L, Files.size(out), "no output line");
        Quervik.clearErrors();
    }
}
