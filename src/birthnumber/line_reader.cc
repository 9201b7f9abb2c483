// Lines through a large buffer; see line_reader.h.
#include "birthnumber/line_reader.h"

#include <cstring>

#include "crypto/secure_bytes.h"

namespace quervik {

LineReader::LineReader(FILE* in, size_t bufferSize)
    : in_(in), buffer_(bufferSize < kMinimumBuffer ? kMinimumBuffer : bufferSize) {}

LineReader::~LineReader() { wipe(buffer_.data(), buffer_.size()); }

void LineReader::refill() {
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  size_t n = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, in_);
  consumed_ += static_cast<int64_t>(n);
  end_ += n;
  if (n == 0) {
    eof_ = true;
    failed_ = std::ferror(in_) != 0;
  }
}

bool LineReader::next(Piece& piece) {
  for (;;) {
    const char* at = buffer_.data() + begin_;
    size_t available = end_ - begin_;
    if (const void* lf = available ? std::memchr(at, '\n', available) : nullptr) {
      size_t length = static_cast<size_t>(static_cast<const char*>(lf) - at);
      size_t text = length > 0 && at[length - 1] == '\r' ? length - 1 : length;
      piece = {std::string_view(at, text), !inLine_, true, true};
      begin_ += length + 1;
      inLine_ = false;
      return true;
    }
    if (available < buffer_.size() && !eof_) {
      refill();  // moves the buffer's contents: look again
      continue;
    }
    if (eof_) {
      // The last line of the input has no line end, or the input is done.
      if (available == 0 && !inLine_) return false;
      piece = {std::string_view(at, available), !inLine_, true, false};
      begin_ = end_;
      inLine_ = false;
      return true;
    }
    // A full buffer without a line end: give it as a piece, all but a final CR, which may be
    // the start of the line end.
    size_t n = at[available - 1] == '\r' ? available - 1 : available;
    piece = {std::string_view(at, n), !inLine_, false, false};
    begin_ += n;
    inLine_ = true;
    return true;
  }
}

void LineReader::skipRest() {
  Piece piece;
  while (inLine_ && next(piece)) {
  }
}

}  // namespace quervik
