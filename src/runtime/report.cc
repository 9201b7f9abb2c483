// Reports, the error list and the error file; see report.h.
#include "runtime/report.h"

#include <cstdio>

#include "runtime/catalogue.h"
#include "runtime/console.h"
#include "runtime/logs.h"
#include "runtime/messages.h"
#include "runtime/platform.h"
#include "runtime/safe_format.h"

namespace quervik {
namespace {

struct ReportState {
  std::vector<std::string> entries;
  FILE* errorFile = nullptr;
  bool checkArguments = false;
  std::vector<std::string> problems;
};

ReportState& state() {
  static ReportState s;
  return s;
}

char kindLetter(const MsgArg& a) { return static_cast<char>(a.kind); }

void checkArguments(int code, std::span<const MsgArg> args) {
  const MessageSpec* entry = findMessageSpec(code);
  std::string passed;
  for (const MsgArg& a : args) passed += kindLetter(a);
  if (!entry) {
    state().problems.push_back("code " + std::to_string(code) + " is not registered (arguments \"" + passed + "\")");
  } else if (passed != entry->kinds) {
    state().problems.push_back("code " + std::to_string(code) + " registered with \"" + entry->kinds +
                               "\" but reported with \"" + passed + "\"");
  }
}

std::string suffix(int code) { return " (" + std::to_string(code) + ")"; }

}  // namespace

std::optional<std::string> formatMessage(int code, std::span<const MsgArg> args) {
  std::optional<std::string> text = lookupMessage(code);
  if (!text) return std::nullopt;
  return safeFormat(*text, args) + suffix(code);
}

void reportErrorArgs(int code, std::span<const MsgArg> args) {
  ReportState& s = state();
  if (s.checkArguments) checkArguments(code, args);
  std::optional<std::string> report = formatMessage(code, args);
  if (!report) {
    consoleOut("Spatny message file nejde zobrazit chybu %d\n", code);
    return;
  }
  // Files we write go to peers that expect CR LF; the host's list entries end with LF.
  const std::string fileLine = *report + "\r\n";
  if (s.errorFile) {
    std::fwrite(fileLine.data(), 1, fileLine.size(), s.errorFile);
    std::fflush(s.errorFile);
  } else {
    s.entries.push_back(*report + "\n");
  }
  writeToLogs(fileLine);
}

int errorEntryCount() { return int(state().entries.size()); }

std::vector<std::string> errorEntries() { return state().entries; }

void clearErrors() { std::vector<std::string>().swap(state().entries); }

int setErrorFile(const char* name) {
  // A failed open leaves no error file: reports go to the list again.
  closeErrorFile();
  if (!name) return 1;
  FILE* f = openFile(name, "wb");
  if (!f) return 1;
  state().errorFile = f;
  return 0;
}

void closeErrorFile() {
  ReportState& s = state();
  if (!s.errorFile) return;
  std::fputc(0x1A, s.errorFile);
  std::fclose(s.errorFile);
  s.errorFile = nullptr;
}

void setReportArgumentCheck(bool on) { state().checkArguments = on; }

std::vector<std::string> takeReportArgumentProblems() {
  std::vector<std::string> out;
  out.swap(state().problems);
  return out;
}

}  // namespace quervik
