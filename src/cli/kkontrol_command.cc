// quervik kkontrol: the VZP batch check from the command line.
#include <cstdio>

#include "cli/cli.h"
#include "cli/findings_output.h"
#include "vzp/batch_check.h"

namespace quervik::cli {

int runKkontrol(int argc, char** argv) {
  static const OptionSpec specs[] = {
      {"insurer", 'i', true}, {"log", 'l', true}, {"out", 'o', true}, {"move", 'm', false}, kFormatOption};
  const Command& self = *findCommand("kkontrol");
  ParsedArgs args = parseArgs(argc, argv, specs);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (args.positional.size() != 1) return usageError(self, "one input file or directory is needed");
  FindingsOutput findings(self, args);
  if (!findings.valid()) return findings.usageStatus();
  const char* input = args.positional[0].c_str();
  if (!inputExists(self, input) || !directoryHasFiles(self, input)) return kFailedExit;
  const int result = runDriver([&] {
    return vzp::checkVzpBatches(input, args.value("insurer"), args.value("log"), args.value("out"), args.flag("move"));
  });
  findings.printFindings();
  return findings.finish(result, reportUnwrittenOutputs(self) ? kFailedExit : exitStatus(result));
}

}  // namespace quervik::cli
