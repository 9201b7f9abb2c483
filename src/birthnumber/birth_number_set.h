// The distinct birth numbers of one desRc run, in the order of their first appearance, each
// with the digest of its coded number. The set lives in memory only (a plain birth number never
// goes to disk) and is wiped when it goes; a hash index makes every lookup constant time, so a
// batch of a million records costs no more per record than one of a hundred.
#pragma once
#include <cstdint>
#include <vector>

#include "birthnumber/birth_number.h"
#include "crypto/secure_bytes.h"

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
  // Appends a field that find did not find; its entry. May throw std::bad_alloc.
  const Entry& add(const BirthNumberField& field, const unsigned char digest[kCodeDigestSize]);

  size_t size() const { return entries_.size(); }
  const Entry& operator[](size_t i) const { return entries_[i]; }

 private:
  void grow();

  uint64_t hashOf(const BirthNumberField& field) const;
  void place(uint64_t hash, uint32_t number);

  std::vector<Entry, WipingAllocator<Entry>> entries_;
  // Per slot: the entry number + 1 (0 for an empty slot) and the high half of the field's hash,
  // so that a probe touches an entry only when the hashes agree.
  struct Slot {
    uint32_t number;
    uint32_t tag;
  };
  std::vector<Slot> index_;
  uint64_t seed_;  // per run, so that no input can be made to collide on purpose
};

}  // namespace quervik
