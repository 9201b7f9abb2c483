// The three DRG records the conversion writes: the batch header A (29 characters), the
// document record B (124) and the item record C (76). A template lists a record's fields in
// order with the printf format each is printed with and the particular treatment (kind) the
// record writer gives it; the filling rules (filling_rules.h) name the fields by the indexes
// below.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace quervik::convert {

enum class FieldKind : uint8_t {
  Plain,
  BatchType,  // Druh davky of A: the batch type the rest of the batch is converted under
  PatientId,  // written as taken
  Sex,        // "Z" for a birth number whose third digit is 5 or 6, else "M"
  BirthDate,  // the birth date DDMMYYYY computed from a birth number
  CodeKind,   // a code of three blanks and two characters is a code of kind "6"
};

// One field. The format is "%-Ns" (left-aligned text), "%Ns" (right-aligned text) or
// "%N.Df" (a number: the text of the VZP field right-aligned as it stands; nothing is
// converted, so the decimals are only documentation of the DRG layout).
struct DrgFieldTemplate {
  const char* name;
  const char* format;
  FieldKind kind;
  uint8_t width;
  bool leftAligned;
  bool number;

  constexpr DrgFieldTemplate(const char* fieldName, const char* printfFormat, FieldKind fieldKind = FieldKind::Plain)
      : name(fieldName),
        format(printfFormat),
        kind(fieldKind),
        width(formatWidth(printfFormat)),
        leftAligned(printfFormat[1] == '-'),
        number(lastChar(printfFormat) == 'f') {}

  // What a field holds when no rule sets it: a blank for text, "0" for a number.
  constexpr const char* defaultValue() const { return number ? "0" : " "; }

 private:
  static constexpr uint8_t formatWidth(const char* f) {
    int w = 0;
    for (const char* p = f + 1; *p; ++p) {
      if (*p == '-') continue;
      if (*p < '0' || *p > '9') break;
      w = w * 10 + (*p - '0');
    }
    return uint8_t(w);
  }
  static constexpr char lastChar(const char* f) {
    char c = 0;
    for (const char* p = f; *p; ++p) c = *p;
    return c;
  }
};

struct DrgRecordTemplate {
  char letter;
  std::span<const DrgFieldTemplate> fields;
  size_t length;  // the record length without its line end
};

extern const DrgRecordTemplate kRecordA;
extern const DrgRecordTemplate kRecordB;
extern const DrgRecordTemplate kRecordC;

inline constexpr size_t kMaxDrgFields = 18;
inline constexpr size_t kMaxDrgRecordLength = 124;

// Field indexes, in record order. Index 0 is always Typ vety, the record letter.
namespace fieldA {
enum : uint8_t { TypVety, Icz, JeIcoIcz, CharakterDavky, CisloDavky, DruhDavky, Mesic, Rok, Pojistovna, Pausal };
}
namespace fieldB {
enum : uint8_t {
  TypVety,
  CisloDokladu,
  DruhDokladu,
  Pohlavi,
  DatumNarozeni,
  DuvodPrijeti,
  UkonceniLeceni,
  HlavickovaDiagnoza,
  IcpZz,
  VariabilniSymbol,
  IcpZadatele,
  VariabilniSymbolZadatele,
  OdbornostPracoviste,
  OdbornostPracovisteZadatele,
  DatumVystaveniPoukazu,
  DatumPrijeti,
  DatumPropusteni,
  IdentifikacePacienta,
};
}
namespace fieldC {
enum : uint8_t { TypVety, DruhKodu, Kod, Mnozstvi, DatumPoskytnuti, CenaVBodech, CenaBoduVKc, CenaVKc, Diagnoza, RadkovaOdbornost };
}

}  // namespace quervik::convert
