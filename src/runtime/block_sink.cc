// Output written in large blocks; see block_sink.h.
#include "runtime/block_sink.h"

#include <algorithm>
#include <utility>

namespace quervik {

BlockSink::BlockSink(FILE* stream) {
  if (stream) {
    writer_ = std::make_unique<BackgroundWriter>(stream);
    spare_.resize(kBlock + 1024);
  }
  buffer_.resize(stream ? kBlock + 1024 : 4096);
}

void BlockSink::makeRoom(size_t n) {
  if (writer_) handOver();
  if (used_ + n > buffer_.size()) buffer_.resize(std::max(buffer_.size() * 2, used_ + n));
}

void BlockSink::handOver() {
  if (used_ == 0) return;
  // submit() waits for the block before, which is spare_: it can be filled again.
  writer_->submit(buffer_.data(), used_);
  std::swap(buffer_, spare_);
  if (buffer_.size() < spare_.size()) buffer_.resize(spare_.size());
  used_ = 0;
}

bool BlockSink::flush() {
  if (!writer_) return true;
  handOver();
  return writer_->finish();
}

}  // namespace quervik
