// How a command prints what its driver reported: the text form (the error list with the
// catalogue texts, printed after the run), or with --format json one JSON object per line:
// a "report" object per finding as the driver makes it, then one "summary" object. Every
// command that reports uses this one class, so the two forms are the same across commands.
#pragma once
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace quervik::cli {

// The option every reporting command takes.
inline constexpr OptionSpec kFormatOption = {"format", 0, true};

class JsonLines;

class FindingsOutput {
 public:
  // Reads --format from the parsed arguments (text when absent). stream: where the findings
  // go (standard error for a command whose standard output carries its data).
  FindingsOutput(const Command& command, const ParsedArgs& args, FILE* stream = stdout);
  ~FindingsOutput();
  FindingsOutput(const FindingsOutput&) = delete;
  FindingsOutput& operator=(const FindingsOutput&) = delete;

  // False for an unknown --format value; usageStatus() then prints the usage error.
  bool valid() const { return valid_; }
  int usageStatus() const;
  bool json() const { return json_ != nullptr; }

  // After the driver's run: the text form prints the error list; the JSON form writes the
  // finding still open. The list is emptied either way.
  void printFindings();

  // Extra values of the summary object (the DN that `dn` read, whether `check-key` matched).
  void setSummaryText(const std::string& name, const std::string& value);
  void setSummaryFlag(const std::string& name, bool value);

  // Ends the output: the JSON form writes its summary with the driver's result and the exit
  // status. Returns the exit status.
  int finish(int result, int exitStatus);

 private:
  const Command& command_;
  std::string format_;
  bool valid_ = true;
  FILE* stream_;
  std::unique_ptr<JsonLines> json_;
};

}  // namespace quervik::cli
