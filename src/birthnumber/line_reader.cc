// Lines of a batch file over the block reader; see line_reader.h.
#include "birthnumber/line_reader.h"

namespace quervik {

bool LineReader::next(Piece& piece) {
  const size_t lf = reader_.findLineEnd();
  const std::string_view held = reader_.held();
  if (lf != BlockReader::npos) {
    const size_t text = reader_.lineLength(lf);
    piece = {held.substr(0, text), !inLine_, true, true};
    reader_.skip(lf + 1);
    inLine_ = false;
    return true;
  }
  if (reader_.ended()) {
    // The last line of the input has no line end, or the input is done.
    if (held.empty() && !inLine_) return false;
    piece = {held, !inLine_, true, false};
    reader_.skip(held.size());
    inLine_ = false;
    return true;
  }
  // A full buffer without a line end: give it as a piece, all but a final CR, which may be
  // the start of the line end.
  const size_t n = held.back() == '\r' ? held.size() - 1 : held.size();
  piece = {held.substr(0, n), !inLine_, false, false};
  reader_.skip(n);
  inLine_ = true;
  return true;
}

void LineReader::skipRest() {
  Piece piece;
  while (inLine_ && next(piece)) {
  }
}

}  // namespace quervik
