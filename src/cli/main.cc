// quervik: the command-line face of the library.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "runtime/platform.h"

namespace quervik::cli {

int runVersion(int argc, char** argv);
int runMessage(int argc, char** argv);
int runCard(int argc, char** argv);
int runDrg(int argc, char** argv);
int runSign(int argc, char** argv);
int runOpen(int argc, char** argv);
int runDn(int argc, char** argv);
int runCheckKey(int argc, char** argv);
int runKkontrol(int argc, char** argv);
int runDkontrol(int argc, char** argv);
int runDesrc(int argc, char** argv);
int runRecover(int argc, char** argv);

namespace {

// The last lines of the help of every command that reports findings.
#define FORMAT_HELP                                                                       \
  "      --format text|json   the findings as text (default) or as JSON Lines: one object\n" \
  "                           per finding, then a summary (the README describes both)\n"

// One row per subcommand; each later driver adds its own.
const Command kCommands[] = {
    {"dkontrol", "check a DRG delivery (ORG, OSN, DRG, EKO, KOR files) and cross-check it",
     "Usage: quervik dkontrol [--org F] [--osn F] [--drg F] [--eko F] [--kor F] [--dir DIR]\n"
     "                        [--log DIR] [--out DIR [--move]]\n\n"
     "Checks every line of the given batch files (each option may also name a directory: its\n"
     "files with that extension are checked) and, when no file has findings, cross-checks them\n"
     "against each other. --dir checks every file of a directory by its extension (.org .osn\n"
     ".drg .eko .kor) instead; its DRG documents are cross-checked only when --drg is given\n"
     "too. With --log, each file's log goes to DIR/ok or DIR/err (F_DRG.log.ok, and for a\n"
     "cross-check for example F_ORG.ORG_X_ORG.log.err). With --out, a clean delivery's files\n"
     "are copied (moved with --move) to DIR/ok, or DIR/err for the files the cross-checks\n"
     "found fault with. The findings print with their catalogue texts; exit status 0 clean,\n"
     "1 findings, 2 nothing could be read or interrupted.\n" FORMAT_HELP,
     runDkontrol},
    {"kkontrol", "check VZP batch files",
     "Usage: quervik kkontrol INPUT [--insurer CODE] [--log DIR] [--out DIR] [--move]\n\n"
     "Checks a VZP batch file, or every file of the directory INPUT, record by record and\n"
     "prints the findings. The insurer code is CODE, else each file's extension. With --log,\n"
     "each file's log goes to DIR/ok or DIR/err; with --out, each file is copied (--move:\n"
     "moved) to DIR/ok or DIR/err. Exit status 0 clean, 1 findings, 2 interrupted.\n" FORMAT_HELP,
     runKkontrol},
    {"drg", "convert VZP batch files into DRG batch files",
     "Usage: quervik drg INPUT [--insurer CODE] [--out-dir DIR] [--exclude 10,12] [--log DIR]\n"
     "                  [--done-dir DIR [--move]]\n\n"
     "Converts the VZP batch file INPUT, or every VZP file of the directory INPUT, into a DRG\n"
     "batch file of the same name (KDAVKA.111 gives KDAVKA_111.drg).\n\n"
     "  -i, --insurer CODE   insurer code of every batch header (default: each file's extension)\n"
     "  -o, --out-dir DIR    where the DRG files go (default: beside each input file)\n"
     "  -x, --exclude LIST   batch types not to convert, e.g. 10,12\n"
     "  -l, --log DIR        a log per file in DIR/ok or DIR/err\n"
     "  -d, --done-dir DIR   copy the processed VZP files into DIR/ok or DIR/err\n"
     "  -m, --move           move them instead of copying\n" FORMAT_HELP "\n"
     "Exit status: 0 every file converted, 1 some files failed, 2 interrupted.\n",
     runDrg},
    {"sign", "sign and encrypt a file for the receiving centre",
     "Usage: quervik sign -f CENTRE -k HOSPITAL [-s SLOT] [-c PIN] [-p PASSWORD] [-t 0|1] [-o OUTPUT] INPUT\n\n"
     "Writes the protected file of INPUT to OUTPUT (standard output without -o); OUTPUT appears\n"
     "only when it is complete.\n"
     "  -s, --slot SLOT          card slot: the keys are objects on the card (else PEM files)\n"
     "  -f, --centre-key NAME    the centre's certificate (-t 1) or public key (-t 0)\n"
     "  -k, --hospital-key NAME  the hospital's key: on the card a part of its certificate's subject\n"
     "                           (its CN, for example), with -t 0 also the name of its private key;\n"
     "                           without a card its PEM private-key file\n"
     "  -c, --pin PIN            the card's PIN (also --card-pin; else $QUERVIK_PIN)\n"
     "  -p, --password PASSWORD  the private-key file's password (asked for when needed)\n"
     "  -t, --key-type 0|1       0 key objects or key files, 1 certificates (default)\n"
     "  -o, --out OUTPUT         the protected file (also --output)\n"
     "      --hash-key NAME      the card object of the hashing-key blob (default RSA_DES_KEY)\n"
     FORMAT_HELP
     "Every key is a 1024-bit RSA key (a key of another size, in a file or on the card, is named\n"
     "before any work).\n",
     runSign},
    {"open", "decrypt and verify a protected file",
     "Usage: quervik open -k CENTRE -f HOSPITAL [-s SLOT] [-c PIN] [-p PASSWORD] [-t 0|1] [--der] [-o OUTPUT] FILE\n\n"
     "Decrypts FILE and checks the sender's signature and digest. OUTPUT (standard output without\n"
     "-o) appears only when the content is verified.\n"
     "  -s, --slot SLOT          card slot: the keys are objects on the card (else files)\n"
     "  -k, --centre-key NAME    the centre's private key\n"
     "  -f, --hospital-key NAME  the hospital's certificate (-t 1) or public key (-t 0)\n"
     "  -c, --pin PIN            the card's PIN (also --card-pin; else $QUERVIK_PIN)\n"
     "  -p, --password PASSWORD  the private-key file's password (asked for when needed)\n"
     "  -t, --key-type 0|1       0 key objects or key files, 1 certificates (default)\n"
     "  -o, --out OUTPUT         the opened content (also --output)\n"
     "      --der                the key files are DER, not PEM\n"
     FORMAT_HELP
     "Every key is a 1024-bit RSA key (a key of another size, in a file or on the card, is named\n"
     "before any work).\n",
     runOpen},
    {"dn", "show the sender's DN of a protected file",
     "Usage: quervik dn [--format text|json] FILE\n\nPrints the subject DN of the sender's certificate stored in FILE.\n"
     FORMAT_HELP, runDn},
    {"check-key", "tell whether a protected file was made with a given hashing key",
     "Usage: quervik check-key -k CENTRE_KEY (-r REFERENCE | --reference-file F) [-p PASSWORD] FILE\n\n"
     "Compares the hashing-key check value in FILE with the reference (base64 with \"_\" line ends,\n"
     "encrypted for the centre), both decrypted with the centre's PEM private key. Exit 0 on a\n"
     "match, 1 otherwise.\n" FORMAT_HELP,
     runCheckKey},
    {"desrc", "replace the birth numbers of a DRG batch by coded numbers",
     "Usage: quervik desrc -f DRG_CERT -g TC_CERT -i HOSPITAL_KEY -h HASH_KEY [-c SLOT] [-p PIN]\n"
     "                     [-t 0|1] [-o OUTPUT] BATCH\n\n"
     "Writes the batch with every B record's birth number replaced by its coded number (SHA-1\n"
     "over the number encrypted with the hospital's hashing key), then the X record (a new\n"
     "session key in two shares, encrypted for the DRG centre and the trust centre) and one Y\n"
     "record per distinct birth number. OUTPUT (standard output without -o) appears only when\n"
     "the run succeeded. A batch that already holds an X record is coded already and is refused.\n"
     "  -c, --slot SLOT          card slot: the keys are card objects named by their labels\n"
     "  -f, --drg-cert NAME      the DRG centre's certificate (public key with -t 0): a label on\n"
     "                           the card, else a PEM file\n"
     "  -g, --tc-cert NAME       the trust centre's certificate (public key with -t 0), the same way\n"
     "  -i, --hospital-key NAME  the hospital's private key: a label on the card, else a PEM file\n"
     "  -h, --hash-key NAME      the hashing-key blob: a data object on the card, else a file\n"
     "  -p, --pin PIN            the card's PIN (else $QUERVIK_PIN); without a card the key file's\n"
     "                           password (also --password; asked for when missing)\n"
     "  -t, --key-type 0|1       0 public keys, 1 certificates (default)\n"
     "  -o, --out OUTPUT         the coded batch (also --output)\n"
     "  -b, --buffer N           accepted and ignored: lines of any length are read\n"
     FORMAT_HELP
     "The keys are 1024-bit RSA keys: the records hold 128-byte RSA blocks (a key of another size\n"
     "is named before any work).\n",
     runDesrc},
    {"recover", "translate coded birth numbers to a new hashing key",
     "Usage: quervik recover -i INPUT -o OUTPUT -k NRC_KEY [-K PASSWORD] -d NEW_KEY -t TC_CERT\n"
     "                       -c SLOT -p PIN [-l LENGTH] [-L LENGTH]\n\n"
     "Reads an X record and the Y records that follow it (as desrc writes them), rebuilds the\n"
     "session key and writes, for every Y record, \"Y\", its coded number and the coded number\n"
     "under the new hashing key. Lines go out in blocks; a run that stops early (a bad record,\n"
     "a full disk, an interruption) still leaves every line translated before it stopped.\n"
     "  -i, --input FILE           the X and Y records\n"
     "  -o, --out FILE             where the translated records go (also --output)\n"
     "  -k, --key NRC_KEY          the DRG centre's PEM private key (opens share A)\n"
     "  -K, --password PASSWORD    its password\n"
     "  -d, --new-key FILE         the new hashing key: the first 24 bytes of FILE\n"
     "  -t, --tc-certificate NAME  the trust centre's certificate on the card (its key opens share B)\n"
     "  -c, --slot SLOT            the card's slot\n"
     "  -p, --pin PIN              the card's PIN (else $QUERVIK_PIN)\n"
     "  -l, --key-length N         -1 (default): NRC_KEY is a PEM file; N > 0: NRC_KEY is N bytes\n"
     "                             of DER given as the text itself\n"
     "  -L, --new-key-length N     accepted and not used (NEW_KEY is always a file)\n" FORMAT_HELP
     "The keys are 1024-bit RSA keys (a key of another size is named before any work).\n",
     runRecover},
    {"card", "the card tools: slots, objects, PINs, keys, the hashing key",
     "Usage: quervik card ACTION [options]\n\n"
     "Actions (SLOT is a slot ID as 'slots' prints it):\n"
     "  slots                                      the slots that hold a card, with the cards' labels\n"
     "  info --slot SLOT                           the card's label, maker, model, serial number, flags\n"
     "  list --slot SLOT                           every object on the card: its class and label\n"
     "  load-cert --slot SLOT --label NAME --file CERT [--key KEY]\n"
     "                                             store a certificate (PEM or DER) as \"Certifikat:NAME\";\n"
     "                                             --key gives the key pair KEY the certificate's ID\n"
     "  load-data --slot SLOT --label NAME --file FILE\n"
     "                                             store the file's bytes as the data object NAME\n"
     "  delete --slot SLOT (--label LABEL | --all) remove the objects labelled exactly LABEL, or all\n"
     "  dn --slot SLOT --pattern TEXT              the DN of the first certificate whose DN holds TEXT\n"
     "  set-pin --slot SLOT [--so]                 change the PIN; --so: set it as security officer\n"
     "  gen-keypair --slot SLOT --name NAME [--public-name NAME] [--bits N]\n"
     "                                             an RSA key pair made on the card (1024 bits, the\n"
     "                                             only size protected files and coded batches take)\n"
     "  csr --slot SLOT --name NAME --subject /C=CZ/O=.../CN=... --out PEM\n"
     "                                             a certificate request for the key pair NAME, signed\n"
     "                                             on the card, for the trust centre\n"
     "  import-pubkey --slot SLOT --name NAME --file PEM\n"
     "  export-pubkey --slot SLOT --name NAME --out PEM\n"
     "  export-cert --slot SLOT --name NAME --out PEM   NAME: label name or a fragment of the DN\n"
     "  make-hash-key (--slot SLOT --cert NAME | --cert-file CERT) [--store [--label NAME]] [--out FILE]\n"
     "                                             a new hashing key, wrapped for the hospital's\n"
     "                                             certificate (a 1024-bit RSA key); the blob goes to\n"
     "                                             the card as the data object RSA_DES_KEY (or NAME)\n"
     "                                             and/or to a new FILE\n\n"
     "The PIN comes from --pin, else $QUERVIK_PIN, else it is asked for without echo; set-pin takes\n"
     "the new PIN from --new-pin or $QUERVIK_NEW_PIN or asks twice, and with --so the officer's\n"
     "PIN from --so-pin or $QUERVIK_SO_PIN. A PIN given as an option can be seen by other users of\n"
     "the machine. The PKCS#11 module is $QUERVIK_PKCS11_MODULE, or libdkck201.so through the\n"
     "dynamic loader. Exit status: 0 done, 1 nothing found, 2 failed, 64 usage error.\n",
     runCard},
    {"version", "show the library and crypto interface versions",
     "Usage: quervik version\n\nPrints the two version texts the host application shows.\n", runVersion},
    {"message", "show the catalogue text of a message code",
     "Usage: quervik message [--catalogue FILE] CODE [ARG...]\n\n"
     "Formats the catalogue text of CODE with the arguments (numbers as integers, the rest as\n"
     "texts) and prints it with its \" (CODE)\" suffix. The catalogue is msg/errors.msg (under\n"
     "$DRGBIN when set) unless --catalogue names another.\n",
     runMessage},
};

#undef FORMAT_HELP

void printUsage(FILE* out) {
  std::fprintf(out, "Usage: quervik <command> [options]\n\nCommands:\n");
  for (const Command& c : commands()) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
  std::fprintf(out, "\n'quervik <command> --help' describes a command.\n");
}

}  // namespace

std::span<const Command> commands() { return kCommands; }

}  // namespace quervik::cli

namespace {

int runCommandLine(int argc, char** argv) {
  using namespace quervik::cli;
  quervik::setBinaryStandardStreams();  // what goes to standard output may be a data file
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    printUsage(argc < 2 ? stderr : stdout);
    return argc < 2 ? kUsageExit : 0;
  }
  const Command* command = findCommand(argv[1]);
  if (!command) {
    std::fprintf(stderr, "quervik: unknown command '%s'\n\n", argv[1]);
    printUsage(stderr);
    return kUsageExit;
  }
  locateCatalogue();
  try {
    return command->run(argc - 1, argv + 1);
  } catch (const std::exception& e) {
    // The core reports through statuses; only an allocation failure or the like lands here.
    std::fprintf(stderr, "quervik %s: %s\n", argv[1], e.what());
    return 2;
  }
}

}  // namespace

#ifdef _WIN32
// Windows keeps the command line in UTF-16; the core takes UTF-8 names.
extern "C" int wmain(int argc, wchar_t** wargv) {
  std::vector<std::string> arguments = quervik::utf8Arguments(argc, wargv);
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  return runCommandLine(argc, argv.data());
}
#else
int main(int argc, char** argv) { return runCommandLine(argc, argv); }
#endif
