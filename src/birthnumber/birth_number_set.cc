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

BirthNumberSet::BirthNumberSet() : index_(kInitialSlots, 0) {
  std::random_device entropy;
  seed_ = (uint64_t(entropy()) << 32) ^ entropy();
}

size_t BirthNumberSet::slotOf(const BirthNumberField& field) const {
  uint64_t head = 0, tail = 0;
  std::memcpy(&head, field.data(), 8);
  std::memcpy(&tail, field.data() + 8, kBirthNumberFieldSize - 8);
  return static_cast<size_t>(mix(mix(head ^ seed_) ^ tail)) & (index_.size() - 1);
}

const BirthNumberSet::Entry* BirthNumberSet::find(const BirthNumberField& field) const {
  for (size_t slot = slotOf(field);; slot = (slot + 1) & (index_.size() - 1)) {
    uint32_t at = index_[slot];
    if (at == 0) return nullptr;
    const Entry& e = entries_[at - 1];
    if (e.field == field) return &e;
  }
}

const BirthNumberSet::Entry& BirthNumberSet::add(const BirthNumberField& field,
                                                 const unsigned char digest[kCodeDigestSize]) {
  // At most half full, so probes stay short and an empty slot always ends a search.
  if (2 * (entries_.size() + 1) > index_.size()) grow();
  if (entries_.size() >= UINT32_MAX - 1) throw std::bad_alloc();
  Entry& e = entries_.emplace_back();
  e.field = field;
  std::memcpy(e.digest, digest, kCodeDigestSize);
  size_t slot = slotOf(field);
  while (index_[slot] != 0) slot = (slot + 1) & (index_.size() - 1);
  index_[slot] = static_cast<uint32_t>(entries_.size());
  return e;
}

void BirthNumberSet::grow() {
  std::vector<uint32_t> old(index_.size() * 2, 0);
  old.swap(index_);
  for (size_t i = 0; i < entries_.size(); ++i) {
    size_t slot = slotOf(entries_[i].field);
    while (index_[slot] != 0) slot = (slot + 1) & (index_.size() - 1);
    index_[slot] = static_cast<uint32_t>(i + 1);
  }
}

}  // namespace quervik
