// Filling and printing DRG records; see record_writer.h.
#include "convert/record_writer.h"

#include <algorithm>
#include <cstring>

#include "runtime/leading_number.h"

namespace quervik::convert {
namespace {

constexpr char kInvalidDate[] = "11111111";

// True when one of the ten characters is a blank; eight of them tested in one word.
bool holdsBlank(const char* p) {
  uint64_t word;
  std::memcpy(&word, p, 8);
  const uint64_t x = word ^ 0x2020202020202020u;  // a blank becomes a zero byte
  return ((x - 0x0101010101010101u) & ~x & 0x8080808080808080u) != 0 || p[8] == ' ' || p[9] == ' ';
}

}  // namespace

FieldValue FilledRecord::value(size_t field) const {
  if (setFields >> field & 1) return values[field];
  return {layout->fields[field].defaultValue(), 1};
}

void applyFillingRule(const FillingRule& rule, const RuleInputs& in, FilledRecord& record) {
  for (const FieldFill& fill : rule.fills) {
    FieldValue v{};
    switch (fill.source) {
      case Source::End:
        return;
      case Source::Line:
        v = {in.line + fill.position - 1, fill.width};
        break;
      case Source::NextLine:
        v = {in.nextLine + fill.position - 1, fill.width};
        break;
      case Source::DocumentLine:
        v = {in.documentLine + fill.position - 1, fill.width};
        break;
      case Source::Text:
        v = {fill.text, fill.width};
        break;
      case Source::InsurerCode:
        if (!in.insurerCode) continue;
        v = {in.insurerCode->data(), std::min<size_t>(in.insurerCode->size(), fill.width)};
        break;
    }
    record.set(fill.field, v);
    if (fill.codeKind) record.codeKindFields |= 1u << fill.field;
  }
}

void birthDateFromBirthNumber(std::string_view n, int currentYear, char out[8]) {
  std::memcpy(out, kInvalidDate, 8);
  if (n.size() != 10) return;
  // The values of the first six digits; a byte that is no digit makes no date.
  unsigned d[6];
  for (int i = 0; i < 6; ++i) {
    d[i] = unsigned(static_cast<unsigned char>(n[i])) - '0';
    if (d[i] > 9) return;
  }
  // The day from digits 5 and 6: a number of some years adds 5 to its fifth digit. The month
  // from digits 3 and 4: a woman's month is raised by 50 (70 in some numbers), so the third
  // digit folds back into 0 or 1 (a 7 stays and makes no month).
  static constexpr uint8_t kDayTens[10] = {0, 1, 2, 3, 10, 0, 1, 2, 3, 4};
  static constexpr uint8_t kMonthTens[10] = {0, 1, 2, 3, 4, 0, 1, 7, 0, 1};
  const unsigned dayTens = kDayTens[d[4]], monthTens = kMonthTens[d[2]];
  const unsigned day = dayTens * 10 + d[5], month = monthTens * 10 + d[3];
  // The century: nine-digit numbers (ending in a blank) were issued before 1954.
  unsigned century;
  if (holdsBlank(n.data()))
    century = d[0] >= 6 ? 18 : 19;
  else
    century = d[0] >= 5 || (d[4] > 3 && d[0] > 0) ? 19 : 20;
  const int year = int(century * 100 + d[0] * 10 + d[1]);
  if (month < 1 || month > 12 || day < 1 || day > 31 || year > currentYear) return;
  const char text[8] = {char('0' + dayTens), char('0' + d[5]), char('0' + monthTens), char('0' + d[3]),
                        char('0' + century / 10), char('0' + century % 10), n[0], n[1]};
  std::memcpy(out, text, 8);
}

void putValue(const DrgFieldTemplate& field, FieldValue v, char* to) {
  // The rule's width (a birth number of 10 for a date of 8) served the kind; the record
  // itself never grows beyond the field.
  const size_t size = std::min<size_t>(v.size, field.width);
  const size_t pad = field.width - size;
  if (field.leftAligned) {
    std::memcpy(to, v.data, size);
    std::memset(to + size, ' ', pad);
  } else {
    std::memset(to, ' ', pad);
    std::memcpy(to + pad, v.data, size);
  }
}

namespace {

// Prints one field's value, after its kind, at its place in the record. `next` is the value
// of the field after it, which a code kind may change.
void printField(const DrgFieldTemplate& field, FieldKind kind, FieldValue v, FieldValue* next, int currentYear, char* to) {
  char computed[8];
  switch (kind) {
    case FieldKind::Sex:
      computed[0] = sexFromThirdDigit({v.data, v.size});
      v = {computed, 1};
      break;
    case FieldKind::BirthDate:
      birthDateFromBirthNumber({v.data, v.size}, currentYear, computed);
      v = {computed, 8};
      break;
    case FieldKind::CodeKind:
      // A code written as three blanks and two characters is a code of kind 6: the two
      // characters are the code.
      if (next && next->size >= 3 && std::memcmp(next->data, "   ", 3) == 0) {
        v = {"6", 1};
        *next = {next->data + 3, std::min<size_t>(next->size - 3, 2)};
      }
      break;
    default:
      break;
  }
  putValue(field, v, to);
}

}  // namespace

int writeDrgRecord(FilledRecord& record, const RecordContext& context, BlockSink& sink) {
  const DrgRecordTemplate& layout = *record.layout;
  const size_t count = layout.fields.size();
  int batchType = 0;
  if (layout.letter == 'A') {
    for (size_t i = 0; i < count; ++i) {
      if (record.kind(i) != FieldKind::BatchType) continue;
      const FieldValue v = record.value(i);
      batchType = int(leadingInteger(std::string_view(v.data, std::min<size_t>(v.size, 2))));
    }
    if (batchType != 0 &&
        std::find(context.excludedTypes.begin(), context.excludedTypes.end(), batchType) != context.excludedTypes.end())
      return -1;
  }

  char* const out = sink.reserve(layout.length + 2);
  const char letter = layout.letter;
  size_t at = 0;
  for (size_t i = 0; i < count; ++i) {
    // Typ vety is the record letter, whatever the VZP line began with.
    const FieldValue v = i == 0 ? FieldValue{&letter, 1} : record.value(i);
    FieldValue* next = i + 1 < count && (record.setFields >> (i + 1) & 1) ? &record.values[i + 1] : nullptr;
    printField(layout.fields[i], record.kind(i), v, next, context.currentYear, out + at);
    at += layout.fields[i].width;
  }
  out[at] = '\r';
  out[at + 1] = '\n';
  sink.commit(layout.length + 2);
  return batchType;
}

}  // namespace quervik::convert
