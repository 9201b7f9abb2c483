// The structured side of reporting: a sink that the command line installs for its JSON
// output receives every report with what the driver that made it knows about the place it
// points at (file, line, record letter, field, column, value), and the outcome of each input
// file. The drivers say these where they make their reports; the text form, the error list,
// the error file and the logs stay exactly as they are, with or without a sink.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "runtime/message_args.h"

namespace quervik {

// What a driver knows about a report beyond its code and arguments. Unknown values stay
// unset. A finding that the text form shows as a group of reports (a line report such as
// "Radek 12: <finding's text> (7016) (7900)" followed by its field and column reports) is
// told as one: the line report carries the finding's code and text, and each report of the
// group after it says joinsFinding.
struct ReportDetail {
  int finding = 0;               // the code of the finding the line report carries
  std::string_view findingText;  // and its catalogue text, without " (code)"
  bool joinsFinding = false;
  std::optional<std::string_view> file;  // unset: the file of the current ReportFileScope
  int64_t line = 0;                      // 1-based; 0 unknown
  std::optional<char> letter;            // the record letter
  std::optional<std::string_view> field;
  int column = 0;                        // 1-based; 0 unknown
  std::optional<std::string_view> value; // the field's bytes as the file holds them

  // The line report of a finding shown as a group.
  static ReportDetail carrying(int finding, std::string_view text, int64_t line) {
    ReportDetail d;
    d.finding = finding;
    d.findingText = text;
    d.line = line;
    return d;
  }
  // A report of the group after the line report: the field, its column, its bytes.
  static ReportDetail joining(std::string_view field, int column,
                              std::optional<std::string_view> value = std::nullopt) {
    ReportDetail d;
    d.joinsFinding = true;
    d.field = field;
    d.column = column;
    d.value = value;
    return d;
  }
  static ReportDetail atLine(int64_t line) {
    ReportDetail d;
    d.line = line;
    return d;
  }
};

class ReportSink {
 public:
  virtual ~ReportSink() = default;
  // A report as made: its code, its catalogue text formatted with the arguments (without
  // " (code)"), its arguments and the detail, whose file is filled from the current scope.
  virtual void take(int code, std::string_view text, std::span<const MsgArg> args, const ReportDetail& detail) = 0;
  // Adds findings to an input file's count (a file may be counted in several steps).
  virtual void fileFindings(std::string_view file, int findings) = 0;
  // Where an input file's log was saved.
  virtual void fileLog(std::string_view file, std::string_view log) = 0;
  // Where an input file was copied or moved.
  virtual void fileDisposed(std::string_view file, std::string_view destination) = 0;
};

// Installs the sink (not owned; null removes it). Process-wide, like the error list.
void installReportSink(ReportSink* sink);

// Reports like reportError and gives the sink the detail.
void reportDetailedArgs(const ReportDetail& detail, int code, std::span<const MsgArg> args);

template <class... A>
void reportDetailed(const ReportDetail& detail, int code, const A&... args) {
  const MsgArg list[] = {MsgArg(args)..., MsgArg(0)};
  reportDetailedArgs(detail, code, std::span<const MsgArg>(list, sizeof...(A)));
}

// While it lives, reports reach the error list only, not the sink: for a look ahead whose
// reports are dropped afterwards and made again, if at all, by the work itself.
class ReportSinkPause {
 public:
  ReportSinkPause();
  ~ReportSinkPause();
  ReportSinkPause(const ReportSinkPause&) = delete;
  ReportSinkPause& operator=(const ReportSinkPause&) = delete;

 private:
  ReportSink* paused_;
};

// The input file the reports made while the object lives are about; scopes nest.
class ReportFileScope {
 public:
  explicit ReportFileScope(std::string_view file);
  ~ReportFileScope();
  ReportFileScope(const ReportFileScope&) = delete;
  ReportFileScope& operator=(const ReportFileScope&) = delete;

 private:
  std::string previous_;
  bool hadPrevious_;
};

// Tell the sink, if one is installed, about a file's findings, its saved log (the current
// scope's file) and where it went.
void noteFileFindings(std::string_view file, int findings);
void noteFileLog(std::string_view log);
void noteFileDisposed(std::string_view file, std::string_view destination);

}  // namespace quervik
