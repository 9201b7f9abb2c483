// quervik drg: the VZP to DRG conversion from the command line.
#include <cstdio>

#include "cli/cli.h"
#include "cli/findings_output.h"
#include "convert/convert_driver.h"
#include "runtime/paths.h"

namespace quervik::cli {

int runDrg(int argc, char** argv) {
  static const OptionSpec options[] = {
      {"insurer", 'i', true}, {"out-dir", 'o', true}, {"exclude", 'x', true},
      {"log", 'l', true},     {"done-dir", 'd', true}, {"move", 'm', false}, kFormatOption,
  };
  const Command& self = *findCommand("drg");
  ParsedArgs args = parseArgs(argc, argv, options);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (args.positional.size() != 1) return usageError(self, "one input file or directory is needed");
  if (args.flag("move") && !args.value("done-dir")) return usageError(self, "--move needs --done-dir");
  FindingsOutput findings(self, args);
  if (!findings.valid()) return findings.usageStatus();

  const std::string& input = args.positional[0];
  if (!inputExists(self, input.c_str()) || !directoryHasFiles(self, input.c_str())) return kFailedExit;
  // The output directory is made like the log and done directories.
  const char* outDir = args.value("out-dir");
  if (outDir && makeDirectories(outDir) < 0) {
    std::fprintf(stderr, "quervik drg: cannot make the directory %s\n", outDir);
    return kFailedExit;
  }
  int result = runDriver([&] {
    return convert::convertVzpBatches(args.value("insurer"), input.c_str(), outDir, args.value("exclude"),
                                      args.value("log"), args.value("done-dir"), args.flag("move"));
  });
  findings.printFindings();
  return findings.finish(result, reportUnwrittenOutputs(self) ? kFailedExit : exitStatus(result));
}

}  // namespace quervik::cli
