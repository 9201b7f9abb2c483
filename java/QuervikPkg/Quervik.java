package QuervikPkg;

/**
 * The host class of the native library: every method is one export of libquervik
 * ({@code quervik.dll} on Windows), found as the class loads (see the package's loader: the
 * system property {@code quervik.library}, the library beside the jar, or
 * {@code java.library.path}).
 *
 * <p>All arguments are strings; {@code null} means "not given". Numbers (slots, lengths, key
 * types) are decimal texts; a slot of {@code "-1"} or {@code null} means the keys come from
 * files, not from the card. No method throws: failures come back as result values, and what
 * went wrong is in the error list ({@link #getErrors()}), one entry per report, each ending
 * with {@code " (CODE)\n"}.
 *
 * <p><b>Findings and statistics.</b> The checks report their findings and their counts through
 * the same list. In a DRG check a finding is a line report 7900 (a warning 7901) that carries
 * the finding's own code, followed by the field (7910) and the column (7911); the rest are
 * statistics: the file (7912), lines read (7064), records of a kind (7066), the file's errors
 * (7065) and warnings (7149), the cross-checks' start and end (7198, 7199), the total (7085)
 * or "no findings" (7086), empty separator lines (7110). In a VZP check a finding is a report
 * 6900 (a record) or 6910 (a field) carrying the finding's code, followed by its letter or
 * field (6901, 6911) and position (6902, 6912); the file (50106), the insurer code (6102) and
 * the counts (6103 and the like) are statistics.
 *
 * <p><b>The catalogue.</b> Report texts come from {@code msg/errors.msg}: under the directory
 * named by the environment variable {@code DRGBIN} when it is set, else in the working
 * directory, else beside the library (the build tree, the install layout and the Windows zip
 * put it there); {@link #setMessageFileName(String)} names another. Without any catalogue a
 * report reads "Nenalezen message file ...".
 *
 * <p><b>Threads.</b> The error list, the logs, the activity and the card session are
 * process-wide: run one work call (a check, a conversion, a protected-file or birth-number
 * call, a card call) at a time. While it runs, another thread may read the progress with
 * {@link #getActName()} and {@link #getActPct()}.
 *
 * <p><b>Cancelling.</b> Interrupt the thread that runs a check, a conversion or a
 * birth-number call ({@link Thread#interrupt()}): the call stops at its next line or block,
 * leaves no output behind where it promises whole outputs, the activity reads "Preruseno",
 * and the result says so (see each method).
 */
public class Quervik {
    static {
        NativeLoader.load();
    }

    /** An instance serves as well as the class itself: every export is a static method. */
    public Quervik() {}

    // Run services

    /**
     * The two version texts the application shows.
     *
     * @return the library's version ("QuervikDll 1.12.19.11") and the crypto interface's
     *     ("OpenSSL 0.9.7b 10 Apr 2003")
     */
    public static native String[] getVersion();

    /**
     * Names the message catalogue for the reports of the following calls.
     *
     * @param name the catalogue file; with {@code DRGBIN} set, a name that does not start with
     *     its value is taken below it; {@code null} changes nothing
     */
    public static native void setMessageFileName(String name);

    /**
     * Sends the following reports to a file instead of the error list.
     *
     * @param name the file, created anew; its lines end with CR LF
     * @return 0, or 1 when the file cannot be created (the reports then stay in the list)
     */
    public static native int setErrorFile(String name);

    /** Ends the error file with the mark 0x1A and closes it; reports go to the list again. */
    public static native void closeErrorFile();

    /**
     * The error list: every report since the last {@link #clearErrors()}.
     *
     * @return one entry per report, each ending with {@code " (CODE)\n"} (texts from data
     *     files arrive as Czech letters, read as code page 852), or {@code null} when the list
     *     is empty
     */
    public static native String[] getErrors();

    /** Empties the error list. */
    public static native void clearErrors();

    /**
     * Opens the global log, which receives a copy of every report until {@link #closeGLOG()}.
     *
     * @param name the log file, appended to
     * @return 0, or -1 when it cannot be opened
     */
    public static native int openGLOG(String name);

    /**
     * Closes the global log.
     *
     * @return 0, or -1 when no log was open
     */
    public static native int closeGLOG();

    /**
     * The name of the running (or last) activity, for a progress display; safe to call from
     * another thread while a work call runs.
     *
     * @return the activity's name, "Preruseno" after an interruption, {@code null} before the
     *     first activity
     */
    public static native String getActName();

    /**
     * The progress of the running activity; safe to call from another thread.
     *
     * @return its percentage, 0 to 100
     */
    public static native int getActPct();

    // Checks and conversion

