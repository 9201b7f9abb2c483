// Reading VZP lines in blocks; see line_reader.h.
#include "convert/line_reader.h"

#include <cstring>

namespace quervik::convert {
namespace {

constexpr size_t kBlock = 1 << 20;

}  // namespace

LineReader::LineReader(FILE* file) : file_(file), storage_(kBlock + kKeep) {
  data_ = storage_.data();
  if (!file_) atEnd_ = true;
}

LineReader::LineReader(std::string_view text)
    : data_(text.data()), end_(text.size()), bytesRead_(int64_t(text.size())), atEnd_(true) {}

bool LineReader::readMore() {
  if (atEnd_) return false;
  // Keep the unfinished line, at the front.
  if (pos_ > 0) {
    std::memmove(storage_.data(), storage_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
  }
  const size_t n = std::fread(storage_.data() + end_, 1, storage_.size() - end_, file_);
  bytesRead_ += int64_t(n);
  end_ += n;
  if (n == 0) {
    if (std::ferror(file_)) failed_ = true;
    atEnd_ = true;
    return false;
  }
  return true;
}

void LineReader::dropRestOfLongLine() {
  // [pos_, end_) holds at least kKeep bytes of a line without its LF yet.
  end_ = pos_ + kKeep;
  for (;;) {
    if (!readMore()) return;  // the kept part now starts at pos_
    const size_t from = pos_ + kKeep;
    const void* lf = std::memchr(storage_.data() + from, '\n', end_ - from);
    if (lf) {
      const size_t at = size_t(static_cast<const char*>(lf) - storage_.data());
      std::memmove(storage_.data() + from, storage_.data() + at, end_ - at);
      end_ = from + (end_ - at);
      return;
    }
    end_ = from;
  }
}

bool LineReader::locate(size_t& recordEnd, size_t& nextStart) {
  size_t lineEnd;
  for (;;) {
    const void* lf = std::memchr(data_ + pos_, '\n', end_ - pos_);
    if (lf) {
      lineEnd = size_t(static_cast<const char*>(lf) - data_);
      nextStart = lineEnd + 1;
      break;
    }
    if (atEnd_) {
      if (pos_ == end_) return false;
      lineEnd = nextStart = end_;
      break;
    }
    if (end_ - pos_ >= kKeep)
      dropRestOfLongLine();
    else
      readMore();
    data_ = storage_.data();
  }
  const void* cr = std::memchr(data_ + pos_, '\r', lineEnd - pos_);
  recordEnd = cr ? size_t(static_cast<const char*>(cr) - data_) : lineEnd;
  if (recordEnd - pos_ > kKeep) recordEnd = pos_ + kKeep;  // however the line lay in the blocks
  return true;
}

bool LineReader::next(std::string_view& record) {
  size_t recordEnd, nextStart;
  if (!locate(recordEnd, nextStart)) return false;
  record = std::string_view(data_ + pos_, recordEnd - pos_);
  pos_ = nextStart;
  return true;
}

bool LineReader::peek(std::string_view& record) {
  size_t recordEnd, nextStart;
  if (!locate(recordEnd, nextStart)) return false;
  record = std::string_view(data_ + pos_, recordEnd - pos_);
  return true;
}

}  // namespace quervik::convert
