// Storage for secrets: session keys, key shares, decrypted key blobs and copies of PINs and
// passwords. The allocator wipes every block with OPENSSL_cleanse before it goes back to the
// heap, so a secret never lingers in freed memory, also when the vector grows and moves; the
// blocks are left out of core dumps (runtime/large_block.h).
#pragma once
#include <openssl/crypto.h>

#include <cstddef>
#include <new>
#include <vector>

#include "runtime/large_block.h"

namespace quervik {

template <class T>
struct WipingAllocator {
  using value_type = T;

  WipingAllocator() noexcept = default;
  template <class U>
  WipingAllocator(const WipingAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    static_assert(alignof(T) <= 16);  // the smallest secret slot is 32 bytes, aligned so
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(allocateSecretBlock(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept {
    OPENSSL_cleanse(p, n * sizeof(T));
    freeSecretBlock(p, n * sizeof(T));
  }

  template <class U>
  bool operator==(const WipingAllocator<U>&) const noexcept {
    return true;
  }
};

using SecureBytes = std::vector<unsigned char, WipingAllocator<unsigned char>>;

// Wipes a buffer that does not belong to a SecureBytes (a stack array, a caller's buffer).
inline void wipe(void* p, std::size_t n) { OPENSSL_cleanse(p, n); }

}  // namespace quervik
