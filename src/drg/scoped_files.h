// Owners for the files of a check run: an input file closed when its owner goes, and the
// auxiliary log of one input file, installed while it lives and closed after, on every path.
#pragma once
#include <cstdio>
#include <memory>

#include "runtime/console.h"
#include "runtime/logs.h"
#include "runtime/platform.h"

namespace quervik::drg {

struct FileCloser {
  void operator()(FILE* f) const {
    if (f) std::fclose(f);
  }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

class ScopedAuxiliaryLog {
 public:
  // Creates an anonymous temporary file as the auxiliary log when wanted; says so on the
  // console when it cannot be had (the file is then checked without its own log).
  explicit ScopedAuxiliaryLog(bool wanted) {
    if (!wanted) return;
    stream_ = createAnonymousFile();
    if (stream_)
      setAuxiliaryLog(stream_);
    else
      consoleOut("Nelze vyvorit pomocny logovy soubor\n");
  }
  ~ScopedAuxiliaryLog() { closeAuxiliaryLog(stream_); }
  ScopedAuxiliaryLog(const ScopedAuxiliaryLog&) = delete;
  ScopedAuxiliaryLog& operator=(const ScopedAuxiliaryLog&) = delete;

  FILE* get() const { return stream_; }

 private:
  FILE* stream_ = nullptr;
};

}  // namespace quervik::drg
