// The conversion run; see convert_driver.h.
#include "convert/convert_driver.h"

#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "convert/convert_messages.h"
#include "convert/vzp_converter.h"
#include "runtime/cancellation.h"
#include "runtime/catalogue.h"
#include "runtime/console.h"
#include "runtime/file_copy.h"
#include "runtime/file_sets.h"
#include "runtime/leading_number.h"
#include "runtime/logs.h"
#include "runtime/paths.h"
#include "runtime/platform.h"
#include "runtime/progress.h"
#include "runtime/report.h"
#include "runtime/report_sink.h"

namespace quervik::convert {
namespace {

// Asking whether the run was interrupted can cost a call into the JVM, so it is asked before
// the first line and then once per this many bytes of input, not for every line.
constexpr int64_t kPollBytes = 64 * 1024;

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// "err" and "ok" below a directory. Composed directly: a name that happens to exist as a
// directory where the process runs must not change where logs and files go.
std::string subdirectory(const char* directory, const char* name) {
  std::string path = directory;
  if (!path.empty() && !isSeparator(path.back())) path += kSeparator;
  return path + name;
}

struct OkAndErr {
  std::string ok;
  std::string err;
};

std::optional<OkAndErr> makeOkAndErr(const char* directory) {
  if (!directory) return std::nullopt;
  OkAndErr dirs{subdirectory(directory, "ok"), subdirectory(directory, "err")};
  makeDirectories(dirs.err.c_str());
  makeDirectories(dirs.ok.c_str());
  return dirs;
}

int localYear() {
  std::time_t now = std::time(nullptr);
  return localCalendarTime(now).tm_year + 1900;
}

struct Run {
  const char* insurerCode;
  const char* drgDirectory;
  std::optional<OkAndErr> logs;
  ConversionSettings settings;
  int result = 0;
};

enum class Outcome { Finished, Interrupted };

// Converts the open input into the open DRG file. Sets failed and reports when reading or
// writing failed or no batch was converted. The input is closed after the reader is gone (it
// may be reading ahead).
Outcome convertOpenFile(Run& run, const std::string& inputPath, File input, File output, const std::string& drgPath,
                        bool& failed) {
  run.settings.currentYear = localYear();
  setActivity("Konverze VZP rozhrani do DRG", fileSize(inputPath.c_str()));
  BlockSink sink(output.get());
  VzpConverter converter(run.settings, sink);
  LineReader reader(input.get());
  int64_t nextPoll = 0;
  std::string_view record;
  while (reader.next(record)) {
    if (reader.position() >= nextPoll) {
      if (testInterrupted()) {
        sink.flush();  // the writer lets go of the file before it is closed
        output.reset();
        removeFile(drgPath.c_str());
        return Outcome::Interrupted;
      }
      updateProgress(reader.position());
      nextPoll = reader.position() + kPollBytes;
    }
    converter.convertLine(record, reader);
    sink.flushIfFull();
  }
  updateProgress(reader.position());
  bool written = sink.flush();
  if (std::fclose(output.release()) != 0) written = false;

  int code = 0;
  if (reader.failed())
    code = msg::CONVERT_INPUT_UNREADABLE;
  else if (!written)
    code = msg::CONVERT_DRG_UNWRITABLE;
  else if (!converter.convertedBatch())
    code = msg::CONVERT_NO_BATCH;
  if (code) {
    // A partial DRG file, or one without a batch, must not look like a delivery.
    removeFile(drgPath.c_str());
    reportError(code, code == msg::CONVERT_DRG_UNWRITABLE ? drgPath : inputPath);
    --run.result;
    failed = true;
  }
  return Outcome::Finished;
}

Outcome convertFile(Run& run, FileItem& item) {
  const std::string& path = item.name;
  ReportFileScope reportsAbout(path);
  FILE* auxiliary = nullptr;
  if (run.logs) {
    auxiliary = createAnonymousFile();
    if (auxiliary)
      setAuxiliaryLog(auxiliary);
    else
      consoleOut("Nelze vyvorit pomocny logovy soubor\n");
  }
  reportError(msg::CONVERT_FILE_START, path);

  std::optional<std::string> directory = run.drgDirectory ? std::optional<std::string>(run.drgDirectory) : dirName(path);
  const std::string drgPath = makePath(directory ? directory->c_str() : nullptr, path.c_str(), "drg").value_or("");
  run.settings.insurerCode = fileExtension(path, run.insurerCode);

  bool failed = false;
  File input(openFile(path.c_str(), "rb"));
  if (!input) {
    reportError(msg::CONVERT_INPUT_UNREADABLE, path);
    --run.result;
    failed = true;
  }
  reportError(msg::CONVERT_DRG_FILE, drgPath);
  if (input) {
    // Never truncate the input itself (a link, or a name that leads back to it).
    File output(sameFile(path.c_str(), drgPath.c_str()) ? nullptr : openFile(drgPath.c_str(), "wb"));
    if (!output) {
      reportError(msg::CONVERT_DRG_UNWRITABLE, drgPath);
      --run.result;
      failed = true;
    } else if (convertOpenFile(run, path, std::move(input), std::move(output), drgPath, failed) ==
               Outcome::Interrupted) {
      closeAuxiliaryLog(auxiliary);
      return Outcome::Interrupted;
    }
  }

  item.result = failed ? 1 : 0;
  noteFileFindings(path, failed ? 1 : 0);
  reportError(msg::CONVERT_TEXT_LINE, "");
  if (run.logs) {
    saveRunLog(auxiliary,
               makePath(failed ? run.logs->err.c_str() : run.logs->ok.c_str(), path.c_str(), failed ? "log.err" : "log.ok"));
    closeAuxiliaryLog(auxiliary);
  }
  return Outcome::Finished;
}

}  // namespace

std::vector<int> parseExcludedTypes(const char* text) {
  std::vector<int> types;
  if (!text) return types;
  std::string_view rest(text);
  while (!rest.empty() && rest.front() == ',') rest.remove_prefix(1);
  for (;;) {
    const size_t comma = rest.find(',');
    types.push_back(int(leadingInteger(rest.substr(0, comma).substr(0, 9))));
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return types;
}

int convertVzpBatches(const char* insurerCode, const char* input, const char* drgDirectory, const char* excludedTypes,
                      const char* logDirectory, const char* doneDirectory, bool move) {
  Run run{insurerCode, drgDirectory, makeOkAndErr(logDirectory), {}, 0};
  std::optional<OkAndErr> done = makeOkAndErr(doneDirectory);
  setMessageFile(kDefaultMessageFile);
  FileSets sets;
  if (input) collectFiles(sets, input, nullptr);
  run.settings.excludedTypes = parseExcludedTypes(excludedTypes);

  std::vector<FileItem>& files = sets.lists[kOtherKind];
  for (FileItem& item : files)
    if (convertFile(run, item) == Outcome::Interrupted) return -1;
  if (done) disposeFiles(files, OutputDirectories{done->ok, done->err}, move);
  return run.result;
}

}  // namespace quervik::convert
