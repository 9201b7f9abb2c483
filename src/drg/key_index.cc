// The cross-check hash index; see key_index.h.
#include "drg/key_index.h"

namespace quervik::drg {
namespace {

constexpr size_t kKeyBytes = KeyBuilder::kCapacity;

uint64_t word(const char* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

uint32_t tail(const char* p) {
  uint32_t v;
  std::memcpy(&v, p + 24, sizeof v);
  return v;
}

static_assert(kKeyBytes == 28, "the hash and the comparison read three words and a tail");

size_t hashKey(const char* p) {
  uint64_t h = 0x9E3779B97F4A7C15ull;
  for (int i = 0; i < 3; ++i) {
    h = (h ^ word(p + 8 * i)) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
  }
  h = (h ^ tail(p)) * 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 29;
  return size_t(h);
}

bool sameKey(const char* a, const char* b) {
  return ((word(a) ^ word(b)) | (word(a + 8) ^ word(b + 8)) | (word(a + 16) ^ word(b + 16)) |
          uint64_t(tail(a) ^ tail(b))) == 0;
}

}  // namespace

KeyIndex::KeyIndex(size_t keys) {
  size_t slots = 2;
  while (slots < keys * 2) slots *= 2;
  slots_.resize(slots);
  mask_ = slots - 1;
}

size_t KeyIndex::find(const char* key) const {
  for (size_t i = hashKey(key) & mask_;; i = (i + 1) & mask_) {
    const Slot& s = slots_[i];
    if (s.id == 0 || sameKey(s.key, key)) return i;
  }
}

void KeyIndex::grow() {
  std::vector<Slot, BlockAllocator<Slot>> old((mask_ + 1) * 2);
  old.swap(slots_);
  const size_t oldSize = mask_ + 1;
  mask_ = oldSize * 2 - 1;
  for (size_t k = 0; k < oldSize; ++k) {
    const Slot& s = old[k];
    if (s.id == 0) continue;
    size_t i = hashKey(s.key) & mask_;
    while (slots_[i].id != 0) i = (i + 1) & mask_;
    slots_[i] = s;
  }
}

uint32_t KeyIndex::add(const KeyBuilder& key, uint32_t entry, uint64_t record) {
  if ((entries_.size() + 1) * 2 > mask_ + 1) grow();
  Slot& s = slots_[find(key.data())];
  if (s.id == 0) {
    entries_.push_back({entry, kNoEntry, record});
    s.id = uint32_t(entries_.size());
    std::memcpy(s.key, key.data(), kKeyBytes);
  } else {
    Entries& e = entries_[s.id - 1];
    if (e.other == kNoEntry && record != e.firstRecord) e.other = entry;
  }
  return s.id - 1;
}

bool KeyIndex::contains(const KeyBuilder& key) const { return slots_[find(key.data())].id != 0; }

// An empty slot's id 0 gives kNoEntry.
uint32_t KeyIndex::place(const KeyBuilder& key) const { return slots_[find(key.data())].id - 1; }

uint32_t KeyIndex::firstOutside(const KeyBuilder& key, uint64_t record) const {
  const uint32_t at = place(key);
  return at == kNoEntry ? kNoEntry : firstOutside(at, record);
}

uint32_t KeyIndex::firstOutside(uint32_t place, uint64_t record) const {
  const Entries& e = entries_[place];
  // Every entry before `other` belongs to the first entry's record.
  return e.firstRecord != record ? e.first : e.other;
}

}  // namespace quervik::drg
