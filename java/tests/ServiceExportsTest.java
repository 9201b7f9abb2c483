import QuervikPkg.Quervik;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;

/** The ten service exports through a real JVM, and the work exports given nothing at all. */
public class ServiceExportsTest {
    public static void testVersionTexts() {
        String[] v = Quervik.getVersion();
        Check.equal(List.of("QuervikDll 1.12.19.11", "OpenSSL 0.9.7b 10 Apr 2003"), List.of(v), "getVersion");
        Check.isTrue(v != Quervik.getVersion(), "each call makes a new array");
    }

    public static void testProgressBeforeAnyActivity() {
        // This suite runs before any work export of this JVM: no activity was ever named.
        Check.equal(null, Quervik.getActName(), "getActName at load");
        Check.equal(0, Quervik.getActPct(), "getActPct at load");
    }

    public static void testErrorFileEndsWithEndMark() throws Exception {
        Path dir = Check.tempDir();
        Path file = dir.resolve("errors.txt");
        Files.writeString(file, "old contents");
        Check.equal(0, Quervik.setErrorFile(file.toString()), "setErrorFile");
        Check.equal(0L, Files.size(file), "the error file is truncated");
        Quervik.closeErrorFile();
        Check.equal((byte) 0x1A, Files.readAllBytes(file)[0], "the end mark");
        Quervik.closeErrorFile();  // nothing open: nothing happens
        Check.equal(1L, Files.size(file), "a second close writes nothing");
        Check.equal(1, Quervik.setErrorFile(dir.resolve("no/such/dir/e.txt").toString()), "uncreatable");
        Check.equal(1, Quervik.setErrorFile(null), "null name");
        Check.equal(1, Quervik.setErrorFile(dir.toString()), "a directory");
        Quervik.closeErrorFile();
    }

    public static void testGlobalLog() throws Exception {
        Path dir = Check.tempDir();
        Path log = dir.resolve("global.log");
        Check.equal(0, Quervik.openGLOG(log.toString()), "openGLOG");
        Check.equal(0, Quervik.closeGLOG(), "closeGLOG");
        Check.equal(-1, Quervik.closeGLOG(), "closeGLOG without a log");
        Check.equal(-1, Quervik.openGLOG(null), "null log name");
        Files.delete(log);
    }

    /** Runs after the progress test: these exports name no activity, but that test must see none. */
    public static void testWorkExportsGivenNothing() {
        Check.useShippedCatalogue();
        Check.equal(0, Quervik.drg(null, null, null, null, null, null, null), "drg");
        Check.equal(-1, Quervik.dkontrol(null, null, null, null, null, null, null, null, null), "dkontrol");
        Check.equal(0, Quervik.kkontrol(null, null, null, null, null), "kkontrol");
        Check.equal(-1, Quervik.recover(null, null, null, null, null, null, null, null, null, null), "recover");
        Check.equal(-1, Quervik.loadBase64X509(null, null, null, null), "loadBase64X509");
        Check.equal(-1, Quervik.loadBase64Data(null, null, null, null), "loadBase64Data");
        Check.equal(-1, Quervik.deleteObject(null, null, null), "deleteObject");
        Check.equal(null, Quervik.getUserDN(null, null, null), "getUserDN");
        Check.equal(null, Quervik.getErrors(), "nothing reported");
    }
}
