// The piecewise line reader of the VZP checker over the block reader; see line_reader.h.
#include "vzp/line_reader.h"

#include <algorithm>

namespace quervik::vzp {
namespace {

// A piece is decided within its first 500 bytes: a newline there ends it (a CR before
// the newline dropped), otherwise it is 499 bytes without one.
constexpr size_t kLookahead = kVzpReadLimit + 1;

}  // namespace

VzpLineReader::VzpLineReader(FILE* stream) : reader_(stream) {}

bool VzpLineReader::next(VzpLinePiece& piece) {
  const size_t lf = reader_.findLineEnd(kLookahead);
  const std::string_view held = reader_.held();
  if (held.empty()) return false;
  const char* start = held.data();
  if (lf != BlockReader::npos) {
    const size_t content = lf > 0 && start[lf - 1] == '\r' ? lf - 1 : lf;
    if (content + 1 <= size_t(kVzpReadLimit)) {
      piece.text = std::string_view(start, content);
      piece.newline = true;
      reader_.skip(lf + 1);
      return true;
    }
  }
  // No line end within reach: a piece of 499 characters, or the rest of an unended file.
  const size_t take = std::min(held.size(), size_t(kVzpReadLimit));
  piece.text = std::string_view(start, take);
  piece.newline = false;
  reader_.skip(take);
  return true;
}

}  // namespace quervik::vzp
