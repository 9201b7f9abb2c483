// Producing DRG records: a fresh copy of a record template is filled by a filling rule from
// the VZP lines and then printed field by field by writeDrgRecord into a BlockSink, which
// buffers the records of one DRG file (each ended with CR LF) and writes them out in blocks.
#pragma once
#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "convert/drg_templates.h"
#include "convert/filling_rules.h"
#include "runtime/block_sink.h"

namespace quervik::convert {

// Characters taken for one field; they are not owned (a VZP line, a constant).
struct FieldValue {
  const char* data;
  size_t size;
};

// A template copied for one record. Fields a rule does not set keep the template's default
// value and kind.
struct FilledRecord {
  explicit FilledRecord(const DrgRecordTemplate& recordLayout) : layout(&recordLayout) {}
  void set(size_t field, FieldValue value) {
    values[field] = value;
    setFields |= 1u << field;
  }
  FieldValue value(size_t field) const;
  FieldKind kind(size_t field) const {
    return (codeKindFields >> field & 1) ? FieldKind::CodeKind : layout->fields[field].kind;
  }

  const DrgRecordTemplate* layout;
  uint32_t setFields = 0;       // bit i: field i was set
  uint32_t codeKindFields = 0;  // bit i: field i is a code kind in this record
  std::array<FieldValue, kMaxDrgFields> values;  // where set
};

// Bytes of each line a rule may read (the working lines hold this many); the prepared rules
// read up to 32 bytes from a position, so no position a rule names lies near the end.
inline constexpr size_t kReadableLineBytes = 192;

// Where a rule reads. The three lines are working copies padded with blanks far beyond any
// position a rule names, so a position past the end of a short line reads as a blank; a
// missing next line or document line is all blanks.
struct RuleInputs {
  const char* line;
  const char* nextLine;
  const char* documentLine;
  std::optional<std::string_view> insurerCode;  // none: Pojistovna keeps its default
};

void applyFillingRule(const FillingRule& rule, const RuleInputs& inputs, FilledRecord& record);

struct RecordContext {
  int currentYear;                   // no birth date may lie after it
  std::span<const int> excludedTypes;
};

// Writes the record and its CR LF. For an A record the result is the batch type read from
// Druh davky, or -1 when that type is not 0 and is excluded (then nothing is written); for
// B and C records it is 0.
int writeDrgRecord(FilledRecord& record, const RecordContext& context, BlockSink& sink);

// Prints a value into a field of the record: aligned as the field's format says, cut to its
// width, the rest blanks.
void putValue(const DrgFieldTemplate& field, FieldValue value, char* to);

// The birth date DDMMYYYY of a birth number of 10 digits, or of 9 digits and a blank, into
// out; "11111111" when no valid date up to the current year can be formed.
void birthDateFromBirthNumber(std::string_view birthNumber, int currentYear, char out[8]);

// "Z" for a woman (the month of her birth number is raised by 50), else "M".
inline char sexFromThirdDigit(std::string_view value) {
  return !value.empty() && (value[0] == '5' || value[0] == '6') ? 'Z' : 'M';
}

}  // namespace quervik::convert
