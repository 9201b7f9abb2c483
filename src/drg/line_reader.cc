// Lines of a DRG batch file over the block reader; see line_reader.h.
#include "drg/line_reader.h"

#include <algorithm>

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

LineReader::LineReader(FILE* file) : reader_(file, blockFor(file) + kLookahead) {}

bool LineReader::next(Line& line) {
  const size_t lf = reader_.findLineEnd(kLookahead - 1);
  const std::string_view held = reader_.held();
  if (held.empty()) return false;
  const char* p = held.data();
  size_t take;  // bytes consumed
  if (lf != BlockReader::npos) {
    const size_t length = reader_.lineLength(lf);
    if (length + 1 <= size_t(kLineLimit)) {
      line.text = std::string_view(p, length);
      line.complete = true;
      take = lf + 1;
    } else {
      line.text = std::string_view(p, kLineLimit);
      line.complete = false;
      take = kLineLimit;
    }
  } else {
    // An over-long line, or the last line without line end.
    take = std::min(held.size(), size_t(kLineLimit));
    line.text = std::string_view(p, take);
    line.complete = false;
  }
  reader_.skip(take);
  return true;
}

void finishProgress(int64_t total) { updateProgress(total + total / 100 + 1); }

bool InterruptionPacer::interrupted(int64_t position) {
  if (position < next_) return false;
  next_ = position + 65536;
  return testInterrupted() != 0;
}

}  // namespace quervik::drg
