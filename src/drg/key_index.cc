// The cross-check hash index; see key_index.h.
#include "drg/key_index.h"

namespace quervik::drg {
namespace {

uint32_t hashBytes(const char* p, size_t n) {
  uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  while (n >= 8) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    h = (h ^ v) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 32;
    p += 8;
    n -= 8;
  }
  uint64_t v = 0;
  std::memcpy(&v, p, n);
  h = (h ^ v) * 0xC4CEB9FE1A85EC53ull;
  h ^= h >> 29;
  return uint32_t(h) | 1;  // 0 marks an empty slot
}

}  // namespace

KeyIndex::KeyIndex() : slots_(16) {}

const KeyIndex::Slot* KeyIndex::find(const KeyBuilder& key, uint32_t hash) const {
  const size_t mask = slots_.size() - 1;
  for (size_t i = size_t(hash) & mask;; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.hash == 0) return &s;
    if (s.hash == hash && std::memcmp(keys_.data() + s.keyOffset, key.data(), keyWidth_) == 0) return &s;
  }
}

void KeyIndex::grow() {
  std::vector<Slot> old(slots_.size() * 2);
  old.swap(slots_);
  const size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.hash == 0) continue;
    size_t i = size_t(s.hash) & mask;
    while (slots_[i].hash != 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

void KeyIndex::add(const KeyBuilder& key, uint32_t entry, uint64_t record) {
  if (count_ == 0) keyWidth_ = key.size();
  if ((count_ + 1) * 2 > slots_.size()) grow();
  const uint32_t hash = hashBytes(key.data(), key.size());
  Slot& s = const_cast<Slot&>(*find(key, hash));
  if (s.hash == 0) {
    s.hash = hash;
    s.keyOffset = uint32_t(keys_.size());
    keys_.insert(keys_.end(), key.data(), key.data() + key.size());
    s.first = entry;
    s.firstRecord = record;
    ++count_;
  } else if (s.other == kNoEntry && record != s.firstRecord) {
    s.other = entry;
  }
}

bool KeyIndex::contains(const KeyBuilder& key) const {
  if (count_ == 0) return false;
  return find(key, hashBytes(key.data(), key.size()))->hash != 0;
}

uint32_t KeyIndex::firstOutside(const KeyBuilder& key, uint64_t record) const {
  if (count_ == 0) return kNoEntry;
  const Slot& s = *find(key, hashBytes(key.data(), key.size()));
  if (s.hash == 0) return kNoEntry;
  // Every entry before `other` belongs to the first entry's record.
  return s.firstRecord != record ? s.first : s.other;
}

}  // namespace quervik::drg
