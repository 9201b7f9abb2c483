// Where a protection driver writes: a named file that appears only when the work succeeded
// (runtime/pending_file.h), or standard output, which streams as it goes. Also the card
// session of a driver, closed on every way out.
#pragma once
#include <cstdio>

#include "runtime/pending_file.h"

namespace quervik {

class OutputTarget {
 public:
  // Opens the target: false when a named file cannot be created (nothing reported here).
  [[nodiscard]] bool open(const char* name);
  FILE* stream() const { return name_ ? pending_.stream() : stdout; }
  // Puts a named file into place, or flushes standard output; false on a write failure.
  [[nodiscard]] bool commit();

 private:
  const char* name_ = nullptr;
  PendingFile pending_;
};

// Closes the card session when the driver used one.
class CardSessionGuard {
 public:
  explicit CardSessionGuard(bool used) : used_(used) {}
  ~CardSessionGuard();
  CardSessionGuard(const CardSessionGuard&) = delete;
  CardSessionGuard& operator=(const CardSessionGuard&) = delete;

 private:
  bool used_;
};

}  // namespace quervik
