// Writing a stream on a thread of its own; see background_writer.h.
#include "runtime/background_writer.h"

namespace quervik {

void BackgroundWriter::settle() {
  bool error = false;
  background_.wait(error);
  if (error) failed_ = true;
}

void BackgroundWriter::submit(const char* data, size_t n) {
  if (n == 0) return;
  if (!background_.started()) {
    if (!failed_ && std::fwrite(data, 1, n, stream_) != n) failed_ = true;
    return;
  }
  settle();
  if (failed_) return;
  background_.start(const_cast<char*>(data), n);  // only read from
}

bool BackgroundWriter::finish() {
  if (background_.started()) settle();
  return !failed_;
}

}  // namespace quervik
