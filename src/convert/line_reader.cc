// Reading VZP lines over the block reader; see line_reader.h.
#include "convert/line_reader.h"

#include <cstring>

namespace quervik::convert {

LineReader::LineReader(FILE* file) : reader_(file, BlockReader::kDefaultCapacity + kKeep) {}

LineReader::LineReader(std::string_view text) : reader_(text) {}

bool LineReader::locate(size_t& recordEnd, size_t& nextStart) {
  // A line longer than the buffer keeps its first kKeep bytes; the rest up to its LF goes.
  size_t lf;
  while ((lf = reader_.findLineEnd()) == BlockReader::npos && !reader_.ended())
    reader_.drop(kKeep, reader_.held().size());
  const std::string_view held = reader_.held();
  size_t lineEnd;
  if (lf != BlockReader::npos) {
    lineEnd = lf;
    nextStart = lf + 1;
  } else {
    if (held.empty()) return false;
    lineEnd = nextStart = held.size();
  }
  const void* cr = std::memchr(held.data(), '\r', lineEnd);
  recordEnd = cr ? size_t(static_cast<const char*>(cr) - held.data()) : lineEnd;
  if (recordEnd > kKeep) recordEnd = kKeep;
  return true;
}

bool LineReader::next(std::string_view& record) {
  size_t recordEnd, nextStart;
  if (locatedAt_ == reader_.position()) {
    recordEnd = locatedRecordEnd_;
    nextStart = locatedNextStart_;
  } else if (!locate(recordEnd, nextStart)) {
    return false;
  }
  locatedAt_ = -1;
  record = reader_.held().substr(0, recordEnd);
  reader_.skip(nextStart);
  return true;
}

bool LineReader::peek(std::string_view& record) {
  size_t recordEnd, nextStart;
  if (!locate(recordEnd, nextStart)) return false;
  record = reader_.held().substr(0, recordEnd);
  locatedAt_ = reader_.position();
  locatedRecordEnd_ = recordEnd;
  locatedNextStart_ = nextStart;
  return true;
}

}  // namespace quervik::convert
