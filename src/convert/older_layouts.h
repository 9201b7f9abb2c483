// Older VZP layouts. Some records were widened when a code field grew from 5 to 7
// characters; a line of the older (shorter) length is rewritten into the newer layout before
// its fields are taken, by inserting characters where the code field begins.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quervik::convert {

struct Insertion {
  uint8_t before = 0;  // position in the line as read, 1-based
  const char* text = nullptr;
  // When set: the text goes in only if the character at this position of the line as read
  // is one of ifOneOf; otherwise `otherwise` goes in.
  uint8_t ifPosition = 0;
  const char* ifOneOf = nullptr;
  const char* otherwise = nullptr;
};

struct OlderLayout {
  const char* batchTypes;  // "10", "81, 82"
  char letter;
  uint8_t length;  // the length of the older layout
  // Highest position first, so every position refers to the line as read.
  std::array<Insertion, 2> insertions;
};

std::span<const OlderLayout> olderLayouts();

// The older layout of a record, if the batch type and letter have one.
const OlderLayout* findOlderLayout(int batchType, char letter);

// Widens a line of the layout's length in place (the buffer must hold the inserted
// characters); the new length. Other lengths are left as they are.
size_t widenOlderLayout(const OlderLayout& layout, char* line, size_t length);

// True when the batch type is one of the numbers in the list ("81, 82, 90").
bool batchTypeListed(const char* list, int batchType);

}  // namespace quervik::convert
