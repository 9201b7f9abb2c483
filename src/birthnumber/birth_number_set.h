// The distinct birth numbers of one desRc run, in the order of their first appearance, each
// with the digest of its coded number. The set lives in memory only (a plain birth number never
// goes to disk) and is wiped when it goes; a hash index makes every lookup constant time, so a
// batch of a million records costs no more per record than one of a hundred.
#pragma once
#include <cstdint>
#include <vector>

#include "birthnumber/birth_number.h"
#include "crypto/secure_bytes.h"
#include "runtime/large_block.h"

namespace quervik {

class BirthNumberSet {
 public:
  struct Entry {
    BirthNumberField field;
    unsigned char digest[kCodeDigestSize];
  };

  BirthNumberSet();

  // The entry whose field equals this one byte for byte, or null.
  const Entry* find(const BirthNumberField& field) const;
  // Appends a field that find did not find; its entry, which stays where it is while the set
  // grows. May throw std::bad_alloc.
  const Entry& add(const BirthNumberField& field, const unsigned char digest[kCodeDigestSize]);
  // The hash under which a field is looked up (per set: the seed is drawn for each).
  uint64_t hashOf(const BirthNumberField& field) const;
  // Hints for a field, by its hash, that will be looked up soon, so that its memory is on its
  // way into the cache by then: the first brings in the index slot where its search starts,
  // the second (once that slot is in the cache) the entry the slot names. Neither changes
  // the set.
  void prefetchSlot(uint64_t hash) const;
  void prefetchEntry(uint64_t hash) const;

  size_t size() const { return size_; }
  const Entry& operator[](size_t i) const { return blocks_[i / kBlockEntries][i % kBlockEntries]; }

 private:
  // The entries live in blocks that are filled one after the other and never move: the set
  // touches no more memory than it holds, and growing copies nothing.
  static constexpr size_t kBlockEntries = size_t(1) << 17;
  using Block = std::vector<Entry, WipingAllocator<Entry>>;

  void place(uint64_t hash, uint32_t number);
  void grow();

  std::vector<Block> blocks_;
  size_t size_ = 0;
  // Per slot: the entry number + 1 (0 for an empty slot) and the high half of the field's hash,
  // so that a probe touches an entry only when the hashes agree.
  struct Slot {
    uint32_t number;
    uint32_t tag;
  };
  std::vector<Slot, BlockAllocator<Slot>> index_;
  uint64_t seed_;  // per run, so that no input can be made to collide on purpose
};

}  // namespace quervik
