// The generic field check and the finding reports; see field_format.h.
#include "drg/field_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "drg/codes.h"
#include "drg/validators.h"
#include "runtime/line_classes.h"
#include "runtime/report.h"
#include "runtime/report_sink.h"

namespace quervik::drg {
namespace {

// Character classes of the format scan (the C locale's letters and digits; bytes above
// 0x7F are neither).
enum CharClass : unsigned char { kOther, kLetter, kDigitOrMinus, kBlank };

constexpr std::array<unsigned char, 256> makeClasses() {
  std::array<unsigned char, 256> t{};
  for (int c = 'A'; c <= 'Z'; ++c) t[c] = kLetter;
  for (int c = 'a'; c <= 'z'; ++c) t[c] = kLetter;
  for (int c = '0'; c <= '9'; ++c) t[c] = kDigitOrMinus;
  t['-'] = kDigitOrMinus;
  t[' '] = kBlank;
  return t;
}

// Raw text: printable ASCII and the national letters of code page 852.
constexpr std::array<bool, 256> makePrintable() {
  std::array<bool, 256> t{};
  for (int c = 0x20; c <= 0x7E; ++c) t[c] = true;
  constexpr unsigned char national[] = {0xB5, 0xA0, 0xAC, 0x9F, 0xD2, 0xD4, 0x90, 0x82, 0xB7, 0xD8,
                                        0xD6, 0xA1, 0x95, 0x92, 0xD5, 0xE5, 0xE0, 0xA2, 0xFC, 0xFD,
                                        0xE6, 0xE7, 0x9B, 0x9C, 0xE9, 0xA3, 0xDE, 0x85, 0xED, 0xEC,
                                        0xA6, 0xA7, 0x96, 0x89, 0xD3, 0x84, 0x8E, 0x81, 0x9A, 0x94};
  for (unsigned char c : national) t[c] = true;
  return t;
}

constexpr auto kClasses = makeClasses();
constexpr auto kPrintable = makePrintable();

constexpr const char* kMonthNames[12] = {"leden",  "unor",  "brezen", "duben", "kveten",   "cerven",
                                         "cervenec", "srpen", "zari",   "rijen", "listopad", "prosinec"};
constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

// Every fourth year is a leap year here, 1900 included.
int daysInMonth(int month, int year) { return month == 2 ? (year % 4 == 0 ? 29 : 28) : kMonthDays[month - 1]; }

bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

// Start of the last "--" in the text, or -1.
int lastDoubleDash(const char* p, int len) {
  for (int j = len - 2; j >= 0; --j)
    if (p[j] == '-' && p[j + 1] == '-') return j;
  return -1;
}

// Eight bytes at a time: a mask with the high bit set in each byte that belongs to a class.
// Byte i of a loaded word is the i-th byte in memory.
static_assert(std::endian::native == std::endian::little);
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHigh = 0x8080808080808080ull;

uint64_t load8(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// Bytes of w in [lo, hi]; bytes above 0x7F are never in.
uint64_t inRange(uint64_t w, unsigned lo, unsigned hi) {
  const uint64_t ascii = w & (kOnes * 0x7F);
  return (ascii + kOnes * (0x80 - lo)) & ~(ascii + kOnes * (0x7F - hi)) & ~w & kHigh;
}

// Letters, digits and '-': the characters a token is made of ('f' fields: no letters).
uint64_t tokenBytes(uint64_t w, bool letters) {
  uint64_t m = inRange(w, '0', '9') | inRange(w, '-', '-');
  if (letters) m |= inRange(w | kOnes * 0x20, 'a', 'z');
  return m;
}

// Index of the first byte whose high bit is clear in the mask (8 when all are set).
int firstOutside(uint64_t mask) {
  const uint64_t outside = ~mask & kHigh;
  return outside ? __builtin_ctzll(outside) / 8 : 8;
}

// The end of the run of bytes from i on for which the mask function holds.
template <class Mask, class Single>
inline __attribute__((always_inline)) int runEnd(const char* p, int i, int len, Mask mask, Single single) {
  while (i + 8 <= len) {
    const int n = firstOutside(mask(load8(p + i)));
    i += n;
    if (n < 8) return i;
  }
  while (i < len && single(static_cast<unsigned char>(p[i]))) ++i;
  return i;
}

inline int blankRun(const char* p, int i, int len) {
  return runEnd(
      p, i, len, [](uint64_t w) { return inRange(w ^ kOnes * ' ', 0, 0); }, [](unsigned char c) { return c == ' '; });
}

inline int digitRun(const char* p, int i, int len) {
  return runEnd(
      p, i, len, [](uint64_t w) { return inRange(w, '0', '9'); }, [](unsigned char c) { return c >= '0' && c <= '9'; });
}

constexpr int kNoShortcut = 1 << 30;

// One bit per byte (bit i for byte i) from a mask of high bits.
inline uint32_t byteBits(uint64_t mask) { return uint32_t(((mask >> 7) * 0x0102040810204080ull) >> 56); }

inline uint64_t digitBytes(uint64_t w) { return inRange(w, '0', '9'); }

// A field of up to 16 bytes, each class of its bytes as a bit set, bit i for byte i. With 16
// bytes of the line readable from the field on, one vector compare per class gives the set;
// otherwise one word (when 8 bytes are readable) or two overlapping ones.
class FieldWords {
 public:
  FieldWords(const char* p, int len, int readable) : len_(len), all_((1u << len) - 1) {
#ifdef __SSE2__
    if (readable >= 16) {
      wide_ = true;
      v_ = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      return;
    }
#endif
    a_ = load8(p);
    b_ = len > 8 ? load8(p + len - 8) : 0;
  }
  uint32_t all() const { return all_; }
  // Bytes equal to c.
  uint32_t equal(char c) const {
#ifdef __SSE2__
    if (wide_) return vectorBits(_mm_cmpeq_epi8(v_, _mm_set1_epi8(c)));
#endif
    const uint64_t repeated = kOnes * static_cast<unsigned char>(c);
    return bits([repeated](uint64_t w) { return inRange(w ^ repeated, 0, 0); });
  }
  uint32_t digit() const {
#ifdef __SSE2__
    if (wide_) return vectorBits(inVectorRange(v_, '0', '9'));
#endif
    return bits([](uint64_t w) { return inRange(w, '0', '9'); });
  }
  // Printable ASCII.
  uint32_t printable() const {
#ifdef __SSE2__
    if (wide_) return vectorBits(inVectorRange(v_, 0x20, 0x7E));
#endif
    return bits([](uint64_t w) { return inRange(w, 0x20, 0x7E); });
  }
  // Letters, digits and '-'.
  uint32_t letterDigit() const {
#ifdef __SSE2__
    if (wide_) {
      const __m128i letter = inVectorRange(_mm_or_si128(v_, _mm_set1_epi8(0x20)), 'a', 'z');
      const __m128i dash = _mm_cmpeq_epi8(v_, _mm_set1_epi8('-'));
      return vectorBits(_mm_or_si128(_mm_or_si128(letter, dash), inVectorRange(v_, '0', '9')));
    }
#endif
    return bits([](uint64_t w) { return tokenBytes(w, true); });
  }

 private:
  template <class Mask>
  uint32_t bits(Mask mask) const {
    uint32_t bits = byteBits(mask(a_));
    if (len_ > 8) bits |= byteBits(mask(b_)) << (len_ - 8);
    return bits & all_;
  }
#ifdef __SSE2__
  uint32_t vectorBits(__m128i m) const { return uint32_t(_mm_movemask_epi8(m)) & all_; }
  // Bytes in [lo, hi]; bytes above 0x7F compare as negative, so they are never in.
  static __m128i inVectorRange(__m128i v, char lo, char hi) {
    return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(char(lo - 1))), _mm_cmplt_epi8(v, _mm_set1_epi8(char(hi + 1))));
  }
  bool wide_ = false;
  __m128i v_;
#endif
  int len_;
  uint32_t all_;
  uint64_t a_ = 0, b_ = 0;
};

inline int leadingOnes(uint32_t bits) { return __builtin_ctz(~bits); }

// A quantity with its one point at `point` after `blanks` leading blanks, digits elsewhere:
// it takes on the two or three decimals it has. The result as the shortcuts give it.
inline int quantityShortcut(FieldDescriptor& field, int point, int blanks, int len) {
  const int after = len - 1 - point;
  if (point <= blanks || after < 2 || after > 3) return kNoShortcut;
  field.decimals = after;
  return blanks;
}

int shortcutByBits(FieldDescriptor& field, const char* p, int len, int readable) {
  const FieldWords f(p, len, readable);
  const uint32_t blank = f.equal(' ');
  if (blank == f.all()) {
    if (field.format != 'f') return len;
    // A blank number is missing, except where it may be left blank.
    return field.blankNumber ? len : kNoShortcut;
  }
  const int blanks = leadingOnes(blank);
  switch (field.format) {
    case 'r':  // raw text: printable throughout
      return field.decimals == 0 && !field.quantity && f.printable() == f.all() ? 0 : kNoShortcut;
    case 'd':
      return f.digit() == f.all() ? -1 : kNoShortcut;  // -1: the date check decides
    case 'f': {
      const uint32_t digit = f.digit();
      const uint32_t rest = f.all() & ~((1u << blanks) - 1);
      if ((digit & rest) == rest) return blanks;
      if (field.decimals == 0) return kNoShortcut;
      if (field.quantity) {
        // Two or three decimals after one point with digits before it: the field takes them on.
        const uint32_t point = f.equal('.');
        if (std::popcount(point) != 1 || (digit & rest) != (rest & ~point)) return kNoShortcut;
        return quantityShortcut(field, std::countr_zero(point), blanks, len);
      }
      const int point = len - 1 - field.decimals;
      if (point <= blanks) return kNoShortcut;
      const uint32_t pointBit = 1u << point;
      // Digits on both sides of the one point, the last `decimals` characters after it.
      return f.equal('.') == pointBit && (digit & rest) == (rest & ~pointBit) ? blanks : kNoShortcut;
    }
    case 's': {
      const int token = leadingOnes(f.letterDigit());
      return token > 0 && (blank | ((1u << token) - 1)) == f.all() ? 0 : kNoShortcut;
    }
    default:
      return kNoShortcut;
  }
}

// The common shapes of clean fields, recognised without the full scan: the result is the one
// the scan gives for them (-1: the date check decides). kNoShortcut for anything else.
// readable: bytes that may be read from p on (at least len).
int shortcut(FieldDescriptor& field, const char* p, int len, int readable) {
  if (field.skipLeadingZero && p[0] == '0') return kNoShortcut;
  if (field.format == 'd' && len == 8) {  // eight digits for the date check, or blank
    const uint64_t w = load8(p);
    if (digitBytes(w) == kHigh) return -1;
    return w == kOnes * ' ' ? len : kNoShortcut;
  }
  if (field.format == 'r' && len >= 8 && field.decimals == 0 && !field.quantity) {
    // Printable ASCII throughout (the last word overlaps the one before it).
    bool blank = true;
    for (int i = 0;; i += 8) {
      const uint64_t w = load8(p + std::min(i, len - 8));
      if (inRange(w, 0x20, 0x7E) != kHigh) return kNoShortcut;
      blank &= w == kOnes * ' ';
      if (i + 8 >= len) break;
    }
    return blank ? len : 0;
  }
  if (len <= 16 && (len >= 8 || readable >= 8)) return shortcutByBits(field, p, len, readable);
  const int blanks = blankRun(p, 0, len);
  switch (field.format) {
    case 'd':  // eight digits, or blank
      if (blanks == len) return len;
      return blanks == 0 && digitRun(p, 0, len) == len ? -1 : kNoShortcut;  // -1: check the date
    case 'f': {  // blanks, digits, and the decimals after one point
      if (blanks == len) return kNoShortcut;
      const int digits = digitRun(p, blanks, len);
      if (digits == blanks) return kNoShortcut;
      if (digits == len) return blanks;
      if (field.decimals != 0 && !field.quantity && p[digits] == '.' && len - digits - 1 == field.decimals &&
          digitRun(p, digits + 1, len) == len)
        return blanks;
      return kNoShortcut;
    }
    case 's': {  // a token and blanks
      if (blanks == len) return len;
      if (blanks > 0) return kNoShortcut;
      const int token = runEnd(
          p, 0, len, [](uint64_t w) { return tokenBytes(w, true); },
          [](unsigned char c) { return kClasses[c] == kDigitOrMinus || kClasses[c] == kLetter; });
      return token > 0 && blankRun(p, token, len) == len ? 0 : kNoShortcut;
    }
    default:
      return kNoShortcut;
  }
}

// Whether a line holds "--", looked for once and only when a field's scan asks.
class LineDashes {
 public:
  explicit LineDashes(std::string_view line) : line_(line) {}
  bool held() {
    if (state_ < 0) state_ = holdsDoubleDash(line_) ? 1 : 0;
    return state_ == 1;
  }

