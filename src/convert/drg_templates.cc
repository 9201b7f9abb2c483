// The DRG record templates: every field of A, B and C with its format and kind.
#include "convert/drg_templates.h"

namespace quervik::convert {
namespace {

using K = FieldKind;

constexpr DrgFieldTemplate kFieldsA[] = {
    {"Typ vety", "%-1s"},
    {"Icz", "%8.0f"},
    {"Je Ico/Icz", "%-1s"},
    {"Charakter davky", "%-1s"},
    {"Cislo davky", "%6.0f"},
    {"Druh davky", "%-2s", K::BatchType},
    {"Mesic", "%2.0f"},
    {"Rok", "%4.0f"},
    {"Pojistovna", "%3.0f"},
    {"Pausal", "%-1s"},
};

constexpr DrgFieldTemplate kFieldsB[] = {
    {"Typ vety", "%-1s"},
    {"Cislo dokladu", "%7.0f"},
    {"Druh dokladu", "%-2s"},
    {"Pohlavi", "%-1s", K::Sex},
    {"Datum narozeni", "%8s", K::BirthDate},
    {"Duvod prijeti", "%-1s"},
    {"Ukonceni leceni", "%-1s"},
    {"Hlavickova diagnoza", "%-4s"},
    {"ICP ZZ", "%-8s"},
    {"Variabilni symbol", "%-6s"},
    {"ICP zadatele", "%-8s"},
    {"Variabilni symbol zadatele", "%-6s"},
    {"Odbornost pracoviste", "%-3s"},
    {"Odbornost pracoviste zadatele", "%-3s"},
    {"Datum vystaveni poukazu", "%8s"},
    {"Datum prijeti k hospitalizaci", "%8s"},
    {"Datum propusteni z hospitalizace", "%8s"},
    {"Identifikace pacienta", "%-41s", K::PatientId},
};

constexpr DrgFieldTemplate kFieldsC[] = {
    {"Typ vety", "%-1s"},
    {"Druh kodu", "%-2s"},
    {"Kod", "%-7s"},
    {"Mnozstvi", "%12.3f"},
    {"Datum poskytnuti", "%8s"},
    {"Cena v bodech", "%13.2f"},
    {"Cena bodu v Kc", "%13.2f"},
    {"Cena v Kc", "%13.2f"},
    {"Diagnoza", "%-4s"},
    {"Radkova odbornost", "%-3s"},
};

constexpr size_t totalWidth(std::span<const DrgFieldTemplate> fields) {
  size_t sum = 0;
  for (const DrgFieldTemplate& f : fields) sum += f.width;
  return sum;
}

// The DRG reader accepts exactly these lengths.
static_assert(totalWidth(kFieldsA) == 29);
static_assert(totalWidth(kFieldsB) == 124);
static_assert(totalWidth(kFieldsC) == 76);
static_assert(std::size(kFieldsB) <= kMaxDrgFields);
static_assert(totalWidth(kFieldsB) <= kMaxDrgRecordLength);

}  // namespace

const DrgRecordTemplate kRecordA{'A', kFieldsA, totalWidth(kFieldsA)};
const DrgRecordTemplate kRecordB{'B', kFieldsB, totalWidth(kFieldsB)};
const DrgRecordTemplate kRecordC{'C', kFieldsC, totalWidth(kFieldsC)};

}  // namespace quervik::convert
