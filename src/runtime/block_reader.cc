// Block-buffered reading of lines; see block_reader.h.
#include "runtime/block_reader.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <cstring>
#include <new>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "runtime/background_stream.h"
#include "runtime/large_block.h"
#include "runtime/platform.h"

namespace quervik {
namespace {

constexpr size_t kMinimumCapacity = 4096;
// Blocks read ahead stay small enough to be found in the cache by the time they are used; a
// file smaller than a few of them is not worth a thread.
constexpr size_t kAheadChunk = size_t(256) << 10;
constexpr int64_t kReadAheadFrom = int64_t(8) * kAheadChunk;

size_t markWords(size_t bytes) { return (bytes + 63) / 64; }

// The marks of the 64 bytes at p; without kCrOrNul only the line ends. A CR or NUL mark may
// also stand for another control character (1, 4, 5, 8, 9 or 12): the mark only spares a
// search where there is none.
template <bool kCrOrNul, typename Marks>
Marks marksOf(const char* p) {
#ifdef __SSE2__
  const __m128i lf = _mm_set1_epi8('\n'), crOrNul = _mm_set1_epi8(char(~0x0D)), zero = _mm_setzero_si128();
  const auto* v = reinterpret_cast<const __m128i*>(p);
  const __m128i v0 = _mm_loadu_si128(v), v1 = _mm_loadu_si128(v + 1), v2 = _mm_loadu_si128(v + 2),
                v3 = _mm_loadu_si128(v + 3);
  auto mask = [](__m128i a, __m128i b, __m128i c, __m128i d) {
    return uint64_t(uint32_t(_mm_movemask_epi8(a))) | uint64_t(uint32_t(_mm_movemask_epi8(b))) << 16 |
           uint64_t(uint32_t(_mm_movemask_epi8(c))) << 32 | uint64_t(uint32_t(_mm_movemask_epi8(d))) << 48;
  };
  const uint64_t lineEnds =
      mask(_mm_cmpeq_epi8(v0, lf), _mm_cmpeq_epi8(v1, lf), _mm_cmpeq_epi8(v2, lf), _mm_cmpeq_epi8(v3, lf));
  if (!kCrOrNul) return {lineEnds, 0};
  // A byte with no bit outside those of CR (0x0D) is a CR, a NUL, or one of the rare others.
  auto special = [&](__m128i x) { return _mm_cmpeq_epi8(_mm_and_si128(x, crOrNul), zero); };
  return {lineEnds, mask(special(v0), special(v1), special(v2), special(v3))};
#else
  Marks marks{0, 0};
  for (int i = 0; i < 64; ++i) {
    marks.lineEnds |= uint64_t(p[i] == '\n') << i;
    if (kCrOrNul) marks.crOrNul |= uint64_t((p[i] & ~0x0D) == 0) << i;
  }
  return marks;
#endif
}

// Marks the bytes [from, to) of data, from a multiple of 64 on.
template <bool kCrOrNul, typename Marks>
void markRange(const char* data, Marks* marks, size_t from, size_t to) {
  char last[64];
  for (; from < to; from += 64) {
    const char* p = data + from;
    if (to - from < 64) {
      // The last bytes of the input, through a copy: nothing may be read past them.
      std::memset(last, ' ', sizeof last);
      std::memcpy(last, p, to - from);
      p = last;
    }
    marks[from / 64] = marksOf<kCrOrNul, Marks>(p);
  }
}

}  // namespace

BlockReader::BlockReader(FILE* stream, size_t capacity, bool wipe, ReadAhead ahead)
    : stream_(stream), capacity_(std::max(capacity, kMinimumCapacity)), wipe_(wipe) {
  if (stream_ && !wipe_ && (ahead == ReadAhead::Always || streamFileSize(stream_) >= kReadAheadFrom))
    chunk_ = std::min(capacity_, kAheadChunk);
  front_ = (capacity_ + 63) & ~size_t(63);
  const size_t room = chunk_ ? front_ + chunk_ : capacity_;
  marks_.reset(new Marks[markWords(room)]);
  if (chunk_) {
    // Zeroed, so the marks of a word that begins before the held bytes read no unset byte.
    std::unique_ptr<char[]> one(new char[room]()), other(new char[room]());
    spareMarks_.reset(new Marks[markWords(room)]);
    buffer_ = one.release();
    spare_ = other.release();
    startAhead();
  } else {
    buffer_ = static_cast<char*>(wipe_ ? allocateSecretBlock(capacity_) : ::operator new(capacity_));
  }
  data_ = buffer_;
  if (!stream_) ended_ = true;
}

BlockReader::BlockReader(std::string_view text)
    : data_(text.data()),
      end_(text.size()),
      marks_(new Marks[markWords(text.size())]),
      read_(int64_t(text.size())),
      ended_(true) {}

BlockReader::~BlockReader() {
  ahead_.reset();  // no read into a buffer that goes
  if (!buffer_) return;
  if (chunk_) {
    delete[] buffer_;
    delete[] spare_;
  } else if (wipe_) {
    OPENSSL_cleanse(buffer_, capacity_);
    freeSecretBlock(buffer_, capacity_);
  } else {
    ::operator delete(buffer_);
  }
}

void BlockReader::startAhead() {
  // The reading thread marks each block it has read, with the marks asked for when it began.
  auto mark = [this](const char* block, size_t n) {
    const char* base = block - front_;
    if (aheadCrOrNul_)
      markRange<true>(base, spareMarks_.get(), front_, front_ + n);
    else
      markRange<false>(base, spareMarks_.get(), front_, front_ + n);
  };
  try {
    ahead_ = std::make_unique<BackgroundStream>(stream_, BackgroundStream::Direction::Read, mark);
  } catch (const std::bad_alloc&) {
    ahead_.reset();
  }
  if (ahead_ && ahead_->started())
    readAhead();
  else
    ahead_.reset();  // no thread: the blocks are read here
}

void BlockReader::readAhead() {
  aheadCrOrNul_ = markCrOrNul_;
  ahead_->start(spare_ + front_, chunk_);
}

// The held bytes go in front of the block read ahead, and the buffer they were in is read
// into next.
bool BlockReader::takeAhead() {
  bool error = false;
  const size_t n = ahead_->wait(error);
  const size_t held = end_ - begin_;
  std::memcpy(spare_ + front_ - held, data_ + begin_, held);
  std::swap(buffer_, spare_);
  std::swap(marks_, spareMarks_);
  data_ = buffer_;
  begin_ = front_ - held;
  end_ = front_ + n;
  scanned_ = 0;
  premarked_ = aheadCrOrNul_ == markCrOrNul_ ? n : 0;
  read_ += int64_t(n);
  if (n == 0) {
    ended_ = true;
    failed_ = error;
    return false;
  }
  readAhead();
  return true;
}

bool BlockReader::readMore() {
  if (ended_ || end_ - begin_ >= capacity_) return false;
  if (ahead_) return takeAhead();
  if (begin_ > 0) {
    std::memmove(buffer_, buffer_ + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    scanned_ = 0;  // the bytes moved: their marks no longer fit
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

void BlockReader::scan() {
  // A word partly marked before (the input then ended within it) is marked again whole.
  const size_t from = std::max(scanned_, begin_) & ~size_t(63);
  // The block read ahead came marked; the held bytes before it are marked here.
  if (from >= front_ && from < front_ + premarked_) {
    scanned_ = front_ + premarked_;
    return;
  }
  size_t to = std::min(end_, from + kScanStep);
  if (premarked_ && from < front_) to = std::min(to, front_);
  if (markCrOrNul_)
    markRange<true>(data_, marks_.get(), from, to);
  else
    markRange<false>(data_, marks_.get(), from, to);
  scanned_ = to;
}

size_t BlockReader::findLineEndBeyond(size_t limit) {
  for (;;) {
    if (begin_ < scanned_) {
      size_t w = begin_ >> 6;
      for (uint64_t m = marks_[w].lineEnds & (~uint64_t(0) << (begin_ & 63));; m = marks_[w].lineEnds) {
        if (m) {
          const size_t at = (w << 6) + size_t(std::countr_zero(m)) - begin_;
          return at < limit ? at : npos;
        }
        if (++w << 6 >= scanned_) break;
        if ((w << 6) - begin_ >= limit) return npos;  // those bytes are held, none is a LF
      }
    }
    // No LF among the bytes marked from the position on.
    if (scanned_ > begin_ && scanned_ - begin_ >= limit) return npos;
    if (scanned_ < end_)
      scan();
    else if (!readMore())
      return npos;
  }
}

void BlockReader::drop(size_t from, size_t to) {
  premarked_ = 0;  // bytes move
  char* at = buffer_ + begin_;
  std::memmove(at + from, at + to, end_ - begin_ - to);
  end_ -= to - from;
  // The word the removed bytes began in is marked again whole: no mark of a byte that moved
  // may remain behind what is scanned.
  scanned_ = std::min(scanned_, (begin_ + from) & ~size_t(63));
}

bool BlockReader::rewind() {
  begin_ = 0;
  scanned_ = 0;
  if (!stream_) return true;
  ahead_.reset();  // the stream is not moved under a read
  premarked_ = 0;
  end_ = 0;
  read_ = 0;
  ended_ = failed_ = false;
  std::clearerr(stream_);
  const bool back = std::fseek(stream_, 0, SEEK_SET) == 0;
  if (back && chunk_) startAhead();
  return back;
}

}  // namespace quervik
