// The distinct birth numbers; see birth_number_set.h.
#include "birthnumber/birth_number_set.h"

#include <cstring>
#include <new>
#include <random>

namespace quervik {
namespace {

constexpr size_t kInitialSlots = 1024;

uint64_t mix(uint64_t x) {
  x ^= x >> 33;
  x *= 0xff51afd7ed558ccdULL;
  x ^= x >> 33;
  x *= 0xc4ceb9fe1a85ec53ULL;
  x ^= x >> 33;
  return x;
}

}  // namespace

BirthNumberSet::BirthNumberSet() : index_(kInitialSlots, Slot{0, 0}) {
  std::random_device entropy;
  seed_ = (uint64_t(entropy()) << 32) ^ entropy();
}

uint64_t BirthNumberSet::hashOf(const BirthNumberField& field) const {
  uint64_t head = 0, tail = 0;
  std::memcpy(&head, field.data(), 8);
  std::memcpy(&tail, field.data() + 8, kBirthNumberFieldSize - 8);
  return mix(mix(head ^ seed_) ^ tail);
}

const BirthNumberSet::Entry* BirthNumberSet::find(const BirthNumberField& field) const {
  const uint64_t hash = hashOf(field);
  const uint32_t tag = static_cast<uint32_t>(hash >> 32);
  const size_t mask = index_.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const Slot& s = index_[slot];
    if (s.number == 0) return nullptr;
    if (s.tag != tag) continue;
    const Entry& e = (*this)[s.number - 1];
    if (std::memcmp(e.field.data(), field.data(), kBirthNumberFieldSize) == 0) return &e;
  }
}

void BirthNumberSet::prefetchSlot(uint64_t hash) const { __builtin_prefetch(&index_[hash & (index_.size() - 1)]); }

void BirthNumberSet::prefetchEntry(uint64_t hash) const {
  const uint32_t tag = static_cast<uint32_t>(hash >> 32);
  const size_t mask = index_.size() - 1;
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const Slot& s = index_[slot];
    if (s.number == 0) return;
    if (s.tag == tag) {
      const char* entry = reinterpret_cast<const char*>(&(*this)[s.number - 1]);
      __builtin_prefetch(entry);
      __builtin_prefetch(entry + sizeof(Entry) - 1);  // an entry may straddle two cache lines
      return;
    }
  }
}

void BirthNumberSet::place(uint64_t hash, uint32_t number) {
  const size_t mask = index_.size() - 1;
  size_t slot = hash & mask;
  while (index_[slot].number != 0) slot = (slot + 1) & mask;
  index_[slot] = Slot{number, static_cast<uint32_t>(hash >> 32)};
}

const BirthNumberSet::Entry& BirthNumberSet::add(const BirthNumberField& field,
                                                 const unsigned char digest[kCodeDigestSize]) {
  // At most half full, so probes stay short and an empty slot always ends a search.
  if (2 * (size_ + 1) > index_.size()) grow();
  if (size_ >= UINT32_MAX - 1) throw std::bad_alloc();
  if (size_ % kBlockEntries == 0) {
    blocks_.emplace_back();
    blocks_.back().reserve(kBlockEntries);
  }
  Entry& e = blocks_.back().emplace_back();
  e.field = field;
  std::memcpy(e.digest, digest, kCodeDigestSize);
  ++size_;
  place(hashOf(field), static_cast<uint32_t>(size_));
  return e;
}

void BirthNumberSet::grow() {
  std::vector<Slot, BlockAllocator<Slot>> larger(index_.size() * 2, Slot{0, 0});
  larger.swap(index_);
  // The entries land at random places of the new index: each slot is asked for a few entries
  // before it is written.
  constexpr size_t kLead = 16;
  for (size_t i = 0; i < size_; ++i) {
    if (i + kLead < size_) prefetchSlot(hashOf((*this)[i + kLead].field));
    place(hashOf((*this)[i].field), static_cast<uint32_t>(i + 1));
  }
}

}  // namespace quervik
