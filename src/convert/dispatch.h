// Which DRG records a VZP line becomes, by the batch type it stands in and its letter.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "convert/filling_rules.h"

namespace quervik::convert {

struct DispatchStep {
  const FillingRule* rule = nullptr;
  // When set: the record is written only if the character at this position is one of onlyIfOneOf.
  uint8_t onlyIfPosition = 0;
  const char* onlyIfOneOf = nullptr;
};

constexpr DispatchStep always(const FillingRule& rule) { return {&rule}; }
constexpr DispatchStep onlyIf(const FillingRule& rule, int position, const char* oneOf) {
  return {&rule, uint8_t(position), oneOf};
}

// How a row uses the lines around it.
enum LineUse : uint8_t {
  kOwnLineOnly = 0,
  kReadsNextLine = 1,         // the following line, when it is a V line, gives the patient
  kBecomesDocumentLine = 2,   // the batch's item records read from this line
};

inline constexpr const char* kEveryTypeExcept05 = "every type except 05";

struct DispatchRow {
  const char* batchTypes;  // "05", "81, 98", or kEveryTypeExcept05 (any other, 0 included)
  char letter;
  std::array<DispatchStep, 3> steps;
  uint8_t use = kOwnLineOnly;
  // A line of this length (0: none) has another layout and is written by the steps below.
  size_t longLayoutLength = 0;
  std::array<DispatchStep, 3> longLayoutSteps{};
};

std::span<const DispatchRow> dispatchTable();

// The row for a letter in a batch type, or null when the line produces nothing.
const DispatchRow* findDispatchRow(int batchType, char letter);

}  // namespace quervik::convert
