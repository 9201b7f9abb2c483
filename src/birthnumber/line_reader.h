// Lines of a batch file, read through a large buffer in constant memory whatever their length.
// A line ends with LF or CR LF; the line end is never part of the line. A line longer than the
// buffer comes in several pieces, so a caller that copies lines copies them whole and one that
// needs only the start of a line never holds more than the buffer.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

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
  explicit LineReader(FILE* in, size_t bufferSize = size_t(1) << 20);
  // The buffer held plain birth numbers: it is wiped before it goes.
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next piece; false at the end of the input or on a read error (see failed()).
  bool next(Piece& piece);
  // Skips the rest of the current line (nothing when the last piece was the line's last).
  void skipRest();
  // Bytes of the input consumed so far, line ends included.
  int64_t position() const { return consumed_ - static_cast<int64_t>(end_ - begin_); }
  // What the buffer holds beyond the position: the input that comes next, for a look ahead.
  // Valid until the next call of next or skipRest.
  std::string_view unread() const { return {buffer_.data() + begin_, end_ - begin_}; }
  bool failed() const { return failed_; }

 private:
  void refill();

  FILE* in_;
  std::vector<char> buffer_;
  size_t begin_ = 0, end_ = 0;
  int64_t consumed_ = 0;  // bytes read from the stream into the buffer
  bool inLine_ = false;   // the last piece was not the end of its line
  bool eof_ = false, failed_ = false;
};

}  // namespace quervik
