// Field descriptors and the generic field check of the DRG checker. Every field of a record
// is checked twice: by the format check of its format type (number, string, raw text,
// date), then by its own validator (validators.h). Findings are reported with the line
// number, the field's description and text, and its column. Called by the record layouts
// (layouts.h) for every recognised line.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "drg/batch_state.h"
#include "runtime/message_args.h"

namespace quervik::drg {

// A validator receives the field text from its first significant character on and returns
// 0 (accepted), minus a message code (error) or a message code (warning).
using Validator = int (*)(std::string_view text);

// One row of a record layout, written as the layout tables are: columns are 1-based and
// inclusive. Formats: 'f' number (right-aligned), 's' one left-aligned token, 'r' raw text,
// 'd' date DDMMYYYY.
struct FieldSpec {
  const char* description;
  int from;
  int to;
  int width;
  char format;
  int decimals;  // digits after a decimal point; 0: no decimal point expected
  Validator validator;
  bool freeChars = false;  // characters other than letters, digits, '-' and blanks allowed
};

// How a clean field is recognised from the character classes of its line (one pass over the
// line gives them), decided once per field: a date, raw text, one left-aligned token, a
// whole number, an amount with its decimals, the quantity. Scan: always the full check.
enum class FieldShape : unsigned char { Scan, Date, Raw, Token, Number, Amount, Quantity };

// The field as a check run uses it. The rules that depend on the description are decided
// once, when the layout is built, instead of comparing texts for every line.
struct FieldDescriptor {
  const char* description = "";
  int offset = 0;
  int length = 0;
  char format = 's';
  int decimals = 0;  // the quantity field changes it for the rest of the run
  bool freeChars = false;
  Validator validator = nullptr;
  bool quantity = false;         // "Mnozstvi": its decimals follow the values seen
  bool skipLeadingZero = false;  // "Icz" and "ICP ...": one leading zero is not significant
  bool icpField = false;         // "ICP ...": may be left blank
  bool icpZz = false;            // "ICP ZZ": may begin with a blank
  bool birthDate = false;        // "Datum narozeni": 11111111 stands for an unknown date
  bool blankNumber = false;      // a number that may be left blank (freeChars or icpField)
  FieldShape shape = FieldShape::Scan;
  bool quiet = false;            // one of its record kind's QuietFields
};

// The fields of a record kind that have no validator and whose clean form shows in the
// character classes of a printable line (raw text, tokens, whole numbers, amounts with their
// point), as masks over the record's columns: a line that passes all of them at once needs
// none of those fields checked one by one. Bit i stands for column i + 1.
struct QuietFields {
  __extension__ using Bits = unsigned __int128;
  Bits numbers = 0;     // numbers and amounts: digits only, but for their points
  Bits points = 0;      // the decimal point of each amount
  Bits filled = 0;      // a number's last column, the digit before an amount's point
  Bits rightAligned = 0;  // numbers and amounts but their first column: no blank after a character
  Bits tokens = 0;      // tokens: letters, digits and '-' only
  Bits leftAligned = 0;   // tokens but their first column: no character after a blank
  int pointAt[8] = {};  // the columns of points (0-based)
  int pointCount = 0;
  std::vector<uint8_t> others;  // the indices of the fields that are not quiet, in order
};

// Marks the quiet fields of a record kind of this length and returns their masks.
QuietFields quietFieldsOf(std::span<FieldDescriptor> fields, int recordLength);

FieldDescriptor describeField(const FieldSpec& row);

// The generic check of one field's text (exactly its width). A result >= 0 is the offset of
// the first significant character, from which the validator reads; < 0 is minus the code of
// a finding. Day-beyond-month (7115) is reported here, with the month's name and length.
// mayHoldDoubleDash false: the caller knows the text holds no "--". readable: how many bytes
// from the start of the text may be read (the rest of its line), at least its length.
int checkFieldFormat(FieldDescriptor& field, std::string_view text, bool mayHoldDoubleDash = true, int readable = 0);

// The date rules of format 'd': 0 or minus a finding code.
int checkDate(const FieldDescriptor& field, std::string_view text);

// Day, month and year as "%2d%2d%4d" reads them from the start of the text, never past its
// end. Returns how many of the three were read; those not read are left as they were.
int readDate(std::string_view text, Date& date);
// readDate for a field's text into a date of zeros; a text of eight characters is read
// once for the format check and the validators of its field.
int readFieldDate(std::string_view text, Date& date);
// Reads one number as "%<width>d" does, starting at pos and advancing it. False when no
// number could be read.
bool readNumber(std::string_view text, size_t& pos, int width, int& value);

// True when every character is white space (also for an empty text).
bool isBlank(std::string_view text);
// 0 when the texts are equal once trailing white space is ignored (and case, when asked).
int sameText(std::string_view a, std::string_view b, bool ignoreCase);

// Runs both checks on every field of a record and reports what they find. quiet: the record
// kind's quiet fields (marked in fields), or none.
void checkFields(std::span<FieldDescriptor> fields, std::string_view line, const QuietFields* quiet = nullptr);

// A finding of the current line: the code's text (with its arguments and " (code)") is
// reported inside 7900 with the line number, or inside 7110 for codes 7002 to 7007. Counts
// one error of the file.
void reportDrgFindingArgs(int code, std::span<const MsgArg> args);
// The same as a warning, inside 7901; code 1 is reported as 3. Counts one warning.
void reportDrgWarningArgs(int code, std::span<const MsgArg> args);

template <class... A>
void reportDrgFinding(int code, const A&... args) {
  const MsgArg list[] = {MsgArg(args)..., MsgArg(0)};
  reportDrgFindingArgs(code, std::span<const MsgArg>(list, sizeof...(A)));
}

template <class... A>
void reportDrgWarning(int code, const A&... args) {
  const MsgArg list[] = {MsgArg(args)..., MsgArg(0)};
  reportDrgWarningArgs(code, std::span<const MsgArg>(list, sizeof...(A)));
}

}  // namespace quervik::drg
