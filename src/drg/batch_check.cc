// The DRG batch check; see batch_check.h.
#include "drg/batch_check.h"

#include <algorithm>
#include <optional>
#include <string>

#include "drg/batch_state.h"
#include "drg/codes.h"
#include "drg/cross_checks.h"
#include "drg/cross_tables.h"
#include "drg/field_format.h"
#include "drg/line_reader.h"
#include "drg/scoped_files.h"
#include "runtime/cancellation.h"
#include "runtime/catalogue.h"
#include "runtime/console.h"
#include "runtime/file_copy.h"
#include "runtime/file_sets.h"
#include "runtime/logs.h"
#include "runtime/paths.h"
#include "runtime/platform.h"
#include "runtime/progress.h"
#include "runtime/report.h"
#include "runtime/report_sink.h"

namespace quervik::drg {
namespace {

struct RunDirectories {
  CrossLogs logs;
  bool output = false;
  OutputDirectories out;
};

// "err" and "ok" below a directory given by the caller. Composed directly rather than with
// makePath, which would take a directory of that name in the working directory for the
// name itself.
std::string below(const char* directory, const char* name) {
  std::string path = directory;
  if (path.empty() || !isSeparator(path.back())) path += kSeparator;
  return path + name;
}

enum class FileOutcome { Checked, Unreadable, Interrupted };

// One input file: open it, check its lines, report its summary and save its log.
FileOutcome checkFile(FileItem& item, std::vector<RecordKind>& kinds, const RunDirectories& dirs) {
  BatchState& state = batchState();
  ReportFileScope reportsAbout(item.name);
  FilePtr file(openFile(item.name.c_str(), "rb"));
  if (!file) {
    state.lineNumber = 0;  // not a line of the previous file
    reportDrgFinding(DRG_CANNOT_OPEN, item.name);
    noteFileFindings(item.name, 1);
    item.result = 1;
    return FileOutcome::Unreadable;
  }
  ScopedAuxiliaryLog aux(dirs.logs.given);
  const int64_t size = std::max<int64_t>(0, fileSize(item.name.c_str()));
  setActivity("Kontrola DRG rozhrani", size);
  resetFileState();
  reportError(DRG_FILE, item.name);

  const RecordKind* lastKind = nullptr;
  const bool finished = checkBatchLines(file.get(), kinds, lastKind);
  file.reset();
  if (!finished) {
    resetCounts(kinds);
    return FileOutcome::Interrupted;
  }

  finishProgress(size);
  finishRecordCounts(lastKind, kinds);
  reportError(DRG_LINE_COUNT, state.lineNumber);
  if (state.warningCount > 0) {
    reportError(DRG_TEXT_LINE, "");
    reportError(DRG_WARNING_COUNT, state.warningCount);
    state.warningCount = 0;
  }
  const bool findings = state.errorCount > 0;
  if (findings) reportError(DRG_ERROR_COUNT, state.errorCount);
  item.result = findings ? 1 : 0;
  noteFileFindings(item.name, state.errorCount);
  reportError(DRG_TEXT_LINE, "");
  if (dirs.logs.given) {
    saveRunLog(aux.get(), makePath((findings ? dirs.logs.err : dirs.logs.ok).c_str(), item.name.c_str(),
                                   findings ? "log.err" : "log.ok"));
  }
  resetCounts(kinds);
  return FileOutcome::Checked;
}

// The cross-check phase; before each step the interruption of the step before is honoured.
// Returns the number of findings.
int crossCheckPhase(FileSets& sets, bool drgNamed, const RunDirectories& dirs, bool move) {
  int findings = 0;
  if (wasInterrupted()) return findings;
  const std::vector<OrgEntry> structure = loadStructure(sets.lists[kOrgFile]);
  if (wasInterrupted()) return findings;
  if (!structure.empty()) findings += crossCheckStructure(sets.lists[kOrgFile], structure, dirs.logs);
  if (wasInterrupted()) return findings;
  // Documents are only checked against a structure that was given.
  if (drgNamed && !structure.empty()) findings += crossCheckDrg(sets.lists[kDrgFile], structure, dirs.logs);
  if (wasInterrupted()) return findings;
  const std::vector<ChartEntry> chart = loadChart(sets.lists[kOsnFile]);
  if (wasInterrupted()) return findings;
  if (!structure.empty() || !chart.empty()) {
    findings += crossCheckChart(sets.lists[kOsnFile], chart, structure, dirs.logs);
    if (wasInterrupted()) return findings;
    findings += crossCheckTurnover(sets.lists[kEkoFile], chart, structure, dirs.logs);
  }
  if (wasInterrupted()) return findings;
  if (dirs.output) {
    for (int kind : {kOrgFile, kOsnFile, kEkoFile, kDrgFile, kKorFile}) disposeFiles(sets.lists[kind], dirs.out, move);
  }
  return findings;
}

}  // namespace

bool checkBatchLines(FILE* file, std::span<RecordKind> kinds, const RecordKind*& lastKind) {
  BatchState& state = batchState();
  LineReader reader(file);
  InterruptionPacer pacer;
  char previousLetter = ' ';
  lastKind = nullptr;
  state.recordLetters = !kinds.empty() && kinds[0].letter != ' ';
  Line line;
  while (reader.next(line)) {
    updateProgress(reader.position());
    if (pacer.interrupted(reader.position())) return false;
    ++state.lineNumber;
    std::string_view text = line.text;
    state.recordLetter = text.empty() ? '\0' : text[0];
    if (!line.complete) {
      reportDrgFinding(DRG_LINE_WITHOUT_END);
      continue;
    }
    if (RecordKind* kind = findRecordKind(text, previousLetter, kinds)) {
      lastKind = kind;
      checkFields(kind->fields, text, &kind->quiet);
    } else {
      reportBadPosition(text.empty() ? '\0' : text[0], kinds);
    }
  }
  return true;
}

int runDrgCheck(const char* orgFile, const char* drgFile, const char* osnFile, const char* ekoFile,
                const char* checkDir, const char* logDir, const char* outDir, bool move, const char* korFile) {
  if (!orgFile && !drgFile && !osnFile && !ekoFile && !checkDir && !korFile) return -1;
  FileSets sets;
  if (checkDir) {
    // Every file of the directory by its extension; others are not checked.
    scanDirectory(sets, checkDir, 1, nullptr);
  } else {
    const char* inputs[kFileKindCount] = {orgFile, osnFile, drgFile, ekoFile, korFile};
    for (int kind = 0; kind < kFileKindCount; ++kind)
      if (inputs[kind]) collectFiles(sets, inputs[kind], kFileKinds[kind].word);
  }

  setMessageFile(kDefaultMessageFile);
  Layouts layouts = buildLayouts();
  RunDirectories dirs;
  if (logDir) {
    dirs.logs = {true, below(logDir, "err"), below(logDir, "ok")};
    makeDirectories(dirs.logs.err.c_str());
    makeDirectories(dirs.logs.ok.c_str());
  }
  if (outDir) {
    dirs.output = true;
    dirs.out = {below(outDir, "ok"), below(outDir, "err")};
    makeDirectories(dirs.out.err.c_str());
    makeDirectories(dirs.out.ok.c_str());
  }

  // lastErrors: -1 until a file could be opened, then the findings of the last file that
  // had any. A file that cannot be read counts as a file with one finding.
  int lastErrors = -1;
  int unreadable = 0;
  int total = 0;
  for (int kind = 0; kind < kFileKindCount; ++kind) {
    for (FileItem& item : sets.lists[kind]) {
      switch (checkFile(item, layouts.files[kind], dirs)) {
        case FileOutcome::Interrupted:
          return 1;
        case FileOutcome::Unreadable:
          ++unreadable;
          ++total;
          if (lastErrors != -1) lastErrors = 1;
          break;
        case FileOutcome::Checked:
          if (lastErrors == -1) lastErrors = unreadable > 0 ? 1 : 0;
          if (batchState().errorCount > 0) lastErrors = batchState().errorCount;
          total += batchState().errorCount;
          break;
      }
    }
  }

  if (lastErrors == 0) {
    lastErrors = crossCheckPhase(sets, drgFile != nullptr, dirs, move);
    total += lastErrors;
    // A cross-check phase cut short has not shown the delivery clean.
    if (wasInterrupted() && lastErrors == 0) return 1;
  }

  if (lastErrors == 0) {
    reportError(DRG_NO_ERRORS);
  } else {
    if (lastErrors == -1) {
      reportError(DRG_CANNOT_OPEN, "");
      total = std::max(1, unreadable);
    }
    reportError(DRG_TOTAL_ERRORS, total);
  }
  return -lastErrors;
}

}  // namespace quervik::drg
