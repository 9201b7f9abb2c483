// Writing a stream on a thread of its own (BackgroundStream): the caller hands over a block
// and goes on filling the next one while the kernel copies the last one out. When no thread
// can be started the blocks are written at once on the caller's thread, with the same results.
#pragma once
#include <cstddef>
#include <cstdio>

#include "runtime/background_stream.h"

namespace quervik {

class BackgroundWriter {
 public:
  // The stream stays the caller's: it is closed only after finish() (or the destructor).
  explicit BackgroundWriter(FILE* stream)
      : stream_(stream), background_(stream, BackgroundStream::Direction::Write) {}

  // Waits for the block before, then starts writing n bytes from data, which must stay
  // unchanged until the next call of submit() or finish(). After a failed write the
  // blocks that follow are not written.
  void submit(const char* data, size_t n);
  // Waits until everything handed over is written; false once any write has failed.
  bool finish();
  // Whether a write is known to have failed (a block's outcome is known once the next one
  // is handed over).
  bool failed() const { return failed_; }

 private:
  // The outcome of the block in flight, if any, joins failed_.
  void settle();

  FILE* stream_;
  BackgroundStream background_;
  bool failed_ = false;
};

}  // namespace quervik
