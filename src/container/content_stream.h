// Moving the content of a protected file through its triple-DES key and SHA-1 in large
// pieces: one cipher context per key, one digest context, a fixed buffer, so the cost per
// byte is the cipher's and memory does not grow with the file.
#pragma once
#include <cstddef>
#include <cstdio>

#include "crypto/ossl_ptr.h"

namespace quervik {

// The pieces the drivers read and write: whole blocks, and a cancellation test per piece.
inline constexpr size_t kContentPiece = 64 * 1024;

class ContentDigest {
 public:
  ContentDigest();
  bool ok() const { return ok_; }
  void add(const unsigned char* data, size_t length);
  // The 20-byte digest; false when the digest could not be computed.
  bool finish(unsigned char* digest20);

 private:
  EvpMdCtxPtr ctx_;
  bool ok_ = false;
};

// Writes all of it; false on a write error.
bool writeAll(FILE* out, const void* data, size_t length);

}  // namespace quervik
