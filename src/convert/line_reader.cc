// Reading VZP lines over the block reader; see line_reader.h.
#include "convert/line_reader.h"

#include <cstring>

namespace quervik::convert {

LineReader::LineReader(FILE* file) : reader_(file, BlockReader::kDefaultCapacity + kKeep) { reader_.markCrAndNul(); }

LineReader::LineReader(std::string_view text) : reader_(text) { reader_.markCrAndNul(); }

bool LineReader::locate(Located& line) {
  // A line longer than the buffer keeps its first kKeep bytes; the rest up to its LF goes.
  size_t lf;
  while ((lf = reader_.findLineEnd()) == BlockReader::npos && !reader_.ended())
    reader_.drop(kKeep, reader_.held().size());
  const std::string_view held = reader_.held();
  size_t lineEnd;
  if (lf != BlockReader::npos) {
    lineEnd = lf;
    line.nextStart = lf + 1;
  } else {
    if (held.empty()) return false;
    lineEnd = line.nextStart = held.size();
  }
  // Nearly every line holds neither a CR nor a NUL before its line end (LF or CR LF), which
  // the reader knows without a search.
  const size_t text = reader_.lineLength(lineEnd);
  line.nulFree = !reader_.mayHoldCrOrNul(text);
  const void* cr = line.nulFree ? nullptr : std::memchr(held.data(), '\r', text);
  line.recordEnd = cr ? size_t(static_cast<const char*>(cr) - held.data()) : text;
  if (line.recordEnd > kKeep) line.recordEnd = kKeep;
  return true;
}

bool LineReader::nextLocated(std::string_view& record) {
  Located line;
  if (locatedAt_ == reader_.position())
    line = located_;
  else if (!locate(line))
    return false;
  locatedAt_ = -1;
  record = reader_.held().substr(0, line.recordEnd);
  nulFree_ = line.nulFree;
  reader_.skip(line.nextStart);
  return true;
}

bool LineReader::peek(std::string_view& record) {
  if (!locate(located_)) return false;
  record = reader_.held().substr(0, located_.recordEnd);
  nulFree_ = located_.nulFree;
  locatedAt_ = reader_.position();
  return true;
}

}  // namespace quervik::convert
