// What every fuzz target shares: the entry point around its body, scratch files under TMPDIR,
// a quiet console, a catalogue for every code and fixed key bytes. scripts/fuzz-run points TMPDIR at a directory of the
// target's own and removes it afterwards: libFuzzer's time limit ends a target without its exit
// handlers, so a target cannot be trusted to clean up itself.
#pragma once
#include <openssl/err.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "birthnumber/triple_des.h"
#include "runtime/catalogue.h"
#include "runtime/messages.h"
#include "runtime/report.h"

namespace fuzz {

// A new scratch directory (dir = true) or empty file of the name under TMPDIR.
inline std::string tempPath(const char* name, bool dir = false) {
  const char* tmp = std::getenv("TMPDIR");
  std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/quervik-fuzz-" + name + "-XXXXXX";
  const int fd = dir ? (::mkdtemp(path.data()) ? 0 : -1) : ::mkstemp(path.data());
  if (fd < 0) std::abort();
  if (!dir) ::close(fd);
  return path;
}

inline void writeFile(const std::string& path, std::string_view bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) std::abort();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

// The console lines of reports without a catalogue are not what a target tests. Only the first
// call does anything, so a target may call it for every input.
inline void quietConsole() {
  static const bool quiet = std::freopen("/dev/null", "w", stdout) != nullptr;
  if (!quiet) std::abort();
}

inline std::string_view text(const uint8_t* data, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// A catalogue with a text for every registered code, its conversions fitting the arguments the
// code's reports pass; made and put in use at the first call.
inline void useRegistryCatalogue() {
  static const bool inUse = [] {
    const std::string path = tempPath("catalogue");
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    for (const quervik::MessageSpec& m : quervik::messageRegistry()) {
      std::fprintf(f, "%05d", m.code);
      for (const char* k = m.kinds; *k; ++k) std::fprintf(f, " %%%c", *k);
      std::fprintf(f, " text\n");
    }
    std::fclose(f);
    quervik::setMessageFile(path.c_str());
    return true;
  }();
  (void)inUse;
}

// A fixed triple-DES key of odd parity, one for each salt.
inline quervik::TripleDesKey desKey(unsigned char salt) {
  unsigned char bytes[quervik::kTripleDesKeySize];
  for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = static_cast<unsigned char>(0x2B * (i + 3) ^ salt);
  for (int i = 0; i < 3; ++i) quervik::setOddParity(bytes + 8 * i);
  quervik::TripleDesKey key;
  if (quervik::makeTripleDesKey(std::span<const unsigned char>(bytes, sizeof bytes), key) < -1) std::abort();
  return key;
}

}  // namespace fuzz

// The target's entry point around the body that follows, a function of the input's bytes:
//   QUERVIK_FUZZ_TARGET(const uint8_t* data, size_t size) { ... }
// The console is quiet while it runs; after each input no OpenSSL error may be left queued (a
// failing call drains the queue into its report), and the error list is cleared for the next.
#define QUERVIK_FUZZ_TARGET                                                 \
  static void fuzzOneInput(const uint8_t* data, size_t size);               \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { \
    fuzz::quietConsole();                                                   \
    fuzzOneInput(data, size);                                               \
    if (ERR_peek_error()) std::abort();                                     \
    quervik::clearErrors();                                                 \
    return 0;                                                               \
  }                                                                         \
  static void fuzzOneInput
