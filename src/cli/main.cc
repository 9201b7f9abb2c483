// quervik: the command-line face of the library.
#include <cstdio>
#include <cstring>

#include "cli/cli.h"

namespace quervik::cli {

int runVersion(int argc, char** argv);
int runMessage(int argc, char** argv);
int runCard(int argc, char** argv);

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
     "                                             an RSA key pair made on the card (1024 bits)\n"
     "  import-pubkey --slot SLOT --name NAME --file PEM\n"
     "  export-pubkey --slot SLOT --name NAME --out PEM\n"
     "  export-cert --slot SLOT --name NAME --out PEM   NAME: label name or a fragment of the DN\n"
     "  make-hash-key (--slot SLOT --cert NAME | --cert-file CERT) [--store [--label NAME]] [--out FILE]\n"
     "                                             a new hashing key, wrapped for the hospital's\n"
     "                                             certificate; the blob goes to the card as the data\n"
     "                                             object RSA_DES_KEY (or NAME) and/or to a new FILE\n\n"
     "The PIN comes from --pin, else $QUERVIK_PIN, else it is asked for without echo; set-pin takes\n"
     "the new PIN from --new-pin or $QUERVIK_NEW_PIN or asks twice, and with --so the officer's\n"
     "PIN from --so-pin or $QUERVIK_SO_PIN. A PIN given as an option can be seen by other users of\n"
     "the machine. The PKCS#11 module is $QUERVIK_PKCS11_MODULE, or libdkck201.so through the\n"
     "dynamic loader. Exit status: 0 done, 1 nothing found, 2 failed, 64 usage error.\n",
     runCard},
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