    /**
     * Checks a DRG delivery line by line, writes a log per file, cross-checks the files when
     * every file is clean, and sorts them into the output directory.
     *
     * @param org the ORG file (organisational structure), or a directory of them
     * @param drg the DRG file (documents), or a directory; the documents are cross-checked
     *     only when it is given
     * @param osn the OSN file (chart of accounts), or a directory
     * @param eko the EKO file (turnover), or a directory
     * @param dir a directory whose files are checked by their extensions, instead of the five
     * @param logDir where each file's log goes, in {@code ok/} or {@code err/}; {@code null}: no logs
     * @param outDir where a clean delivery's files are copied, in {@code ok/} or {@code err/}
     * @param move non-null: move the files instead of copying them
     * @param kor the KOR file (corrections), or a directory
     * @return 0 when clean; otherwise minus the number of findings of the last file that had
     *     any, or of the cross-checks (this is not the total: the total is the count of the
     *     report 7085); 1 when interrupted or when no file could be read; -1 when nothing was
     *     given
     */
    public static native int dkontrol(String org, String drg, String osn, String eko, String dir,
                                      String logDir, String outDir, String move, String kor);

    /**
     * Checks VZP batch files record by record.
     *
     * @param input a VZP file, or a directory whose files are all checked (files with a DRG
     *     extension are left out)
     * @param insurer the insurer code of every file; {@code null}: each file's extension
     * @param logDir where each file's log goes, in {@code ok/} or {@code err/}; {@code null}: no logs
     * @param outDir where each file is copied, in {@code ok/} or {@code err/}; {@code null}: nowhere
     * @param move non-null: move the files instead of copying them
     * @return 0 when every file was clean, else minus the number of findings (a file that
     *     cannot be opened counts as one); when interrupted, minus (the findings of the files
     *     finished before, plus 1)
     */
    public static native int kkontrol(String input, String insurer, String logDir, String outDir, String move);

    /**
     * Converts VZP batch files into DRG batch files of the same name ({@code KDAVKA.111} gives
     * {@code KDAVKA_111.drg}).
     *
     * @param insurer the insurer code written into every A record; {@code null}: each file's
     *     extension
     * @param input a VZP file, or a directory of them
     * @param drgDir where the DRG files go; {@code null}: beside each input
     * @param excludedTypes batch types not converted, comma-separated ("10,12")
     * @param logDir where each file's log goes, in {@code ok/} or {@code err/}
     * @param doneDir where the processed VZP files go, in {@code ok/} or {@code err/}
     * @param move non-null: move them instead of copying
     * @return 0 when every file was converted, else minus the number of files that failed;
     *     -1 when interrupted
     */
    public static native int drg(String insurer, String input, String drgDir, String excludedTypes,
                                 String logDir, String doneDir, String move);

    // Protected files

    /**
     * Protects a file for the receiving centre: encrypted with a fresh triple-DES key, signed
     * with the hospital's key, the key encrypted for the centre. The output appears only when
     * complete.
     *
     * @param inputFile the file to protect
     * @param outputFile the protected file
     * @param slot the card's slot, or "-1"/{@code null} for key files
     * @param addresseeName the centre's certificate: its name on the card, else a PEM file
     * @param senderName the hospital's key: on the card a part of its certificate's subject,
     *     else its PEM private-key file
     * @param pin the card's PIN, or the key file's password
     * @return 0, or 1 on failure (no output is left)
     */
    public static native int signFile(String inputFile, String outputFile, String slot, String addresseeName,
                                      String senderName, String pin);

    /**
     * Opens a protected file: decrypts it and verifies the sender's signature and digest. The
     * output appears only when the content is verified.
     *
     * @param inputFile the protected file
     * @param outputFile the opened content
     * @param slot the card's slot, or "-1"/{@code null} for key files
     * @param privateKey the centre's private key: its name on the card, else a PEM file
     * @param publicKey the sender's certificate: its name on the card, else a PEM file
     * @param pin the card's PIN, or the key file's password
     * @return 0, or 1 on failure (no output is left)
     */
    public static native int unsignFile(String inputFile, String outputFile, String slot, String privateKey,
                                        String publicKey, String pin);

    /**
     * {@link #unsignFile} with the keys given as texts.
     *
     * @param inputFile the protected file
     * @param outputFile the opened content
     * @param slot the card's slot, or "-1"/{@code null}
     * @param privateKey the centre's private key as base64 DER, or a PEM file
     * @param privateKeyLength greater than 0: {@code privateKey} is base64 of at most that many
     *     DER bytes; 0 or less: it names a file
     * @param publicKey the sender's certificate (or public key) as base64 DER, or a PEM file
     * @param publicKeyLength as {@code privateKeyLength}, for {@code publicKey}
     * @param keyType "1" certificates, "0" public keys
     * @param password the private key's password
     * @return as {@link #unsignFile}; -1 when a key cannot be had
     */
    public static native int unsignFileBase64Keys(String inputFile, String outputFile, String slot,
                                                  String privateKey, String privateKeyLength, String publicKey,
                                                  String publicKeyLength, String keyType, String password);

