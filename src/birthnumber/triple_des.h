// Three-key triple DES (encrypt with k1, decrypt with k2, encrypt with k3) in ECB mode: the
// hospital's birth-number hashing key, the content key of a protected file and the session
// key of the recovery identifiers. A TripleDesKey keeps its 24 key bytes in wiping storage
// and one cipher context per direction, so a stream of blocks costs no key set-up per block.
// Also the DES key rules (odd parity, no weak or semi-weak key) and fresh random keys.
#pragma once
#include <cstddef>
#include <span>

#include "crypto/ossl_ptr.h"
#include "crypto/secure_bytes.h"

namespace quervik {

inline constexpr size_t kDesKeySize = 8;
inline constexpr size_t kDesBlockSize = 8;
inline constexpr size_t kTripleDesKeySize = 3 * kDesKeySize;

struct TripleDesKey {
  SecureBytes bytes;          // k1, k2, k3 (24 bytes) once made
  EvpCipherCtxPtr encryptor;  // the key schedules, one context per direction
  EvpCipherCtxPtr decryptor;

  bool ready() const { return encryptor && decryptor; }
  const unsigned char* k(int i) const { return bytes.data() + i * kDesKeySize; }  // i = 0, 1, 2
};

// The check a DES key schedule makes: 0 the key is usable, -1 a byte has even parity, -2 it is
// one of the 16 weak or semi-weak keys.
int checkDesKey(const unsigned char* key8);
// Sets the low bit of every byte so that each has odd parity.
void setOddParity(unsigned char* key8);

// Fills key from 24 bytes and builds its schedules. 0 when all three DES keys pass
// checkDesKey; otherwise reports 161 and returns -1, and the key is still filled and usable
// (a caller that does not insist on the rules may go on). -2 without a report only when the
// cipher cannot be set up at all (the key is then not ready).
[[nodiscard]] int makeTripleDesKey(std::span<const unsigned char> key24, TripleDesKey& key);

// One 8-byte block through the key (in and out may be the same). 0; -1 for a key that is not
// ready.
int tripleDesEncryptBlock(const TripleDesKey& key, const unsigned char* in, unsigned char* out);
int tripleDesDecryptBlock(const TripleDesKey& key, const unsigned char* in, unsigned char* out);

// The same for length bytes, a multiple of 8 (each block on its own, ECB): the fast path for
// file contents. 0; -1 for a key that is not ready or a length that is not whole blocks.
int tripleDesEncryptBlocks(const TripleDesKey& key, const unsigned char* in, unsigned char* out, size_t length);
int tripleDesDecryptBlocks(const TripleDesKey& key, const unsigned char* in, unsigned char* out, size_t length);

// A fresh content or session key: three DES keys from the cryptographic random generator,
// each with odd parity and none weak. 0; 1 after reporting 165 when the generator cannot give
// bytes or the schedules cannot be built.
[[nodiscard]] int generateSessionKey(TripleDesKey& key);

}  // namespace quervik
