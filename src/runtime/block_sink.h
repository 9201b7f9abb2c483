// Output gathered in memory and written in large blocks. Without a stream everything stays in
// memory. With one, a full block goes out on a writer thread (BackgroundWriter) while the next
// one fills: the caller's thread never waits for the kernel's copy unless the writer is a
// whole block behind.
#pragma once
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "runtime/background_writer.h"

namespace quervik {

class BlockSink {
 public:
  // The stream stays the caller's; it may be closed only after flush() or the destructor.
  explicit BlockSink(FILE* stream = nullptr);
  // Room for n more bytes; commit what was written there.
  char* reserve(size_t n) {
    if (used_ + n > buffer_.size()) makeRoom(n);
    return buffer_.data() + used_;
  }
  void commit(size_t n) { used_ += n; }
  void append(const void* bytes, size_t n) {
    if (n == 0) return;
    std::memcpy(reserve(n), bytes, n);
    commit(n);
  }
  // Hands the buffer to the writer once it holds a block.
  void flushIfFull() {
    if (writer_ && used_ >= kBlock) handOver();
  }
  // Writes everything buffered and waits until it is written; false once any write has
  // failed. Called before the stream is closed.
  bool flush();
  // Whether a write is known to have failed already.
  bool failed() const { return writer_ && writer_->failed(); }
  std::string_view buffered() const { return {buffer_.data(), used_}; }

 private:
  // Outputs run to hundreds of megabytes: a block of a megabyte wakes the writer a quarter
  // as often as one of 256 KiB did, which took a sixth off a large conversion.
  static constexpr size_t kBlock = 1024 * 1024;
  void makeRoom(size_t n);
  void handOver();

  std::unique_ptr<BackgroundWriter> writer_;
  std::vector<char> buffer_;
  std::vector<char> spare_;  // the block the writer may still be reading
  size_t used_ = 0;
};

}  // namespace quervik
