// Blocks for large tables; see large_block.h.
#include "runtime/large_block.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace quervik {

void* allocateBlock(std::size_t bytes) {
  if (bytes < kHugePage) return ::operator new(bytes);
  std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  if (rounded < bytes) throw std::bad_alloc();
  void* block = std::aligned_alloc(kHugePage, rounded);
  if (!block) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  (void)::madvise(block, rounded, MADV_HUGEPAGE);  // a hint: the block works without it
#endif
  return block;
}

void freeBlock(void* block, std::size_t bytes) noexcept {
  if (bytes < kHugePage)
    ::operator delete(block);
  else
    std::free(block);
}

}  // namespace quervik
