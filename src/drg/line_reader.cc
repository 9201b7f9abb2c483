// Block-buffered line reading; see line_reader.h.
#include "drg/line_reader.h"

#include <algorithm>
#include <cstring>

#include "runtime/cancellation.h"
#include "runtime/platform.h"
#include "runtime/progress.h"

namespace quervik::drg {
namespace {

constexpr size_t kBlock = size_t(1) << 20;
// A whole line with CR LF takes at most 768 bytes; with one byte more in view we always
// know whether a piece ends with its line end.
constexpr size_t kLookahead = kLineLimit + 2;

// A small file gets a buffer of its own size: a delivery holds many small files and a few
// large ones.
size_t blockFor(FILE* file) {
  const int64_t size = streamFileSize(file);
  if (size >= 0 && uint64_t(size) < kBlock) return std::max<size_t>(size_t(size), 4096);
  return kBlock;
}

}  // namespace

LineReader::LineReader(FILE* file) : file_(file), block_(blockFor(file)), buffer_(new char[block_ + kLookahead]) {}

LineReader::~LineReader() = default;

bool LineReader::fill() {
  if (begin_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  while (!eof_ && end_ < kLookahead) {
    size_t n = std::fread(buffer_.get() + end_, 1, block_ + kLookahead - end_, file_);
    if (n == 0) eof_ = true;  // the end, or a read error: no more lines either way
    end_ += n;
  }
  return end_ > begin_;
}

bool LineReader::next(Line& line) {
  if (end_ - begin_ < kLookahead && !eof_) fill();
  const size_t available = end_ - begin_;
  if (available == 0) return false;
  const char* p = buffer_.get() + begin_;
  const size_t window = available < kLookahead - 1 ? available : kLookahead - 1;
  size_t take;  // bytes consumed
  if (const char* lf = static_cast<const char*>(std::memchr(p, '\n', window))) {
    size_t length = size_t(lf - p);
    if (length > 0 && p[length - 1] == '\r') --length;
    if (length + 1 <= size_t(kLineLimit)) {
      line.text = std::string_view(p, length);
      line.complete = true;
      take = size_t(lf - p) + 1;
    } else {
      line.text = std::string_view(p, kLineLimit);
      line.complete = false;
      take = kLineLimit;
    }
  } else {
    // An over-long line, or the last line without line end.
    take = available < size_t(kLineLimit) ? available : size_t(kLineLimit);
    line.text = std::string_view(p, take);
    line.complete = false;
  }
  begin_ += take;
  consumed_ += int64_t(take);
  return true;
}

void finishProgress(int64_t total) { updateProgress(total + total / 100 + 1); }

bool InterruptionPacer::interrupted(int64_t position) {
  if (position < next_) return false;
  next_ = position + 65536;
  return testInterrupted() != 0;
}

}  // namespace quervik::drg
