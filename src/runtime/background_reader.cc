// Reading a stream on a thread of its own; see background_reader.h.
#include "runtime/background_reader.h"

#include <system_error>
#include <utility>

namespace quervik {

BackgroundReader::BackgroundReader(FILE* stream, OnRead onRead) : stream_(stream), onRead_(std::move(onRead)) {
  try {
    thread_ = std::thread([this] { loop(); });
  } catch (const std::system_error&) {
    // No thread to be had: the caller reads for itself.
  }
}

BackgroundReader::~BackgroundReader() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return data_ == nullptr; });
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundReader::start(char* data, size_t n) {
  {
    std::lock_guard lock(mutex_);
    data_ = data;
    size_ = n;
  }
  changed_.notify_all();
}

size_t BackgroundReader::take(bool& error) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return data_ == nullptr; });
  error = error_;
  return got_;
}

void BackgroundReader::loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return data_ != nullptr || stopping_; });
    if (data_ == nullptr) return;
    char* data = data_;
    const size_t n = size_;
    lock.unlock();
    const size_t got = std::fread(data, 1, n, stream_);
    const bool error = got == 0 && std::ferror(stream_) != 0;
    if (got > 0 && onRead_) onRead_(data, got);
    lock.lock();
    got_ = got;
    error_ = error;
    data_ = nullptr;
    changed_.notify_all();
  }
}

}  // namespace quervik
