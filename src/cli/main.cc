// quervik: the command-line face of the library.
#include <cstdio>
#include <cstring>

#include "cli/cli.h"

namespace quervik::cli {

int runVersion(int argc, char** argv);
int runMessage(int argc, char** argv);
int runDkontrol(int argc, char** argv);

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
     "1 findings, 2 nothing could be read or interrupted.\n",
     runDkontrol},
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
