// Reads a batch file in large blocks and hands out its lines as a 768-byte line buffer
// would hold them: a line ends with LF or CR LF (the CR is not part of it), and a line of
// more than 766 characters (767 with its line end) is handed out in pieces of 767
// characters without line end, the rest following as the next piece. A last line without
// line end comes without one too. Lines point into the block buffer and stay valid until
// the next call; nothing is allocated per line.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "runtime/block_reader.h"
#include "runtime/progress.h"

namespace quervik::drg {

inline constexpr int kLineLimit = 767;  // characters a line buffer holds, line end included

struct Line {
  std::string_view text;  // without its line end
  bool complete = false;  // it had a line end
};

class LineReader {
 public:
  explicit LineReader(FILE* file);

  // The next line; false at the end of the file (or when it can no longer be read).
  bool next(Line& line);
  // Bytes of the file consumed by the lines handed out so far.
  int64_t position() const { return reader_.position(); }

 private:
  BlockReader reader_;
};

// The interruption test asks the host (a call into the JVM under the JNI host), so a long
// read asks once per 64 KiB of input rather than once per line; the first line asks too,
// so that even a small file notices an interruption made before it started.
class InterruptionPacer {
 public:
  bool interrupted(int64_t position);

 private:
  int64_t next_ = 0;
};

// Hands every line of a file to consume(number, line), numbered from 1, keeping the progress
// at the file position and asking about interruption as it goes. False when interrupted.
template <class Consume>
bool forEachLine(FILE* file, Consume consume) {
  LineReader reader(file);
  InterruptionPacer pacer;
  Line line;
  int number = 0;
  while (reader.next(line)) {
    updateProgress(reader.position());
    if (pacer.interrupted(reader.position())) return false;
    consume(++number, line);
  }
  return true;
}

// Marks the activity of a file as complete. The percentage is recomputed only once a
// hundredth of the total has passed since the last time, so the last lines of a file may
// not move it to 100 by themselves.
void finishProgress(int64_t total);

}  // namespace quervik::drg
