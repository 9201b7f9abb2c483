import QuervikPkg.Quervik;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Arrays;
import java.util.HexFormat;

/** desRc and recover through a real JVM: argument order, results and the error list. */
public class BirthNumberExportsTest {
    public static void testDesRcCodesABatchWithKeyFiles() throws Exception {
        Check.useShippedCatalogue();
        Path dir = Check.tempDir();
        Check.run(dir, "openssl", "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:1024", "-out", "zz.pem");
        Check.run(dir, "openssl", "pkey", "-in", "zz.pem", "-pubout", "-out", "zz_pub.pem");
        for (String holder : new String[] {"drg", "tc"})
            Check.run(dir, "openssl", "req", "-x509", "-newkey", "rsa:1024", "-nodes", "-keyout", holder + ".key", "-subj",
                "/CN=" + holder, "-out", holder + ".pem");
        Files.write(dir.resolve("hash.key"),
            HexFormat.of().parseHex("0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123"));
        Check.run(dir, "openssl", "pkeyutl", "-encrypt", "-pubin", "-inkey", "zz_pub.pem", "-in", "hash.key", "-out", "blob.bin");
        String b = "B0000001" + "0".repeat(75) + "8001011234" + " ".repeat(31);
        Files.writeString(dir.resolve("in.drg"), "A" + "1".repeat(28) + "\r\n" + b + "\r\n" + "C" + "0".repeat(75) + "\r\n");

        int rc = Quervik.desRc(dir.resolve("in.drg").toString(), dir.resolve("out.drg").toString(), null,
            dir.resolve("drg.pem").toString(), dir.resolve("tc.pem").toString(), dir.resolve("zz.pem").toString(),
            dir.resolve("blob.bin").toString(), null);
        Check.equal(0, rc, "desRc " + Arrays.toString(Quervik.getErrors()));
        String[] lines = Files.readString(dir.resolve("out.drg")).split("\r\n");
        Check.equal(5, lines.length, "A, B, C, X and one Y");
        Check.isTrue(lines[1].startsWith(b.substring(0, 83)) && !lines[1].contains("8001011234"), "coded");
    }

    public static void testRecoverNeedsAKeyRecordFirst() throws Exception {
        Check.useShippedCatalogue();
        Path dir = Check.tempDir();
        Path in = dir.resolve("in.txt"), out = dir.resolve("out.txt");
        Files.writeString(in, "Y" + "0".repeat(40) + "A".repeat(22) + "==\r\n");
        Check.equal(-1, Quervik.recover(in.toString(), out.toString(), "nrc.pem", "", "-1", "new.key", "-1", "TC",
            "0", "0000"), "recover");
        String[] errors = Quervik.getErrors();
        Check.isTrue(errors != null && errors.length == 2 && errors[0].endsWith("(8010)\n")
            && errors[1].endsWith("(8011)\n"), "8010 and 8011: " + Arrays.toString(errors));
        Check.equal(0L, Files.size(out), "no output line");
        Quervik.clearErrors();
    }
}
