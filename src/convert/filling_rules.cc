// The filling rules, one per VZP record that is converted. Positions are those of the newer
// VZP layouts: lines of the older layouts were widened before (older_layouts.h).
#include "convert/filling_rules.h"

namespace quervik::convert {

namespace A = fieldA;
namespace B = fieldB;
namespace C = fieldC;

const FillingRule kAFromD{"A from D", &kRecordA, {
    line(A::Icz, "DICO", 5, 8),
    constant(A::JeIcoIcz, "Z"),
    line(A::CharakterDavky, "CHAR", 2, 1),
    line(A::CisloDavky, "DCID", 23, 6),
    line(A::DruhDavky, "DTYP", 3, 2),
    line(A::Mesic, "DMES", 21, 2),
    line(A::Rok, "DROK", 17, 4),
    insurerCode(A::Pojistovna, 3),
    constant(A::Pausal, " "),
}};

const FillingRule kBFrom82H{"B from 82 H", &kRecordB, {
    line(B::CisloDokladu, "HCID", 2, 7),
    constant(B::DruhDokladu, "02"),
    line(B::Pohlavi, "HROD", 37, 1),  // its third character
    line(B::DatumNarozeni, "HROD", 35, 10),
    line(B::DuvodPrijeti, "HPOS", 50, 1),
    line(B::UkonceniLeceni, "HKON", 51, 1),
    line(B::HlavickovaDiagnoza, "HZDG", 45, 4),
    line(B::IcpZz, "HICO", 18, 8),
    line(B::VariabilniSymbol, "HVAR", 26, 6),
    line(B::OdbornostPracoviste, "HODB", 32, 3),
    line(B::DatumPrijeti, "HPRI", 63, 8),
    line(B::DatumPropusteni, "HPRO", 71, 8),
    line(B::IdentifikacePacienta, "HROD", 35, 10),
}};

const FillingRule kCFrom82V{"C from 82 V", &kRecordC, {
    constant(C::DruhKodu, "0"),
    line(C::Kod, "VKOD", 10, 5),
    line(C::Mnozstvi, "VPOC", 18, 2),
    line(C::DatumPoskytnuti, "VDAT", 2, 8),
    line(C::CenaVBodech, "VBOD", 20, 5),
    line(C::RadkovaOdbornost, "VODB", 15, 3),
}};

const FillingRule kCFromN{"C from N", &kRecordC, {
    constant(C::DruhKodu, "10"),
    line(C::Kod, "NTYP", 2, 1),
}};

const FillingRule kCFromG{"C from G", &kRecordC, {
    constant(C::DruhKodu, "8"),
    line(C::Kod, "GCIS", 2, 5),
}};

const FillingRule kCFromK{"C from K", &kRecordC, {
    constant(C::DruhKodu, "7"),
    line(C::Kod, "KTYP", 2, 1),
    line(C::Mnozstvi, "KDNI", 3, 2),
}};

const FillingRule kCFromL{"C from L", &kRecordC, {
    line(C::DruhKodu, "LTPR", 10, 1),
    line(C::Kod, "LKOD", 12, 7),
    line(C::Mnozstvi, "LMNO", 19, 11),
    line(C::DatumPoskytnuti, "LDAT", 2, 8),
    line(C::CenaVKc, "LFIN", 30, 10),
}};

const FillingRule kBFromZ{"B from Z", &kRecordB, {
    line(B::CisloDokladu, "HCID", 2, 7),
    constant(B::DruhDokladu, "03"),
    line(B::Pohlavi, "HROD", 33, 1),
    line(B::DatumNarozeni, "HROD", 31, 10),
    line(B::HlavickovaDiagnoza, "HZDG", 41, 4),
    line(B::IcpZz, "HICO", 14, 8),
    line(B::VariabilniSymbol, "HVAR", 22, 6),
    line(B::OdbornostPracoviste, "HODB", 28, 3),
    line(B::IdentifikacePacienta, "HROD", 31, 10),
}};

const FillingRule kBFrom81A{"B from 81 A", &kRecordB, {
    line(B::CisloDokladu, "HCID", 2, 7),
    constant(B::DruhDokladu, "01"),
    line(B::Pohlavi, "HROD", 37, 1),
    line(B::DatumNarozeni, "HROD", 35, 10),
    line(B::HlavickovaDiagnoza, "HZDG", 45, 4),
    line(B::IcpZz, "HICO", 18, 8),
    line(B::VariabilniSymbol, "HVAR", 26, 6),
    line(B::IcpZadatele, "HICZ", 51, 8),
    line(B::OdbornostPracoviste, "HODB", 32, 3),
    line(B::IdentifikacePacienta, "HROD", 35, 10),
}};

const FillingRule kCFrom81V{"C from 81 V", &kRecordC, {
    constant(C::DruhKodu, "0"),
    line(C::Kod, "VKON", 10, 5),
    line(C::Mnozstvi, "VPOC", 15, 1),
    line(C::DatumPoskytnuti, "VDAT", 2, 8),
    line(C::CenaVBodech, "VBOD", 24, 5),
    line(C::Diagnoza, "VDIA", 19, 4),
    line(C::RadkovaOdbornost, "VODB", 16, 3),
}};

const FillingRule kBFrom90E{"B from 90 E", &kRecordB, {
    line(B::CisloDokladu, "ECID", 2, 7),
    constant(B::DruhDokladu, "06"),
    line(B::Pohlavi, "EROD", 37, 1),
    line(B::DatumNarozeni, "EROD", 35, 10),
    line(B::HlavickovaDiagnoza, "EZDG", 45, 4),
    line(B::IcpZz, "EICO", 18, 8),
    line(B::VariabilniSymbol, "EVAR", 26, 6),
    line(B::IcpZadatele, "EICZ", 51, 8),
    line(B::VariabilniSymbolZadatele, "EVARZ", 94, 6),
    line(B::OdbornostPracoviste, "EODB", 32, 3),
    line(B::OdbornostPracovisteZadatele, "EODZ", 91, 3),
    line(B::DatumVystaveniPoukazu, "EDAT", 66, 8),
    line(B::IdentifikacePacienta, "EROD", 35, 10),
}};

const FillingRule kCFrom90V{"C from 90 V", &kRecordC, {
    constant(C::DruhKodu, "0"),
    line(C::Kod, "VKOD", 10, 5),
    line(C::Mnozstvi, "VPOC", 15, 1),
    line(C::DatumPoskytnuti, "VDAT", 2, 8),
}};

const FillingRule kBFrom05P{"B from 05 P", &kRecordB, {
    line(B::CisloDokladu, "PCID", 2, 7),
    constant(B::DruhDokladu, "05"),
    nextLine(B::Pohlavi, "VROD", 12, 1),
    nextLine(B::DatumNarozeni, "VROD", 10, 10),
    line(B::IcpZz, "PICO", 12, 8),
    line(B::VariabilniSymbol, "PVAR", 20, 6),
    line(B::OdbornostPracoviste, "PODB", 26, 3),
    nextLine(B::IdentifikacePacienta, "VROD", 10, 10),
}};

const FillingRule kCFrom05V{"C from 05 V", &kRecordC, {
    constant(C::DruhKodu, "0"),
    line(C::Kod, "VKOD", 20, 5),
    line(C::DatumPoskytnuti, "VDAT", 2, 8),
    line(C::Diagnoza, "VDIA", 25, 4),
}};

const FillingRule kCFrom05N{"C from 05 N", &kRecordC, {
    constant(C::DruhKodu, "10"),
    line(C::Kod, "NTYP", 12, 1),
}};

const FillingRule kBFrom34T{"B from 34 T", &kRecordB, {
    line(B::CisloDokladu, "TCID", 2, 7),
    constant(B::DruhDokladu, "34"),
    line(B::Pohlavi, "TROD", 37, 1),
    line(B::DatumNarozeni, "TROD", 35, 10),
    line(B::HlavickovaDiagnoza, "TZDG", 45, 4),
    line(B::IcpZz, "TICO", 18, 8),
    line(B::VariabilniSymbol, "TVAR", 26, 6),
    line(B::IcpZadatele, "TICZ", 51, 8),
    line(B::OdbornostPracovisteZadatele, "TODB", 32, 3),
    line(B::DatumVystaveniPoukazu, "TDUT", 90, 8),
    line(B::IdentifikacePacienta, "TROD", 35, 10),
}};

const FillingRule kCFrom34V{"C from 34 V", &kRecordC, {
    asCodeKind(constant(C::DruhKodu, "0")),
    line(C::Kod, "VKOD", 2, 5),
    line(C::Mnozstvi, "VPOC", 7, 4),
    line(C::CenaVBodech, "VBOD", 11, 5),
}};

const FillingRule kBFrom36J{"B from 36 J", &kRecordB, {
    line(B::CisloDokladu, "HCID", 2, 7),
    constant(B::DruhDokladu, "36"),
    nextLine(B::Pohlavi, "VROD", 12, 1),
    nextLine(B::DatumNarozeni, "VROD", 10, 10),
    line(B::IcpZz, "HICO", 12, 8),
    line(B::VariabilniSymbol, "HVAR", 20, 6),
    line(B::OdbornostPracoviste, "HODB", 26, 3),
    nextLine(B::IdentifikacePacienta, "VROD", 10, 10),
}};

const FillingRule kCFrom36V{"C from 36 V", &kRecordC, {
    constant(C::DruhKodu, "6"),
    documentLine(C::Kod, "HKOD", 49, 2),
    line(C::Mnozstvi, "VKM", 20, 4),
    line(C::DatumPoskytnuti, "VDAT", 2, 8),
    documentLine(C::CenaVBodech, "HBOD", 39, 7),
    documentLine(C::CenaBoduVKc, "HCEL", 29, 10),
    line(C::CenaVKc, "VKC", 24, 9),
    line(C::Diagnoza, "VDIA", 33, 4),
}};

const FillingRule kBFrom37W{"B from 37 W", &kRecordB, {
    line(B::CisloDokladu, "HCID", 2, 7),
    constant(B::DruhDokladu, "37"),
    line(B::Pohlavi, "HROD", 37, 1),
    line(B::DatumNarozeni, "HROD", 35, 10),
    line(B::HlavickovaDiagnoza, "HZDG", 45, 4),
    line(B::IcpZz, "HICO", 18, 8),
    line(B::VariabilniSymbol, "HVAR", 26, 6),
    line(B::OdbornostPracoviste, "HODB", 32, 3),
    line(B::DatumVystaveniPoukazu, "HDAT", 74, 8),
    line(B::IdentifikacePacienta, "HROD", 35, 10),
}};

const FillingRule kCFrom37L{"C from 37 L", &kRecordC, {
    line(C::DruhKodu, "LTPR", 2, 1),
    line(C::Kod, "LKOD", 3, 7),
    line(C::Mnozstvi, "LMNO", 10, 7),
    documentLine(C::DatumPoskytnuti, "HDAT", 74, 8),
    line(C::CenaVKc, "LFIN", 17, 10),
}};

const FillingRule kCFrom37V{"C from 37 V", &kRecordC, {
    asCodeKind(constant(C::DruhKodu, "0")),
    line(C::Kod, "VKOD", 2, 5),
    line(C::Mnozstvi, "VPOC", 7, 3),
    documentLine(C::DatumPoskytnuti, "HDAT", 74, 8),
    line(C::CenaVBodech, "VBOD", 10, 5),
}};

const FillingRule kBFrom10R{"B from 10 R", &kRecordB, {
    line(B::CisloDokladu, "RPOR", 2, 3),
    constant(B::DruhDokladu, "10"),
    line(B::Pohlavi, "RROD", 7, 1),
    line(B::DatumNarozeni, "RROD", 5, 10),
    line(B::IcpZz, "RLEK", 23, 8),
    line(B::DatumVystaveniPoukazu, "RDAT", 15, 8),
    line(B::IdentifikacePacienta, "RROD", 5, 10),
}};

const FillingRule kCFrom10RFirst{"C from 10 R first", &kRecordC, {
    line(C::DruhKodu, "RCI1", 34, 1),
    line(C::Kod, "RKO1", 35, 7),
    line(C::Mnozstvi, "RMN1", 42, 5),
    line(C::DatumPoskytnuti, "RDAT", 15, 8),
    line(C::CenaVKc, "RFI1", 47, 9),
}};

const FillingRule kCFrom10RSecond{"C from 10 R second", &kRecordC, {
    line(C::DruhKodu, "RCI2", 56, 1),
    line(C::Kod, "RKO2", 57, 7),
    line(C::Mnozstvi, "RMN2", 64, 5),
    line(C::DatumPoskytnuti, "RDAT", 15, 8),
    line(C::CenaVKc, "RFI2", 69, 9),
}};

const FillingRule kCFrom10RFirst146{"C from 10 R first (146)", &kRecordC, {
    line(C::DruhKodu, "RCI1", 34, 1),
    line(C::Kod, "RKO1", 35, 7),
    line(C::Mnozstvi, "RMN1", 42, 5),
    line(C::DatumPoskytnuti, "RDAT", 15, 8),
    line(C::CenaVKc, "RFI1", 47, 10),
}};

const FillingRule kCFrom10RSecond146{"C from 10 R second (146)", &kRecordC, {
    line(C::DruhKodu, "RCI2", 85, 1),
    line(C::Kod, "RKO2", 86, 7),
    line(C::Mnozstvi, "RMN2", 93, 5),
    line(C::DatumPoskytnuti, "RDAT", 15, 8),
    line(C::CenaVKc, "RFI2", 98, 10),
}};

const FillingRule kBFrom12B{"B from 12 B", &kRecordB, {
    line(B::CisloDokladu, "BPOR", 2, 3),
    constant(B::DruhDokladu, "12"),
    line(B::Pohlavi, "BROD", 7, 1),
    line(B::DatumNarozeni, "BROD", 5, 10),
    line(B::HlavickovaDiagnoza, "BDG1", 34, 4),
    line(B::IcpZz, "BLEK", 23, 8),
    line(B::DatumVystaveniPoukazu, "BDAT", 15, 8),
    line(B::IdentifikacePacienta, "BROD", 5, 10),
}};

const FillingRule kCFrom12M{"C from 12 M", &kRecordC, {
    constant(C::DruhKodu, "3"),
    line(C::Kod, "MKO1", 2, 7),
    documentLine(C::DatumPoskytnuti, "BDAT", 15, 8),
    line(C::CenaVKc, "MFI1", 9, 7),
}};

const FillingRule kBFrom14F{"B from 14 F", &kRecordB, {
    line(B::CisloDokladu, "FPOR", 2, 3),
    constant(B::DruhDokladu, "14"),
    line(B::Pohlavi, "FROD", 7, 1),
    line(B::DatumNarozeni, "FROD", 5, 10),
    line(B::HlavickovaDiagnoza, "FDG1", 41, 4),
    line(B::IcpZz, "FLEK", 23, 8),
    line(B::DatumVystaveniPoukazu, "FDAT", 15, 8),
    line(B::IdentifikacePacienta, "FROD", 5, 10),
}};

const FillingRule kCFrom14F{"C from 14 F", &kRecordC, {
    constant(C::DruhKodu, "3"),
    line(C::Kod, "MKO2", 34, 7),
    line(C::DatumPoskytnuti, "FDAT", 15, 8),
}};

const FillingRule kCFrom14M{"C from 14 M", &kRecordC, {
    constant(C::DruhKodu, "3"),
    line(C::Kod, "MKO1", 2, 7),
    documentLine(C::DatumPoskytnuti, "FDAT", 15, 8),
    line(C::CenaVKc, "MFI1", 9, 8),
}};

const FillingRule kBFrom13O{"B from 13 O", &kRecordB, {
    line(B::CisloDokladu, "OPOR", 2, 3),
    constant(B::DruhDokladu, "13"),
    line(B::Pohlavi, "OROD", 7, 1),
    line(B::DatumNarozeni, "OROD", 5, 10),
    line(B::HlavickovaDiagnoza, "ODG1", 68, 4),
    line(B::IcpZz, "OLEK", 23, 8),
    line(B::OdbornostPracoviste, "OODB", 90, 3),
    line(B::DatumVystaveniPoukazu, "ODAT", 15, 8),
    line(B::IdentifikacePacienta, "OROD", 5, 10),
}};

const FillingRule kCFrom13O{"C from 13 O", &kRecordC, {
    constant(C::DruhKodu, "3"),
    line(C::Kod, "OKO1", 35, 7),
    line(C::Mnozstvi, "OMN1", 42, 6),
    line(C::DatumPoskytnuti, "ODAV", 80, 8),
    line(C::CenaVKc, "OFI1", 48, 10),
    line(C::Diagnoza, "ODG1", 68, 4),
    line(C::RadkovaOdbornost, "OODB", 90, 3),
}};

namespace {

const FillingRule* const kAllRules[] = {
    &kAFromD,           &kBFrom82H,          &kCFrom82V, &kCFromN,   &kCFromG,   &kCFromK,
    &kCFromL,           &kBFromZ,            &kBFrom81A, &kCFrom81V, &kBFrom90E, &kCFrom90V,
    &kBFrom05P,         &kCFrom05V,          &kCFrom05N, &kBFrom34T, &kCFrom34V, &kBFrom36J,
    &kCFrom36V,         &kBFrom37W,          &kCFrom37L, &kCFrom37V, &kBFrom10R, &kCFrom10RFirst,
    &kCFrom10RSecond,   &kCFrom10RFirst146,  &kCFrom10RSecond146,    &kBFrom12B, &kCFrom12M,
    &kBFrom14F,         &kCFrom14F,          &kCFrom14M, &kBFrom13O, &kCFrom13O,
};

}  // namespace

std::span<const FillingRule* const> allFillingRules() { return kAllRules; }

}  // namespace quervik::convert
