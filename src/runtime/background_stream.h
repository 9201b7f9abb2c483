// Moving blocks between a stream and memory on a thread of its own: the caller hands a block
// over and goes on with another while the kernel copies this one. One block is in flight at
// a time, so memory stays two blocks whatever the size of the file. The thread only reads or
// writes: it never calls the host.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

namespace quervik {

class BackgroundStream {
 public:
  enum class Direction { Read, Write };
  // onRead(data, n) runs on the thread after each read that brought n > 0 bytes, before
  // wait() hands them over.
  using OnRead = std::function<void(const char* data, size_t n)>;

  // The stream stays the caller's, and is not touched by the caller while this lives.
  // started() is false when no thread could be had.
  BackgroundStream(FILE* stream, Direction direction, OnRead onRead = nullptr);
  // Waits for the block in flight.
  ~BackgroundStream();
  BackgroundStream(const BackgroundStream&) = delete;
  BackgroundStream& operator=(const BackgroundStream&) = delete;

  bool started() const { return thread_.joinable(); }
  // Starts moving up to n bytes between the stream and data, which the caller leaves alone
  // until wait(). Only when no block is in flight.
  void start(char* data, size_t n);
  // Waits for the block started last: the bytes it moved (0 before the first block), and
  // whether the stream reported an error.
  size_t wait(bool& error);

 private:
  void loop();

  FILE* stream_;
  const Direction direction_;
  OnRead onRead_;
  std::mutex mutex_;
  std::condition_variable changed_;
  char* data_ = nullptr;  // the block in flight, none when idle
  size_t size_ = 0;
  size_t moved_ = 0;
  bool error_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace quervik
