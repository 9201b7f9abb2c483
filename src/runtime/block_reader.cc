// Block-buffered reading of lines; see block_reader.h.
#include "runtime/block_reader.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cstring>

#include "runtime/large_block.h"

namespace quervik {
namespace {

constexpr size_t kMinimumCapacity = 4096;

}  // namespace

BlockReader::BlockReader(FILE* stream, size_t capacity, bool wipe)
    : stream_(stream), capacity_(std::max(capacity, kMinimumCapacity)), wipe_(wipe) {
  buffer_ = static_cast<char*>(wipe_ ? allocateSecretBlock(capacity_) : ::operator new(capacity_));
  data_ = buffer_;
  if (!stream_) ended_ = true;
}

BlockReader::BlockReader(std::string_view text)
    : data_(text.data()), end_(text.size()), read_(int64_t(text.size())), ended_(true) {}

BlockReader::~BlockReader() {
  if (!buffer_) return;
  if (wipe_) {
    OPENSSL_cleanse(buffer_, capacity_);
    freeSecretBlock(buffer_, capacity_);
  } else {
    ::operator delete(buffer_);
  }
}

bool BlockReader::readMore() {
  if (ended_ || end_ - begin_ >= capacity_) return false;
  if (begin_ > 0) {
    std::memmove(buffer_, buffer_ + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  const size_t n = std::fread(buffer_ + end_, 1, capacity_ - end_, stream_);
  read_ += int64_t(n);
  end_ += n;
  if (n == 0) {
    ended_ = true;
    failed_ = std::ferror(stream_) != 0;
  }
  return n > 0;
}

std::string_view BlockReader::hold(size_t want) {
  while (end_ - begin_ < want && readMore()) {
  }
  return held();
}

size_t BlockReader::findLineEndBeyond(size_t limit, size_t searched) {
  for (;;) {
    const size_t available = end_ - begin_;
    if (available >= limit || !readMore()) return npos;
    const size_t upto = std::min(end_ - begin_, limit);
    if (upto > searched) {
      const char* from = data_ + begin_;
      if (const void* lf = std::memchr(from + searched, '\n', upto - searched))
        return size_t(static_cast<const char*>(lf) - from);
      searched = upto;
    }
  }
}

void BlockReader::drop(size_t from, size_t to) {
  char* at = buffer_ + begin_;
  std::memmove(at + from, at + to, end_ - begin_ - to);
  end_ -= to - from;
}

bool BlockReader::rewind() {
  begin_ = 0;
  if (!stream_) return true;
  end_ = 0;
  read_ = 0;
  ended_ = failed_ = false;
  std::clearerr(stream_);
  return std::fseek(stream_, 0, SEEK_SET) == 0;
}

}  // namespace quervik