 private:
  static bool holdsDoubleDash(std::string_view line);
  std::string_view line_;
  int state_ = -1;
};

bool LineDashes::holdsDoubleDash(std::string_view line) {
  const char* p = line.data();
  const char* end = p + line.size();
  while ((p = static_cast<const char*>(std::memchr(p, '-', size_t(end - p)))) && ++p < end)
    if (*p == '-') return true;
  return false;
}

const char* lastOf(const char* p, int len, char c) {
  if (len <= 0) return nullptr;
#ifdef __GLIBC__
  return static_cast<const char*>(::memrchr(p, c, size_t(len)));
#else  // memrchr is a GNU extension
  for (const char* q = p + len; q > p;)
    if (*--q == c) return q;
  return nullptr;
#endif
}

void reportField(const FieldDescriptor& field, std::string_view text) {
  const ReportDetail detail = ReportDetail::joining(field.description, field.offset + 1, text);
  reportDetailed(detail, DRG_FIELD, field.description, text);
  reportDetailed(detail, DRG_COLUMN, field.offset + 1);
}

// The line report carries the finding; a file that could not be opened has no line.
ReportDetail findingDetail(int code, const FindingText& finding) {
  const BatchState& s = batchState();
  ReportDetail detail = ReportDetail::carrying(code, finding.text, s.lineNumber);
  if (s.lineNumber > 0 && s.recordLetters) detail.letter = s.recordLetter;
  return detail;
}

}  // namespace

