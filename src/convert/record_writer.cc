// Filling and printing DRG records; see record_writer.h.
#include "convert/record_writer.h"

#include <algorithm>
#include <cstring>

#include "runtime/leading_number.h"

namespace quervik::convert {
namespace {

constexpr char kInvalidDate[] = "11111111";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int twoDigits(const char* p) { return (p[0] - '0') * 10 + (p[1] - '0'); }

}  // namespace

FilledRecord::FilledRecord(const DrgRecordTemplate& layout) : layout(&layout) {
  for (size_t i = 0; i < layout.fields.size(); ++i) {
    const char* d = layout.fields[i].defaultValue();
    values[i] = {d, 1};
    kinds[i] = layout.fields[i].kind;
  }
}

void applyFillingRule(const FillingRule& rule, const RuleInputs& in, FilledRecord& record) {
  for (const FieldFill& fill : rule.fills) {
    FieldValue v;
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
    record.values[fill.field] = v;
    if (fill.codeKind) record.kinds[fill.field] = FieldKind::CodeKind;
  }
}

RecordSink::RecordSink(FILE* file) : file_(file) { buffer_.resize(file ? kBlock + 1024 : 4096); }

char* RecordSink::reserve(size_t n) {
  if (used_ + n > buffer_.size()) {
    if (file_) flush();
    if (used_ + n > buffer_.size()) buffer_.resize(std::max(buffer_.size() * 2, used_ + n));
  }
  return buffer_.data() + used_;
}

bool RecordSink::flush() {
  if (file_ && used_ > 0) {
    if (!failed_ && std::fwrite(buffer_.data(), 1, used_, file_) != used_) failed_ = true;
    used_ = 0;
  }
  return !failed_;
}

void birthDateFromBirthNumber(std::string_view n, int currentYear, char out[8]) {
  std::memcpy(out, kInvalidDate, 8);
  if (n.size() != 10) return;
  char text[8];
  // Day from digits 5 and 6. A woman's month is raised by 50 (70 in some numbers), so the
  // third digit folds back into 0 or 1.
  text[0] = n[4];
  text[1] = n[5];
  char m = n[2];
  if (m == '5' || m == '8') m = '0';
  if (m == '6' || m == '9') m = '1';
  text[2] = m;
  text[3] = n[3];
  // The century: nine-digit numbers (ending in a blank) were issued before 1954.
  const char* century;
  if (n.find(' ') != std::string_view::npos)
    century = n[0] >= '6' && n[0] <= '9' ? "18" : "19";
  else if (n[0] >= '5' && n[0] <= '9')
    century = "19";
  else if (n[4] > '3' && n[0] > '0')
    century = "19";
  else
    century = "20";
  if (text[0] > '3') text[0] = char(text[0] - 5);
  text[4] = century[0];
  text[5] = century[1];
  text[6] = n[0];
  text[7] = n[1];
  for (char c : text)
    if (!isDigit(c)) return;
  const int day = twoDigits(text), month = twoDigits(text + 2);
  const int year = twoDigits(text + 4) * 100 + twoDigits(text + 6);
  if (month < 1 || month > 12 || day < 1 || day > 31 || year <= 0 || year > currentYear) return;
  std::memcpy(out, text, 8);
}

char sexFromThirdDigit(std::string_view value) {
  return !value.empty() && (value[0] == '5' || value[0] == '6') ? 'Z' : 'M';
}

int writeDrgRecord(FilledRecord& record, const RecordContext& context, RecordSink& sink) {
  const DrgRecordTemplate& layout = *record.layout;
  const size_t count = layout.fields.size();
  int batchType = 0;
  if (layout.letter == 'A') {
    for (size_t i = 0; i < count; ++i) {
      if (record.kinds[i] != FieldKind::BatchType) continue;
      const FieldValue& v = record.values[i];
      batchType = int(leadingInteger(std::string_view(v.data, std::min<size_t>(v.size, 2))));
    }
    if (batchType != 0 &&
        std::find(context.excludedTypes.begin(), context.excludedTypes.end(), batchType) != context.excludedTypes.end())
      return -1;
  }

  char* const start = sink.reserve(layout.length + 2);
  char* p = start;
  const char letter = layout.letter;
  char computed[8];
  for (size_t i = 0; i < count; ++i) {
    const DrgFieldTemplate& field = layout.fields[i];
    // Typ vety is the record letter, whatever the VZP line began with.
    FieldValue v = i == 0 ? FieldValue{&letter, 1} : record.values[i];
    switch (record.kinds[i]) {
      case FieldKind::Sex:
        computed[0] = sexFromThirdDigit({v.data, v.size});
        v = {computed, 1};
        break;
      case FieldKind::BirthDate:
        birthDateFromBirthNumber({v.data, v.size}, context.currentYear, computed);
        v = {computed, 8};
        break;
      case FieldKind::CodeKind:
        // A code written as three blanks and two characters is a code of kind 6: the two
        // characters are the code.
        if (i + 1 < count) {
          FieldValue& next = record.values[i + 1];
          if (next.size >= 3 && std::memcmp(next.data, "   ", 3) == 0) {
            v = {"6", 1};
            next = {next.data + 3, std::min<size_t>(next.size - 3, 2)};
          }
        }
        break;
      default:
        break;
    }
    // The rule's width (a birth number of 10 for a date of 8) served the kind; the record
    // itself never grows beyond the field.
    v.size = std::min<size_t>(v.size, field.width);
    const size_t pad = field.width - v.size;
    if (field.leftAligned) {
      std::memcpy(p, v.data, v.size);
      std::memset(p + v.size, ' ', pad);
    } else {
      std::memset(p, ' ', pad);
      std::memcpy(p + pad, v.data, v.size);
    }
    p += field.width;
  }
  *p++ = '\r';
  *p++ = '\n';
  sink.commit(size_t(p - start));
  return batchType;
}

}  // namespace quervik::convert
