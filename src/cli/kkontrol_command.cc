// quervik kkontrol: the VZP batch check from the command line.
#include <cstdio>

#include "cli/cli.h"
#include "runtime/cancellation.h"
#include "vzp/batch_check.h"

namespace quervik::cli {

int runKkontrol(int argc, char** argv) {
  static const OptionSpec specs[] = {
      {"insurer", 'i', true}, {"log", 'l', true}, {"out", 'o', true}, {"move", 'm', false}};
  const Command& self = *findCommand("kkontrol");
  ParsedArgs args = parseArgs(argc, argv, specs);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (args.positional.size() != 1) return usageError(self, "one input file or directory is needed");
  const int result = runDriver([&] {
    return vzp::checkVzpBatches(args.positional[0].c_str(), args.value("insurer"), args.value("log"),
                                args.value("out"), args.flag("move"));
  });
  printFindings();
  if (wasInterrupted()) return 2;
  return exitStatus(result);
}

}  // namespace quervik::cli