FieldDescriptor describeField(const FieldSpec& row) {
  FieldDescriptor f;
  f.description = row.description;
  f.offset = row.from - 1;
  f.length = row.width;
  f.format = row.format;
  f.decimals = row.decimals;
  f.freeChars = row.freeChars;
  f.validator = row.validator;
  std::string_view d(row.description);
  f.quantity = d == "Mnozstvi";
  f.icpField = startsWith(d, "ICP");
  f.skipLeadingZero = d == "Icz" || f.icpField;
  f.icpZz = d == "ICP ZZ";
  f.birthDate = d == "Datum narozeni";
  f.blankNumber = f.freeChars || f.icpField;
  // Fields of a line's classes are at most 63 bytes wide; a leading zero to skip is settled
  // by the full check except in numbers.
  if (f.length < 64 && !(f.skipLeadingZero && f.format != 'f')) {
    switch (f.format) {
      case 'd': f.shape = FieldShape::Date; break;
      case 'r': f.shape = f.decimals == 0 && !f.quantity ? FieldShape::Raw : FieldShape::Scan; break;
      case 's': f.shape = FieldShape::Token; break;
      case 'f':  // with decimals, at least the bare zero's two columns
        f.shape = f.decimals == 0 ? FieldShape::Number
                  : f.length < 2  ? FieldShape::Scan
                  : f.quantity    ? FieldShape::Quantity
                                  : FieldShape::Amount;
        break;
    }
  }
  return f;
}

