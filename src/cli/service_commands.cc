// The service subcommands: version and message (a catalogue text at work).
#include <cstdio>
#include <cstdlib>

#include "cli/cli.h"
#include "runtime/catalogue.h"
#include "runtime/message_args.h"
#include "runtime/report.h"
#include "runtime/version.h"

namespace quervik::cli {

int runVersion(int argc, char** argv) {
  ParsedArgs args = parseArgs(argc, argv, {});
  if (args.help) return std::fputs(findCommand("version")->help, stdout), 0;
  if (!args.error.empty() || !args.positional.empty())
    return usageError(*findCommand("version"), args.error.empty() ? "no arguments expected" : args.error);
  std::printf("%s\n%s\n", kLibraryVersion, kCryptoVersion);
  return 0;
}

// Formats one catalogue text with the given arguments: numbers are passed as integers,
// everything else as text.
int runMessage(int argc, char** argv) {
  static const OptionSpec specs[] = {{"catalogue", 'm', true}};
  const Command& self = *findCommand("message");
  ParsedArgs args = parseArgs(argc, argv, specs);
  if (args.help) return std::fputs(self.help, stdout), 0;
  if (!args.error.empty()) return usageError(self, args.error);
  if (args.positional.empty()) return usageError(self, "a message code is needed");
  if (const char* file = args.value("catalogue")) setMessageFile(file);
  setMessageFile(kDefaultMessageFile);
  std::vector<MsgArg> list;
  for (size_t i = 1; i < args.positional.size(); ++i) {
    const std::string& a = args.positional[i];
    char* end = nullptr;
    long v = std::strtol(a.c_str(), &end, 10);
    if (!a.empty() && end && *end == '\0')
      list.emplace_back(v);
    else
      list.emplace_back(std::string_view(a));
  }
  std::optional<std::string> text = formatMessage(std::atoi(args.positional[0].c_str()), list);
  if (!text) return 2;
  std::printf("%s\n", text->c_str());
  return 0;
}

}  // namespace quervik::cli
