// Record kinds at run time; see layouts.h.
#include "drg/layouts.h"

#include <string>

#include "drg/codes.h"
#include "runtime/report.h"

namespace quervik::drg {
namespace {

// Every layout's rows are contiguous, each width matches its columns, and together they
// cover the record exactly; every letter a kind may follow is a kind of the same file. A
// field's index fits a byte (the field check walks indices).
constexpr bool layoutFits(const RecordKindSpec& kind) {
  if (kind.fields.size() > 256) return false;
  int next = 1;
  for (const FieldSpec& f : kind.fields) {
    if (f.from != next || f.to - f.from + 1 != f.width || f.width <= 0) return false;
    if (f.format != 'f' && f.format != 's' && f.format != 'r' && f.format != 'd') return false;
    if (f.format == 'd' && f.width != 8) return false;
    next = f.to + 1;
  }
  return kind.fields.empty() || next == kind.length + 1;
}

constexpr bool predecessorsKnown(std::span<const RecordKindSpec> kinds, const RecordKindSpec& kind) {
  if (!kind.predecessors) return true;
  for (const char* p = kind.predecessors; *p; ++p) {
    if (*p == ' ') continue;
    bool found = false;
    for (const RecordKindSpec& k : kinds) found |= k.letter == *p;
    if (!found) return false;
  }
  return true;
}

constexpr bool tablesFit() {
  for (const FileKindSpec& file : kFileKinds)
    for (const RecordKindSpec& kind : file.kinds)
      if (!layoutFits(kind) || !predecessorsKnown(file.kinds, kind) || kind.length > 767) return false;
  return true;
}
static_assert(tablesFit(), "a DRG record layout does not add up");

}  // namespace

Layouts buildLayouts() {
  Layouts layouts;
  for (int f = 0; f < kFileKindCount; ++f) {
    for (const RecordKindSpec& row : kFileKinds[f].kinds) {
      RecordKind kind;
      kind.letter = row.letter;
      kind.length = row.length;
      kind.predecessors = row.predecessors;
      if (row.predecessors)
        for (const char* p = row.predecessors; *p; ++p) kind.follows[static_cast<unsigned char>(*p)] = true;
      kind.required = row.required;
      kind.mayEnd = row.mayEnd;
      for (const FieldSpec& field : row.fields) kind.fields.push_back(describeField(field));
      kind.quiet = quietFieldsOf(kind.fields, kind.length);
      layouts.files[f].push_back(std::move(kind));
    }
  }
  return layouts;
}

RecordKind* findRecordKind(std::string_view& line, char& previousLetter, std::span<RecordKind> kinds) {
  const char first = line.empty() ? '\0' : line[0];
  for (RecordKind& kind : kinds) {
    if (kind.letter != ' ' && kind.letter != first) continue;
    if (int(line.size()) != kind.length) {
      if (kind.letter == ' ')
        reportDrgFinding(DRG_BAD_LINE_LENGTH);
      else
        reportDrgFinding(DRG_BAD_RECORD_LENGTH, kind.letter);
      line = {};
      return nullptr;
    }
    ++kind.count;
    if (!kind.predecessors) return &kind;
    if (kind.follows[static_cast<unsigned char>(previousLetter)]) {
      previousLetter = first;
      return &kind;
    }
  }
  return nullptr;
}

void reportBadPosition(char letter, std::span<const RecordKind> kinds) {
  const RecordKind* found = nullptr;
  for (const RecordKind& kind : kinds) {
    if (kind.letter == ' ' || kind.letter == letter) {
      found = &kind;
      break;
    }
  }
  std::string list;
  if (found && found->predecessors) {
    for (const char* p = found->predecessors; *p; ++p) {
      if (*p == ' ') continue;  // the start of the file is not named
      if (!list.empty()) list += " nebo ";
      list += '\'';
      list += *p;
      list += '\'';
    }
  }
  if (!list.empty()) {
    reportDrgFinding(DRG_BAD_RECORD_POSITION, letter, list);
    return;
  }
  if (letter == '\0' || (found && found->letter == ' ')) return;
  reportDrgFinding(DRG_UNKNOWN_RECORD_TYPE, letter);
}

int finishRecordCounts(const RecordKind* lastKind, std::span<const RecordKind> kinds) {
  if (!lastKind) {
    reportDrgFinding(DRG_BAD_FILE_END);
    return -1;
  }
  if (!lastKind->mayEnd) reportDrgFinding(DRG_BAD_FILE_END);
  for (const RecordKind& kind : kinds) {
    reportError(DRG_RECORD_COUNT, kind.letter, kind.count);
    if (kind.count == 0 && kind.required) reportDrgFinding(DRG_RECORD_KIND_MISSING, kind.letter);
  }
  return 0;
}

void resetCounts(std::span<RecordKind> kinds) {
  for (RecordKind& kind : kinds) kind.count = 0;
}

}  // namespace quervik::drg
