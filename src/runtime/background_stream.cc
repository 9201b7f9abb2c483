// Moving blocks between a stream and memory on a thread of its own; see background_stream.h.
#include "runtime/background_stream.h"

#include <system_error>
#include <utility>

namespace quervik {

BackgroundStream::BackgroundStream(FILE* stream, Direction direction, OnRead onRead)
    : stream_(stream), direction_(direction), onRead_(std::move(onRead)) {
  try {
    thread_ = std::thread([this] { loop(); });
  } catch (const std::system_error&) {
    // No thread to be had: the caller moves its blocks itself.
  }
}

BackgroundStream::~BackgroundStream() {
  if (!thread_.joinable()) return;
  {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return data_ == nullptr; });
    stopping_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

void BackgroundStream::start(char* data, size_t n) {
  {
    std::lock_guard lock(mutex_);
    data_ = data;
    size_ = n;
  }
  changed_.notify_all();
}

size_t BackgroundStream::wait(bool& error) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return data_ == nullptr; });
  error = error_;
  return moved_;
}

void BackgroundStream::loop() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return data_ != nullptr || stopping_; });
    if (data_ == nullptr) return;
    char* data = data_;
    const size_t n = size_;
    lock.unlock();
    size_t moved;
    bool error;
    if (direction_ == Direction::Read) {
      moved = std::fread(data, 1, n, stream_);
      error = moved == 0 && std::ferror(stream_) != 0;
      if (moved > 0 && onRead_) onRead_(data, moved);
    } else {
      moved = std::fwrite(data, 1, n, stream_);
      error = moved != n;
    }
    lock.lock();
    moved_ = moved;
    error_ = error;
    data_ = nullptr;
    changed_.notify_all();
  }
}

}  // namespace quervik
