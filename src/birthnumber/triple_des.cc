// Triple-DES keys and blocks; see triple_des.h.
#include "birthnumber/triple_des.h"

#include <openssl/rand.h>

#include <climits>
#include <cstring>

#include "birthnumber/messages.h"
#include "crypto/crypto_errors.h"
#include "runtime/report.h"

namespace quervik {
namespace {

// The weak and semi-weak DES keys, with odd parity. A key is compared with its parity bits
// set first, so a weak key written with other parity bits is still weak.
constexpr unsigned char kWeakKeys[16][8] = {
    {0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01, 0x01}, {0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE, 0xFE},
    {0x1F, 0x1F, 0x1F, 0x1F, 0x0E, 0x0E, 0x0E, 0x0E}, {0xE0, 0xE0, 0xE0, 0xE0, 0xF1, 0xF1, 0xF1, 0xF1},
    {0x01, 0xFE, 0x01, 0xFE, 0x01, 0xFE, 0x01, 0xFE}, {0xFE, 0x01, 0xFE, 0x01, 0xFE, 0x01, 0xFE, 0x01},
    {0x1F, 0xE0, 0x1F, 0xE0, 0x0E, 0xF1, 0x0E, 0xF1}, {0xE0, 0x1F, 0xE0, 0x1F, 0xF1, 0x0E, 0xF1, 0x0E},
    {0x01, 0xE0, 0x01, 0xE0, 0x01, 0xF1, 0x01, 0xF1}, {0xE0, 0x01, 0xE0, 0x01, 0xF1, 0x01, 0xF1, 0x01},
    {0x1F, 0xFE, 0x1F, 0xFE, 0x0E, 0xFE, 0x0E, 0xFE}, {0xFE, 0x1F, 0xFE, 0x1F, 0xFE, 0x0E, 0xFE, 0x0E},
    {0x01, 0x1F, 0x01, 0x1F, 0x01, 0x0E, 0x01, 0x0E}, {0x1F, 0x01, 0x1F, 0x01, 0x0E, 0x01, 0x0E, 0x01},
    {0xE0, 0xFE, 0xE0, 0xFE, 0xF1, 0xFE, 0xF1, 0xFE}, {0xFE, 0xE0, 0xFE, 0xE0, 0xFE, 0xF1, 0xFE, 0xF1},
};

bool oddParity(unsigned char b) { return __builtin_popcount(b) % 2 == 1; }

bool isWeak(const unsigned char* key8) {
  unsigned char k[8];
  std::memcpy(k, key8, 8);
  setOddParity(k);
  bool weak = false;
  for (const auto& w : kWeakKeys) weak = weak || std::memcmp(w, k, 8) == 0;
  wipe(k, sizeof k);
  return weak;
}

EvpCipherCtxPtr newContext(const unsigned char* key24, bool encrypt) {
  EvpCipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  if (!ctx) return nullptr;
  int ok = encrypt ? EVP_EncryptInit_ex(ctx.get(), EVP_des_ede3_ecb(), nullptr, key24, nullptr)
                   : EVP_DecryptInit_ex(ctx.get(), EVP_des_ede3_ecb(), nullptr, key24, nullptr);
  // Padding stays off: every call gives back exactly the blocks it was given.
  if (ok != 1 || EVP_CIPHER_CTX_set_padding(ctx.get(), 0) != 1) return nullptr;
  return ctx;
}

int run(EVP_CIPHER_CTX* ctx, bool encrypt, const unsigned char* in, unsigned char* out, size_t length) {
  if (!ctx || length % kDesBlockSize != 0) return -1;
  // EVP takes int lengths: go in steps that stay well below INT_MAX.
  constexpr size_t kStep = size_t(1) << 30;
  while (length > 0) {
    size_t n = length < kStep ? length : kStep;
    int produced = 0;
    int ok = encrypt ? EVP_EncryptUpdate(ctx, out, &produced, in, static_cast<int>(n))
                     : EVP_DecryptUpdate(ctx, out, &produced, in, static_cast<int>(n));
    if (ok != 1 || produced != static_cast<int>(n)) {
      drainCryptoErrors();
      return -1;
    }
    in += n;
    out += n;
    length -= n;
  }
  return 0;
}

// Builds the contexts; false when the cipher cannot be set up.
bool buildSchedules(std::span<const unsigned char> key24, TripleDesKey& key) {
  CryptoErrorScope scope("makeTripleDesKey");
  key.bytes.assign(key24.begin(), key24.end());
  key.encryptor = newContext(key.bytes.data(), true);
  key.decryptor = newContext(key.bytes.data(), false);
  if (key.ready()) return true;
  key.encryptor.reset();
  key.decryptor.reset();
  drainCryptoErrors();
  return false;
}

bool allKeysUsable(const TripleDesKey& key) {
  for (int i = 0; i < 3; ++i)
    if (checkDesKey(key.k(i)) != 0) return false;
  return true;
}

}  // namespace

int checkDesKey(const unsigned char* key8) {
  for (int i = 0; i < 8; ++i)
    if (!oddParity(key8[i])) return -1;
  return isWeak(key8) ? -2 : 0;
}

void setOddParity(unsigned char* key8) {
  for (int i = 0; i < 8; ++i) key8[i] = static_cast<unsigned char>((key8[i] & 0xFE) | !oddParity(key8[i] & 0xFE));
}

int makeTripleDesKey(std::span<const unsigned char> key24, TripleDesKey& key) {
  if (key24.size() != kTripleDesKeySize || !buildSchedules(key24, key)) {
    key = TripleDesKey{};
    return -2;
  }
  if (!allKeysUsable(key)) {
    reportError(kMsgDesKeyRejected);
    return -1;
  }
  return 0;
}

int tripleDesEncryptBlock(const TripleDesKey& key, const unsigned char* in, unsigned char* out) {
  return run(key.encryptor.get(), true, in, out, kDesBlockSize);
}

int tripleDesDecryptBlock(const TripleDesKey& key, const unsigned char* in, unsigned char* out) {
  return run(key.decryptor.get(), false, in, out, kDesBlockSize);
}

int tripleDesEncryptBlocks(const TripleDesKey& key, const unsigned char* in, unsigned char* out, size_t length) {
  return run(key.encryptor.get(), true, in, out, length);
}

int tripleDesDecryptBlocks(const TripleDesKey& key, const unsigned char* in, unsigned char* out, size_t length) {
  return run(key.decryptor.get(), false, in, out, length);
}

int generateSessionKey(TripleDesKey& key) {
  SecureBytes bytes(kTripleDesKeySize);
  for (int i = 0; i < 3; ++i) {
    unsigned char* k = bytes.data() + i * kDesKeySize;
    // A weak key turns up about once in 2^52 draws; draw again rather than use it.
    do {
      if (RAND_priv_bytes(k, static_cast<int>(kDesKeySize)) != 1) {
        drainCryptoErrors();
        reportError(kMsgSessionKeyNotReady);
        return 1;
      }
      setOddParity(k);
    } while (checkDesKey(k) != 0);
  }
  if (!buildSchedules(bytes, key) || !allKeysUsable(key)) {
    key = TripleDesKey{};
    reportError(kMsgSessionKeyNotReady);
    return 1;
  }
  return 0;
}

}  // namespace quervik
