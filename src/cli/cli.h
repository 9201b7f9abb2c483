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
  const char* name;            // long name without "--"; values and flags are kept under it
  char letter;                 // short form, 0 for none
  bool takesValue;
  const char* also = nullptr;  // a second long name for the same option, as other commands say it
};

struct ParsedArgs {
  std::map<std::string, const char*> values;  // options with values, by long name (into argv)
  std::vector<std::string> flags;             // options without values
  std::vector<std::string> positional;
  std::string error;                          // non-empty on a usage error
  bool help = false;

  const char* value(const std::string& name) const;  // null when absent
  bool flag(const std::string& name) const;
};

// "-h" asks for help unless an option of the command claims the letter.
ParsedArgs parseArgs(int argc, char** argv, std::span<const OptionSpec> specs);

// Prints the one thing that is wrong and where the help is; returns the usage exit status.
int usageError(const Command& command, const std::string& error);
const Command* findCommand(const std::string& name);
inline constexpr int kUsageExit = 64;
inline constexpr int kFailedExit = 2;

// Fixes the catalogue for the command: DRGBIN's, else ./msg/errors.msg, else the one beside
// the command (BUILD/msg/errors.msg in a build tree, PREFIX/share/quervik/msg/errors.msg when
// installed, msg/errors.msg one directory up).
void locateCatalogue();

// Runs a driver with SIGINT as its cancellation and, when standard error is a terminal, a
// progress line (activity name and percent) redrawn while it runs. Returns its result.
// An interrupted run ends with "Preruseno" on standard error.
int runDriver(const std::function<int()>& driver);

// After a driver's run: a line on standard error for the logs and output copies it could not
// write (the lines above name each); true when there were any.
bool reportUnwrittenOutputs(const Command& command);

// Prints the error list (the findings with their texts) to standard output and empties it.
void printFindings();

// 0 for a clean result, 1 when findings were reported (negative), 2 for other failures and
// for an interrupted run.
int exitStatus(int result);

// The card's PIN for a work on the card: the option's value, else $QUERVIK_PIN (as the card
// commands take it); null when neither is set.
const char* cardPin(const ParsedArgs& args, const char* option);

// Whether a named input exists; prints "quervik CMD: cannot find NAME" when it does not.
bool inputExists(const Command& command, const char* name);
// False, after saying so, for a directory without a single file; true for anything else.
bool directoryHasFiles(const Command& command, const char* name);

}  // namespace quervik::cli