    /**
     * The sender named in a protected file.
     *
     * @param fileName the protected file
     * @return its sender's DN text, or {@code null} when it has none or cannot be read
     */
    public static native String getFileDN(String fileName);

    /**
     * Tells whether a protected file was made with the hashing key of a reference check value.
     *
     * @param fileName the protected file
     * @param reference the reference check value (base64 with "_" in place of line ends)
     * @param unused not used
     * @param privateKey the centre's private key (PEM file, or base64 DER with a length)
     * @param privateKeyLength greater than 0: {@code privateKey} is base64 DER of that many bytes
     * @param password the private key's password
     * @return 0 when made with the same hashing key; -1 when there is no reference or key;
     *     any other value when they differ or cannot be compared
     */
    public static native int checkFileDEScrc(String fileName, String reference, String unused, String privateKey,
                                             String privateKeyLength, String password);

    // Birth numbers

    /**
     * Replaces the birth number of every B record of a DRG batch by its coded number (the same
     * number always gets the same code under the hospital's hashing key) and completes the
     * batch with the X record and a Y record per distinct birth number. The output appears only
     * when the run succeeded; a batch already holding an X record is refused (508).
     *
     * @param inputFile the DRG batch
     * @param outputFile the coded batch
     * @param slot the card's slot, or "-1"/{@code null} for key files
     * @param drgCertificate the DRG centre's certificate: a label on the card, else a PEM file
     * @param tcCertificate the trust centre's certificate, the same way
     * @param hospitalKey the hospital's private key: a label on the card, else a PEM file
     * @param hashKeyName the hashing-key blob: a data object on the card, else a file
     * @param pin the card's PIN, or the key file's password
     * @return 0 on success, any other value on failure (no output is left)
     */
    public static native int desRc(String inputFile, String outputFile, String slot, String drgCertificate,
                                   String tcCertificate, String hospitalKey, String hashKeyName, String pin);

    /**
     * The centres' side of {@link #desRc}: rebuilds the session key of an X record and writes,
     * for each Y record that follows, "Y", its code and the code under a new hashing key.
     *
     * @param inputFile the X record and the Y records
     * @param outputFile the translated records (written in blocks; a run that stops early still
     *     leaves every line translated before it stopped)
     * @param centreKey the DRG centre's private key: a PEM file, or DER given as the text
     * @param centreKeyPassword its password
     * @param centreKeyLength greater than 0: {@code centreKey} is that many bytes of DER
     * @param newKeyFile the file whose first 24 bytes are the new hashing key
     * @param newKeyLength not used
     * @param tcCertificate the trust centre's certificate on the card (its key opens share B)
     * @param slot the card's slot
     * @param pin the card's PIN
     * @return 0 on success, any other value on failure
     */
    public static native int recover(String inputFile, String outputFile, String centreKey,
                                     String centreKeyPassword, String centreKeyLength, String newKeyFile,
                                     String newKeyLength, String tcCertificate, String slot, String pin);

    // Card administration

    /**
     * The slots that hold a card.
     *
     * @return their decimal IDs, or {@code null} (report 199) when no slot holds one
     */
    public static native String[] getSlotIdArr();

    /**
     * Stores a certificate on the card as "Certifikat:" + label.
     *
     * @param label the certificate's name
     * @param certificateBase64 the certificate's DER in standard base64, on one line
     * @param slot the card's slot
     * @param pin the card's PIN
     * @return 0; -1 the label is taken (233), the text is not valid base64, no slot or PIN, or
     *     slot "-1"; -2 the card refused it (234)
     */
    public static native int loadBase64X509(String label, String certificateBase64, String slot, String pin);

    /**
     * Stores any bytes on the card as a data object.
     *
     * @param label the object's label
     * @param dataBase64 the bytes in standard base64, on one line
     * @param slot the card's slot
     * @param pin the card's PIN
     * @return 0; -1 the label is taken (225), the text is not valid base64 or empty, no slot
     *     or PIN; -5 no label; -6 the card refused it (226)
     */
    public static native int loadBase64Data(String label, String dataBase64, String slot, String pin);

    /**
     * Removes objects from the card.
     *
     * @param label the exact label of the objects to remove, or {@code null} for every object
     * @param slot the card's slot ("-1" touches no card)
     * @param pin the card's PIN
     * @return 0 (also for slot "-1"); -1 on failure (259, 260)
     */
    public static native int deleteObject(String label, String slot, String pin);

    /**
     * Finds a certificate on the card by a part of its subject.
     *
     * @param namePattern a fragment of the DN, in any letter case
     * @param slot the card's slot
     * @param pin the card's PIN
     * @return the DN text ("CN=...,O=...,C=CZ", at most 127 bytes) of the first certificate
     *     whose DN holds it, or {@code null} when none does
     */
    public static native String getUserDN(String namePattern, String slot, String pin);
}
