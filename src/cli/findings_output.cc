// The text and JSON forms of a command's findings; see findings_output.h.
#include "cli/findings_output.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "runtime/code_page_852.h"
#include "runtime/console.h"
#include "runtime/report.h"
#include "runtime/report_sink.h"

namespace quervik::cli {

using Json = nlohmann::ordered_json;

namespace {

// Reports whose integer argument is a count (lines read, findings, records of a letter).
constexpr int kCountCodes[] = {6103, 6104, 7064, 7065, 7066, 7085, 7149};

bool isCount(int code) { return std::find(std::begin(kCountCodes), std::end(kCountCodes), code) != std::end(kCountCodes); }

// Texts the library composed or the caller gave (catalogue texts, names of files) may hold
// UTF-8 already; everything else in them is code page 852.
std::string text(std::string_view s) { return utf8FromDataText(s); }

std::string letterText(char c) { return utf8FromCodePage852(std::string_view(&c, 1)); }

}  // namespace

// The sink behind --format json. A finding shown as a group in the text form is held until
// the report after its group, so that its field reports are merged into one object.
class JsonLines : public ReportSink {
 public:
  JsonLines(std::string command, FILE* out) : command_(std::move(command)), out_(out) {}

  void take(int code, std::string_view reportText, std::span<const MsgArg> args, const ReportDetail& d) override {
    if (d.joinsFinding && pending_) {
      place(*pending_, d);
      return;
    }
    flush();
    Json object;
    object["type"] = "report";
    if (d.finding != 0) {
      object["code"] = d.finding;
      object["text"] = text(d.findingText);
    } else {
      object["code"] = code;
      object["text"] = text(reportText);
    }
    if (d.file) object["file"] = fileText(*d.file);
    place(object, d);
    if (isCount(code)) {
      for (const MsgArg& a : args) {
        // Records of files without letters are counted under a blank.
        if (a.kind == MsgArg::Kind::Char && a.integer != ' ' && !object.contains("letter"))
          object["letter"] = letterText(char(a.integer));
        if (a.kind == MsgArg::Kind::Int && !object.contains("count")) object["count"] = a.integer;
      }
    }
    ++reports_;
    if (d.finding != 0)
      pending_ = std::move(object);
    else
      write(object);
  }

  void fileFindings(std::string_view file, int findings) override {
    Json& e = entry(file);
    e["findings"] = e.value("findings", int64_t(0)) + findings;
  }
  void fileLog(std::string_view file, std::string_view log) override {
    // A file's own log comes first; a cross-check writes a second one.
    Json& e = entry(file);
    e[e.contains("log") ? "cross_check_log" : "log"] = text(log);
  }
  void fileDisposed(std::string_view file, std::string_view destination) override {
    entry(file)["disposed_to"] = text(destination);
  }

  void flush() {
    if (!pending_) return;
    write(*pending_);
    pending_.reset();
  }

  void setExtra(const std::string& name, Json value) { extra_[name] = std::move(value); }

  void summary(int result, int exitStatus) {
    flush();
    Json s;
    s["type"] = "summary";
    s["command"] = command_;
    s["result"] = result;
    s["exit"] = exitStatus;
    Json files = Json::array();
    int64_t findings = 0;
    for (Json& f : files_) {
      if (!f.contains("findings")) f["findings"] = 0;
      findings += f["findings"].get<int64_t>();
      files.push_back(std::move(f));
    }
    s["files"] = std::move(files);
    // Commands without input files (the crypto ones) count their reports.
    s["findings"] = files_.empty() ? reports_ : findings;
    s["seconds"] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    for (auto& [name, value] : extra_.items()) s[name] = value;
    write(s);
    std::fflush(out_);
  }

 private:
  static void place(Json& o, const ReportDetail& d) {
    if (d.line > 0 && !o.contains("line")) o["line"] = d.line;
    if (d.field) o["field"] = text(*d.field);
    if (d.column > 0) o["column"] = d.column;
    if (d.letter && !o.contains("letter")) o["letter"] = letterText(*d.letter);
    // A field's bytes are data: each one is a code page 852 character.
    if (d.value) o["value"] = utf8FromCodePage852(*d.value);
  }

  // Every report of a file names it; it is converted once.
  const std::string& fileText(std::string_view file) {
    if (file != lastFile_) {
      lastFile_ = file;
      lastFileText_ = text(file);
    }
    return lastFileText_;
  }

  Json& entry(std::string_view file) {
    const std::string name = text(file);
    for (Json& f : files_)
      if (f["file"] == name) return f;
    files_.push_back(Json{{"file", name}});
    return files_.back();
  }

  void write(const Json& o) {
    // Every string is UTF-8 by now; the replacement only guards against a slip.
    std::string line = o.dump(-1, ' ', false, Json::error_handler_t::replace);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), out_);
  }

  std::string command_;
  FILE* out_;
  std::optional<Json> pending_;
  std::string lastFile_, lastFileText_;
  std::vector<Json> files_;
  int64_t reports_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  Json extra_ = Json::object();
};

FindingsOutput::FindingsOutput(const Command& command, const ParsedArgs& args, FILE* stream)
    : command_(command), stream_(stream) {
  const char* value = args.value("format");
  format_ = value ? value : "text";
  if (format_ == "json") {
    json_ = std::make_unique<JsonLines>(command.name, stream);
    installReportSink(json_.get());
    // Lines the library prints on its own (a log it could not save) would break the JSON.
    consoleOutToStandardError(true);
  } else if (format_ != "text") {
    valid_ = false;
  }
}

FindingsOutput::~FindingsOutput() {
  if (!json_) return;
  installReportSink(nullptr);
  consoleOutToStandardError(false);
}

int FindingsOutput::usageStatus() const {
  return usageError(command_, "unknown --format '" + format_ + "' (text or json)");
}

void FindingsOutput::printFindings() {
  if (json_) {
    json_->flush();
  } else {
    for (const std::string& entry : errorEntries()) std::fputs(entry.c_str(), stream_);
  }
  std::fflush(stream_);
  clearErrors();
}

void FindingsOutput::setSummaryText(const std::string& name, const std::string& value) {
  if (json_) json_->setExtra(name, text(value));
}

void FindingsOutput::setSummaryFlag(const std::string& name, bool value) {
  if (json_) json_->setExtra(name, value);
}

int FindingsOutput::finish(int result, int exitStatus) {
  if (json_) json_->summary(result, exitStatus);
  return exitStatus;
}

}  // namespace quervik::cli
