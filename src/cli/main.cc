// quervik: the command-line face of the library.
#include <cstdio>
#include <cstring>

#include "cli/cli.h"

namespace quervik::cli {

int runVersion(int argc, char** argv);
int runMessage(int argc, char** argv);
int runCard(int argc, char** argv);
int runDesrc(int argc, char** argv);
int runRecover(int argc, char** argv);

namespace {

// One row per subcommand; each later driver adds its own.
const Command kCommands[] = {
    {"version", "show the library and crypto interface versions",
     "Usage: quervik version\n\nPrints the two version texts the host application shows.\n", runVersion},
    {"message", "show the catalogue text of a message code",
     "Usage: quervik message [--catalogue FILE] CODE [ARG...]\n\n"
     "Formats the catalogue text of CODE with the arguments (numbers as integers, the rest as\n"
     "texts) and prints it with its \" (CODE)\" suffix. The catalogue is msg/errors.msg (under\n"
     "$DRGBIN when set) unless --catalogue names another.\n",
     runMessage},
    {"card", "list the card slots or show a card's information",
     "Usage: quervik card slots\n       quervik card info --slot SLOT\n\n"
     "'slots' prints the ID of every slot that holds a card, one per line. 'info' prints the\n"
     "label, maker, model, serial number and flags of the card in SLOT. The PKCS#11 module is\n"
     "$QUERVIK_PKCS11_MODULE, or libdkck201.so through the dynamic loader.\n",
     runCard},
    {"desrc", "replace the birth numbers of a DRG batch by coded numbers",
     "Usage: quervik desrc [-b buffer] [-c cardslotID] -f label_cert_DRG -g label_cert_TC -i label_priv_ZZ\n"
     "                     -h key_label [-p pin] [-t 0|1] [-o vystupniSoubor] souborDatovehoRozhrani\n\n"
     "Writes the batch with every B record's birth number replaced by its coded number (SHA-1\n"
     "over the number encrypted with the hospital's hashing key), then the X record (a new\n"
     "session key in two shares, encrypted for the DRG centre and the trust centre) and one Y\n"
     "record per distinct birth number. The output (standard output without -o) appears only\n"
     "when the run succeeded. With -c the keys are card objects named by their labels and -p is\n"
     "the PIN; without it -f and -g are certificate files (public-key files with -t 0), -i the\n"
     "hospital's PEM private key, -h the key-blob file and -p the key's password (asked for\n"
     "when missing). -b is accepted and ignored: lines of any length are read.\n",
     runDesrc},
    {"recover", "translate coded birth numbers to a new hashing key",
     "Usage: quervik recover -i INPUT -o OUTPUT -k NRC_KEY [-K PASSWORD] [-l LENGTH] -d NEW_KEY\n"
     "                       [-L LENGTH] -t TC_CERTIFICATE -c SLOT -p PIN\n\n"
     "Reads an X record and the Y records that follow it (as desrc writes them), rebuilds the\n"
     "session key (share A with the centre's private key NRC_KEY, a PEM file, share B with the\n"
     "private key of the trust centre's certificate on the card in SLOT) and writes, for every\n"
     "Y record, \"Y\", its coded number and the coded number under the key in the file NEW_KEY\n"
     "(its first 24 bytes). Each line is flushed at once. -l and -L default to -1 (files).\n",
     runRecover},
};

void printUsage(FILE* out) {
  std::fprintf(out, "Usage: quervik <command> [options]\n\nCommands:\n");
  for (const Command& c : commands()) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
  std::fprintf(out, "\n'quervik <command> --help' describes a command.\n");
}

}  // namespace

std::span<const Command> commands() { return kCommands; }

}  // namespace quervik::cli

int main(int argc, char** argv) {
  using namespace quervik::cli;
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
  locateCatalogue(argv[0]);
  return command->run(argc - 1, argv + 1);
}
