// The record layouts of the five DRG batch files, one table per record kind: one row per
// field with its description (used verbatim in reports), columns (1-based, inclusive),
// width, format, decimals and validator. layouts.cc checks at compile time that the rows
// of each table are contiguous and add up to the record's length; the cross-checks find
// the columns they load by the same descriptions.
#pragma once
#include <span>
#include <string_view>

#include "drg/field_format.h"
#include "drg/validators.h"

namespace quervik::drg {

// ORG: organisational structure of the facility.
inline constexpr FieldSpec kOrgZ[] = {
    // description                                      from to  width fmt dec validator
    {"Typ vety",                                          1,  1,  1, 's', 0, resetRecordState},
    {"Ic - Identifikacni cislo organizace dle CSU",       2,  9,  8, 's', 0, noCheck},
    {"Nazev zdravotnickeho zarizeni",                    10, 49, 40, 'r', 0, requireText},
    {"Mesic - struktura subjektu",                       50, 51,  2, 'f', 0, checkMonth},
    {"Rok - struktura subjektu",                         52, 55,  4, 'f', 0, checkYear},
};

inline constexpr FieldSpec kOrgN[] = {
    {"Typ vety",                                          1,  1,  1, 's', 0, noCheck},
    {"Kod nakladoveho strediska",                         2,  7,  6, 's', 0, checkCostCentreCode},
    {"Nazev nakladoveho strediska",                       8, 47, 40, 'r', 0, requireText},
    {"Druh nakladoveho strediska",                       48, 49,  2, 's', 0, checkCostCentreKind},
};

inline constexpr FieldSpec kOrgO[] = {
    {"Typ vety",                                          1,  1,  1, 's', 0, noCheck},
    {"Kod oddeleni",                                      2,  9,  8, 's', 0, checkDepartmentCode},
    {"Nazev oddeleni",                                   10, 49, 40, 'r', 0, requireText},
};

inline constexpr FieldSpec kOrgP[] = {
    {"Typ vety",                                          1,  1,  1, 's', 0, noCheck},
    {"ICP (dle smlouvy s VZP)",                           2,  9,  8, 'f', 0, checkContractIcp},
    {"ICZ (dle smlouvy s VZP)",                          10, 17,  8, 'f', 0, checkIcz},
    {"Nazev pracoviste",                                 18, 57, 40, 'r', 0, requireText},
    {"Hlavni odbornost pracoviste",                      58, 60,  3, 's', 0, checkMainSpecialty},
    {"Variabilni symbol pracoviste",                     61, 66,  6, 's', 0, noCheck},
    {"Kod pracoviste podle NZIS",                        67, 71,  5, 's', 0, noCheck},
    {"Kod NS operacniho salu pracoviste",                72, 77,  6, 's', 0, noCheck},
    {"Pocet luzek pracoviste",                           78, 81,  4, 'f', 0, noCheck},
};

// OSN: chart of accounts.
inline constexpr FieldSpec kOsn[] = {
    {"Rok - ucetni osnova",                               1,  4,  4, 'f', 0, checkYear},
    {"Icz - ucetni osnova",                               5, 12,  8, 'f', 0, checkIcz},
    {"Cislo uctu",                                       13, 22, 10, 's', 0, checkAccountNumber},
    {"Druh uctu",                                        23, 24,  2, 's', 0, checkAccountKind},
    {"Nazev uctu",                                       25, 64, 40, 'r', 0, requireText},
};

// DRG: batch of patient documents.
inline constexpr FieldSpec kDrgA[] = {
    {"Typ vety",                                          1,  1,  1, 's', 0, noCheck},
    {"Icz",                                               2,  9,  8, 'f', 0, checkIcz},
    {"Je Ico/Icz",                                       10, 10,  1, 's', 0, checkIcoIczFlag},
    {"Charakter davky",                                  11, 11,  1, 's', 0, checkBatchCharacter},
    {"Cislo davky",                                      12, 17,  6, 'f', 0, noCheck},
    {"Druh davky",                                       18, 19,  2, 's', 0, checkBatchKind},
    {"Mesic",                                            20, 21,  2, 'f', 0, checkBatchMonth},
    {"Rok",                                              22, 25,  4, 'f', 0, checkBatchYear},
    {"Pojistovna",                                       26, 28,  3, 'f', 0, noCheck},
    {"Pausal",                                           29, 29,  1, 's', 0, checkFlatRate},
};

inline constexpr FieldSpec kDrgB[] = {
    {"Typ vety",                                          1,  1,  1, 's', 0, resetRecordState},
    {"Cislo dokladu",                                     2,  8,  7, 'f', 0, noCheck},
    {"Druh dokladu",                                      9, 10,  2, 's', 0, checkDocumentKind},
    {"Pohlavi",                                          11, 11,  1, 's', 0, checkSex},
    {"Datum narozeni",                                   12, 19,  8, 'd', 0, requireBirthDate},
    {"Duvod prijeti",                                    20, 20,  1, 's', 0, checkAdmissionReason},
    {"Ukonceni leceni",                                  21, 21,  1, 's', 0, checkTreatmentEnd},
    {"Hlavickova diagnoza",                              22, 25,  4, 's', 0, checkDiagnosis},
    {"ICP ZZ",                                           26, 33,  8, 'f', 0, checkIcpZz},
    {"Variabilni symbol",                                34, 39,  6, 'r', 0, noCheck},
    {"ICP zadatele (dokl. 06,03 - davka 90)",            40, 47,  8, 'f', 0, checkRequesterIcp},
    {"Variabilni symbol zadatele",                       48, 53,  6, 'r', 0, noCheck},
    {"Odbornost pracoviste",                             54, 56,  3, 's', 0, checkSpecialty},
    {"Odbornost pracoviste zadatele (dokl. 06,03 - davka 90)",
                                                         57, 59,  3, 's', 0, checkRequesterSpecialty},
    {"Datum vystaveni poukazu",                          60, 67,  8, 'd', 0, noCheck},
    {"Datum prijeti k hospitalizaci (dokl. 02)",         68, 75,  8, 'd', 0, checkHospitalDate},
    {"Datum propusteni z hospitalizace (dokl. 02)",      76, 83,  8, 'd', 0, checkHospitalDate},
    {"Identifikace pacienta",                            84, 124, 41, 'r', 0, requirePatientId},
};

inline constexpr FieldSpec kDrgC[] = {
    {"Typ vety",                                          1,  1,  1, 's', 0, noCheck},
    {"Druh kodu",                                         2,  3,  2, 's', 0, checkCodeKind},
    {"Kod",                                               4, 10,  7, 's', 0, checkCode},
    {"Mnozstvi",                                         11, 22, 12, 'f', 3, noCheck},
    {"Datum poskytnuti",                                 23, 30,  8, 'd', 0, checkServiceDate},
    {"Cena v bodech",                                    31, 43, 13, 'f', 2, noCheck},
    {"Cena bodu v Kc",                                   44, 56, 13, 'f', 2, noCheck},
    {"Cena v Kc",                                        57, 69, 13, 'f', 2, noCheck},
    {"Diagnoza",                                         70, 73,  4, 's', 0, checkDiagnosis},
    {"Radkova odbornost",                                74, 76,  3, 's', 0, checkSpecialty},
};

// EKO: turnover from accounting.
inline constexpr FieldSpec kEko[] = {
    {"Icz - obrat z ucetnictvi",                          1,  8,  8, 'f', 0, checkIcz},
    {"Rok - obrat z ucetnictvi",                          9, 12,  4, 'f', 0, checkYear},
    {"Mesic - obrat z ucetnictvi",                       13, 14,  2, 'f', 0, checkMonth},
    {"Nakladove stredisko",                              15, 20,  6, 's', 0, checkCostCentreCode},
    {"Ucet - obrat z ucetnictvi",                        21, 30, 10, 's', 0, checkAccountNumber},
    {"Hodnota obratu na uctu",                           31, 50, 20, 'f', 2, noCheck},
};

// KOR: modification data. The percentage may hold other characters than digits.
inline constexpr FieldSpec kKor[] = {
    {"Icz, kde se provadi modifikace",                    1,  8,  8, 'f', 0, checkModifyingIcz},
    {"Obdobi, pro ktere dana modifikace plati",           9, 14,  6, 's', 0, checkPeriod},
    {"Jednoznacna identifikace entity organizacni struktury (ENTITA1)",
                                                         15, 20,  6, 's', 0, noCheck},
    {"Jednoznacna identifikace entity organizacni struktury (ENTITA2)",
                                                         21, 26,  6, 's', 0, noteEntity2},
    {"Specifikace druhu upravovane informace",           27, 46, 20, 'r', 0, checkSpecification},
    {"Mnozstvi dane informace vyjadrene v procentech",   47, 51,  5, 'f', 2, checkPercentage, true},
    {"Vyjimky (ALL, NULL, POD, PRG)",                    52, 56,  5, 'r', 0, checkException},
};

// A record kind: its type letter (' ': the file has one record kind and no type letter),
// its exact length, the letters it may follow (' ' stands for the start of the file; none:
// any order), whether it must occur and whether a file may end with it.
struct RecordKindSpec {
  char letter;
  int length;
  const char* predecessors;
  bool required;
  bool mayEnd;
  std::span<const FieldSpec> fields;
};

inline constexpr RecordKindSpec kOrgKinds[] = {
    // letter length may follow required may end layout
    {'Z', 55, " NP", true, false, kOrgZ},
    {'O', 49, "NPZ", true, false, kOrgO},
    {'N', 49, "NOP", true, true, kOrgN},
    {'P', 81, "NP", true, true, kOrgP},
};

inline constexpr RecordKindSpec kOsnKinds[] = {
    {' ', 64, nullptr, true, true, kOsn},
};

// X and Y are the birth-number key records appended by the encoding; only their length is
// checked.
inline constexpr RecordKindSpec kDrgKinds[] = {
    {'A', 29, " C", true, false, kDrgA},
    {'B', 124, "AC", true, false, kDrgB},
    {'C', 76, "BC", true, true, kDrgC},
    {'X', 351, "C", false, false, {}},
    {'Y', 65, "XY", false, true, {}},
};

inline constexpr RecordKindSpec kEkoKinds[] = {
    {' ', 50, nullptr, true, true, kEko},
};

inline constexpr RecordKindSpec kKorKinds[] = {
    {' ', 56, nullptr, true, true, kKor},
};

// The file kinds in the order a run checks them; the index is that of the file sets.
enum FileKind { kOrgFile, kOsnFile, kDrgFile, kEkoFile, kKorFile, kFileKindCount };

struct FileKindSpec {
  const char* word;
  std::span<const RecordKindSpec> kinds;
};

inline constexpr FileKindSpec kFileKinds[kFileKindCount] = {
    {"org", kOrgKinds}, {"osn", kOsnKinds}, {"drg", kDrgKinds}, {"eko", kEkoKinds}, {"kor", kKorKinds},
};

// The row of a layout with the given description; the compiler rejects a description that
// is not there.
consteval FieldSpec fieldOf(std::span<const FieldSpec> layout, std::string_view description) {
  for (const FieldSpec& f : layout)
    if (description == f.description) return f;
  throw "no such field";
}

// Where a field lies in a line: 0-based offset and width, as the cross-checks read it.
struct Column {
  int offset;
  int width;
};

constexpr Column columnOf(const FieldSpec& f) { return {f.from - 1, f.width}; }

// The length of a record kind of a file kind's table; -1 for a letter the table does not have.
constexpr int lengthOf(std::span<const RecordKindSpec> kinds, char letter) {
  for (const RecordKindSpec& k : kinds)
    if (k.letter == letter) return k.length;
  return -1;
}

}  // namespace quervik::drg
