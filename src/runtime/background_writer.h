// Writing a stream on a thread of its own: the caller hands over a block and goes on filling
// the next one while the kernel copies the last one out. One block is in flight at a time, so
// memory stays two blocks whatever the size of the output. When no thread can be started the
// blocks are written at once on the caller's thread, with the same results.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <mutex>
#include <thread>

namespace quervik {

class BackgroundWriter {
 public:
  // The stream stays the caller's: it is closed only after finish() (or the destructor).
  explicit BackgroundWriter(FILE* stream);
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Waits for the block before, then starts writing n bytes from data, which must stay
  // unchanged until the next call of submit() or finish(). After a failed write the
  // blocks that follow are not written.
  void submit(const char* data, size_t n);
  // Waits until everything handed over is written; false once any write has failed.
  bool finish();

 private:
  void waitIdle(std::unique_lock<std::mutex>& lock);
  void loop();

  FILE* stream_;
  std::mutex mutex_;
  std::condition_variable changed_;
  const char* data_ = nullptr;  // the block in flight, none when idle
  size_t size_ = 0;
  bool failed_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace quervik
