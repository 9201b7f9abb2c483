// The VZP batch file layouts: which records exist in which batch type, how long each is,
// how often it may repeat, which record may follow it, and the fields it is cut into.
// The checker walks these tables for every line; the VZP to DRG conversion reads the same
// positions and widths. The tables themselves are data (layouts.inc, records.inc).
#pragma once
#include <span>
#include <string_view>

namespace quervik::vzp {

// One field of a record layout. The format is written as the layout tables write it:
// kind, presence, width ("CN8", "$N12.2", "N 3"). Kinds: 'C' character, 'N' numeric
// (whole number), 'D' date DDMMYYYY, '$' money. Presence: ' ' must be filled, 'N' may be
// blank, 'X' reserved (blank, or zero for numbers). A width "W.D" has D decimals, used by
// money fields only; a character field with a decimal part is cut by W alone.
struct VzpFieldDescriptor {
  int position;        // 1-based start in the record
  const char* code;    // field code used in reports, e.g. "DICO"
  const char* format;  // e.g. "CN8"
  const char* checks;  // named checks, comma-separated, in order; "" for none
  char kind;
  char presence;
  int width;
  int decimals;

  constexpr VzpFieldDescriptor(int pos, const char* fieldCode, const char* fieldFormat, const char* checkList)
      : position(pos), code(fieldCode), format(fieldFormat), checks(checkList), kind(fieldFormat[0]),
        presence(fieldFormat[0] ? fieldFormat[1] : '\0'), width(0), decimals(0) {
    int i = 2;
    while (fieldFormat[0] && fieldFormat[1] && fieldFormat[i] >= '0' && fieldFormat[i] <= '9')
      width = width * 10 + (fieldFormat[i++] - '0');
    if (fieldFormat[0] && fieldFormat[1] && fieldFormat[i] == '.')
      while (fieldFormat[++i] >= '0' && fieldFormat[i] <= '9') decimals = decimals * 10 + (fieldFormat[i] - '0');
  }

  // 0-based offset of the field in the record line.
  constexpr int offset() const { return position - 1; }
};

// One record layout. Roles: 'D' batch header, 'X' document record (counted against the
// header's document count), 'R' item record.
struct VzpRecordDescriptor {
  const char* batchType;  // two characters; "00" for the batch header
  char letter;            // first character of the record
  const char* next;       // letters of the records that may follow this one
  char role;
  int repeatLimit;        // most records of this letter in a row; 0 for no limit
  int length;             // record length without the line end
  std::span<const VzpFieldDescriptor> fields;  // in record order, at most kMaxVzpFields

  constexpr int fieldCount() const { return int(fields.size()); }
  bool allowsNext(char c) const;
};

inline constexpr int kMaxVzpFields = 40;
inline constexpr int kVzpRecordCount = 75;
inline constexpr const char* kVzpHeaderBatchType = "00";

// Every record layout, in search order.
std::span<const VzpRecordDescriptor> vzpRecordTable();

// The first layout whose batch type, letter and length all equal the arguments, or null.
// The length is that of the line without its line end; a batch type that is not two
// characters finds nothing.
const VzpRecordDescriptor* findRecordDescriptor(std::string_view batchType, char letter, int length);

}  // namespace quervik::vzp
