package QuervikPkg;

/**
 * The host class of the native library: every method is one export of libquervik.
 * All arguments are strings; a null string means "not given".
 */
public class Quervik {
    static {
        NativeLoader.load();
    }

    // Run services
    public static native String[] getVersion();
    public static native void setMessageFileName(String name);
    public static native int setErrorFile(String name);
    public static native void closeErrorFile();
    public static native String[] getErrors();
    public static native void clearErrors();
    public static native int openGLOG(String name);
    public static native int closeGLOG();
    public static native String getActName();
    public static native int getActPct();

    // Checks and conversion
    public static native int dkontrol(String org, String drg, String osn, String eko, String dir,
                                      String logDir, String outDir, String move, String kor);
    public static native int kkontrol(String input, String insurer, String logDir, String outDir, String move);
    public static native int drg(String insurer, String input, String drgDir, String excludedTypes,
                                 String logDir, String doneDir, String move);

    // Protected files
    public static native int signFile(String inputFile, String outputFile, String slot, String addresseeName,
                                      String senderName, String pin);
    public static native int unsignFile(String inputFile, String outputFile, String slot, String privateKey,
                                        String publicKey, String pin);
    public static native int unsignFileBase64Keys(String inputFile, String outputFile, String slot,
                                                  String privateKey, String privateKeyLength, String publicKey,
                                                  String publicKeyLength, String keyType, String password);
    public static native String getFileDN(String fileName);
    public static native int checkFileDEScrc(String fileName, String reference, String unused, String privateKey,
                                             String privateKeyLength, String password);

    // Birth numbers
    public static native int desRc(String inputFile, String outputFile, String slot, String drgCertificate,
                                   String tcCertificate, String hospitalKey, String hashKeyName, String pin);
    public static native int recover(String inputFile, String outputFile, String centreKey,
                                     String centreKeyPassword, String centreKeyLength, String newKeyFile,
                                     String newKeyLength, String tcCertificate, String slot, String pin);

    // Card administration
    public static native String[] getSlotIdArr();
    public static native int loadBase64X509(String label, String certificateBase64, String slot, String pin);
    public static native int loadBase64Data(String label, String dataBase64, String slot, String pin);
    public static native int deleteObject(String label, String slot, String pin);
    public static native String getUserDN(String namePattern, String slot, String pin);
}
