// The character classes of a short line as bit masks, found with one vector pass over the
// line: a checker then settles a clean fixed-width field by testing the bits of its columns
// instead of loading and testing its bytes one field at a time. Used by the line checks of
// the batch checkers; it reads only the bytes of the line, so a line may end where its buffer
// ends.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quervik {

// Bit i % 16 of element i / 16 stands for byte i of the line. Each mask is followed by zeros,
// so the bits of any columns of the line can be read as one word (bitsOf).
template <size_t Chunks>
struct LineClasses {
  static constexpr size_t kMaxLength = 16 * Chunks;
  uint16_t blank[Chunks + 4];  // ' '
  uint16_t digit[Chunks + 4];  // '0' to '9'
  uint16_t token[Chunks + 4];  // letters of the C locale, digits and '-'
};

// True when every byte of the line is printable ASCII (0x20 to 0x7E), and then fills the
// classes; false otherwise (the classes are then unspecified). The line is 16 to kMaxLength
// bytes long; the bits past its end are unspecified.
template <size_t Chunks>
bool classifyPrintableLine(const char* line, size_t length, LineClasses<Chunks>& classes) {
  classes = LineClasses<Chunks>{};
#ifdef __SSE2__
  // A class that is a range of bytes is one compare: the byte plus (0x80 - first) is below
  // -128 + size as a signed byte exactly when the byte lies in [first, first + size).
  const auto in = [](__m128i v, char first, int size) {
    return _mm_cmplt_epi8(_mm_add_epi8(v, _mm_set1_epi8(char(0x80 - first))), _mm_set1_epi8(char(-128 + size)));
  };
  const __m128i blanks = _mm_set1_epi8(' '), lower = _mm_set1_epi8(0x20), dash = _mm_set1_epi8('-');
  // Printable ASCII (0x20 to 0x7E) is settled for the whole line from its least and greatest
  // byte in each of the sixteen places.
  __m128i least = _mm_set1_epi8(char(0xFF)), greatest = _mm_setzero_si128();
  // Sixteen bytes from `from`, whose masks shifted down by `shift` go to element i.
  const auto classify = [&](size_t from, unsigned shift, size_t i) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line + from));
    least = _mm_min_epu8(least, v);
    greatest = _mm_max_epu8(greatest, v);
    const __m128i digit = in(v, '0', 10);
    const __m128i token = _mm_or_si128(_mm_or_si128(in(_mm_or_si128(v, lower), 'a', 26), digit), _mm_cmpeq_epi8(v, dash));
    classes.blank[i] = uint16_t(unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(v, blanks))) >> shift);
    classes.digit[i] = uint16_t(unsigned(_mm_movemask_epi8(digit)) >> shift);
    classes.token[i] = uint16_t(unsigned(_mm_movemask_epi8(token)) >> shift);
  };
  const size_t whole = length / 16;
  for (size_t i = 0; i < whole; ++i) classify(16 * i, 0, i);
  // The last bytes are loaded as the line's last sixteen, overlapping the piece before.
  if (const size_t rest = length % 16) classify(length - 16, unsigned(16 - rest), whole);
  const __m128i aboveLow = _mm_cmpeq_epi8(_mm_max_epu8(least, lower), least);
  const __m128i belowHigh = _mm_cmpeq_epi8(_mm_min_epu8(greatest, _mm_set1_epi8(0x7E)), greatest);
  return _mm_movemask_epi8(_mm_and_si128(aboveLow, belowHigh)) == 0xFFFF;
#else
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 0x20 || c > 0x7E) return false;
    const auto bit = uint16_t(1u << (i % 16));
    const bool digit = c >= '0' && c <= '9', letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
    if (c == ' ') classes.blank[i / 16] |= bit;
    if (digit) classes.digit[i / 16] |= bit;
    if (digit || letter || c == '-') classes.token[i / 16] |= bit;
  }
  return true;
#endif
}

static_assert(std::endian::native == std::endian::little, "the masks are read as little-endian words");

// Bits [from, from + count) of a mask as the low bits of a word; count 1 to 56, and the range
// lies within the line.
template <size_t Elements>
inline uint64_t bitsOf(const uint16_t (&mask)[Elements], size_t from, size_t count) {
  uint64_t word;
  std::memcpy(&word, reinterpret_cast<const unsigned char*>(mask) + from / 8, sizeof word);
  return (word >> (from % 8)) & ((uint64_t(1) << count) - 1);
}

// The first 128 bits of a mask as one number (bit i for byte i).
__extension__ using LineBits = unsigned __int128;
template <size_t Elements>
inline LineBits lineBits(const uint16_t (&mask)[Elements]) {
  static_assert(Elements >= 8);
  LineBits bits;
  std::memcpy(&bits, mask, sizeof bits);
  return bits;
}

}  // namespace quervik
