// Reading a stream on a thread of its own: while the caller works through one block, the
// next one is read into another. One read is in flight at a time, so memory stays two
// blocks whatever the size of the input. The thread only reads: it never calls the host.
#pragma once
#include <condition_variable>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <mutex>
#include <thread>

namespace quervik {

class BackgroundReader {
 public:
  // The stream stays the caller's, and is not touched by the caller while the reader lives.
  // started() is false when no thread could be had. onRead(data, n) runs on the reading
  // thread after each read that brought n > 0 bytes, before take() hands them over.
  using OnRead = std::function<void(const char* data, size_t n)>;
  explicit BackgroundReader(FILE* stream, OnRead onRead = nullptr);
  // Waits for the read in flight.
  ~BackgroundReader();
  BackgroundReader(const BackgroundReader&) = delete;
  BackgroundReader& operator=(const BackgroundReader&) = delete;

  bool started() const { return thread_.joinable(); }
  // Starts reading up to n bytes into data, which the caller leaves alone until take().
  void start(char* data, size_t n);
  // Waits for the read started last: the bytes it read, 0 at the end of the input or on a
  // read error (then error is set).
  size_t take(bool& error);

 private:
  void loop();

  FILE* stream_;
  OnRead onRead_;
  std::mutex mutex_;
  std::condition_variable changed_;
  char* data_ = nullptr;  // the read in flight, none when idle
  size_t size_ = 0;
  size_t got_ = 0;
  bool error_ = false;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace quervik
