// The older VZP layouts and how they are widened; see older_layouts.h.
#include "convert/older_layouts.h"

#include <cstring>
#include <string_view>

#include "runtime/leading_number.h"

namespace quervik::convert {
namespace {

constexpr Insertion insert(int before, const char* text) { return {uint8_t(before), text}; }

// The second prescription's code is widened with zeros only when there is a second
// prescription (its kind is 1 or 2); otherwise the empty code just grows by two blanks.
constexpr Insertion insertIf(int before, const char* text, int position, const char* oneOf, const char* otherwise) {
  return {uint8_t(before), text, uint8_t(position), oneOf, otherwise};
}

constexpr OlderLayout kOlderLayouts[] = {
    {"10", 'R', 82, {insertIf(55, "00", 54, "12", "  "), insert(35, "00")}},  // RKO2, RKO1
    {"12", 'M', 14, {insert(2, "00")}},                                       // MKO1
    {"13", 'O', 118, {insert(35, "00")}},                                     // OKO1
    {"14", 'F', 44, {insert(34, "00")}},                                      // MKO2
    {"14", 'M', 15, {insert(2, "00")}},                                       // MKO1
    {"37", 'L', 25, {insert(3, "00")}},                                       // LKOD
    {"81, 82", 'L', 42, {insert(12, "00")}},                                  // LKOD
    {"90, 98, 99", 'L', 38, {insert(12, "00")}},                              // LKOD
};

bool oneOf(const char* chars, char c) {
  for (; *chars; ++chars)
    if (*chars == c) return true;
  return false;
}

}  // namespace

bool batchTypeListed(const char* list, int batchType) {
  std::string_view rest(list);
  while (!rest.empty()) {
    size_t comma = rest.find(',');
    if (leadingInteger(rest.substr(0, comma)) == batchType) return true;
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  return false;
}

std::span<const OlderLayout> olderLayouts() { return kOlderLayouts; }

const OlderLayout* findOlderLayout(int batchType, char letter) {
  for (const OlderLayout& l : kOlderLayouts)
    if (l.letter == letter && batchTypeListed(l.batchTypes, batchType)) return &l;
  return nullptr;
}

size_t widenOlderLayout(const OlderLayout& layout, char* line, size_t length) {
  if (length != layout.length) return length;
  static_assert(sizeof(OlderLayout::length) == 1, "asRead holds any older layout");
  // The conditions read the line as it was read, before anything moved.
  char asRead[256];
  std::memcpy(asRead, line, length);
  for (const Insertion& ins : layout.insertions) {
    if (!ins.text) break;
    const char* text = ins.text;
    if (ins.ifPosition && !oneOf(ins.ifOneOf, asRead[ins.ifPosition - 1])) text = ins.otherwise;
    const size_t n = std::strlen(text);
    const size_t at = ins.before - 1u;
    std::memmove(line + at + n, line + at, length - at);
    std::memcpy(line + at, text, n);
    length += n;
  }
  return length;
}

}  // namespace quervik::convert
