// The one reader under every driver that reads lines: a file comes in through a large buffer
// filled a block at a time, and line ends are found with one vectorised search over what the
// buffer holds, not byte by byte. Each subsystem keeps its own rule for long lines as a small
// adapter over it (the DRG checker's 767-character pieces, the VZP checker's 499-character
// reads, the converter's records, the birth-number coder's pieces of any length).
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

namespace quervik {

class BackgroundStream;

// A regular file of some size is read a block ahead on a thread of its own (BackgroundStream),
// so the kernel's copy of the next block overlaps the work on this one. Never for secrets.
enum class ReadAhead { ForLargeFiles, Always };

class BlockReader {
 public:
  static constexpr size_t kDefaultCapacity = size_t(1) << 20;
  static constexpr size_t npos = static_cast<size_t>(-1);

  // Reads the stream from its current position through a buffer of `capacity` bytes (at
  // least 4096); the caller keeps and closes the stream, and leaves it alone while the
  // reader lives. With `wipe` the buffer held secrets (plain birth numbers): it lives on
  // pages left out of core dumps and is wiped before it goes. Throws std::bad_alloc.
  explicit BlockReader(FILE* stream, size_t capacity = kDefaultCapacity, bool wipe = false,
                       ReadAhead ahead = ReadAhead::ForLargeFiles);
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
    // Nearly always the line end is in the word of marks the position lies in or one of the
    // next two (lines of records are up to 128 bytes and more).
    if (begin_ < scanned_) {
      size_t word = begin_ & ~size_t(63);
      uint64_t m = marks_[word / 64].lineEnds & (~uint64_t(0) << (begin_ & 63));
      if (!m && word + 64 < scanned_) m = marks_[(word += 64) / 64].lineEnds;
      if (!m && word + 64 < scanned_) m = marks_[(word += 64) / 64].lineEnds;
      if (m) {
        const size_t at = word + size_t(std::countr_zero(m)) - begin_;
        return at < limit ? at : npos;
      }
    }
    return findLineEndBeyond(limit);
  }
  // Has the reader mark CRs and NULs too, for mayHoldCrOrNul; done before the first read.
  void markCrAndNul() {
    markCrOrNul_ = true;
    scanned_ = 0;
    premarked_ = 0;
  }
  // False when none of the first n held bytes (n at most held().size()) is a CR or a NUL;
  // true when one may be (a few other control characters share their mark, and without
  // markCrAndNul every byte may be one).
  bool mayHoldCrOrNul(size_t n) {
    if (n == 0) return false;
    if (!markCrOrNul_) return true;
    const size_t last = begin_ + n - 1;
    while (scanned_ <= last) scan();
    size_t w = begin_ >> 6;
    uint64_t m = marks_[w].crOrNul & (~uint64_t(0) << (begin_ & 63));
    for (; w < last >> 6; m = marks_[++w].crOrNul)
      if (m) return true;
    return (m & (~uint64_t(0) >> (63 - (last & 63)))) != 0;
  }
  // The length of the line whose line end findLineEnd found at `lf` (or that ends at `lf`
  // held bytes): a line ends with LF or CR LF, so a CR before its end is not counted.
  size_t lineLength(size_t lf) const { return lf > 0 && data_[begin_ + lf - 1] == '\r' ? lf - 1 : lf; }
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
  // readMore from the block read ahead; startAhead sets the next one going.
  bool takeAhead();
  void startAhead();
  void readAhead();
  // findLineEnd once the word of marks at the position had no line end.
  size_t findLineEndBeyond(size_t limit);
  // Marks the next bytes after those scanned (at most kScanStep).
  void scan();

  // Where the LFs are, and the CRs and NULs, one bit a byte for the 64 bytes of the input
  // from offset 64 w of data_ on. The bytes are scanned a few KB ahead of the lines asked
  // for, once each, so a line end costs a look at a word rather than a search of its own.
  struct Marks {
    uint64_t lineEnds;
    uint64_t crOrNul;  // and a few other control characters
  };
  static constexpr size_t kScanStep = 4096;

  FILE* stream_ = nullptr;
  char* buffer_ = nullptr;  // owned, for a stream
  size_t capacity_ = 0;
  // Reading ahead: a block of chunk_ bytes is read into spare_ at front_, behind room for
  // capacity_ held bytes (both buffers are that large), and marked into spareMarks_ on the
  // reading thread; then the buffers and their marks change places.
  size_t chunk_ = 0;
  size_t front_ = 0;
  char* spare_ = nullptr;
  std::unique_ptr<BackgroundStream> ahead_;
  bool wipe_ = false;
  const char* data_ = nullptr;  // buffer_, or the text in memory
  size_t begin_ = 0, end_ = 0;
  std::unique_ptr<Marks[]> marks_;  // one per 64 bytes the buffer (or the text) can hold
  std::unique_ptr<Marks[]> spareMarks_;
  bool aheadCrOrNul_ = false;  // the kind of marks of the block in flight
  // The marks of the bytes [front_, front_ + premarked_) came with the block read ahead.
  size_t premarked_ = 0;
  // The bytes of data_ before it are marked; the word it lies in marks no byte after it.
  size_t scanned_ = 0;
  bool markCrOrNul_ = false;
  int64_t read_ = 0;  // bytes read from the stream, dropped ones included
  bool ended_ = false, failed_ = false;
};

}  // namespace quervik
