// Blocks for large tables; see large_block.h.
#include "runtime/large_block.h"

#include <sys/mman.h>

#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <new>

namespace quervik {

void* allocateBlock(std::size_t bytes) {
  if (bytes < kHugePage) return ::operator new(bytes, std::align_val_t(kBlockAlignment));
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
    ::operator delete(block, std::align_val_t(kBlockAlignment));
  else
    std::free(block);
}

namespace {

// Sanitizer builds keep secrets on the ordinary heap, where the sanitizer sees every overrun.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSecretsOnHeap = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(memory_sanitizer)
constexpr bool kSecretsOnHeap = true;
#else
constexpr bool kSecretsOnHeap = false;
#endif
#else
constexpr bool kSecretsOnHeap = false;
#endif

// Small secrets share pages of their own: slots of a few sizes carved from chunks mapped for
// them and advised out of dumps, reused through one free list per size, never unmapped (a
// process holds a few kilobytes of them). A mapping per secret would cost a system call each
// and split the address space into many mappings.
constexpr std::size_t kSmallestSlot = 32, kLargestSlot = 2048, kChunk = 64 * 1024;
constexpr int kSlotSizes = 7;  // 32, 64, ..., 2048

struct FreeSlot {
  FreeSlot* next;
};

struct SecretArena {
  std::mutex lock;
  FreeSlot* free[kSlotSizes] = {};
  char* chunk = nullptr;
  std::size_t chunkLeft = 0;
};

SecretArena& arena() {
  static SecretArena* a = new SecretArena;  // never destroyed: secrets may be freed at exit
  return *a;
}

int slotClass(std::size_t bytes) {
  int c = 0;
  for (std::size_t size = kSmallestSlot; size < bytes; size <<= 1) ++c;
  return c;
}

void* mapSecretPages(std::size_t bytes) {
  void* block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (block == MAP_FAILED) throw std::bad_alloc();
#ifdef MADV_DONTDUMP
  (void)::madvise(block, bytes, MADV_DONTDUMP);
#endif
  return block;
}

std::size_t pageRounded(std::size_t bytes) {
  static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  std::size_t rounded = (bytes + page - 1) / page * page;
  if (rounded < bytes) throw std::bad_alloc();
  return rounded;
}

}  // namespace

void* allocateSecretBlock(std::size_t bytes) {
  if (kSecretsOnHeap) return allocateBlock(bytes);
  if (bytes == 0) bytes = 1;
  if (bytes >= kHugePage) {
    void* block = allocateBlock(bytes);
#ifdef MADV_DONTDUMP
    (void)::madvise(block, (bytes + kHugePage - 1) / kHugePage * kHugePage, MADV_DONTDUMP);
#endif
    return block;
  }
  if (bytes > kLargestSlot) return mapSecretPages(pageRounded(bytes));
  const int c = slotClass(bytes);
  const std::size_t size = kSmallestSlot << c;
  SecretArena& a = arena();
  std::lock_guard<std::mutex> hold(a.lock);
  if (FreeSlot* slot = a.free[c]) {
    a.free[c] = slot->next;
    return slot;
  }
  if (a.chunkLeft < size) {
    // What is left of the old chunk is too small for this size: it goes to the free lists.
    for (int k = c - 1; k >= 0; --k) {
      std::size_t piece = kSmallestSlot << k;
      while (a.chunkLeft >= piece) {
        auto* slot = reinterpret_cast<FreeSlot*>(a.chunk);
        slot->next = a.free[k];
        a.free[k] = slot;
        a.chunk += piece;
        a.chunkLeft -= piece;
      }
    }
    a.chunk = static_cast<char*>(mapSecretPages(kChunk));
    a.chunkLeft = kChunk;
  }
  void* block = a.chunk;
  a.chunk += size;
  a.chunkLeft -= size;
  return block;
}

void freeSecretBlock(void* block, std::size_t bytes) noexcept {
  if (kSecretsOnHeap) return freeBlock(block, bytes);
  if (!block) return;
  if (bytes == 0) bytes = 1;
  if (bytes >= kHugePage) {
#ifdef MADV_DODUMP
    // The pages may go back to the heap for other data, which dumps should show again.
    (void)::madvise(block, (bytes + kHugePage - 1) / kHugePage * kHugePage, MADV_DODUMP);
#endif
    freeBlock(block, bytes);
  } else if (bytes > kLargestSlot) {
    ::munmap(block, pageRounded(bytes));
  } else {
    SecretArena& a = arena();
    std::lock_guard<std::mutex> hold(a.lock);
    const int c = slotClass(bytes);
    auto* slot = static_cast<FreeSlot*>(block);
    slot->next = a.free[c];
    a.free[c] = slot;
  }
}

}  // namespace quervik
