// Prepared filling rules; see prepared_rule.h.
#include "convert/prepared_rule.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace quervik::convert {
namespace {

bool fromLine(Source s) { return s == Source::Line || s == Source::NextLine || s == Source::DocumentLine; }

const char* lineOf(const RuleInputs& in, Source s) {
  return s == Source::Line ? in.line : s == Source::NextLine ? in.nextLine : in.documentLine;
}

}  // namespace

PreparedRule::PreparedRule(const FillingRule& rule) : rule_(&rule) {
  const DrgRecordTemplate& layout = *rule.record;
  if (layout.letter == 'A') {
    direct_ = false;
    return;
  }
  // The image: the record as writeDrgRecord prints it when the rule sets only its constants.
  FilledRecord constants(layout);
  const FieldFill* fillOf[kMaxDrgFields] = {};
  for (const FieldFill& fill : rule.fills) {
    if (fill.source == Source::End) break;
    fillOf[fill.field] = &fill;
    if (fill.source == Source::Text)
      constants.set(fill.field, {fill.text, fill.width});
    else if (fromLine(fill.source))
      constants.set(fill.field, {"", 0});  // a blank field for the copy
    else
      direct_ = false;  // the insurer code
    if (fill.codeKind) constants.codeKindFields |= 1u << fill.field;
  }
  BlockSink sink;
  writeDrgRecord(constants, RecordContext{0, {}}, sink);
  length_ = uint8_t(layout.length);
  std::memset(image_, ' ', sizeof image_);
  std::memcpy(image_, sink.buffered().data(), layout.length + 2);

  // Stretches of the record copied from a line, in record order.
  struct Run {
    Source source;
    uint8_t from;
    uint8_t to;
    uint8_t size;
  };
  Run runs[kMaxDrgFields];
  size_t runCount = 0;
  size_t at = 0;
  for (size_t i = 0; i < layout.fields.size(); ++i) {
    offsets_[i] = uint8_t(at);
    at += layout.fields[i].width;
  }
  for (size_t i = 0; i < layout.fields.size(); ++i) {
    const FieldFill* fill = fillOf[i];
    if (!fill) continue;
    const DrgFieldTemplate& field = layout.fields[i];
    const FieldKind kind = fill->codeKind ? FieldKind::CodeKind : field.kind;
    if (kind == FieldKind::CodeKind) {
      // The constant is in the image; the code after it decides whether it becomes kind 6.
      const FieldFill* code = i + 1 < layout.fields.size() ? fillOf[i + 1] : nullptr;
      if (fill->source != Source::Text || !code || !fromLine(code->source)) direct_ = false;
      if (code) computed_[computedCount_++] = {kind, code->source, uint8_t(code->position - 1), code->width, uint8_t(i)};
      continue;
    }
    if (!fromLine(fill->source)) continue;
    if (kind == FieldKind::Sex || kind == FieldKind::BirthDate) {
      if (kind == FieldKind::BirthDate && field.width != 8) direct_ = false;
      computed_[computedCount_++] = {kind, fill->source, uint8_t(fill->position - 1), fill->width, uint8_t(i)};
      continue;
    }
    const uint8_t size = std::min(fill->width, field.width);
    const uint8_t to = uint8_t(offsets_[i] + (field.leftAligned ? 0 : field.width - size));
    // Fields come in record order; one that goes on where the last ended, from the column
    // after the last one's, lengthens it.
    if (runCount && runs[runCount - 1].source == fill->source &&
        runs[runCount - 1].to + runs[runCount - 1].size == to &&
        runs[runCount - 1].from + runs[runCount - 1].size == fill->position - 1) {
      runs[runCount - 1].size += size;
      continue;
    }
    runs[runCount++] = {fill->source, uint8_t(fill->position - 1), to, size};
  }
  for (size_t r = 0; r < runCount; ++r) {
    const Run& run = runs[r];
    for (size_t done = 0; done < run.size; done += 16) {
      const size_t from = run.from + done;
      if (pieceCount_ == pieces_.size() || from + 16 > kReadableLineBytes) {
        direct_ = false;
        return;
      }
      Piece& piece = pieces_[pieceCount_++];
      piece.source = run.source;
      piece.from = uint8_t(from);
      piece.to = uint8_t(run.to + done);
      for (size_t b = 0; b < 16; ++b) {
        const bool taken = done + b < run.size;
        piece.keep[b] = taken ? char(-1) : 0;
        piece.rest[b] = taken ? 0 : image_[piece.to + b];
      }
    }
  }
}

void PreparedRule::writeFilled(const RuleInputs& inputs, const RecordContext& context, BlockSink& sink) const {
  FilledRecord record(*rule_->record);
  applyFillingRule(*rule_, inputs, record);
  writeDrgRecord(record, context, sink);
}

void PreparedRule::writeComputed(const RuleInputs& inputs, int currentYear, char* out) const {
  for (uint8_t i = 0; i < computedCount_; ++i) {
    const Computed& c = computed_[i];
    const char* value = lineOf(inputs, c.source) + c.from;
    char* to = out + offsets_[c.field];
    switch (c.kind) {
      case FieldKind::Sex:
        *to = sexFromThirdDigit({value, c.size});
        break;
      case FieldKind::BirthDate:
        birthDateFromBirthNumber({value, c.size}, currentYear, to);
        break;
      default: {  // CodeKind
        if (c.size < 3 || std::memcmp(value, "   ", 3) != 0) break;
        const auto& fields = rule_->record->fields;
        putValue(fields[c.field], {"6", 1}, to);
        putValue(fields[c.field + 1u], {value + 3, std::min<size_t>(c.size - 3u, 2)}, out + offsets_[c.field + 1u]);
        break;
      }
    }
  }
}

const PreparedRule* preparedRule(const FillingRule& rule) {
  static const std::unordered_map<const FillingRule*, PreparedRule> prepared = [] {
    std::unordered_map<const FillingRule*, PreparedRule> all;
    for (const FillingRule* r : allFillingRules()) all.emplace(r, PreparedRule(*r));
    return all;
  }();
  auto it = prepared.find(&rule);
  return it == prepared.end() ? nullptr : &it->second;
}

}  // namespace quervik::convert
