// Reads a VZP batch file as the checker sees it: line by line, at most 499 characters at a
// time, so a longer line arrives in pieces and only its last piece ends with a newline.
// A CR LF line end reads as a newline (the CR is never part of a record); a CR elsewhere
// is an ordinary byte, and so is NUL. Memory stays fixed whatever the file's size.
#pragma once
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
  // Bytes of the file consumed so far.
  int64_t position() const { return reader_.position(); }
  // Back to the start of the file.
  bool rewind() { return reader_.rewind(); }

 private:
  BlockReader reader_;
};

}  // namespace quervik::vzp
