// The one reader under every driver that reads lines: a file comes in through a large buffer
// filled a block at a time, and line ends are found with one vectorised search over what the
// buffer holds, not byte by byte. Each subsystem keeps its own rule for long lines as a small
// adapter over it (the DRG checker's 767-character pieces, the VZP checker's 499-character
// reads, the converter's records, the birth-number coder's pieces of any length).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace quervik {

class BlockReader {
 public:
  static constexpr size_t kDefaultCapacity = size_t(1) << 20;
  static constexpr size_t npos = static_cast<size_t>(-1);

  // Reads the stream from its current position through a buffer of `capacity` bytes (at
  // least 4096); the caller keeps and closes the stream. With `wipe` the buffer held secrets
  // (plain birth numbers): it lives on pages left out of core dumps and is wiped before it
  // goes. Throws std::bad_alloc.
  explicit BlockReader(FILE* stream, size_t capacity = kDefaultCapacity, bool wipe = false);
  // Reads a text held in memory, which must outlive the reader.
  explicit BlockReader(std::string_view text);
  ~BlockReader();
  BlockReader(const BlockReader&) = delete;
  BlockReader& operator=(const BlockReader&) = delete;

  // The bytes held from the position on: the input that comes next. Valid until the next
  // call of a non-const member.
  std::string_view held() const { return {data_ + begin_, end_ - begin_}; }
  // Makes at least `want` bytes held (or all the capacity allows) unless the input ends first.
  std::string_view hold(size_t want);
  // The offset from the position of the first LF among the next `limit` bytes, reading as
  // needed; npos when there is none, and then at least `limit` bytes are held (as far as the
  // capacity allows) or the input has ended.
  size_t findLineEnd(size_t limit = npos) {
    // Nearly always the line end is among the bytes held: one search, no call of our own.
    const size_t available = end_ - begin_;
    const size_t upto = available < limit ? available : limit;
    if (const void* lf = upto ? std::memchr(data_ + begin_, '\n', upto) : nullptr)
      return size_t(static_cast<const char*>(lf) - (data_ + begin_));
    return findLineEndBeyond(limit, upto);
  }
  // Moves the position on by n held bytes.
  void skip(size_t n) { begin_ += n; }
  // Removes the held bytes [from, to) (offsets from the position), which count as read. Only
  // for a stream, whose bytes the reader owns.
  void drop(size_t from, size_t to);

  // Bytes of the input before the position (dropped bytes included).
  int64_t position() const { return read_ - int64_t(end_ - begin_); }
  // No more bytes will come: the end of the input, or a read error.
  bool ended() const { return ended_; }
  // Reading the stream failed (the input then ends early).
  bool failed() const { return failed_; }
  size_t capacity() const { return capacity_; }
  // Back to the start of the stream; false when it cannot seek.
  bool rewind();

 private:
  // Reads once more behind what is held, the held bytes moved to the front first; false
  // when nothing more came.
  bool readMore();
  // findLineEnd once the first `searched` bytes held had no line end.
  size_t findLineEndBeyond(size_t limit, size_t searched);

  FILE* stream_ = nullptr;
  char* buffer_ = nullptr;  // owned, for a stream
  size_t capacity_ = 0;
  bool wipe_ = false;
  const char* data_ = nullptr;  // buffer_, or the text in memory
  size_t begin_ = 0, end_ = 0;
  int64_t read_ = 0;  // bytes read from the stream, dropped ones included
  bool ended_ = false, failed_ = false;
};

}  // namespace quervik
