// Lines of a batch file, read through a large buffer in constant memory whatever their length.
// A line ends with LF or CR LF; the line end is never part of the line. A line longer than the
// buffer comes in several pieces, so a caller that copies lines copies them whole and one that
// needs only the start of a line never holds more than the buffer.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "runtime/block_reader.h"

namespace quervik {

class LineReader {
 public:
  struct Piece {
    std::string_view text;  // valid until the next call
    bool first = false;     // the start of a line
    bool last = false;      // the end of the line: its line end or the end of the input follows
    bool ended = false;     // (last pieces) the line had a line end
  };

  // A piece that is not the last of its line holds at least kMinimumBuffer - 1 bytes.
  static constexpr size_t kMinimumBuffer = 4096;
  // The buffer holds plain birth numbers: it is kept out of core dumps and wiped before it goes.
  explicit LineReader(FILE* in, size_t bufferSize = BlockReader::kDefaultCapacity)
      : reader_(in, bufferSize < kMinimumBuffer ? kMinimumBuffer : bufferSize, true) {}

  // The next piece; false at the end of the input or on a read error (see failed()).
  bool next(Piece& piece);
  // Skips the rest of the current line (nothing when the last piece was the line's last).
  void skipRest();
  // Bytes of the input consumed so far, line ends included.
  int64_t position() const { return reader_.position(); }
  // What the buffer holds beyond the position: the input that comes next, for a look ahead.
  // Valid until the next call of next or skipRest.
  std::string_view unread() const { return reader_.held(); }
  bool failed() const { return reader_.failed(); }

 private:
  BlockReader reader_;
  bool inLine_ = false;  // the last piece was not the end of its line
};

}  // namespace quervik