namespace {

// The start of the format check: a right-aligned bare zero, and the shortcuts. kNoShortcut
// when the full scan has to decide.
inline int quickFormat(FieldDescriptor& field, std::string_view text, int readable) {
  const char* p = text.data();
  const int len = int(text.size());
  // A right-aligned bare zero needs no decimals.
  if (field.decimals >= 1 && len >= 2 && p[len - 1] == '0' && p[len - 2] == ' ') return 0;
  if (len == 0) return kNoShortcut;
  const int quick = shortcut(field, p, len, readable);
  return quick == -1 ? checkDate(field, text) : quick;
}

int scanFormat(FieldDescriptor& field, std::string_view text, LineDashes* dashes);

}  // namespace

int checkFieldFormat(FieldDescriptor& field, std::string_view text, bool mayHoldDoubleDash, int readable) {
  const int quick = quickFormat(field, text, std::max(readable, int(text.size())));
  if (quick != kNoShortcut) return quick;
  LineDashes none("");
  return scanFormat(field, text, mayHoldDoubleDash ? nullptr : &none);
}

namespace {

// The full check, character run by character run.
// dashes: whether the field's line holds "--" at all; null: unknown.
int scanFormat(FieldDescriptor& field, std::string_view text, LineDashes* dashes) {
  const char* p = text.data();
  const int len = int(text.size());
  int decimals = field.decimals;

  // The quantity may be given with two or three decimals; the field follows what it sees.
  if (field.quantity) {
    if (const char* dot = lastOf(p, len, '.')) {
      int after = int(p + len - dot - 1);
      field.decimals = after < 2 ? 2 : after > 3 ? 3 : after;
    }
  }

  // One leading zero of an ICZ or ICP is not significant.
  const int start = field.skipLeadingZero && len > 0 && p[0] == '0' ? 1 : 0;

  if (decimals != 0) {
    if (const char* dot = lastOf(p + start, len - start, '.'))
      if (int(p + len - dot - 1) != field.decimals) return -DRG_BAD_DECIMALS;
  }

  // Raw text holds names of several words: only its characters are checked.
  if (field.format == 'r') {
    const int blanks = runEnd(
        p, start, len, [](uint64_t w) { return inRange(w ^ kOnes * ' ', 0, 0); }, [](unsigned char c) { return c == ' '; });
    const int printable = runEnd(
        p, blanks, len, [](uint64_t w) { return inRange(w, 0x20, 0x7E); }, [](unsigned char c) { return kPrintable[c]; });
    for (int i = printable; i < len; ++i)
      if (!kPrintable[static_cast<unsigned char>(p[i])]) return -DRG_NOT_PRINTABLE;
    return blanks < len || len == start ? 0 : len;  // all blank: the validator gets an empty text
  }

  int first = -1;
  bool blankSeen = false;
  bool blankAfterSignificant = false;
  int doubleDash = -2;  // -2: not looked for yet
  int i = start;
  // Runs of letters and digits, and runs of blanks, are taken whole: the rules look at where a
  // run starts.
  while (i < len) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    unsigned char kind = kClasses[c];
    if (kind == kLetter || kind == kDigitOrMinus) {
      if (first < 0)
        first = i;
      else if (blankAfterSignificant)
        return -DRG_LETTER_AFTER_BLANK;
      if (kind == kLetter && field.format == 'f') return -DRG_LETTER_IN_NUMBER;
      // A letter ends a number's run, and the next round reports it.
      const bool letters = field.format != 'f';
      i = runEnd(
          p, i + 1, len, [letters](uint64_t w) { return tokenBytes(w, letters); },
          [letters](unsigned char ch) { return kClasses[ch] == kDigitOrMinus || (letters && kClasses[ch] == kLetter); });
      continue;
    }
    if (doubleDash == -2) doubleDash = dashes && !dashes->held() ? -1 : lastDoubleDash(p, len);
    if (doubleDash >= i) return -DRG_DOUBLE_DASH;
    if (c == ' ') {
      blankSeen = true;
      if (first >= 0) {
        // Numbers and dates are one token; a string may be followed by blanks only.
        if (field.format != 's') return -DRG_BAD_CHARACTER;
        blankAfterSignificant = true;
      }
      i = runEnd(
          p, i + 1, len, [](uint64_t w) { return inRange(w ^ kOnes * ' ', 0, 0); },
          [](unsigned char ch) { return ch == ' '; });
      continue;
    }
    if (c == '.' && decimals != 0 && i != len - 1 && !(i > 0 && p[i - 1] == ' ')) {
      decimals = 0;  // one decimal point
    } else if (!field.freeChars) {
      return -DRG_BAD_CHARACTER;
    }
    ++i;
  }

