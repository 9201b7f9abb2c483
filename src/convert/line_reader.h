// Reading the lines of a VZP file in large blocks, with a look at the following line.
//
// A line ends with LF; the record is the line up to its first CR or LF, so a CR LF line end
// is not part of it. A last line without a line end is a line too. Of a record longer than
// kKeep bytes only the first kKeep are given (the rest up to its LF is read and dropped):
// such a line is far longer than any record that is converted, and memory stays bounded.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "runtime/block_reader.h"

namespace quervik::convert {

class LineReader {
 public:
  static constexpr size_t kKeep = 1024;

  // Reads the stream from its current position; the caller keeps and closes it.
  explicit LineReader(FILE* file);
  // Reads a text held in memory.
  explicit LineReader(std::string_view text);

  // The next record; false at the end of the input. The view is valid until the next call
  // of next() or peek().
  bool next(std::string_view& record) {
    // Nearly every line: found in the reader's marks, without a CR or NUL before its line end.
    if (locatedAt_ < 0) {
      const size_t lf = reader_.findLineEnd();
      if (lf != BlockReader::npos) {
        const char* line = reader_.held().data();
        const size_t text = reader_.lineLength(lf);
        if (text <= kKeep && !reader_.mayHoldCrOrNul(text)) {
          record = {line, text};
          nulFree_ = true;
          reader_.skip(lf + 1);
          return true;
        }
      }
    }
    return nextLocated(record);
  }
  // The record of the following line without moving on; false when there is none. The view
  // is valid until the next call of next() or peek().
  bool peek(std::string_view& record);

  // False when the record next() or peek() gave last may hold a NUL byte.
  bool nulFree() const { return nulFree_; }

  // Bytes of the input consumed so far (the lines returned by next()).
  int64_t position() const { return reader_.position(); }
  // True when reading the stream failed (the input then ends early).
  bool failed() const { return reader_.failed(); }

 private:
  struct Located {
    size_t recordEnd;  // the length of its record
    size_t nextStart;  // where the line after it starts
    bool nulFree;      // the line holds no NUL
  };
  // Finds the line at the position (offsets from the position); false at the end of the input.
  bool locate(Located& line);
  // next() for any line.
  bool nextLocated(std::string_view& record);

  BlockReader reader_;
  // The line a peek found (its offsets count from the position it was found at), kept for
  // the next() that follows it.
  int64_t locatedAt_ = -1;
  Located located_{};
  bool nulFree_ = false;
};

}  // namespace quervik::convert
