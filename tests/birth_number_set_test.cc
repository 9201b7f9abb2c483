// The distinct set of desRc against a plain std::map, across several growths of its index and
// more than one block of entries.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>

#include "birthnumber/birth_number_set.h"

namespace quervik::test {
namespace {

BirthNumberField fieldOf(uint64_t n, bool nineCharacters) {
  BirthNumberField field{};
  char text[16];
  std::snprintf(text, sizeof text, nineCharacters ? "%09llu" : "%010llu",
                static_cast<unsigned long long>(n % (nineCharacters ? 1000000000ULL : 10000000000ULL)));
  std::memcpy(field.data(), text, nineCharacters ? 9 : 10);
  return field;
}

TEST(BirthNumberSet, AgreesWithAMapAndKeepsOrderAndPlaces) {
  BirthNumberSet set;
  std::map<BirthNumberField, size_t> reference;  // field -> order of first appearance
  std::vector<const BirthNumberSet::Entry*> places;
  std::mt19937_64 random(7);
  // About 330,000 distinct numbers over 700,000 lookups: the index doubles many times and the
  // entries fill three blocks. A 9-character number and the same with a tenth digit differ.
  for (int i = 0; i < 700000; ++i) {
    uint64_t n = random() % 400000 * 7919;
    BirthNumberField field = fieldOf(n, n % 5 == 0 && i % 2 == 0);
    const BirthNumberSet::Entry* found = set.find(field);
    set.prefetchSlot(set.hashOf(field));
    set.prefetchEntry(set.hashOf(field));
    auto known = reference.find(field);
    if (known == reference.end()) {
      ASSERT_EQ(found, nullptr) << i;
      unsigned char digest[kCodeDigestSize] = {};
      std::memcpy(digest, &i, sizeof i);
      reference.emplace(field, set.size());
      places.push_back(&set.add(field, digest));
    } else {
      ASSERT_EQ(found, places[known->second]) << i;
    }
  }
  ASSERT_EQ(set.size(), reference.size());
  ASSERT_GT(set.size(), size_t(262144));
  for (const auto& [field, order] : reference) {
    const BirthNumberSet::Entry& entry = set[order];
    ASSERT_EQ(&entry, places[order]);  // never moved while the set grew
    ASSERT_EQ(entry.field, field);
    ASSERT_EQ(set.find(field), &entry);
  }
  // The digests went in with the first appearance: increasing with the order.
  int previous = -1;
  for (size_t i = 0; i < set.size(); ++i) {
    int first;
    std::memcpy(&first, set[i].digest, sizeof first);
    ASSERT_GT(first, previous);
    previous = first;
  }
  EXPECT_EQ(set.find(fieldOf(1, false)), nullptr);
}

}  // namespace
}  // namespace quervik::test
