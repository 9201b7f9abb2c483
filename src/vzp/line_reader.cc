// The piecewise line reader of the VZP checker; see line_reader.h.
#include "vzp/line_reader.h"

#include <cstring>

namespace quervik::vzp {
namespace {

constexpr size_t kBufferSize = 1 << 16;
// A piece is decided within its first 500 bytes: a newline there ends it (a CR before
// the newline dropped), otherwise it is 499 bytes without one.
constexpr size_t kLookahead = kVzpReadLimit + 1;

}  // namespace

VzpLineReader::VzpLineReader(FILE* stream) : stream_(stream), buffer_(kBufferSize) {}

bool VzpLineReader::fill() {
  if (eof_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  const size_t got = std::fread(buffer_.data() + end_, 1, buffer_.size() - end_, stream_);
  if (got == 0) eof_ = true;
  end_ += got;
  return got > 0;
}

bool VzpLineReader::next(VzpLinePiece& piece) {
  while (end_ - begin_ < kLookahead && fill()) {
  }
  const size_t available = end_ - begin_;
  if (available == 0) return false;
  const char* start = buffer_.data() + begin_;
  const size_t window = available < kLookahead ? available : kLookahead;
  const void* found = std::memchr(start, '\n', window);
  if (found) {
    const size_t lf = size_t(static_cast<const char*>(found) - start);
    const size_t content = lf > 0 && start[lf - 1] == '\r' ? lf - 1 : lf;
    if (content + 1 <= size_t(kVzpReadLimit)) {
      piece.text = std::string_view(start, content);
      piece.newline = true;
      begin_ += lf + 1;
      consumed_ += int64_t(lf + 1);
      return true;
    }
  }
  // No line end within reach: a piece of 499 characters, or the rest of an unended file.
  const size_t take = window < size_t(kVzpReadLimit) ? window : size_t(kVzpReadLimit);
  piece.text = std::string_view(start, take);
  piece.newline = false;
  begin_ += take;
  consumed_ += int64_t(take);
  return true;
}

bool VzpLineReader::rewind() {
  begin_ = end_ = 0;
  eof_ = false;
  consumed_ = 0;
  std::clearerr(stream_);
  return std::fseek(stream_, 0, SEEK_SET) == 0;
}

}  // namespace quervik::vzp
