// Option parsing, catalogue location, progress line and findings output of the command line.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "cli/cli.h"
#include "runtime/cancellation.h"
#include "runtime/catalogue.h"
#include "runtime/file_sets.h"
#include "runtime/logs.h"
#include "runtime/paths.h"
#include "runtime/platform.h"
#include "runtime/progress.h"
#include "runtime/report.h"

namespace quervik::cli {

const char* ParsedArgs::value(const std::string& name) const {
  auto it = values.find(name);
  return it == values.end() ? nullptr : it->second;
}

bool ParsedArgs::flag(const std::string& name) const {
  return std::find(flags.begin(), flags.end(), name) != flags.end();
}

ParsedArgs parseArgs(int argc, char** argv, std::span<const OptionSpec> specs) {
  ParsedArgs out;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    // Read in place: option values point into argv, so a PIN or password given as an option
    // is never copied to memory that would be freed unwiped.
    std::string_view a = argv[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      out.positional.emplace_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    if (a == "--help" || (a == "-h" && std::none_of(specs.begin(), specs.end(),
                                                      [](const OptionSpec& s) { return s.letter == 'h'; }))) {
      out.help = true;
      continue;
    }
    const OptionSpec* option = nullptr;
    const char* inlineValue = nullptr;
    if (a.substr(0, 2) == "--") {
      std::string_view name = a.substr(2);
      size_t eq = name.find('=');
      if (eq != std::string_view::npos) {
        inlineValue = argv[i] + 2 + eq + 1;
        name = name.substr(0, eq);
      }
      for (const OptionSpec& s : specs)
        if (name == s.name || (s.also && name == s.also)) option = &s;
    } else if (a.size() == 2) {
      for (const OptionSpec& s : specs)
        if (s.letter && a[1] == s.letter) option = &s;
    }
    if (!option) {
      out.error = "unknown option " + std::string(a);
      return out;
    }
    if (!option->takesValue) {
      out.flags.push_back(option->name);
      continue;
    }
    if (inlineValue) {
      out.values[option->name] = inlineValue;
    } else if (i + 1 < argc) {
      out.values[option->name] = argv[++i];
    } else {
      out.error = "option " + std::string(a) + " needs a value";
      return out;
    }
  }
  return out;
}

const Command* findCommand(const std::string& name) {
  for (const Command& c : commands())
    if (name == c.name) return &c;
  return nullptr;
}

int usageError(const Command& command, const std::string& error) {
  std::fprintf(stderr, "quervik %s: %s\nSee 'quervik %s --help'.\n", command.name, error.c_str(), command.name);
  return kUsageExit;
}

void locateCatalogue() {
  // The core finds the catalogue (DRGBIN, the working directory, or beside the command); it is
  // fixed now so that every command, "message" included, uses the same one.
  setMessageFile(kDefaultMessageFile);
}

namespace {

FlagCancellation gSigint;

void onInterrupt() { gSigint.request(); }

}  // namespace

int runDriver(const std::function<int()>& driver) {
  void* previousHandler = installInterruptHandler(onInterrupt);
  installCancellationSource(&gSigint);
  resetUnwrittenOutputs();

  std::atomic<bool> done{false};
  std::thread drawer;
  const bool tty = isTerminal(stderr);
  if (tty) {
    drawer = std::thread([&done] {
      while (!done.load()) {
        std::optional<std::string> name = activityName();
        if (name) std::fprintf(stderr, "\r%-40.40s %3d %%", name->c_str(), activityPercent());
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
      }
    });
  }
  int result = driver();
  done.store(true);
  if (drawer.joinable()) {
    drawer.join();
    std::fprintf(stderr, "\r%-48s\r", "");
  }
  installCancellationSource(nullptr);
  restoreInterruptHandler(previousHandler);
  if (wasInterrupted()) std::fputs("Preruseno\n", stderr);
  return result;
}

bool reportUnwrittenOutputs(const Command& command) {
  const int count = unwrittenOutputs();
  if (count == 0) return false;
  std::fprintf(stderr, "quervik %s: %d log or output file(s) could not be written (named above)\n", command.name,
               count);
  return true;
}

bool inputExists(const Command& command, const char* name) {
  if (isDirectory(name) >= 0) return true;
  std::fprintf(stderr, "quervik %s: cannot find %s\n", command.name, name);
  return false;
}

bool directoryHasFiles(const Command& command, const char* name) {
  FileSets sets;
  if (isDirectory(name) != 1 || scanDirectory(sets, name, 1, nullptr) == 0) return true;
  std::fprintf(stderr, "quervik %s: the directory %s holds no file to work on\n", command.name, name);
  return false;
}

void printFindings() {
  for (const std::string& entry : errorEntries()) std::fputs(entry.c_str(), stdout);
  std::fflush(stdout);
  clearErrors();
}

const char* cardPin(const ParsedArgs& args, const char* option) {
  return args.value(option) ? args.value(option) : std::getenv("QUERVIK_PIN");
}

int exitStatus(int result) {
  if (wasInterrupted()) return 2;
  if (result == 0) return 0;
  return result < 0 ? 1 : 2;
}

}  // namespace quervik::cli
