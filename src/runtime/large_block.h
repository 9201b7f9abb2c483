// Memory for large tables read at random places, such as the index of the distinct birth
// numbers of a big batch. A block of a huge page or more is aligned to huge pages and the
// kernel is asked to back it with them: with 4 KiB pages nearly every lookup in such a table
// would miss the TLB as well as the cache. Smaller blocks come from the ordinary heap.
// Blocks for secrets (keys, PINs, plain birth numbers) live on pages that are left out of
// core dumps, so a crash of the host application does not write them to disk; the process's
// own dump setting is never touched (the library lives in the user's JVM).
#pragma once
#include <cstddef>
#include <new>

namespace quervik {

inline constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Every block begins on a cache line at least.
inline constexpr std::size_t kBlockAlignment = 64;

// Throws std::bad_alloc. A block is freed with the size it was allocated with.
void* allocateBlock(std::size_t bytes);
void freeBlock(void* block, std::size_t bytes) noexcept;
// The same for a secret; the caller wipes it before it is freed.
void* allocateSecretBlock(std::size_t bytes);
void freeSecretBlock(void* block, std::size_t bytes) noexcept;

template <class T>
struct BlockAllocator {
  using value_type = T;

  BlockAllocator() noexcept = default;
  template <class U>
  BlockAllocator(const BlockAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    static_assert(alignof(T) <= kBlockAlignment);
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(allocateBlock(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { freeBlock(p, n * sizeof(T)); }

  template <class U>
  bool operator==(const BlockAllocator<U>&) const noexcept {
    return true;
  }
};

}  // namespace quervik
