// A hash index over fixed-width byte keys for the cross-checks. The checks ask either
// whether any entry has a key, or which entry is the first, in the order entries were
// added, that has the key but belongs to another record than a given one: exactly what a
// linear search from the start of the array finds, in constant time per question.
#pragma once
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace quervik::drg {

inline constexpr uint32_t kNoEntry = 0xFFFFFFFFu;

// A record is identified by its file and its line.
inline uint64_t recordId(int file, int line) { return (uint64_t(uint32_t(file)) << 32) | uint32_t(line); }

// Builds a key from numbers and fixed-width texts; every key of one index is built from the
// same parts, so all have the same width.
class KeyBuilder {
 public:
  // Years, months and the facility and workplace numbers all fit in 32 bits; a short key is
  // quicker to hash and compare, and the keys of a large structure take less cache.
  KeyBuilder& number(int32_t v) {
    std::memcpy(bytes_ + size_, &v, sizeof v);
    size_ += sizeof v;
    return *this;
  }
  // The text's bytes, padded with zeros to the width (a text shorter than its field only
  // arises from a cleared part of an entry, which is all zeros anyway).
  KeyBuilder& text(std::string_view t, size_t width) {
    const size_t n = t.size() < width ? t.size() : width;
    std::memcpy(bytes_ + size_, t.data(), n);
    std::memset(bytes_ + size_ + n, 0, width - n);
    size_ += width;
    return *this;
  }
  const char* data() const { return bytes_; }
  size_t size() const { return size_; }

 private:
  char bytes_[128];
  size_t size_ = 0;
};

class KeyIndex {
 public:
  // The table grows with the keys added.
  KeyIndex();

  // Adds an entry (indexes are added in increasing order) of a record under the key.
  void add(const KeyBuilder& key, uint32_t entry, uint64_t record);
  bool contains(const KeyBuilder& key) const;
  // The first entry added under the key whose record is not the given one, or kNoEntry.
  uint32_t firstOutside(const KeyBuilder& key, uint64_t record) const;
  size_t size() const { return count_; }

 private:
  // 24 bytes, so that more of a large table stays in the cache.
  struct Slot {
    uint32_t hash = 0;  // 0: empty
    uint32_t keyOffset = 0;
    uint32_t first = kNoEntry;
    uint32_t other = kNoEntry;  // first entry of a record other than first's
    uint64_t firstRecord = 0;
  };

  const Slot* find(const KeyBuilder& key, uint32_t hash) const;
  void grow();

  std::vector<Slot> slots_;
  std::vector<char> keys_;
  size_t keyWidth_ = 0;
  size_t count_ = 0;
};

}  // namespace quervik::drg
