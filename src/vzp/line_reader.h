// Reads a VZP batch file as the checker sees it: line by line, at most 499 characters at a
// time, so a longer line arrives in pieces and only its last piece ends with a newline.
// A CR LF line end reads as a newline (the CR is never part of a record); a CR elsewhere
// is an ordinary byte, and so is NUL. Memory stays fixed whatever the file's size.
#pragma once
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
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
  // reaches stopAt or the input ends; false when not one piece was left. Lines that are
  // whole pieces are taken straight from the buffer, without a call of next() each.
  template <class OnPiece>
  bool skim(int64_t stopAt, OnPiece&& onPiece);
  // Bytes of the file consumed so far.
  int64_t position() const { return reader_.position(); }
  // Back to the start of the file.
  bool rewind() { return reader_.rewind(); }

 private:
  BlockReader reader_;
};

template <class OnPiece>
bool VzpLineReader::skim(int64_t stopAt, OnPiece&& onPiece) {
  bool any = false;
  for (;;) {
    const std::string_view held = reader_.held();
    const char* const first = held.data();
    const char* const end = first + held.size();
    const char* start = first;
    const int64_t base = reader_.position();
    // A line end within 499 bytes makes the line one piece (with a CR before it, too).
    while (end - start > 0) {
      const size_t reach = std::min(size_t(end - start), size_t(kVzpReadLimit));
      const auto* lf = static_cast<const char*>(std::memchr(start, '\n', reach));
      if (!lf) break;
      const size_t length = size_t(lf - start);
      onPiece(std::string_view(start, length > 0 && lf[-1] == '\r' ? length - 1 : length));
      any = true;
      start = lf + 1;
      if (base + (start - first) >= stopAt) {
        reader_.skip(size_t(start - first));
        return true;
      }
    }
    reader_.skip(size_t(start - first));
    // The buffer's last part line, or a long line: one piece the careful way.
    VzpLinePiece piece;
    if (!next(piece)) return any;
    onPiece(piece.text);
    any = true;
    if (position() >= stopAt) return true;
  }
}

}  // namespace quervik::vzp
