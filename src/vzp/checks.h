// The checks a VZP field goes through: first the generic check of its kind and presence,
// then the named checks its layout lists. Every check takes the field's text (exactly the
// field's width, blanks kept) and returns 0 or a finding code; the batch check reports the
// code on that field and goes on. Several named checks remember values for later checks of
// the same file: that memory is VzpCheckState.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "vzp/descriptors.h"

namespace quervik::vzp {

// The generic check by the field's kind ('C', 'N', 'D', '$') and presence (' ', 'N', 'X'):
// 0, or the code of the first rule the value breaks; 99999 for any other kind.
int checkAttribute(std::string_view value, const VzpFieldDescriptor& field);
// The generic check for the field's kind and presence, chosen once per field: it answers
// as checkAttribute, for a value inside a buffer that stays readable for kVzpValueSlack
// bytes past the value's end (the batch check's line buffer), so it may read whole words.
using VzpGenericCheck = int (*)(std::string_view value, const VzpFieldDescriptor& field);
VzpGenericCheck genericCheckInLine(const VzpFieldDescriptor& field);
inline constexpr size_t kVzpValueSlack = 8;

// The fast path of a whole line: nearly every line holds only bytes that a character field
// accepts (printable ASCII and the national letters), and then the generic check of most
// fields is decided by which bytes are blanks and which are digits.
// Bit i % 64 of word i / 64 stands for byte i of the line; bits past its length are clear.
inline constexpr size_t kVzpLineSlack = 16;
inline constexpr size_t kVzpMaskWords = 8;
struct VzpLineClasses {
  uint64_t nonblank[kVzpMaskWords];
  uint64_t digit[kVzpMaskWords];
};
// False when some byte of the line is one a character field refuses; otherwise fills the
// classes' words
// that the line covers (the words past them are left as they were). The
// line must stay readable for kVzpLineSlack bytes past its length, and it may be at most
// 64 * kVzpMaskWords bytes long.
bool classifyLine(const char* line, size_t length, VzpLineClasses& classes);
// How the classes decide the generic check of a numeric or money field (presence ' ' or
// 'N'): it surely passes for a right-aligned run of digits, for an amount with its point
// in place, and for a blank number that may be blank. Anything else: the check decides.
enum class VzpQuickNumber : uint8_t { None, Number, NumberOrBlank, Amount };
VzpQuickNumber quickNumberOf(const VzpFieldDescriptor& field);

// Bits [from, from + count) of a mask as the low bits of a word; count at most 63.
inline uint64_t bitsOf(const uint64_t (&mask)[kVzpMaskWords], size_t from, size_t count) {
  const size_t word = from / 64, shift = from % 64;
  uint64_t v = mask[word] >> shift;
  if (shift + count > 64) v |= mask[word + 1] << (64 - shift);
  return v & ((uint64_t(1) << count) - 1);
}

// Whether any bit of [from, from + count) is set; from + count at most 64 * kVzpMaskWords.
bool anyBitInWide(const uint64_t (&bits)[kVzpMaskWords], size_t from, size_t count);
inline bool anyBitIn(const uint64_t (&bits)[kVzpMaskWords], size_t from, size_t count) {
  return count < 64 ? bitsOf(bits, from, count) != 0 : anyBitInWide(bits, from, count);
}

// True when the generic check surely passes; pointAt is the amount's point (width minus
// decimals minus 1). The field lies within the line and is at most 63 bytes wide.
inline bool numberPassesByClasses(VzpQuickNumber quick, const VzpLineClasses& classes, const char* line, size_t from,
                                  size_t width, size_t pointAt) {
  const uint64_t filled = bitsOf(classes.nonblank, from, width);
  if (filled == 0) return quick == VzpQuickNumber::NumberOrBlank;
  // Blanks, then non-blanks to the end.
  if (filled + (filled & (~filled + 1)) != uint64_t(1) << width) return false;
  const uint64_t digits = bitsOf(classes.digit, from, width);
  if (quick != VzpQuickNumber::Amount) return digits == filled;
  return (filled >> pointAt & 1) && line[from + pointAt] == '.' && digits == (filled & ~(uint64_t(1) << pointAt));
}

// The characters a character field accepts besides printable ASCII: the Czech and Slovak
// letters with diacritics and the section sign, as the VZP files encode them (code page 852).
bool isNationalLetter(unsigned char c);

enum class VzpCheckId : uint8_t {
#define VZP_CHECK(id, name) id,
#include "vzp/check_list.def"
#undef VZP_CHECK
};

inline constexpr int kVzpCheckCount = 0
#define VZP_CHECK(id, name) +1
#include "vzp/check_list.def"
#undef VZP_CHECK
    ;

using VzpCheckFunction = int (*)(std::string_view value);

struct VzpCheckEntry {
  const char* name;
  VzpCheckFunction function;
};

// The name table, in its order.
std::span<const VzpCheckEntry> vzpCheckTable();
// The check of exactly this name (case-sensitive), or null.
VzpCheckFunction findCheck(std::string_view name);
const VzpCheckEntry& vzpCheck(VzpCheckId id);

// True for the checks that accept every value and remember nothing: running them changes
// nothing, so the batch check leaves them out of its resolved lists.
bool acceptsEveryValue(VzpCheckFunction check);

// Splits a comma-separated check list and looks each name up, in order. A name that is not
// in the table is reported with code 2 ("%s: Nenalezena kontrolni funkce pro polozku") and
// left out. Empty names (",,") are skipped silently.
std::vector<VzpCheckFunction> resolveCheckList(std::string_view list);

// What the named checks remember. Process-wide: it is not reset between files or runs,
// only where a check or the batch check's main pass resets a part of it.
struct VzpCheckState {
  char batchCharacter = ' ';            // PO
  std::string batchType = "  ";         // TypDavky
  std::string headerYear = "    ";      // UlozDRok
  std::string headerMonth = "  ";       // UlozDMes
  std::string batchIco = "        ";    // the header's DICO, set by the main pass
  int fileKind = 0;                     // 16, 80 or 0; set by the main pass
  int today = 0;                        // YYYYMMDD of the local date; set by the main pass
  long lastDocumentOrder = 0;           // NulujPocDokl, ZvetsiPocDokl
  bool dateRequired = false;            // DatumNutno; NepovDatum, JeDatumVyplneno?
  std::string transportCode = "00";     // UlozKodDopravy
  bool diagnosisFailed = false;         // Diagnoza, DiagCisel
  std::string periodStart = "        ";  // UlozDatOd2, YYYYMMDD
  std::string periodEnd = "        ";    // UlozDatDo2, YYYYMMDD
  std::string savedBirthNumber = "          ";  // UlozRC
  uint32_t replacementSet = 0;          // Nahrady_1
  uint32_t categorySet = 0;             // Kategorie
  // Nahrady_X_NTYP: birth number and replacement type of the current batch-05 document,
  // 11 characters each. A hash set: a long document must not cost quadratic time.
  std::unordered_set<std::string> replacements;
  std::string pendingBirthNumber = "          ";  // Nahrady_X_NROD
  bool secondPrescription = false;      // RCI2
  int prescriptionState = 0;            // bits 1, 64, 128 of DruhyRecept
  char careType = ' ';                  // TYP_LP
  bool escortPresent = false;           // JMENO_PR
  int endDates = 0;                     // bit 1 DUKON filled, bit 2 DODJ filled
  long costKind = 0;                    // KOD_NAK
  bool hrodFilled = false;              // JeVyplHROD37
  char storedOtrv = ' ';                // SaveOTRV
  long documentType = 0;                // TypDokl66789
  bool secondAmount = false;            // PovDokl66789_2
};

VzpCheckState& vzpCheckState();
// Back to the state at load (tests).
void resetVzpCheckState();
// Releases the replacement list; the batch check calls it at the end of every file.
void releaseReplacementList();

}  // namespace quervik::vzp
