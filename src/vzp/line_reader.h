// Reads a VZP batch file as the checker sees it: line by line, at most 499 characters at a
// time, so a longer line arrives in pieces and only its last piece ends with a newline.
// A CR LF line end reads as a newline (the CR is never part of a record); a CR elsewhere
// is an ordinary byte, and so is NUL. Memory stays fixed whatever the file's size.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string_view>

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
  // Bytes of the file consumed so far.
  int64_t position() const { return reader_.position(); }
  // Back to the start of the file.
  bool rewind() { return reader_.rewind(); }

 private:
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
    const size_t content = lf > 0 && start[lf - 1] == '\r' ? lf - 1 : lf;
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

}  // namespace quervik::vzp