  if (blankSeen && first < 0) {
    if (field.format == 'f' && !field.freeChars && !field.icpField) return -DRG_NUMBER_MISSING;
    return len;  // the validator receives an empty text
  }
  if (field.format == 'd') return checkDate(field, text);
  // Strings are left-aligned.
  if (field.format == 's' && first >= 0 && p[start] == ' ') return field.icpZz ? 0 : -DRG_TEXT_NOT_LEFT_ALIGNED;
  // Numbers are right-aligned, so their leading blanks are skipped.
  return first >= 0 ? first : 0;
}

}  // namespace

bool readNumber(std::string_view text, size_t& pos, int width, int& value) {
  size_t i = pos;
  while (i < text.size() && isCSpace(text[i])) ++i;
  const size_t end = std::min(text.size(), i + size_t(width));
  bool negative = false;
  if (i < end && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const size_t digits = i;
  int v = 0;
  while (i < end && text[i] >= '0' && text[i] <= '9') v = v * 10 + (text[i++] - '0');
  if (i == digits) return false;
  value = negative ? -v : v;
  pos = i;
  return true;
}

namespace {

// A date that is not eight digits: numbers as "%2d%2d%4d" reads them.
[[gnu::noinline]] int readLooseDate(std::string_view text, Date& date) {
  size_t pos = 0;
  if (!readNumber(text, pos, 2, date.day)) return 0;
  if (!readNumber(text, pos, 2, date.month)) return 1;
  if (!readNumber(text, pos, 4, date.year)) return 2;
  return 3;
}

// Eight digits, the usual case, read directly; kept apart so the date check inlines it.
[[gnu::always_inline]] inline int readDateInline(std::string_view text, Date& date) {
  if (text.size() >= 8) {
    const char* t = text.data();
    if (inRange(load8(t), '0', '9') == kHigh) {
      date.day = (t[0] - '0') * 10 + (t[1] - '0');
      date.month = (t[2] - '0') * 10 + (t[3] - '0');
      date.year = ((t[4] - '0') * 10 + (t[5] - '0')) * 100 + (t[6] - '0') * 10 + (t[7] - '0');
      return 3;
    }
  }
  return readLooseDate(text, date);
}

// Reads an eight-character date and keeps it for readFieldDate.
[[gnu::always_inline]] inline Date readAndKeepDate(BatchState& s, std::string_view text) {
  Date d;
  s.lastDateRead = readDateInline(text, d);
  s.lastDateBytes = load8(text.data());
  s.lastDate = d;
  return d;
}

}  // namespace

int readDate(std::string_view text, Date& date) { return readDateInline(text, date); }

int readFieldDate(std::string_view text, Date& date) {
  if (text.size() != 8) return readDate(text, date);
  BatchState& s = batchState();
  if (load8(text.data()) != s.lastDateBytes) readAndKeepDate(s, text);
  date = s.lastDate;
  return s.lastDateRead;
}

int checkDate(const FieldDescriptor& field, std::string_view text) {
  if (text.size() != 8) return -DRG_BAD_CHARACTER;
  BatchState& s = batchState();
  // The field's validator reads the same text next, and finds the date kept.
  const Date d = readAndKeepDate(s, text);
  if (d.day == 0 || d.month == 0 || d.year == 0) return -DRG_BAD_CHARACTER;

  const Date& today = s.today;
  if (d.year < 1800) return field.birthDate && text == "11111111" ? 0 : -DRG_YEAR_BEFORE_1800;
  if (d.year > today.year) return -DRG_BAD_YEAR;
  if (d.year == today.year) {
    if (d.month > today.month) return -DRG_FUTURE_MONTH;
    if (d.month == today.month && d.day > today.day) return -DRG_FUTURE_DAY;
  }
  if (d.day < 1) return -DRG_BAD_DAY;
  if (d.month < 1 || d.month > 12) return -DRG_BAD_MONTH;
  const int days = daysInMonth(d.month, d.year);
  if (d.day > days) {
    reportDrgFinding(DRG_DAY_BEYOND_MONTH, kMonthNames[d.month - 1], days,
                     days == 29 ? " (pouze prestupny rok)" : "");
    return -DRG_DAY_BEYOND_MONTH;
  }
  return 0;
}

bool isBlank(std::string_view text) {
  for (char c : text)
    if (!isCSpace(c)) return false;
  return true;
}

int sameText(std::string_view a, std::string_view b, bool ignoreCase) {
  while (!a.empty() && isCSpace(a.back())) a.remove_suffix(1);
  while (!b.empty() && isCSpace(b.back())) b.remove_suffix(1);
  if (a.size() != b.size()) return 1;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (ignoreCase) {
      if (x >= 'a' && x <= 'z') x = char(x - 'a' + 'A');
      if (y >= 'a' && y <= 'z') y = char(y - 'a' + 'A');
    }
    if (x != y) return 1;
  }
  return 0;
}

