// Option parsing, catalogue location, progress line and findings output of the command line.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <thread>

#include "cli/cli.h"
#include "runtime/cancellation.h"
#include "runtime/catalogue.h"
#include "runtime/paths.h"
#include "runtime/platform.h"
#include "runtime/progress.h"
#include "runtime/report.h"

namespace quervik::cli {

const char* ParsedArgs::value(const std::string& name) const {
  auto it = values.find(name);
  return it == values.end() ? nullptr : it->second.c_str();
}

bool ParsedArgs::flag(const std::string& name) const {
  return std::find(flags.begin(), flags.end(), name) != flags.end();
}

ParsedArgs parseArgs(int argc, char** argv, std::span<const OptionSpec> specs) {
  ParsedArgs out;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      out.positional.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    if (a == "--help" || a == "-h") {
      out.help = true;
      continue;
    }
    const OptionSpec* option = nullptr;
    std::string inlineValue;
    bool hasInline = false;
    if (a.rfind("--", 0) == 0) {
      std::string name = a.substr(2);
      size_t eq = name.find('=');
      if (eq != std::string::npos) {
        inlineValue = name.substr(eq + 1);
        hasInline = true;
        name.resize(eq);
      }
      for (const OptionSpec& s : specs)
        if (name == s.name) option = &s;
    } else if (a.size() == 2) {
      for (const OptionSpec& s : specs)
        if (s.letter && a[1] == s.letter) option = &s;
    }
    if (!option) {
      out.error = "unknown option " + a;
      return out;
    }
    if (!option->takesValue) {
      out.flags.push_back(option->name);
      continue;
    }
    if (hasInline) {
      out.values[option->name] = inlineValue;
    } else if (i + 1 < argc) {
      out.values[option->name] = argv[++i];
    } else {
      out.error = "option " + a + " needs a value";
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
  std::fprintf(stderr, "quervik %s: %s\n\n%s", command.name, error.c_str(), command.help);
  return kUsageExit;
}

void locateCatalogue(const char* argv0) {
  if (environmentVariable("DRGBIN") || isRegularFile(kDefaultMessageFile) == 1) return;
  std::string exe = executablePath().value_or(argv0 ? argv0 : "");
  std::string dir = dirName(exe).value_or("./");
  for (const char* candidate : {"../msg/errors.msg", "../share/quervik/msg/errors.msg", "msg/errors.msg"}) {
    std::string path = dir + candidate;
    if (isRegularFile(path.c_str()) == 1) {
      setMessageFile(path.c_str());
      return;
    }
  }
}

namespace {

FlagCancellation gSigint;

void onInterrupt() { gSigint.request(); }

}  // namespace

int runDriver(const std::function<int()>& driver) {
  void* previousHandler = installInterruptHandler(onInterrupt);
  installCancellationSource(&gSigint);

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
  return result;
}

void printFindings() {
  for (const std::string& entry : errorEntries()) std::fputs(entry.c_str(), stdout);
  std::fflush(stdout);
  clearErrors();
}

int exitStatus(int result) {
  if (result == 0) return 0;
  return result < 0 ? 1 : 2;
}

}  // namespace quervik::cli
