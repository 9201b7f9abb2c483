// Storage for secrets: session keys, key shares, decrypted key blobs and copies of PINs and
// passwords. The allocator wipes every block with OPENSSL_cleanse before it goes back to the
// heap, so a secret never lingers in freed memory, also when the vector grows and moves.
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

  T* allocate(std::size_t n) { return BlockAllocator<T>().allocate(n); }
  void deallocate(T* p, std::size_t n) noexcept {
    OPENSSL_cleanse(p, n * sizeof(T));
    BlockAllocator<T>().deallocate(p, n);
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
