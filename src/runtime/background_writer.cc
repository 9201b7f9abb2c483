// Writing a stream on a thread of its own; see background_writer.h.
#include "runtime/background_writer.h"

#include <system_error>

namespace quervik {

BackgroundWriter::BackgroundWriter(FILE* stream) : stream_(stream) {
  try {
    thread_ = std::thread([this] { loop(); });
  } catch (const std::system_error&) {
    // No thread to be had: submit() writes on the caller's thread.
  }
}

BackgroundWriter::~BackgroundWriter() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock lock(mutex_);
    waitIdle(lock);
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundWriter::waitIdle(std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [this] { return data_ == nullptr; });
}

void BackgroundWriter::submit(const char* data, size_t n) {
  if (n == 0) return;
  if (!thread_.joinable()) {
    if (!failed_ && std::fwrite(data, 1, n, stream_) != n) failed_ = true;
    return;
  }
  {
    std::unique_lock lock(mutex_);
    waitIdle(lock);
    if (failed_) return;
    data_ = data;
    size_ = n;
  }
  changed_.notify_all();
}

bool BackgroundWriter::finish() {
  std::unique_lock lock(mutex_);
  if (thread_.joinable()) waitIdle(lock);
  return !failed_;
}

void BackgroundWriter::loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return data_ != nullptr || stopping_; });
    if (data_ == nullptr) return;
    const char* data = data_;
    const size_t n = size_;
    lock.unlock();
    const bool written = std::fwrite(data, 1, n, stream_) == n;
    lock.lock();
    if (!written) failed_ = true;
    data_ = nullptr;
    changed_.notify_all();
  }
}

}  // namespace quervik
