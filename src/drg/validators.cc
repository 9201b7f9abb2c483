// The field validators; see validators.h. Each is one rule of the DRG data interface.
#include "drg/validators.h"

#include <algorithm>
#include <iterator>

#include "drg/batch_state.h"
#include "drg/codes.h"
#include "drg/field_format.h"
#include "runtime/leading_number.h"

namespace quervik::drg {
namespace {

constexpr std::string_view kBatchKinds[] = {"05", "10", "12", "13", "14", "34", "36", "37", "81", "82", "90", "98", "99"};

constexpr std::string_view kAccountKinds[] = {"MA", "EN", "KR", "SZ", "LE", "SL", "OP", "MZ", "PE",
                                         "PP", "OD", "ON", "ZP", "DO", "DA", "RA", "OV", "XX"};

constexpr std::string_view kCostCentreKinds[] = {
    "AM", "NP", "PP", "OZ", "LT", "SC", "JL", "CD", "JC", "JI", "SL", "J0", "J1", "J2", "J3", "AD", "LD", "OL",
    "RH", "JS", "PE", "JR", "KR", "CT", "MR", "ED", "KZ", "AG", "KT", "EN", "OI", "LB", "CS", "LS", "GR", "KS",
    "LR", "VK", "RO", "IN", "KN", "KO", "OA", "PR", "PO", "SR", "SA", "PM", "VZ", "RN", "HS", "KM", "EH", "II",
    "OD", "OO", "OP", "OS", "PZ", "SP", "SZ", "ST", "UZ", "UB", "UK", "JN", "LE", "TS", "DO", "VY", "XX"};
static_assert(std::size(kCostCentreKinds) == 71);

constexpr std::string_view kSpecifications[] = {
    "AGREG",  "BODY_ZA_VYKONY", "BODY_ZA_OD", "OD",     "ZUM,ZULP", "ALL",    "MIN_ANE", "NULL",
    "NAK_LE", "NAK_SZ",         "NAK_EN",     "NAK_CE", "NAK_OD",   "NAK_OP", "NAK_SL",  "NAK_MA",
    "NAK_ON", "NAK_MZ",         "NAK_PE",     "NAK_PP", "NAK_KR",   "VYN_RA", "VYN_OV",  "ZULP"};

// The document-kind table: document kind, the batch kinds it may stand in, the code kinds
// of its service lines.
constexpr int kIn98_81[] = {98, 81};
constexpr int kIn99_82[] = {99, 82};
constexpr int kIn99_98_82_81_90[] = {99, 98, 82, 81, 90};
constexpr int kIn90[] = {90};
constexpr int kIn37[] = {37};
constexpr int kIn36[] = {36};
constexpr int kIn34[] = {34};
constexpr int kIn14[] = {14};
constexpr int kIn13[] = {13};
constexpr int kIn12[] = {12};
constexpr int kIn10[] = {10};
constexpr int kIn05[] = {5};

constexpr DocumentKindRow kDocumentKinds[] = {
    // document  batch kinds          code kinds
    {"01", kIn98_81, "AC08"},
    {"02", kIn99_82, "ABC0789"},
    {"03", kIn99_98_82_81_90, "1234"},
    {"06", kIn90, "AC08"},
    {"37", kIn37, "AC012368"},
    {"36", kIn36, "6"},
    {"34", kIn34, "A068"},
    {"14", kIn14, "3"},
    {"13", kIn13, "3"},
    {"12", kIn12, "3"},
    {"10", kIn10, "12"},
    {"05", kIn05, "AC0"},
};

// Document kinds are compared as two characters.
constexpr bool twoCharacterKinds() {
  for (const DocumentKindRow& row : kDocumentKinds)
    if (row.documentKind.size() != 2) return false;
  return true;
}
static_assert(twoCharacterKinds());

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isUpper(char c) { return c >= 'A' && c <= 'Z'; }
char at(std::string_view t, size_t i) { return i < t.size() ? t[i] : '\0'; }

bool allDigits(std::string_view t) {
  for (char c : t)
    if (!isDigit(c)) return false;
  return true;
}

bool oneOf(std::string_view text, std::span<const std::string_view> list) {
  return std::any_of(list.begin(), list.end(), [&](std::string_view x) { return text == x; });
}

// The first two characters as a number.
int64_t leadingPair(std::string_view t) { return leadingInteger(t.substr(0, std::min<size_t>(2, t.size()))); }

// Digit, then digit or upper-case letter, then digit.
bool specialtyPattern(std::string_view t) {
  return isDigit(at(t, 0)) && (isDigit(at(t, 1)) || isUpper(at(t, 1))) && isDigit(at(t, 2));
}

// Admission and discharge dates are checked only for hospitalisations.
bool isHospitalisation() {
  const BatchState& s = batchState();
  return (s.batchKind == 99 || s.batchKind == 82) && s.documentKind == 2;
}

// A document of kind 1, 2 or 6 names its specialty and diagnosis in the B record.
bool documentNeedsHeader() {
  const BatchState& s = batchState();
  return s.recordLetter == 'B' && (s.documentKind == 1 || s.documentKind == 2 || s.documentKind == 6);
}

bool isRequesterDocument() {
  const BatchState& s = batchState();
  return s.batchKind == 90 && s.documentKind == 6;
}

// A date must not lie after the batch period.
int checkAgainstBatchPeriod(const Date& d) {
  const BatchState& s = batchState();
  if (d.year > s.batchYear) return -DRG_DATE_YEAR_AFTER_BATCH;
  if (d.year == s.batchYear && d.month > s.batchMonth) return -DRG_DATE_MONTH_AFTER_BATCH;
  return 0;
}

// Unreadable dates count as later than any other.
bool admissionAfterDischarge(const Date& a, int aRead, const Date& d, int dRead) {
  if (aRead < 3 || dRead < 3) return true;
  if (a.year != d.year) return a.year > d.year;
  if (a.month != d.month) return a.month > d.month;
  return a.day > d.day;
}

}  // namespace

int noCheck(std::string_view) { return 0; }

int resetRecordState(std::string_view) {
  BatchState& s = batchState();
  s.codeKind = kUnknownCodeKind;
  s.documentKind = kUnknownKind;
  return 0;
}

int requireText(std::string_view text) { return isBlank(text) ? -DRG_TEXT_MISSING : 0; }
int requirePatientId(std::string_view text) { return isBlank(text) ? -DRG_PATIENT_ID_MISSING : 0; }
int requireBirthDate(std::string_view text) { return isBlank(text) ? -DRG_BIRTH_DATE_MISSING : 0; }
int checkDepartmentCode(std::string_view text) { return isBlank(text) ? -DRG_DEPARTMENT_MISSING : 0; }
int checkCostCentreCode(std::string_view text) { return isBlank(text) ? -DRG_COST_CENTRE_MISSING : 0; }

int checkIcz(std::string_view text) {
  if (isBlank(text)) return -DRG_ICZ_MISSING;
  // Eight digits, or seven once the format check skipped a leading zero.
  if (text.size() != 8 && text.size() != 7) return -DRG_BAD_ICZ_LENGTH;
  const int64_t region = leadingPair(text);
  return region >= 1 && region <= 99 ? 0 : -DRG_BAD_REGION;
}

int checkContractIcp(std::string_view text) { return checkIcz(text); }

int checkModifyingIcz(std::string_view text) { return checkIcz(text) == 0 ? 0 : -DRG_BAD_MODIFYING_ICZ; }

int checkIcpZz(std::string_view text) {
  if (!text.empty() && text[0] == ' ') text.remove_prefix(1);
  if (!allDigits(text)) return -DRG_ICP_NOT_DIGITS;
  return text.empty() ? -DRG_ICP_ZZ_MISSING : 0;
}

int checkRequesterIcp(std::string_view text) {
  if (!allDigits(text)) return -DRG_ICP_NOT_DIGITS;
  const BatchState& s = batchState();
  if (s.batchKind == 34) return 0;
  if (isRequesterDocument()) {
    const int64_t region = leadingPair(text);
    return region >= 1 && region <= 99 ? 0 : -DRG_BAD_REGION;
  }
  return text.empty() ? 0 : 1;  // filled where no requester belongs: a warning
}

int checkAccountNumber(std::string_view text) {
  if (isBlank(text)) return -DRG_ACCOUNT_NUMBER_MISSING;
  return text[0] >= '5' && text[0] <= '8' ? 0 : -DRG_BAD_ACCOUNT_NUMBER;
}

int checkAccountKind(std::string_view text) { return oneOf(text, kAccountKinds) ? 0 : -DRG_BAD_ACCOUNT_KIND; }

int checkCostCentreKind(std::string_view text) {
  return oneOf(text, kCostCentreKinds) ? 0 : -DRG_BAD_COST_CENTRE_KIND;
}

int checkMainSpecialty(std::string_view text) {
  if (isBlank(text)) return -DRG_MAIN_SPECIALTY_MISSING;
  return specialtyPattern(text) ? 0 : -DRG_BAD_SPECIALTY;
}

int checkSpecialty(std::string_view text) {
  if (!isBlank(text)) return specialtyPattern(text) ? 0 : -DRG_BAD_SPECIALTY;
  return documentNeedsHeader() ? -DRG_SPECIALTY_MISSING : 0;
}

int checkRequesterSpecialty(std::string_view text) {
  if (!isRequesterDocument()) return 0;
  return checkSpecialty(text) == 0 ? 0 : -DRG_BAD_REQUESTER_SPECIALTY;
}

int checkDiagnosis(std::string_view text) {
  if (!isBlank(text)) {
    const char last = at(text, 3);
    const bool ok = isUpper(at(text, 0)) && isDigit(at(text, 1)) && isDigit(at(text, 2)) &&
                    (isDigit(last) || last == ' ');
    return ok ? 0 : -DRG_BAD_DIAGNOSIS;
  }
  return documentNeedsHeader() ? -DRG_DIAGNOSIS_MISSING : 0;
}

int checkCode(std::string_view text) {
  const int kind = batchState().codeKind;
  // Code kinds 9, 11 and 12 carry no code; all others must.
  if (kind == 9 || kind == 11 || kind == 12) return isBlank(text) ? 0 : -DRG_BAD_CODE;
  return text.empty() ? -DRG_BAD_CODE : 0;
}

int checkSex(std::string_view text) {
  if (text.size() != 1) return -DRG_BAD_SEX;
  return text[0] == 'M' || text[0] == 'Z' ? 0 : DRG_SEX_UNKNOWN;
}

int checkBatchCharacter(std::string_view text) {
  const char c = text.empty() ? ' ' : text[0];
  return c == 'P' || c == 'O' || c == 'Z' || c == ' ' ? 0 : DRG_BATCH_CHARACTER_UNKNOWN;
}

int checkBatchKind(std::string_view text) {
  BatchState& s = batchState();
  if (!oneOf(text, kBatchKinds)) {
    s.batchKind = 0;  // the documents of this batch then report the batch kind again
    return -DRG_BAD_BATCH_KIND;
  }
  s.batchKind = (text[0] - '0') * 10 + (text[1] - '0');
  return 0;
}

int checkIcoIczFlag(std::string_view text) {
  return text == "0" || text == "1" || text == "P" || text == "Z" ? 0 : -DRG_BAD_ICO_ICZ_FLAG;
}

int checkBatchMonth(std::string_view text) {
  BatchState& s = batchState();
  s.batchMonth = int(std::clamp<int64_t>(leadingInteger(text), -1, 9999));
  return s.batchMonth >= 1 && s.batchMonth <= 12 ? 0 : -DRG_BAD_BATCH_MONTH;
}

int checkBatchYear(std::string_view text) {
  BatchState& s = batchState();
  s.batchYear = int(std::clamp<int64_t>(leadingInteger(text), -1, 99999));
  if (s.batchYear == s.today.year && s.batchMonth > s.today.month) return -DRG_BATCH_MONTH_IN_FUTURE;
  return s.batchYear >= 1999 && s.batchYear <= s.today.year ? 0 : -DRG_BAD_BATCH_YEAR;
}

int checkFlatRate(std::string_view text) {
  if (text.empty()) return 0;
  if (text.size() != 1) return -DRG_BAD_FLAT_RATE_LENGTH;
  return text[0] == 'A' || text[0] == 'N' || text[0] == ' ' ? 0 : -DRG_BAD_FLAT_RATE;
}

int checkDocumentKind(std::string_view text) {
  BatchState& s = batchState();
  if (s.batchKind == 0) return -DRG_BAD_BATCH_KIND;
  for (const DocumentKindRow& row : kDocumentKinds) {
    if (text.size() != 2 || text[0] != row.documentKind[0] || text[1] != row.documentKind[1]) continue;
    if (std::find(row.batchKinds.begin(), row.batchKinds.end(), s.batchKind) == row.batchKinds.end()) break;
    s.documentKind = (text[0] - '0') * 10 + (text[1] - '0');
    s.allowedCodeKinds = row.codeKinds;
    return 0;
  }
  return -DRG_DOCUMENT_KIND_NOT_ALLOWED;
}

namespace {

// Where each character stands in a list of allowed code kinds (kNotListed: not in it), built
// again when the list changes: a document's service lines all look up the same list.
constexpr unsigned char kNotListed = 255;
struct CodeKindRanks {
  const char* list = nullptr;
  unsigned char rank[256];
};
CodeKindRanks gCodeKindRanks;

const unsigned char* codeKindRanks(const char* list) {
  CodeKindRanks& r = gCodeKindRanks;
  if (r.list != list) {
    std::fill(std::begin(r.rank), std::end(r.rank), kNotListed);
    for (int i = 0; list[i] && i < kNotListed; ++i) {
      unsigned char& slot = r.rank[static_cast<unsigned char>(list[i])];
      slot = std::min<unsigned char>(slot, static_cast<unsigned char>(i));
    }
    r.list = list;
  }
  return r.rank;
}

}  // namespace

int checkCodeKind(std::string_view text) {
  BatchState& s = batchState();
  s.codeKind = 0;
  char first = at(text, 0), second = at(text, 1);
  // "07" means code kind 7: the leading zero is dropped.
  if (first == '0' && second != ' ') {
    first = second;
    second = ' ';
  }
  if (!s.allowedCodeKinds) return -DRG_CODE_KIND_WITHOUT_DOCUMENT;
  // The kind listed first decides: 'A', 'B' and 'C' stand for 10, 11 and 12, any other
  // character for itself, taken only when followed by a blank.
  const unsigned char* rank = codeKindRanks(s.allowedCodeKinds);
  const unsigned char asListed = first >= 'A' && first <= 'C' ? kNotListed : rank[static_cast<unsigned char>(first)];
  const unsigned char asTen = first == '1' && second >= '0' && second <= '2' ? rank['A' + (second - '0')] : kNotListed;
  if (asTen < asListed) {
    s.codeKind = 10 + (second - '0');
    return 0;
  }
  if (asListed == kNotListed || second != ' ') return -DRG_CODE_KIND_NOT_ALLOWED;
  s.codeKind = first - '0';
  return 0;
}

int checkAdmissionReason(std::string_view text) {
  if (!isHospitalisation()) return 0;
  return isDigit(at(text, 0)) ? 0 : -DRG_BAD_ADMISSION_REASON;
}

int checkTreatmentEnd(std::string_view text) {
  if (!isHospitalisation()) return 0;
  const char c = at(text, 0);
  return c >= '0' && c <= '8' ? 0 : DRG_TREATMENT_END_UNKNOWN;
}

// Called for the admission date and then the discharge date of a B record; which of the
// two it is follows from admissionPending.
int checkHospitalDate(std::string_view text) {
  if (!isHospitalisation()) return 0;
  BatchState& s = batchState();
  if (!s.admissionPending) {
    s.admissionRead = 0;
    s.admissionPending = true;
    if (text.empty()) return -DRG_ADMISSION_MISSING;
    s.admissionDate = Date{};
    s.admissionRead = readFieldDate(text, s.admissionDate);  // read by the format check already
    return checkAgainstBatchPeriod(s.admissionDate);
  }
  s.admissionPending = false;
  if (text.empty()) return -DRG_DISCHARGE_MISSING;
  Date discharge;
  const int dischargeRead = readFieldDate(text, discharge);
  if (admissionAfterDischarge(s.admissionDate, s.admissionRead, discharge, dischargeRead))
    return -DRG_ADMISSION_AFTER_DISCHARGE;
  return checkAgainstBatchPeriod(discharge);
}

int checkServiceDate(std::string_view text) {
  if (text.size() != 8) return 0;
  Date d;
  readFieldDate(text, d);
  return checkAgainstBatchPeriod(d);
}

int checkYear(std::string_view text) {
  const int64_t year = leadingInteger(text);
  return text.size() == 4 && year >= 1992 && year <= batchState().today.year ? 0 : -DRG_BAD_YEAR;
}

int checkMonth(std::string_view text) {
  if (isBlank(text)) return -DRG_BAD_MONTH;
  const int64_t month = leadingInteger(text);
  return month >= 1 && month <= 12 ? 0 : -DRG_BAD_MONTH;
}

int checkPeriod(std::string_view text) {
  if (isBlank(text)) return -DRG_BAD_PERIOD;
  int year = 0, month = 0;
  size_t pos = 0;
  if (readNumber(text, pos, 4, year)) readNumber(text, pos, 2, month);
  return year >= 2003 && month >= 1 && month <= 12 ? 0 : -DRG_BAD_PERIOD;
}

int noteEntity2(std::string_view text) {
  batchState().entity2Filled = !isBlank(text);
  return 0;
}

int checkSpecification(std::string_view text) {
  for (std::string_view s : kSpecifications)
    if (sameText(text, s, false) == 0) return 0;
  return -DRG_BAD_SPECIFICATION;
}

int checkPercentage(std::string_view text) {
  BatchState& s = batchState();
  s.percentage = -1.0;
  if (isBlank(text)) return 0;
  s.percentage = leadingDecimal(text);
  return s.percentage >= 0.0 && s.percentage <= 100.0 ? 0 : -DRG_BAD_PERCENTAGE;
}

int checkException(std::string_view text) {
  const BatchState& s = batchState();
  const bool all = sameText(text, "ALL", false) == 0;
  const bool null = sameText(text, "NULL", false) == 0;
  const bool prg = sameText(text, "PRG", false) == 0 || sameText(text, "POD", false) == 0;
  if (isBlank(text) || !(all || null || prg)) return -DRG_BAD_EXCEPTION;
  if (null && s.entity2Filled) return -DRG_NULL_WITH_ENTITY2;
  if (prg && s.percentage < 0.0) return -DRG_BAD_PERCENTAGE;
  return 0;
}

std::span<const DocumentKindRow> documentKinds() { return kDocumentKinds; }
std::span<const std::string_view> batchKindCodes() { return kBatchKinds; }
std::span<const std::string_view> accountKinds() { return kAccountKinds; }
std::span<const std::string_view> costCentreKinds() { return kCostCentreKinds; }

}  // namespace quervik::drg
