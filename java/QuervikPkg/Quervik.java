package QuervikPkg;

/**
 * The host class of the native library: every method is one export of libquervik.
 * All arguments are strings; a null string means "not given".
 */
public class Quervik {
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
    public static native int kkontrol(String a1, String a2, String a3, String a4, String a5);
    public static native int drg(String a1, String a2, String a3, String a4, String a5, String a6, String a7);

    // Protected files
    public static native int signFile(String a1, String a2, String a3, String a4, String a5, String a6);
    public static native int unsignFile(String a1, String a2, String a3, String a4, String a5, String a6);
    public static native int unsignFileBase64Keys(String a1, String a2, String a3, String a4, String a5,
                                                  String a6, String a7, String a8, String a9);
    public static native String getFileDN(String file);
    public static native int checkFileDEScrc(String a1, String a2, String a3, String a4, String a5, String a6);

    // Birth numbers
    public static native int desRc(String inputFile, String outputFile, String slot, String drgCertificate,
                                   String tcCertificate, String hospitalKey, String hashKeyName, String pin);
    public static native int recover(String inputFile, String outputFile, String centreKey,
                                     String centreKeyPassword, String centreKeyLength, String newKeyFile,
                                     String newKeyLength, String tcCertificate, String slot, String pin);

    // Card administration
    public static native String[] getSlotIdArr();
    public static native int loadBase64X509(String a1, String a2, String a3, String a4);
    public static native int loadBase64Data(String a1, String a2, String a3, String a4);
    public static native int deleteObject(String a1, String a2, String a3);
    public static native String getUserDN(String a1, String a2, String a3);
}