namespace {

using DrgLineClasses = LineClasses<8>;  // every record with fields is at most 128 bytes long

// checkDate for eight digits: a date in the past of a month that has its day is accepted
// here, anything else is left to checkDate. Keeps the date for readFieldDate either way.
inline int checkDigitDate(const FieldDescriptor& field, const char* p) {
  BatchState& s = batchState();
  const uint64_t bytes = load8(p);
  // Each pair of digits as one number: DD MM YY YY in bytes 0, 2, 4 and 6.
  uint64_t w = bytes - kOnes * '0';
  w = (w * 10 + (w >> 8)) & 0x00FF00FF00FF00FFull;
  const Date d{int(w & 0xFF), int(w >> 16 & 0xFF), int(w >> 32 & 0xFF) * 100 + int(w >> 48)};
  s.lastDateBytes = bytes;
  s.lastDate = d;
  s.lastDateRead = 3;
  const Date& t = s.today;
  const bool past = d.year != t.year ? d.year < t.year : d.month != t.month ? d.month < t.month : d.day <= t.day;
  if (d.year >= 1800 && past && d.month >= 1 && d.month <= 12 && d.day >= 1) {
    if (d.day <= daysInMonth(d.month, d.year)) return 0;
  }
  return checkDate(field, std::string_view(p, 8));
}

// The format check of a field of a printable line, from the line's classes, for the shapes of
// clean fields: the result is the one the full check gives for them. kNoShortcut for anything
// else, which the full check then decides.
inline int formatByClasses(FieldDescriptor& field, const char* p, const DrgLineClasses& classes) {
  const size_t at = size_t(field.offset);
  const int len = field.length;
  const uint64_t all = (uint64_t(1) << len) - 1;
  // The masks from the field's first column on; the bits past the field are cleared where
  // they would matter, with `all` once rather than in every load.
  const auto from = [at](const auto& mask) {
    uint64_t word;
    std::memcpy(&word, reinterpret_cast<const unsigned char*>(mask) + at / 8, sizeof word);
    return word >> (at % 8);
  };
  const uint64_t filled = ~from(classes.blank) & all;
  switch (field.shape) {
    case FieldShape::Date:  // eight digits for the date check, or blank
      if (filled == 0) return len;
      return (~from(classes.digit) & all) == 0 ? checkDigitDate(field, p) : kNoShortcut;
    case FieldShape::Raw:  // the line is printable throughout
      return filled == 0 ? len : 0;
    case FieldShape::Token:  // letters, digits and '-' from the first column on, then blanks
      if (filled == 0) return len;
      return (filled & (filled + 1)) == 0 && (from(classes.token) & filled) == filled ? 0 : kNoShortcut;
    case FieldShape::Number:
    case FieldShape::Amount:
    case FieldShape::Quantity: {
      // A right-aligned bare zero needs no decimals.
      if (field.decimals >= 1 && p[len - 1] == '0' && p[len - 2] == ' ') return 0;
      if (field.skipLeadingZero && p[0] == '0') return kNoShortcut;
      if (filled == 0) return field.blankNumber ? len : kNoShortcut;
      // Blanks, then digits to the end but for one decimal point.
      const int blanks = std::countr_zero(filled);
      const uint64_t odd = (all << blanks) & all & ~from(classes.digit);
      if (odd == 0) return blanks;
      if (field.shape == FieldShape::Number || (odd & (odd - 1)) != 0) return kNoShortcut;
      const int point = std::countr_zero(odd), after = len - 1 - point;
      if (point <= blanks || p[point] != '.') return kNoShortcut;
      if (field.shape == FieldShape::Amount) return after == field.decimals ? blanks : kNoShortcut;
      return quantityShortcut(field, point, blanks, len);
    }
    case FieldShape::Scan:
      break;
  }
  return kNoShortcut;
}

// Whether every quiet field of the line is clean: what formatByClasses accepts for each.
bool quietFieldsClean(const QuietFields& q, const DrgLineClasses& classes, const char* line) {
  using Bits = QuietFields::Bits;
  const Bits blank = lineBits(classes.blank), filled = ~blank, digit = lineBits(classes.digit);
  const bool clean = (filled & ~digit & q.numbers) == q.points && (blank & q.filled) == 0 &&
                     (filled << 1 & blank & q.rightAligned) == 0 && (filled & ~lineBits(classes.token) & q.tokens) == 0 &&
                     (blank << 1 & filled & q.leftAligned) == 0;
  if (!clean) return false;
  for (int i = 0; i < q.pointCount; ++i)
    if (line[q.pointAt[i]] != '.') return false;
  return true;
}

}  // namespace

