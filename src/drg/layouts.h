// Record kinds of the DRG batch files at run time: matching a line to its record kind by
// its first character, length and predecessor, the position and length findings, and the
// record counts reported at the end of each file. The driver (batch_check.cc) builds the
// layouts once per run from the tables in layout_tables.h.
#pragma once
#include <array>
#include <span>
#include <string_view>
#include <vector>

#include "drg/field_format.h"
#include "drg/layout_tables.h"

namespace quervik::drg {

struct RecordKind {
  char letter = ' ';
  int length = 0;
  const char* predecessors = nullptr;
  std::array<bool, 256> follows{};  // the letters of predecessors, looked up per line
  bool required = false;
  bool mayEnd = false;
  std::vector<FieldDescriptor> fields;
  QuietFields quiet;  // of fields
  int count = 0;  // occurrences in the current file
};

// The record kinds of every file kind, with the field descriptors of one run (the quantity
// field's decimals may change during the run).
struct Layouts {
  std::array<std::vector<RecordKind>, kFileKindCount> files;
};

Layouts buildLayouts();

// The record kind of the line, given the letter of the last record in order (a blank at the
// start of a file, updated here). A kind whose letter fits but whose length does not reports
// 7009 (with the letter) or 7010 (kinds without letter) and empties the line. A kind that
// fits counts the line even when its position turns out wrong. None when no kind accepts it.
RecordKind* findRecordKind(std::string_view& line, char& previousLetter, std::span<RecordKind> kinds);

// Why no kind accepted a line with this first character (0 after a length finding): 7011
// with the letters the kind may follow, or 7012 for an unknown record type.
void reportBadPosition(char letter, std::span<const RecordKind> kinds);

// The end of a file: 7015 when no record was recognised (-1, counts not reported) or when the
// last recognised kind may not end a file; then 7066 per kind and 7079 for a required kind
// that did not occur. 0 otherwise.
int finishRecordCounts(const RecordKind* lastKind, std::span<const RecordKind> kinds);

void resetCounts(std::span<RecordKind> kinds);

}  // namespace quervik::drg
