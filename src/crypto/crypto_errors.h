// The OpenSSL error queue, kept clean. Every glue function opens a CryptoErrorScope: it starts
// from an empty queue and, on the way out, drains whatever is left so the next caller never
// sees our errors. A failing glue call drains the queue into its report (reportCryptoFailure)
// and keeps the text of the first error, which some drivers print before their own message.
// Tests switch on the check that fails them when a glue call returns with errors still
// queued (a failure path that forgot to drain, or a success that left noise behind).
#pragma once
#include <string>
#include <vector>

namespace quervik {

// Takes every queued OpenSSL error; the text of the first becomes lastCryptoErrorText().
// Returns the number of errors taken.
int drainCryptoErrors();

// Drains the queue and reports the code (one of 240-251, 90001-90004, or a caller's own).
void reportCryptoFailure(int code);

// The text of the first error of the last drained batch ("" when there was none).
std::string lastCryptoErrorText();

class CryptoErrorScope {
 public:
  explicit CryptoErrorScope(const char* function);
  ~CryptoErrorScope();
  CryptoErrorScope(const CryptoErrorScope&) = delete;
  CryptoErrorScope& operator=(const CryptoErrorScope&) = delete;

 private:
  const char* function_;
};

// Tests: record every glue call that returns with errors queued.
void setCryptoErrorQueueCheck(bool on);
std::vector<std::string> takeCryptoErrorQueueProblems();

}  // namespace quervik
