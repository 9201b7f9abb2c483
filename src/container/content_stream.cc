// Content digest and writes; see content_stream.h.
#include "container/content_stream.h"

#include "crypto/crypto_errors.h"

namespace quervik {

ContentDigest::ContentDigest() : ctx_(EVP_MD_CTX_new()) {
  ok_ = ctx_ && EVP_DigestInit_ex(ctx_.get(), EVP_sha1(), nullptr) == 1;
  if (!ok_) drainCryptoErrors();
}

void ContentDigest::add(const unsigned char* data, size_t length) {
  if (ok_ && length > 0 && EVP_DigestUpdate(ctx_.get(), data, length) != 1) {
    drainCryptoErrors();
    ok_ = false;
  }
}

bool ContentDigest::finish(unsigned char* digest20) {
  unsigned int n = 0;
  if (!ok_ || EVP_DigestFinal_ex(ctx_.get(), digest20, &n) != 1 || n != 20) {
    drainCryptoErrors();
    ok_ = false;
  }
  return ok_;
}

bool writeAll(FILE* out, const void* data, size_t length) {
  return length == 0 || std::fwrite(data, 1, length, out) == length;
}

}  // namespace quervik
