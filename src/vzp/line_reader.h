// Reads a VZP batch file as the checker sees it: line by line, at most 499 characters at a
// time, so a longer line arrives in pieces and only its last piece ends with a newline.
// A CR LF line end reads as a newline (the CR is never part of a record); a CR elsewhere
// is an ordinary byte, and so is NUL. Memory stays fixed whatever the file's size.
#pragma once
#include <algorithm>
#include <bit>
#include <cstring>
#include <cstdint>
#include <cstdio>
#include <string_view>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "runtime/block_reader.h"

namespace quervik::vzp {

// The most characters one read returns, the newline included.
inline constexpr int kVzpReadLimit = 499;

struct VzpLinePiece {
  std::string_view text;  // without the newline; valid until the next read
  bool newline = false;   // the piece ends the line
  bool empty() const { return text.empty() && !newline; }
};

class VzpLineReader {
 public:
  // The stream is read from its current position; the caller keeps ownership.
  explicit VzpLineReader(FILE* stream);

  // The next piece; false at the end of the file or on a read error.
  bool next(VzpLinePiece& piece);
  // Reads pieces as next() does and hands the text of each to onPiece, until the position
  // reaches stopAt or the input ends; false when not one piece was left.
  template <class OnPiece>
  bool skim(int64_t stopAt, OnPiece&& onPiece);
  // How many bytes are held past the last piece: while any are, the next read returns a
  // piece from them without reading.
  size_t heldAfter() const { return reader_.held().size(); }
  // The same for the pieces that begin with 'D', the only ones the first pass looks at.
  // Lines of one piece are found from the line ends a block at a time, so only their first
  // bytes are looked at; a line of more pieces goes through next().
  template <class OnPiece>
  bool skimHeaders(int64_t stopAt, OnPiece&& onHeader);
  // The input from the position on, at least n bytes of it unless it ends first; nothing
  // is consumed.
  std::string_view peek(size_t n) { return reader_.hold(n); }
  // Bytes of the file consumed so far.
  int64_t position() const { return reader_.position(); }
  // Back to the start of the file.
  bool rewind() { return reader_.rewind(); }

 private:
  // One line through next(), its pieces that begin with 'D' handed on; true when the
  // position reached stopAt on the way.
  template <class OnPiece>
  bool skimLine(int64_t stopAt, OnPiece& onHeader, bool& any);

  BlockReader reader_;
};

// A piece is decided within its first 500 bytes: a newline there ends it (a CR before the
// newline dropped), otherwise it is 499 bytes without one. Inline: the checker's passes call it
// once a line.
inline bool VzpLineReader::next(VzpLinePiece& piece) {
  constexpr size_t kLookahead = kVzpReadLimit + 1;
  const size_t lf = reader_.findLineEnd(kLookahead);
  const std::string_view held = reader_.held();
  if (held.empty()) return false;
  const char* start = held.data();
  if (lf != BlockReader::npos) {
    const size_t content = reader_.lineLength(lf);
    if (content + 1 <= size_t(kVzpReadLimit)) {
      piece.text = std::string_view(start, content);
      piece.newline = true;
      reader_.skip(lf + 1);
      return true;
    }
  }
  // No line end within reach: a piece of 499 characters, or the rest of an unended file.
  const size_t take = std::min(held.size(), size_t(kVzpReadLimit));
  piece.text = std::string_view(start, take);
  piece.newline = false;
  reader_.skip(take);
  return true;
}

template <class OnPiece>
bool VzpLineReader::skim(int64_t stopAt, OnPiece&& onPiece) {
  VzpLinePiece piece;
  bool any = false;
  while (next(piece)) {
    onPiece(piece.text);
    any = true;
    if (position() >= stopAt) return true;
  }
  return any;
}

template <class OnPiece>
bool VzpLineReader::skimLine(int64_t stopAt, OnPiece& onHeader, bool& any) {
  VzpLinePiece piece;
  while (next(piece)) {
    any = true;
    if (!piece.text.empty() && piece.text[0] == 'D') onHeader(piece.text);
    if (position() >= stopAt) return true;
    if (piece.newline) break;
  }
  return false;
}

template <class OnPiece>
bool VzpLineReader::skimHeaders(int64_t stopAt, OnPiece&& onHeader) {
#ifndef __SSE2__
  return skim(stopAt, [&](std::string_view text) {
    if (!text.empty() && text[0] == 'D') onHeader(text);
  });
#else
  // A line is one piece when its line end comes within 499 bytes of its start (a CR before
  // it allows one byte more; such a line, and every longer one, goes through next()).
  constexpr int64_t kShortLine = kVzpReadLimit - 1;
  constexpr size_t kRefillBelow = 4096;
  bool any = false;
  for (;;) {
    std::string_view held = reader_.held();
    if (held.size() < kRefillBelow && !reader_.ended()) held = reader_.hold(reader_.capacity());
    if (held.empty()) return any;
    const char* p = held.data();
    const size_t blocks = held.size() / 64 * 64;
    // The piece that reaches stopAt ends at the first line end at or past this offset.
    const int64_t stopFrom = std::max<int64_t>(0, stopAt - 1 - position());
    const __m128i lfs = _mm_set1_epi8('\n'), ds = _mm_set1_epi8('D');
    int64_t lastLf = -1;  // the line end before the line being scanned
    uint64_t carry = 1;   // a line starts at the first byte
    int64_t longFrom = -1, stoppedAt = -1;
    for (size_t c = 0; c < blocks; c += 64) {
      uint64_t lf = 0, d = 0;
      for (size_t k = 0; k < 64; k += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + c + k));
        lf |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lfs)))) << k;
        d |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(v, ds)))) << k;
      }
      if (int64_t(c) + 64 > stopFrom) {
        const int64_t from = std::max<int64_t>(0, stopFrom - int64_t(c));
        if (const uint64_t after = lf & (~uint64_t(0) << from)) {
          const int at = std::countr_zero(after);
          stoppedAt = int64_t(c) + at;
          lf &= at == 63 ? ~uint64_t(0) : (uint64_t(2) << at) - 1;
          d &= at == 63 ? ~uint64_t(0) : (uint64_t(2) << at) - 1;
        }
      }
      if (lf != 0) {
        const int64_t first = int64_t(c) + std::countr_zero(lf);
        if (first - lastLf - 1 > kShortLine) {
          longFrom = lastLf + 1;
          break;
        }
      }
      for (uint64_t starts = ((lf << 1) | carry) & d; starts != 0; starts &= starts - 1) {
        const size_t at = c + size_t(std::countr_zero(starts));
        const size_t reach = std::min<size_t>(size_t(kShortLine) + 1, blocks - at);
        const void* end = std::memchr(p + at, '\n', reach);
        if (!end) continue;  // a long line, or one that ends past the blocks: taken later
        size_t length = size_t(static_cast<const char*>(end) - (p + at));
        if (length > 0 && p[at + length - 1] == '\r') --length;
        onHeader(std::string_view(p + at, length));
      }
      carry = lf >> 63;
      if (lf != 0) lastLf = int64_t(c) + 63 - std::countl_zero(lf);
      if (stoppedAt >= 0) {
        reader_.skip(size_t(stoppedAt) + 1);
        return true;
      }
    }
    if (longFrom >= 0) {
      reader_.skip(size_t(longFrom));
    } else if (lastLf >= 0) {
      reader_.skip(size_t(lastLf) + 1);
      any = true;
      continue;
    }
    // A long line, or the last bytes of the input: piece by piece.
    if (skimLine(stopAt, onHeader, any)) return true;
  }
#endif
}

}  // namespace quervik::vzp
