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
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "convert/filling_rules.h"
#include "convert/record_writer.h"

namespace quervik::convert {

class PreparedRule {
 public:
  explicit PreparedRule(const FillingRule& rule);

  const FillingRule& rule() const { return *rule_; }
  // False when records are written through applyFillingRule and writeDrgRecord.
  bool direct() const { return direct_; }

  void write(const RuleInputs& inputs, const RecordContext& context, BlockSink& sink) const {
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

  // Inline in the converter's line loop: a record is the image, its pieces, and the fields
  // computed from a line.
  void writeDirect(const RuleInputs& inputs, int currentYear, BlockSink& sink) const {
    char* const out = sink.reserve(kImageSize);
    std::memcpy(out, image_, kImageSize);
    static_assert(uint8_t(Source::Line) == 1 && uint8_t(Source::NextLine) == 2 && uint8_t(Source::DocumentLine) == 3);
    const char* const lines[4] = {nullptr, inputs.line, inputs.nextLine, inputs.documentLine};
    for (const Piece* p = pieces_.data(), *end = p + pieceCount_; p != end; ++p)
      putPiece(out + p->to, lines[uint8_t(p->source)] + p->from, p->keep, p->rest);
    if (computedCount_) writeComputed(inputs, currentYear, out);
    sink.commit(length_ + 2u);
  }
  // The line's bytes where `keep` is set, else those of `rest`, into 16 bytes at `to`.
  static void putPiece(char* to, const char* from, const char* keep, const char* rest) {
#ifdef __SSE2__
    const __m128i mask = _mm_load_si128(reinterpret_cast<const __m128i*>(keep));
    const __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i other = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rest));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_or_si128(_mm_and_si128(mask, value), other));
#else
    for (int i = 0; i < 16; ++i) to[i] = keep[i] ? from[i] : rest[i];
#endif
  }
  // The sex, birth date and code kind fields.
  void writeComputed(const RuleInputs& inputs, int currentYear, char* out) const;
  // Through applyFillingRule and writeDrgRecord.
  void writeFilled(const RuleInputs& inputs, const RecordContext& context, BlockSink& sink) const;

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
