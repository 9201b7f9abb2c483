// Blocks for large tables on Windows; see large_block.h. Large pages there need a privilege
// that ordinary users lack, so a large block is only aligned, and the ordinary pages back it.
#include "runtime/large_block.h"

#include <malloc.h>

#include <new>

namespace quervik {

void* allocateBlock(std::size_t bytes) {
  if (bytes < kHugePage) return ::operator new(bytes, std::align_val_t(kBlockAlignment));
  void* block = ::_aligned_malloc(bytes, kHugePage);
  if (!block) throw std::bad_alloc();
  return block;
}

void freeBlock(void* block, std::size_t bytes) noexcept {
  if (bytes < kHugePage)
    ::operator delete(block, std::align_val_t(kBlockAlignment));
  else
    ::_aligned_free(block);
}

// Windows offers a program no way to keep single pages out of crash dumps, so a secret lives
// on the ordinary heap; it is wiped before it is freed (secure_bytes.h) as everywhere.
void* allocateSecretBlock(std::size_t bytes) { return allocateBlock(bytes == 0 ? 1 : bytes); }

void freeSecretBlock(void* block, std::size_t bytes) noexcept {
  if (block) freeBlock(block, bytes == 0 ? 1 : bytes);
}

}  // namespace quervik
