// A filling rule prepared for the hot path of the conversion. Everything in a record that does
// not depend on the lines (the record letter, the defaults, the constants) is printed once
// into an image; a field taken from a line becomes a plain byte copy into its blank place, and
// only the sex, the birth date and the code kind are computed per record. Writing a prepared
// rule gives byte for byte the record that applyFillingRule and writeDrgRecord give: the
// record tests and the fuzz target hold the two against each other. A rule this cannot
// express (the A record, which needs the exclusion check and the insurer code) is written
// through those two.
#pragma once
#include <array>
#include <cstdint>

#include "convert/filling_rules.h"
#include "convert/record_writer.h"

namespace quervik::convert {

class PreparedRule {
 public:
  explicit PreparedRule(const FillingRule& rule);

  const FillingRule& rule() const { return *rule_; }
  // False when records are written through applyFillingRule and writeDrgRecord.
  bool direct() const { return direct_; }

  void write(const RuleInputs& inputs, const RecordContext& context, RecordSink& sink) const {
    if (direct_) return writeDirect(inputs, context.currentYear, sink);
    writeFilled(inputs, context, sink);
  }

 private:
  // Up to 16 bytes of the record taken from a line in one piece: adjacent fields taken from
  // adjacent columns of one line are one piece. It is stored as 16 whole bytes, the line's
  // where `keep` is set and the image's (`rest`) elsewhere; pieces go in by rising `to`, so
  // a piece's 16 bytes never cover what a piece before it took from a line.
  struct Piece {
    alignas(16) char keep[16];
    char rest[16];
    Source source;  // a line
    uint8_t from;   // 0-based position in the line
    uint8_t to;     // offset in the record
  };
  struct Computed {
    FieldKind kind;  // Sex, BirthDate, or CodeKind (then `from` and `size` are those of the code after it)
    Source source;
    uint8_t from;
    uint8_t size;
    uint8_t field;  // index of the field in the record
  };

  void writeDirect(const RuleInputs& inputs, int currentYear, RecordSink& sink) const;
  // Through applyFillingRule and writeDrgRecord.
  void writeFilled(const RuleInputs& inputs, const RecordContext& context, RecordSink& sink) const;

  const FillingRule* rule_;
  bool direct_ = true;
  uint8_t length_ = 0;
  // The record as it is when no line gives a byte, copied whole; each piece then goes in
  // through 16 bytes of the record, which must lie within the copy.
  static constexpr size_t kImageSize = kMaxDrgRecordLength + 2 + 16;
  char image_[kImageSize] = {};
  std::array<uint8_t, kMaxDrgFields> offsets_{};
  std::array<Piece, 32> pieces_{};
  uint8_t pieceCount_ = 0;
  std::array<Computed, kMaxFills> computed_{};
  uint8_t computedCount_ = 0;
};

// The prepared form of a rule of the tables (filling_rules.h), made once per process; null
// for any other rule.
const PreparedRule* preparedRule(const FillingRule& rule);

}  // namespace quervik::convert
