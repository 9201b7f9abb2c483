// Reports, the error list and the error file; see report.h.
#include "runtime/report.h"

#include <cstdio>

#include "runtime/catalogue.h"
#include "runtime/console.h"
#include "runtime/logs.h"
#include "runtime/messages.h"
#include "runtime/platform.h"
#include "runtime/report_sink.h"
#include "runtime/safe_format.h"

namespace quervik {
namespace {

struct ReportState {
  std::vector<std::string> entries;
  FILE* errorFile = nullptr;
  bool checkArguments = false;
  std::vector<std::string> problems;
  ReportSink* sink = nullptr;
  std::optional<std::string> file;  // of the innermost ReportFileScope
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

std::optional<std::string> formatMessageText(int code, std::span<const MsgArg> args) {
  std::optional<std::string> text = lookupMessage(code);
  if (!text) return std::nullopt;
  return safeFormat(*text, args);
}

std::optional<std::string> formatMessage(int code, std::span<const MsgArg> args) {
  std::optional<std::string> text = formatMessageText(code, args);
  if (!text) return std::nullopt;
  return *text + suffix(code);
}

FindingText formatFinding(int code, std::span<const MsgArg> args) {
  std::optional<std::string> text = formatMessageText(code, args);
  if (!text) return {};
  FindingText finding{std::move(*text), {}};
  finding.withCode = finding.text + suffix(code);
  return finding;
}

void reportErrorArgs(int code, std::span<const MsgArg> args) { reportDetailedArgs(ReportDetail(), code, args); }

void reportDetailedArgs(const ReportDetail& detail, int code, std::span<const MsgArg> args) {
  ReportState& s = state();
  if (s.checkArguments) checkArguments(code, args);
  std::optional<std::string> report = formatMessageText(code, args);
  if (!report) {
    consoleOut("Spatny message file nejde zobrazit chybu %d\n", code);
    // The sink still learns what was reported, without a text.
    if (s.sink) s.sink->take(code, {}, args, detail);
    return;
  }
  const size_t textLength = report->size();
  *report += suffix(code);
  // Files we write go to peers that expect CR LF; the host's list entries end with LF.
  const std::string fileLine = *report + "\r\n";
  if (s.errorFile) {
    std::fwrite(fileLine.data(), 1, fileLine.size(), s.errorFile);
    std::fflush(s.errorFile);
  } else {
    s.entries.push_back(*report + "\n");
  }
  writeToLogs(fileLine);
  if (s.sink) {
    ReportDetail withFile = detail;
    if (!withFile.file && s.file) withFile.file = *s.file;
    s.sink->take(code, std::string_view(*report).substr(0, textLength), args, withFile);
  }
}

void installReportSink(ReportSink* sink) { state().sink = sink; }

ReportSinkPause::ReportSinkPause() : paused_(state().sink) { state().sink = nullptr; }
ReportSinkPause::~ReportSinkPause() { state().sink = paused_; }

ReportFileScope::ReportFileScope(std::string_view file) : hadPrevious_(state().file.has_value()) {
  if (hadPrevious_) previous_ = *state().file;
  state().file = std::string(file);
}

ReportFileScope::~ReportFileScope() {
  if (hadPrevious_)
    state().file = previous_;
  else
    state().file.reset();
}

void noteFileFindings(std::string_view file, int findings) {
  if (ReportSink* sink = state().sink) sink->fileFindings(file, findings);
}

void noteFileLog(std::string_view log) {
  ReportState& s = state();
  if (s.sink && s.file) s.sink->fileLog(*s.file, log);
}

void noteFileDisposed(std::string_view file, std::string_view destination) {
  if (ReportSink* sink = state().sink) sink->fileDisposed(file, destination);
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
