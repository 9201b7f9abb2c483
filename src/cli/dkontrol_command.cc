// quervik dkontrol: the DRG batch check of a delivery from the command line.
#include <cstdio>

#include "cli/cli.h"
#include "cli/findings_output.h"
#include "drg/batch_check.h"

namespace quervik::cli {

int runDkontrol(int argc, char** argv) {
  static const OptionSpec specs[] = {{"org", 0, true}, {"drg", 0, true}, {"osn", 0, true},
                                     {"eko", 0, true}, {"kor", 0, true}, {"dir", 'd', true},
                                     {"log", 'l', true}, {"out", 'o', true}, {"move", 0, false},
                                     kFormatOption};
  const Command& self = *findCommand("dkontrol");
  ParsedArgs args = parseArgs(argc, argv, specs);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (!args.positional.empty()) return usageError(self, "unexpected argument " + args.positional[0]);
  FindingsOutput findings(self, args);
  if (!findings.valid()) return findings.usageStatus();
  const char* org = args.value("org");
  const char* drg = args.value("drg");
  const char* osn = args.value("osn");
  const char* eko = args.value("eko");
  const char* kor = args.value("kor");
  const char* dir = args.value("dir");
  if (!org && !drg && !osn && !eko && !kor && !dir) return usageError(self, "nothing to check");
  const char* log = args.value("log");
  const char* out = args.value("out");
  const bool move = args.flag("move");
  if (move && !out) return usageError(self, "--move needs --out");
  for (const char* input : {org, drg, osn, eko, kor, dir})
    if (input && !inputExists(self, input)) return kFailedExit;
  const int result = runDriver([&] { return drg::runDrgCheck(org, drg, osn, eko, dir, log, out, move, kor); });
  findings.printFindings();
  const bool unwritten = reportUnwrittenOutputs(self);
  if (dir && !drg)
    std::fputs("quervik dkontrol: the DRG documents of --dir were not cross-checked (give --drg for that)\n", stderr);
  return findings.finish(result, unwritten ? kFailedExit : exitStatus(result));
}

}  // namespace quervik::cli
