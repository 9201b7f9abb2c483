// Cancellation of a running driver. The drivers ask testInterrupted once per line or block;
// the answer comes from the cancellation source the face installed: the JNI host asks the
// JVM whether the working thread was interrupted, the command line answers SIGINT, tests
// trigger it themselves. Without a source nothing is ever interrupted.
#pragma once

namespace quervik {

class CancellationSource {
 public:
  virtual ~CancellationSource() = default;
  // True once per cancellation request: asking consumes it.
  virtual bool consumeInterrupt() = 0;
};

// Installs the source for the following calls (null: none). The caller keeps ownership.
void installCancellationSource(CancellationSource* source);
CancellationSource* cancellationSource();

// Clears the interrupted flag and asks the source. On an interrupt the activity becomes
// "Preruseno" with total 0 and the flag is set. 1 when interrupted, else 0.
int testInterrupted();
// The flag of the last test, for the phases after it.
bool wasInterrupted();

// A source that tests and the command line trigger.
class FlagCancellation : public CancellationSource {
 public:
  void request();
  bool consumeInterrupt() override;

 private:
  int requested_ = 0;  // set atomically from a signal handler or another thread
};

}  // namespace quervik
