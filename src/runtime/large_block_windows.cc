// Blocks for large tables on Windows; see large_block.h. Large pages there need a privilege
// that ordinary users lack, so a large block is only aligned, and the ordinary pages back it.
#include "runtime/large_block.h"

#include <malloc.h>

#include <new>

namespace quervik {

void* allocateBlock(std::size_t bytes) {
  if (bytes < kHugePage) return ::operator new(bytes);
  void* block = ::_aligned_malloc(bytes, kHugePage);
  if (!block) throw std::bad_alloc();
  return block;
}

void freeBlock(void* block, std::size_t bytes) noexcept {
  if (bytes < kHugePage)
    ::operator delete(block);
  else
    ::_aligned_free(block);
}

}  // namespace quervik
