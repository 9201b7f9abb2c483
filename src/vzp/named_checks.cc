// The named checks of the VZP layouts and the state they keep; see checks.h. Each check
// sees only its field's text. Values are compared as the fixed-width texts they are:
// "blank" means every character is a blank (an empty text counts as blank), and numbers
// are read as leading numbers (leading blanks, a sign, digits up to the first other byte).
#include <bit>
#include <cstring>
#include <new>

#include "runtime/report.h"
#include "vzp/checks.h"
#include "vzp/codes.h"
#include "vzp/numbers.h"

namespace quervik::vzp {
namespace {

VzpCheckState gState;

using V = std::string_view;

// A plain loop: fields are short, and the library search costs more than it saves on them.
bool blank(V v) {
  for (char c : v)
    if (c != ' ') return false;
  return true;
}
// The i-th character, or NUL past the end: checks never read outside their field.
char at(V v, size_t i) { return i < v.size() ? v[i] : '\0'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
int64_t integerOf(V v) { return fieldInteger(v); }
V part(V v, size_t from, size_t count) { return from < v.size() ? v.substr(from, count) : V(); }

// Short texts (codes, dates, facility numbers) compared as words, with the answers of the
// string comparison (bytes unsigned) and without a library call. A text of up to eight
// bytes as one little-endian word, zero past its end: a few loads, overlapping where the
// length is not a power of two.
[[gnu::always_inline]] inline uint64_t wordOf(V v) {
  const char* p = v.data();
  const size_t n = v.size();
  uint64_t w = 0;
  if (n >= 8) {
    std::memcpy(&w, p, 8);
  } else if (n >= 4) {
    uint32_t low, high;
    std::memcpy(&low, p, 4);
    std::memcpy(&high, p + n - 4, 4);
    w = low | uint64_t(high) << (8 * (n - 4));
  } else if (n > 0) {
    w = uint8_t(p[0]) | uint64_t(uint8_t(p[n / 2])) << (8 * (n / 2)) | uint64_t(uint8_t(p[n - 1])) << (8 * (n - 1));
  }
  return w;
}
[[gnu::always_inline]] inline bool same(V a, V b) { return a.size() == b.size() && (a.size() > 8 ? a == b : wordOf(a) == wordOf(b)); }
[[gnu::always_inline]] inline int compareShort(V a, V b) {
  if (a.size() != b.size() || a.size() > 8) return a.compare(b);
  // Byte-swapped, the first byte is the most significant, as in the string order.
  const uint64_t x = __builtin_bswap64(wordOf(a)), y = __builtin_bswap64(wordOf(b));
  return x < y ? -1 : x > y ? 1 : 0;
}

// DDMMYYYY rearranged to YYYYMMDD (shorter for a shorter text), without an allocation.
class YearFirst {
 public:
  explicit YearFirst(V v) {
    if (v.size() >= 8) {  // a whole date, as nearly every one is
      const char order[8] = {v[4], v[5], v[6], v[7], v[2], v[3], v[0], v[1]};
      std::memcpy(text_, order, 8);
      size_ = 8;
      return;
    }
    append(part(v, 4, 4));
    append(part(v, 2, 2));
    append(part(v, 0, 2));
  }
  V text() const { return V(text_, size_); }

 private:
  void append(V piece) {
    std::memcpy(text_ + size_, piece.data(), piece.size());
    size_ += piece.size();
  }
  char text_[8] = {};
  size_t size_ = 0;
};

int firstCharIn(V v, const char* allowed, int code) {
  const char c = at(v, 0);
  for (const char* a = allowed; *a; ++a)
    if (c == *a) return 0;
  return code;
}

// ---- Batch header

int NulujPocDokl(V) {
  gState.lastDocumentOrder = 0;
  return 0;
}

int acceptAll(V) { return 0; }

int PO(V v) {
  gState.batchCharacter = at(v, 0);
  return firstCharIn(v, "PO", VZP_BATCH_CHARACTER_WRONG);
}

int TypDavky(V v) {
  gState.batchType = std::string(v);
  if (gState.batchCharacter != 'O') return 0;
  for (const char* t : {"88", "89", "92", "93", "94", "95", "96", "97", "10", "12", "13", "14"})
    if (v == t) return VZP_BATCH_TYPE_NOT_FOR_CORRECTION;
  return 0;
}

// Batches of type 16 or 80 are accepted only in a file whose batches are all of that type.
int vystrel_lazne(V v) { return gState.fileKind == 0 && (v == "16" || v == "80") ? VZP_SPA_BATCH_MIXED : 0; }

int TestICO(V v) { return v == gState.batchIco ? 0 : VZP_HEADER_ICO_DIFFERS; }

int UlozDRok(V v) {
  gState.headerYear = std::string(v);
  return 0;
}

int UlozDMes(V v) {
  gState.headerMonth = std::string(v);
  return 0;
}

// ---- Numbers and counters

// The characters before the first blank must be digits; what follows is not examined.
// So the first byte that is not a digit decides: none, or a blank, passes.
int NoSpacesInNum(V v) {
  size_t i = 0;
  for (; i + 8 <= v.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, v.data() + i, 8);
    if (const uint64_t other = nonDigitBytes(w))
      return v[i + size_t(std::countr_zero(other)) / 8] == ' ' ? 0 : VZP_NUMBER_CHARACTER_NOT_ALLOWED;
  }
  for (; i < v.size(); ++i)
    if (!isDigit(v[i])) return v[i] == ' ' ? 0 : VZP_NUMBER_CHARACTER_NOT_ALLOWED;
  return 0;
}

int NumNotNul(V v) { return integerOf(v) == 0 ? VZP_NUMBER_ZERO : 0; }
int KladneCislo(V v) { return integerOf(v) < 0 ? VZP_NUMBER_NEGATIVE : 0; }

// In batches 65 and 66 a document number is one digit shorter than its field.
int KratsiCislo(V v) {
  const bool shortType = gState.batchType == "65" || gState.batchType == "66";
  return shortType && at(v, 0) >= '1' && at(v, 0) <= '9' ? VZP_DOCUMENT_NUMBER_TOO_LONG : 0;
}

int ZvetsiPocDokl(V v) {
  const int64_t order = integerOf(v);
  if (order <= gState.lastDocumentOrder) return VZP_ORDER_NOT_RISING;
  gState.lastDocumentOrder = long(order);
  return 0;
}

int CenNotNul(V v) { return leadingDecimalSign(v) == 0 ? VZP_AMOUNT_ZERO : 0; }

// A right-aligned amount with two decimals held in a character field.
int NumberTest(V v) {
  if (blank(v)) return 0;
  const size_t pointAt = v.size() >= 3 ? v.size() - 3 : V::npos;
  size_t i = v.find_first_not_of(' ');
  if (pointAt == V::npos || i > pointAt) return VZP_AMOUNT_POINT_MISSING;
  for (; i < v.size(); ++i) {
    if (v[i] == ' ') return VZP_AMOUNT_INNER_BLANK;
    if (i == pointAt) {
      if (v[i] != '.') return VZP_AMOUNT_POINT_MISSING;
    } else if (!isDigit(v[i])) {
      return VZP_AMOUNT_CHARACTER_NOT_ALLOWED;
    }
  }
  return 0;
}

int RokPo1992(V v) {
  if (blank(v) || integerOf(v) == 0) return 0;
  return integerOf(v) < 1992 ? VZP_YEAR_BEFORE_1992 : 0;
}

int RokNizHlav(V v) {
  if (blank(v) || integerOf(v) == 0) return 0;
  return integerOf(v) > integerOf(gState.headerYear) ? VZP_YEAR_OUT_OF_RANGE : 0;
}

int NepovRok(V v) {
  if (blank(v) || integerOf(v) == 0) return 0;
  return NoSpacesInNum(v) != 0 ? VZP_YEAR_NOT_DIGITS : 0;
}

int IsMesic(V v) {
  if (blank(v)) return 0;
  const int64_t month = integerOf(v);
  const bool ok = (at(v, 0) == '0' || at(v, 0) == '1') && isDigit(at(v, 1)) && month >= 1 && month <= 12;
  return ok ? 0 : VZP_MONTH_WRONG;
}

int NepovMesic(V v) { return blank(v) ? 0 : IsMesic(v); }

// ---- Single-character codes

int TestC1_1az3(V v) { return firstCharIn(v, "123", VZP_VALUE_1_TO_3); }
int TestC1_1az4(V v) { return firstCharIn(v, "1234", VZP_VALUE_1_TO_4); }
int TestC1_1az5(V v) { return firstCharIn(v, "12345", VZP_VALUE_1_TO_5); }
int TestXspc(V v) { return firstCharIn(v, " X", VZP_VALUE_BLANK_OR_X); }
int CI(V v) { return firstCharIn(v, "CI", VZP_VALUE_C_OR_I); }
int VKVA(V v) { return firstCharIn(v, " 0123456789", VZP_QUALITY_WRONG); }
int VZUB(V v) { return firstCharIn(v, " 0123456789", VZP_TOOTH_WRONG); }

// ---- Dates

int DatNizsiHlav(V v) { return NoSpacesInNum(v) != 0 ? VZP_DATE_FORMAT_WRONG : 0; }
int NDatNizsiHlav(V v) { return blank(v) ? 0 : DatNizsiHlav(v); }

int DatNizTyped(V v) { return integerOf(YearFirst(v).text()) > gState.today ? VZP_DATE_IN_FUTURE : 0; }
int NDatNizTyped(V v) { return blank(v) ? 0 : DatNizTyped(v); }

int UlozDatOd2(V v) {
  gState.periodStart = YearFirst(v).text();
  return 0;
}

int UlozDatDo2(V v) {
  gState.periodEnd = YearFirst(v).text();
  return 0;
}

int Datum2VMezich(V v) {
  if (blank(v)) return 0;
  const YearFirst date(v);
  return compareShort(date.text(), gState.periodStart) < 0 || compareShort(date.text(), gState.periodEnd) > 0
             ? VZP_DATE_OUTSIDE_PERIOD
             : 0;
}

int DatumNutno(V) {
  gState.dateRequired = true;
  return 0;
}

// After a document that requires dates, the next item date must carry a day.
int NepovDatum(V v) {
  if (gState.dateRequired && integerOf(part(v, 0, 2)) == 0) return VZP_DATE_MISSING;
  gState.dateRequired = false;
  return 0;
}

// ---- Facility numbers

// The first two characters of a facility number give its region; regions up to "10" are
// one area.
int ICP_vlastni(V v) {
  const V ico = gState.batchIco;
  const V region = part(ico, 0, 2), own = part(v, 0, 2);
  const bool ok = compareShort(region, "10") <= 0 ? compareShort(own, "10") <= 0 : same(own, region);
  return ok ? 0 : VZP_ICP_REGION_WRONG;
}

int ICP_shoda(V v) {
  const V ico = gState.batchIco;
  const V kind = part(ico, 2, 3);
  const bool ok = same(kind, "997") || same(kind, "996") ? same(v, ico) : same(part(v, 0, 5), part(ico, 0, 5));
  return ok ? 0 : VZP_ICP_NOT_OF_FACILITY;
}

int ICP_cizi(V v) {
  const V region = part(gState.batchIco, 0, 2), other = part(v, 0, 2);
  const bool own = compareShort(region, "10") <= 0 ? compareShort(other, "11") < 0 : same(other, region);
  return own ? VZP_ICP_OF_OWN_FACILITY : 0;
}

// ---- Birth numbers

int UlozRC(V v) {
  gState.savedBirthNumber = std::string(v);
  return 0;
}

int KontrolaRC_Z(V v) { return v == gState.savedBirthNumber ? 0 : VZP_BIRTH_NUMBER_DIFFERS; }

// ---- Diagnoses

// A letter, two digits, then a digit or a blank; the fifth character is not examined.
int Diagnoza(V v) {
  const bool ok = isUpper(at(v, 0)) && isDigit(at(v, 1)) && isDigit(at(v, 2)) &&
                  (isDigit(at(v, 3)) || at(v, 3) == ' ');
  if (ok) return 0;
  gState.diagnosisFailed = true;
  return VZP_DIAGNOSIS_WRONG;
}

int DiagCisel(V) {
  gState.diagnosisFailed = false;
  return 0;
}

int NepovDiagnoza(V v) { return blank(v) ? 0 : Diagnoza(v); }
int NepovDiagCisel(V v) { return blank(v) ? 0 : DiagCisel(v); }

// ---- Replacements and categories

uint32_t bitOf(V v) { return uint32_t(1) << (uint64_t(integerOf(v)) % 32); }

int Nuluj_n_1(V) {
  gState.replacementSet = 0;
  gState.categorySet = 0;
  return 0;
}

int addToSet(uint32_t& set, V v, int code) {
  const uint32_t bit = bitOf(v);
  if (set & bit) return code;
  set |= bit;
  return 0;
}

int Nahrady_1(V v) { return addToSet(gState.replacementSet, v, VZP_REPLACEMENT_REPEATED); }
int Kategorie(V v) { return addToSet(gState.categorySet, v, VZP_CATEGORY_REPEATED); }

int Nuluj_n_X(V) {
  gState.replacements.clear();
  return 0;
}

int Nahrady_X_NROD(V v) {
  gState.pendingBirthNumber = std::string(v);
  return 0;
}

int Nahrady_X_NTYP(V v) {
  try {
    std::string entry = gState.pendingBirthNumber + at(v, 0);
    if (!gState.replacements.insert(std::move(entry)).second) return VZP_REPLACEMENT_REPEATED;
  } catch (const std::bad_alloc&) {
    reportError(VZP_INTERNAL, "Nedostatek pameti pro nacteni nahrad");
  }
  return 0;
}

// ---- Prescriptions (batch 10)

int RCI2(V v) {
  gState.secondPrescription = at(v, 0) != ' ';
  gState.prescriptionState = 0;
  return 0;
}

// "0.00" at the end, before it only blanks and zeros, and no blank after a zero.
bool isZeroAmount(V v) {
  if (v.size() < 4 || v.substr(v.size() - 4) != "0.00") return false;
  bool zero = false;
  for (char c : v.substr(0, v.size() - 4)) {
    if (c == '0')
      zero = true;
    else if (c != ' ' || zero)
      return false;
  }
  return true;
}

// Works on the lengths of the values: in the 82-character layout RKO2 and RMN2 have 5
// characters and RFI2 9. Without a second prescription none of them may carry a value.
int DruhyRecept(V v) {
  int& itemState = gState.prescriptionState;
  const bool second = gState.secondPrescription, empty = blank(v);
  if (v.size() == 5 && itemState == 0) {
    itemState |= 1;
    if (second && empty) return VZP_REQUIRED_BLANK;
    if (!empty) itemState |= 128;
  }
  if (v.size() == 5 && (itemState & 1)) {
    if (second && (empty || isZeroAmount(v))) return VZP_AMOUNT_ZERO;
    if (leadingDecimalSign(v) > 0) itemState |= 64;
    return 0;
  }
  if (v.size() == 9) {
    if (second) return empty ? VZP_AMOUNT_ZERO : 0;
    return leadingDecimalSign(v) > 0 || (itemState & (64 | 128)) ? VZP_SECOND_PRESCRIPTION_UNEXPECTED : 0;
  }
  return 0;
}

// ---- Transport (batch 36): the transport codes 08, 04 and 39 carry no trip details.

bool specialTransport() {
  const std::string& t = gState.transportCode;  // asked for most fields of a batch-36 item
  return t.size() == 2 && ((t[0] == '0' && (t[1] == '8' || t[1] == '4')) || (t[0] == '3' && t[1] == '9'));
}

int UlozKodDopravy(V v) {
  gState.transportCode = std::string(v);
  return 0;
}

int Datum36(V v) {
  if (specialTransport()) return blank(v) ? 0 : VZP_MUST_NOT_BE_FILLED;
  return blank(v) ? VZP_DATE_MISSING : DatNizsiHlav(v);
}

int Time36(V v) { return specialTransport() && integerOf(v) != 0 ? VZP_MUST_NOT_BE_FILLED : 0; }
int Char36(V v) { return specialTransport() && !blank(v) ? VZP_MUST_NOT_BE_FILLED : 0; }

int Diag36(V v) {
  if (specialTransport()) return blank(v) ? 0 : VZP_MUST_NOT_BE_FILLED;
  return Diagnoza(v);
}

int Diag36Cisel(V v) {
  if (specialTransport()) return blank(v) ? 0 : VZP_MUST_NOT_BE_FILLED;
  return DiagCisel(v);
}

// ---- Further record rules

// A registration plate: upper-case letters and digits, one leading blank allowed.
int SPZcheck(V v) {
  for (size_t i = 0; i < v.size(); ++i) {
    const char c = v[i];
    if (!(isUpper(c) || isDigit(c) || (i == 0 && c == ' '))) return VZP_CHARACTER_NOT_ALLOWED;
  }
  return 0;
}

int NepovSPZ(V v) { return blank(v) ? 0 : SPZcheck(v); }

int VKOD(V v) {
  const V code = part(v, 0, 5);
  const size_t start = code.find_first_not_of(' ');
  if (start == V::npos) return 0;
  for (char c : code.substr(start))
    if (!isDigit(c)) return VZP_SERVICE_CODE_NOT_DIGITS;
  return 0;
}

int JeVyplHROD37(V v) {
  gState.hrodFilled = !blank(v);
  return 0;
}

int HJME37(V v) { return !gState.hrodFilled && blank(v) ? VZP_NAME_MISSING : 0; }

int SaveOTRV(V v) {
  gState.storedOtrv = at(v, 0);
  return 0;
}

int ODAZ(V v) { return gState.storedOtrv == ' ' && blank(v) ? VZP_DATE_MISSING : 0; }
int OEVC(V v) { return gState.storedOtrv == ' ' && blank(v) ? VZP_REQUIRED_BLANK : 0; }

// ---- Spa care (batch 16)

int DUKON_DODJ_setind(V) {
  gState.endDates = 0;
  return 0;
}

int DUKON(V v) {
  if (!blank(v)) gState.endDates = 1;
  return 0;
}

int DODJ(V v) {
  if (!blank(v)) gState.endDates |= 2;
  return 0;
}

int KOD_UKO(V v) {
  if (at(v, 0) == '0') return gState.endDates != 0 ? VZP_END_CODE_ZERO_WITH_END_DATE : 0;
  return gState.endDates != 3 ? VZP_END_CODE_WITHOUT_END_DATES : 0;
}

int TYP_LP(V v) {
  gState.careType = at(v, 0);
  return firstCharIn(v, "KPD", VZP_CARE_TYPE_WRONG);
}

int JMENO_PR(V v) {
  gState.escortPresent = !blank(v);
  return 0;
}

int CP_PR(V v) {
  if (blank(v) && gState.escortPresent) return VZP_ESCORT_NUMBER_MISSING;
  if (!blank(v) && !gState.escortPresent) return VZP_ESCORT_NUMBER_WITHOUT_ESCORT;
  return 0;
}

int KOD_NAK(V v) {
  const long kind = long(integerOf(v));
  gState.costKind = kind;
  if (!gState.escortPresent && (kind < 1 || kind > 3)) return VZP_COST_KIND_WITHOUT_ESCORT;
  if (gState.careType == 'P' && kind != 3) return VZP_COST_KIND_FOR_CARE_TYPE;
  return 0;
}

// Cost kinds 1 and 4 are stays with a bed.
bool stayWithBed() { return gState.costKind == 1 || gState.costKind == 4; }

int LUZKO_KATEG(V v) {
  if (v.size() == 1) {
    if (stayWithBed() && v == "0") return VZP_BED_ZERO;
    if (!stayWithBed() && v != "0") return VZP_MUST_BE_ZERO;
  } else if (v.size() == 3) {
    if (stayWithBed() && blank(v)) return VZP_REQUIRED_BLANK;
    if (!stayWithBed() && !blank(v)) return VZP_MUST_BE_BLANK;
  }
  return 0;
}

int KOD_PRERUS(V v) {
  if (blank(v) && stayWithBed()) return VZP_INTERRUPTION_MISSING;
  if (!blank(v) && !stayWithBed()) return VZP_INTERRUPTION_NOT_ALLOWED;
  return 0;
}

// ---- Batch type 66

int TypDokl66789(V v) {
  const char second = at(v, 1);
  if (at(v, 0) != '6' && second != '6' && second != '7' && second != '8' && second != '9')
    return VZP_DOCUMENT_TYPE_WRONG;
  gState.documentType = long(integerOf(v));
  return 0;
}

// The amount test: with its last four characters replaced by "0.00", the amount must read
// as zero, so amounts below 10 pass.
int amountTest(V v) {
  std::string copy(v);
  if (copy.size() >= 4) copy.replace(copy.size() - 4, 4, "0.00");
  return leadingDecimalSign(copy) != 0 ? VZP_AMOUNT_WRONG : 0;
}

int PovDokl66789_1(V v) {
  const bool type67 = gState.documentType == 67;
  switch (v.size()) {
    case 8: {  // ICO: a number, which may be followed by blanks
      if (blank(v) || (type67 && leadingDecimalSign(v) != 0)) return VZP_SUPPLIER_ICO;
      return walkNumber(v, true);
    }
    case 10:
    case 50:  // PJDOD, DODAVATEL
      return type67 && leadingDecimalSign(v) != 0 ? VZP_MUST_BE_BLANK : 0;
    case 14:  // CENAKC
      if (blank(v)) return VZP_AMOUNT_WRONG;
      return type67 ? amountTest(v) : 0;
    default:
      return 0;
  }
}

// PJPO, then the two amounts of the record: the first sets the toggle, the second clears
// it and is tested.
int PovDokl66789_2(V v) {
  if (v.size() == 10)
    return (gState.documentType == 66 || gState.documentType == 67) && blank(v) ? VZP_REQUIRED_BLANK : 0;
  if (v.size() != 14) return 0;
  if (blank(v)) return VZP_AMOUNT_WRONG;
  if (!gState.secondAmount) {
    gState.secondAmount = true;
    return 0;
  }
  gState.secondAmount = false;
  return gState.documentType != 67 ? amountTest(v) : 0;
}

// ---- Checks that no layout lists at present

int NTestC1_1az3(V v) { return blank(v) ? 0 : TestC1_1az3(v); }
int TestC1_spc12(V v) { return firstCharIn(v, " 12", VZP_VALUE_BLANK_1_OR_2); }

int NumberLeft(V v) {
  const size_t end = v.find_first_not_of("0123456789");
  if (end == V::npos) return 0;
  return blank(v.substr(end)) ? 0 : VZP_NUMBER_CHARACTER_NOT_ALLOWED;
}

int DDMMRR4spc(V v) {
  bool ok = v.size() == 10;
  for (size_t i = 0; ok && i < 6; ++i) ok = isDigit(v[i]);
  ok = ok && blank(v.substr(6));
  const int64_t month = ok ? integerOf(v.substr(2, 2)) : 0;
  return ok && month >= 1 && month <= 12 ? 0 : VZP_CHARACTER_NOT_ALLOWED;
}

// Checks that take every value: the layouts list them where a check of that name ran
// once, and the list is kept whole so the layouts can stay as they are.
constexpr auto nuluj_recepty = acceptAll, TestPojis = acceptAll, DMES = acceptAll, TestC1_1az2 = acceptAll,
               NTestC1_1az2 = acceptAll, Datum02 = acceptAll, TimeCheck = acceptAll, NepovTime = acceptAll,
               VPOC880 = acceptAll, ICP_rozsah = acceptAll, ICP_rozsah19 = acceptAll, Test111 = acceptAll,
               Odbornost = acceptAll, RodneCislo = acceptAll, NepovRC = acceptAll, RodC36 = acceptAll,
               uloz_cdokl_RC = acceptAll, pricti_recepty = acceptAll, VKM36 = Time36,
               JeDatumVyplneno = NepovDatum;

constexpr VzpCheckEntry kChecks[] = {
#define VZP_CHECK(id, name) {name, id},
#include "vzp/check_list.def"
#undef VZP_CHECK
};
static_assert(std::size(kChecks) == kVzpCheckCount);

}  // namespace

std::span<const VzpCheckEntry> vzpCheckTable() { return kChecks; }

VzpCheckFunction findCheck(std::string_view name) {
  for (const VzpCheckEntry& e : kChecks)
    if (name == e.name) return e.function;
  return nullptr;
}

const VzpCheckEntry& vzpCheck(VzpCheckId id) { return kChecks[size_t(id)]; }

std::vector<VzpCheckFunction> resolveCheckList(std::string_view list) {
  std::vector<VzpCheckFunction> out;
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const std::string_view name = list.substr(0, comma);
    if (!name.empty()) {
      if (VzpCheckFunction f = findCheck(name))
        out.push_back(f);
      else
        reportError(VZP_INTERNAL, std::string(name) + ": Nenalezena kontrolni funkce pro polozku");
    }
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return out;
}

bool acceptsEveryValue(VzpCheckFunction check) { return check == acceptAll; }

VzpCheckState& vzpCheckState() { return gState; }

void resetVzpCheckState() { gState = VzpCheckState(); }

void releaseReplacementList() { std::unordered_set<std::string>().swap(gState.replacements); }

}  // namespace quervik::vzp
