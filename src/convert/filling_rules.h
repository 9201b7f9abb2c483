// The filling rules: for each VZP record that the conversion turns into a DRG record, which
// DRG field takes which characters of the VZP line (or of the following V line, or of the
// batch's saved document line), or which constant. Fields a rule does not name keep their
// template default; Typ vety is always the record letter.
#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "convert/drg_templates.h"

namespace quervik::convert {

enum class Source : uint8_t {
  End,           // no more fills
  Line,          // the VZP line being converted
  NextLine,      // the V line that follows a document record of batch 05 or 36
  DocumentLine,  // the last document record of the batch (batch types 12, 14, 36, 37)
  Text,          // a constant
  InsurerCode,   // the insurer code of the run or of the file
};

struct FieldFill {
  Source source = Source::End;
  uint8_t field = 0;
  const char* text = nullptr;  // the VZP field code for line sources, the constant for Text
  uint8_t position = 0;        // 1-based, line sources only
  uint8_t width = 0;           // characters taken
  bool codeKind = false;       // the field is a code kind (see FieldKind::CodeKind)
};

// w characters from position p of the line being converted.
constexpr FieldFill line(uint8_t field, const char* vzpField, int p, int w) {
  return {Source::Line, field, vzpField, uint8_t(p), uint8_t(w)};
}
constexpr FieldFill nextLine(uint8_t field, const char* vzpField, int p, int w) {
  return {Source::NextLine, field, vzpField, uint8_t(p), uint8_t(w)};
}
constexpr FieldFill documentLine(uint8_t field, const char* vzpField, int p, int w) {
  return {Source::DocumentLine, field, vzpField, uint8_t(p), uint8_t(w)};
}
constexpr FieldFill constant(uint8_t field, const char* text) {
  uint8_t w = 0;
  while (text[w]) ++w;
  return {Source::Text, field, text, 0, w};
}
constexpr FieldFill insurerCode(uint8_t field, int atMost) {
  return {Source::InsurerCode, field, "insurer", 0, uint8_t(atMost)};
}
constexpr FieldFill asCodeKind(FieldFill fill) {
  fill.codeKind = true;
  return fill;
}

inline constexpr size_t kMaxFills = 14;

struct FillingRule {
  const char* title;  // "B from 82 H"
  const DrgRecordTemplate* record;
  std::array<FieldFill, kMaxFills> fills;
};

extern const FillingRule kAFromD;
extern const FillingRule kBFrom82H, kCFrom82V;
extern const FillingRule kCFromN, kCFromG, kCFromK, kCFromL, kBFromZ;
extern const FillingRule kBFrom81A, kCFrom81V;
extern const FillingRule kBFrom90E, kCFrom90V;
extern const FillingRule kBFrom05P, kCFrom05V, kCFrom05N;
extern const FillingRule kBFrom34T, kCFrom34V;
extern const FillingRule kBFrom36J, kCFrom36V;
extern const FillingRule kBFrom37W, kCFrom37L, kCFrom37V;
extern const FillingRule kBFrom10R, kCFrom10RFirst, kCFrom10RSecond;
extern const FillingRule kCFrom10RFirst146, kCFrom10RSecond146;  // the 146-character layout
extern const FillingRule kBFrom12B, kCFrom12M;
extern const FillingRule kBFrom14F, kCFrom14F, kCFrom14M;
extern const FillingRule kBFrom13O, kCFrom13O;

// Every rule, for the table checks.
std::span<const FillingRule* const> allFillingRules();

}  // namespace quervik::convert
