// quervik: the command-line face of the library.
#include <cstdio>
#include <cstring>

#include "cli/cli.h"

namespace quervik::cli {

int runVersion(int argc, char** argv);
int runMessage(int argc, char** argv);
int runKkontrol(int argc, char** argv);

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
    {"kkontrol", "check VZP batch files",
     "Usage: quervik kkontrol INPUT [--insurer CODE] [--log DIR] [--out DIR] [--move]\n\n"
     "Checks a VZP batch file, or every file of the directory INPUT, record by record and\n"
     "prints the findings. The insurer code is CODE, else each file's extension. With --log,\n"
     "each file's log goes to DIR/ok or DIR/err; with --out, each file is copied (--move:\n"
     "moved) to DIR/ok or DIR/err. Exit status 0 clean, 1 findings, 2 interrupted.\n",
     runKkontrol},
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