QuietFields quietFieldsOf(std::span<FieldDescriptor> fields, int recordLength) {
  QuietFields q;
  if (recordLength < 16 || recordLength > int(DrgLineClasses::kMaxLength)) return q;
  using Bits = QuietFields::Bits;
  for (FieldDescriptor& f : fields) {
    if (f.validator != noCheck || f.skipLeadingZero || f.freeChars || f.quantity) continue;
    const Bits columns = ((Bits(1) << f.length) - 1) << f.offset, first = Bits(1) << f.offset;
    switch (f.shape) {
      case FieldShape::Raw:
        break;
      case FieldShape::Token:
        q.tokens |= columns;
        q.leftAligned |= columns & ~first;
        break;
      case FieldShape::Number:
        q.numbers |= columns;
        q.rightAligned |= columns & ~first;
        if (!f.blankNumber) q.filled |= Bits(1) << (f.offset + f.length - 1);
        break;
      case FieldShape::Amount: {
        const int point = f.offset + f.length - 1 - f.decimals;
        if (point <= f.offset || f.blankNumber || q.pointCount == int(std::size(q.pointAt))) continue;
        q.numbers |= columns;
        q.rightAligned |= columns & ~first;
        q.points |= Bits(1) << point;
        q.filled |= Bits(1) << (point - 1);
        q.pointAt[q.pointCount++] = point;
        break;
      }
      default:
        continue;
    }
    f.quiet = true;
  }
  for (size_t i = 0; i < fields.size(); ++i)
    if (!fields[i].quiet) q.others.push_back(uint8_t(i));
  return q;
}

