// Converting the lines of one VZP file; see vzp_converter.h.
#include "convert/vzp_converter.h"

#include <algorithm>
#include <cstring>

#include "convert/convert_messages.h"
#include "convert/prepared_rule.h"
#include "runtime/report.h"

namespace quervik::convert {
namespace {

struct Blanks {
  char text[256];
  Blanks() { std::memset(text, ' ', sizeof text); }
};
const Blanks kBlanks;

// Copies a record into a working line that held `previous` characters before: the record,
// then blanks. A NUL byte reads as a blank, so a damaged line can never end a DRG field
// early or put a NUL into a DRG file; the reader tells when the record holds none.
[[gnu::always_inline]] inline size_t copyRecord(std::string_view record, bool nulFree, char* to, size_t previous) {
  static_assert(kReadableLineBytes >= kMaxVzpRecordLength + 32);
  const size_t n = std::min(record.size(), kMaxVzpRecordLength);
  const char* from = record.data();
  if (n >= 16) {
    // 16 bytes at a time, the last 16 ending where the record ends.
    for (size_t i = 0; i + 16 < n; i += 16) std::memcpy(to + i, from + i, 16);
    std::memcpy(to + n - 16, from + n - 16, 16);
  } else if (n >= 8) {
    std::memcpy(to, from, 8);
    std::memcpy(to + n - 8, from + n - 8, 8);
  } else if (n >= 4) {
    std::memcpy(to, from, 4);
    std::memcpy(to + n - 4, from + n - 4, 4);
  } else {
    for (size_t i = 0; i < n; ++i) to[i] = from[i];
  }
  if (!nulFree && std::memchr(to, '\0', n)) std::replace(to, to + n, '\0', ' ');
  // Blanks over what the line before left, 16 at a time: a working line has room past any
  // record (and its widening) for that.
  for (size_t i = n; i < previous; i += 16) std::memcpy(to + i, kBlanks.text, 16);
  return n;
}

}  // namespace

VzpConverter::VzpConverter(const ConversionSettings& settings, BlockSink& sink)
    : settings_(settings), sink_(sink), context_{settings.currentYear, settings.excludedTypes} {
  line_.fill(' ');
  nextLine_.fill(' ');
  documentLine_.fill(' ');
  inputs_ = {line_.data(), kBlanks.text, kBlanks.text, std::nullopt};
  if (settings_.insurerCode) inputs_.insurerCode = *settings_.insurerCode;
  selectBatchType(0);
}

void VzpConverter::selectBatchType(int type) {
  batchType_ = type;
  std::unique_ptr<BatchPlans>& known = plansOfType_[type];
  if (known) {
    batch_ = known.get();
    return;
  }
  known = std::make_unique<BatchPlans>();
  batch_ = known.get();
  BatchPlans& batch = *known;
  if (type == -1) return;  // the lines of an excluded batch produce nothing
  // The first row of a letter that applies, as findDispatchRow would find it per line.
  size_t count = 0;
  for (const DispatchRow& candidate : dispatchTable()) {
    const auto letter = static_cast<unsigned char>(candidate.letter);
    if (batch.planOf[letter]) continue;
    const DispatchRow* row = findDispatchRow(type, candidate.letter);
    if (!row) continue;
    Plan& plan = batch.plans[count++];
    plan = Plan{row, {}, {}};
    const auto planSteps = [&](const std::array<DispatchStep, 3>& steps, std::array<Step, 4>& to) {
      for (size_t i = 0; i < steps.size() && steps[i].rule; ++i) {
        const FillingRule* rule = steps[i].rule;
        to[i] = Step{rule, settings_.preparedRules ? preparedRule(*rule) : nullptr, steps[i].onlyIfPosition,
                     steps[i].onlyIfOneOf, rule->record == &kRecordB};
      }
    };
    planSteps(row->steps, plan.steps);
    planSteps(row->longLayoutSteps, plan.longLayoutSteps);
    batch.planOf[letter] = uint8_t(count);
  }
  for (const OlderLayout& layout : olderLayouts()) {
    const auto letter = static_cast<unsigned char>(layout.letter);
    if (!batch.olderLayouts[letter]) batch.olderLayouts[letter] = findOlderLayout(type, layout.letter);
  }
}

[[gnu::always_inline]] inline void VzpConverter::takeLine(std::string_view record, bool nulFree) {
  lineLength_ = copyRecord(record, nulFree, line_.data(), lineLength_);
}

void VzpConverter::readNextLine(LineReader& reader) {
  std::string_view following;
  if (!reader.peek(following)) {
    reportError(msg::CONVERT_NO_NEXT_LINE);
    inputs_.nextLine = kBlanks.text;
  } else if (!following.empty() && following[0] == 'V') {
    nextLength_ = copyRecord(following, reader.nulFree(), nextLine_.data(), nextLength_);
    inputs_.nextLine = nextLine_.data();
  } else {
    inputs_.nextLine = kBlanks.text;
  }
}

void VzpConverter::write(const FillingRule& rule, const RuleInputs& inputs) {
  FilledRecord record(*rule.record);
  applyFillingRule(rule, inputs, record);
  writeDrgRecord(record, context_, sink_);
}

// Out of the line loop, which then keeps fewer registers for the few header lines.
[[gnu::noinline]] void VzpConverter::convertHeader(std::string_view record, bool nulFree) {
  takeLine(record, nulFree);
  FilledRecord header(kRecordA);
  applyFillingRule(kAFromD, RuleInputs{line_.data(), kBlanks.text, kBlanks.text, inputs_.insurerCode}, header);
  const int type = writeDrgRecord(header, context_, sink_);
  if (type != 0 && type != -1) convertedBatch_ = true;
  if (type != batchType_) selectBatchType(type);
}

void VzpConverter::convertLine(std::string_view record, LineReader& reader) {
  if (record.empty() || record.size() > kMaxVzpRecordLength) return;
  const unsigned char letter = static_cast<unsigned char>(record[0]);

  if (letter == 'D') return convertHeader(record, reader.nulFree());
  if (!batch_->planOf[letter]) return;  // an excluded batch, or nothing to write for this letter
  const Plan& plan = batch_->plans[batch_->planOf[letter] - 1u];
  const DispatchRow* row = plan.row;

  takeLine(record, reader.nulFree());
  if (const OlderLayout* older = batch_->olderLayouts[letter])
    lineLength_ = widenOlderLayout(*older, line_.data(), lineLength_);
  if (row->use & kReadsNextLine) readNextLine(reader);

  const bool longLayout = row->longLayoutLength && lineLength_ == row->longLayoutLength;
  bool documentRecord = false;
  for (const Step* step = longLayout ? plan.longLayoutSteps.data() : plan.steps.data(); step->rule; ++step) {
    // A working line holds no NUL, which strchr would match.
    if (step->onlyIfPosition && !std::strchr(step->onlyIfOneOf, line_[step->onlyIfPosition - 1u])) continue;
    if (step->prepared)
      step->prepared->write(inputs_, context_, sink_);
    else
      write(*step->rule, inputs_);
    documentRecord |= step->documentRecord;
  }
  if (row->use & kBecomesDocumentLine) {
    documentLine_ = line_;
    inputs_.documentLine = documentLine_.data();
  } else if (documentRecord) {
    inputs_.documentLine = kBlanks.text;  // the items of this document cannot read an earlier one
  }
}

std::string convertVzpText(std::string_view text, const ConversionSettings& settings) {
  BlockSink sink;
  VzpConverter converter(settings, sink);
  LineReader reader(text);
  std::string_view record;
  while (reader.next(record)) converter.convertLine(record, reader);
  return std::string(sink.buffered());
}

}  // namespace quervik::convert
