// A hash index over fixed-width byte keys for the cross-checks. The checks ask either
// whether any entry has a key, or which entry is the first, in the order entries were
// added, that has the key but belongs to another record than a given one: exactly what a
// linear search from the start of the array finds, in constant time per question.
#pragma once
#include <cassert>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "runtime/large_block.h"

namespace quervik::drg {

inline constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

// A record is identified by its file and its line.
inline uint64_t recordId(int file, int line) { return (uint64_t(uint32_t(file)) << 32) | uint32_t(line); }

// Builds a key from numbers and fixed-width texts; every key of one index is built from the
// same parts, so all have the same width. The bytes after the key are zeros, so an index
// may hash and compare its whole capacity, which the widest key (21 bytes) fits.
class KeyBuilder {
 public:
  static constexpr size_t kCapacity = 28;

  // Years, months and the facility and workplace numbers all fit in 32 bits; a short key is
  // quicker to hash and compare, and the keys of a large structure take less cache.
  KeyBuilder& number(int32_t v) {
    assert(size_ + sizeof v <= kCapacity);
    std::memcpy(bytes_ + size_, &v, sizeof v);
    size_ += sizeof v;
    return *this;
  }
  // The text's bytes, padded with zeros to the width (a text shorter than its field only
  // arises from a cleared part of an entry, which is all zeros anyway).
  KeyBuilder& text(std::string_view t, size_t width) {
    assert(size_ + width <= kCapacity);
    std::memcpy(bytes_ + size_, t.data(), t.size() < width ? t.size() : width);
    size_ += width;
    return *this;
  }
  const char* data() const { return bytes_; }

 private:
  char bytes_[kCapacity] = {};
  size_t size_ = 0;
};

class KeyIndex {
 public:
  // The table starts with room for about the given number of keys and grows with the keys
  // added.
  explicit KeyIndex(size_t keys = 8);

  // Adds an entry (indexes are added in increasing order) of a record under the key; returns
  // the key's place among the distinct keys in the order they were first added.
  uint32_t add(const KeyBuilder& key, uint32_t entry, uint64_t record);
  bool contains(const KeyBuilder& key) const;
  // The key's place as add returns it, or kNoEntry.
  uint32_t place(const KeyBuilder& key) const;
  // The first entry added under the key whose record is not the given one, or kNoEntry.
  uint32_t firstOutside(const KeyBuilder& key, uint64_t record) const;
  // The same for the key at a place add returned.
  uint32_t firstOutside(uint32_t place, uint64_t record) const;

 private:
  // The key is held in its slot and a slot fills half a cache line, so a question about a
  // large table costs one cache miss. The entries behind a key are only read by
  // firstOutside, so they live apart and keep the slots small.
  struct alignas(32) Slot {
    uint32_t id = 0;  // 0: empty; else the place in entries_ plus one
    char key[KeyBuilder::kCapacity] = {};
  };
  struct Entries {
    uint32_t first = kNoEntry;
    uint32_t other = kNoEntry;  // first entry of a record other than first's
    uint64_t firstRecord = 0;
  };

  // The slot that holds the key, or the empty one where it would go.
  size_t find(const char* key) const;
  void grow();

  // A large table lies on huge pages: a question about it then rarely misses the TLB too.
  std::vector<Slot, BlockAllocator<Slot>> slots_;
  size_t mask_ = 0;  // the number of slots less one
  std::vector<Entries> entries_;
};

// Keys in groups (the workplaces or cost centres of one facility in one period), each group
// in a table of its own. The lines of a batch come facility by facility, so the questions
// about them stay in one group's few cache lines however large the whole structure is.
class GroupedKeys {
 public:
  void add(const KeyBuilder& group, const KeyBuilder& key) {
    const uint32_t g = groups_.add(group, 0, 0);
    if (g == members_.size()) members_.emplace_back(1);  // most groups are small
    members_[g].add(key, 0, 0);
  }
  // The group's place, or kNoEntry when no key was added in it.
  uint32_t group(const KeyBuilder& group) const { return groups_.place(group); }
  // Whether the key was added in the group (a place that group returned).
  bool contains(uint32_t group, const KeyBuilder& key) const { return members_[group].contains(key); }
  bool contains(const KeyBuilder& group, const KeyBuilder& key) const {
    const uint32_t g = groups_.place(group);
    return g != kNoEntry && contains(g, key);
  }

 private:
  KeyIndex groups_;
  std::vector<KeyIndex> members_;
};

}  // namespace quervik::drg