namespace {

// The indices of every field, in order, for a line that needs all of them checked.
constexpr auto kEveryField = [] {
  std::array<uint8_t, 256> all{};
  for (size_t i = 0; i < all.size(); ++i) all[i] = uint8_t(i);
  return all;
}();

}  // namespace

void checkFields(std::span<FieldDescriptor> fields, std::string_view line, const QuietFields* quiet) {
  // Two dashes in a row are rare; a line without them spares every field the search.
  LineDashes dashes(line);
  // Nearly every line is printable ASCII: its classes then settle the clean fields.
  DrgLineClasses classes;
  const bool printable = line.size() >= 16 && line.size() <= DrgLineClasses::kMaxLength &&
                         classifyPrintableLine(line.data(), line.size(), classes);
  // A line whose quiet fields are all clean needs only the others checked. (A layout has
  // at most 256 fields: layouts.cc checks it.)
  std::span<const uint8_t> order(kEveryField.data(), std::min(fields.size(), kEveryField.size()));
  if (printable && quiet && quietFieldsClean(*quiet, classes, line.data())) order = quiet->others;
  for (const uint8_t i : order) {
    FieldDescriptor& field = fields[i];
    const std::string_view text(line.data() + field.offset, size_t(field.length));
    int r = printable ? formatByClasses(field, text.data(), classes) : kNoShortcut;
    // The bytes after the field, up to the end of the line, may be read too.
    if (r == kNoShortcut) r = quickFormat(field, text, int(line.size()) - field.offset);
    if (r == kNoShortcut) r = scanFormat(field, text, &dashes);
    if (r < 0) {
      if (r != -DRG_DAY_BEYOND_MONTH) reportDrgFinding(-r);
      reportField(field, text);
    }
    // The validator runs after a format error too, on the whole field.
    if (field.validator == noCheck) continue;
    // r is at most the field's length.
    const int v = field.validator(r < 0 ? text : std::string_view(text.data() + r, text.size() - size_t(r)));
    if (v < 0) {
      reportDrgFinding(-v);
      reportField(field, text);
    } else if (v > 0) {
      reportDrgWarning(v);
      reportField(field, text);
    }
  }
}

void reportDrgFindingArgs(int code, std::span<const MsgArg> args) {
  BatchState& s = batchState();
  const FindingText finding = formatFinding(code, args);
  if (code > 7001 && code < 7008)
    reportDetailed(findingDetail(code, finding), DRG_TEXT_LINE, finding.withCode);
  else
    reportDetailed(findingDetail(code, finding), DRG_ERROR_AT_LINE, s.lineNumber, finding.withCode);
  ++s.errorCount;
}

void reportDrgWarningArgs(int code, std::span<const MsgArg> args) {
  BatchState& s = batchState();
  if (code == 1) code = DRG_REQUESTER_ICP_FILLED;
  const FindingText finding = formatFinding(code, args);
  reportDetailed(findingDetail(code, finding), DRG_WARNING_AT_LINE, s.lineNumber, finding.withCode);
  ++s.warningCount;
}

}  // namespace quervik::drg
