// The quervik command: one subcommand per driver, each with named options and --help.
// Findings print with their catalogue texts; the exit status follows the driver's result.
#pragma once
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quervik::cli {

struct Command {
  const char* name;
  const char* summary;
  const char* help;  // full help text, usage line first
  int (*run)(int argc, char** argv);  // argv[0] is the command name
};

// Every subcommand, in the order --help lists them.
std::span<const Command> commands();

struct OptionSpec {
  const char* name;       // long name without "--"
  char letter;            // short form, 0 for none
  bool takesValue;
};

struct ParsedArgs {
  std::map<std::string, std::string> values;  // options with values, by long name
  std::vector<std::string> flags;             // options without values
  std::vector<std::string> positional;
  std::string error;                          // non-empty on a usage error
  bool help = false;

  const char* value(const std::string& name) const;  // null when absent
  bool flag(const std::string& name) const;
};

ParsedArgs parseArgs(int argc, char** argv, std::span<const OptionSpec> specs);

// Prints the usage error and the help of the command; returns the usage exit status.
int usageError(const Command& command, const std::string& error);
const Command* findCommand(const std::string& name);
inline constexpr int kUsageExit = 64;

// Points the catalogue at the one beside the command (BUILD/msg/errors.msg in a build tree,
// PREFIX/share/quervik/msg/errors.msg when installed, or msg/errors.msg one directory up),
// unless DRGBIN is set or ./msg/errors.msg exists.
void locateCatalogue(const char* argv0);

// Runs a driver with SIGINT as its cancellation and, when standard error is a terminal, a
// progress line (activity name and percent) redrawn while it runs. Returns its result.
int runDriver(const std::function<int()>& driver);

// Prints the error list (the findings with their texts) to standard output and empties it.
void printFindings();

// 0 for a clean result, 1 when findings were reported (negative), 2 for other failures.
int exitStatus(int result);

}  // namespace quervik::cli
