// The DRG delivery generator; see drg_delivery.h. Records are laid out by the checker's own
// layout tables (so a field always lands in its columns) and written with CR LF line ends.
#include "drg_delivery.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "drg/layout_tables.h"
#include "drg/validators.h"
#include "runtime/platform.h"

namespace quervik::tools {
namespace {

using drg::FieldSpec;

constexpr FindingKind kKinds[] = {
    // name             file   what is changed                                   code reports cross
    {"letter", "DRG", "a letter in the price of a service line", 7019, 1, false},
    {"date", "DRG", "day 32 in the date of a service line", 7115, 1, false},
    {"length", "DRG", "a service line one character short", 7009, 1, false},
    {"order", "DRG", "an X record right after a document header", 7011, 1, false},
    {"unknown", "DRG", "a line of the unknown record type D", 7012, 1, false},
    {"code", "DRG", "code kind 5, not allowed in a hospitalisation", 7040, 1, false},
    {"sex", "DRG", "sex X (a warning)", 7150, 1, false},
    {"org-kind", "ORG", "cost-centre kind QQ", 7060, 1, false},
    {"account-kind", "OSN", "account kind QQ", 7059, 1, false},
    {"eko-month", "EKO", "month 13 in a turnover line", 7025, 1, false},
    {"kor-exception", "KOR", "exception XYZ", 7301, 1, false},
    {"facility", "DRG", "a document whose service is dated a month before the period", 7204, 1, true},
    {"workplace", "DRG", "a document at a workplace missing from the structure", 7206, 1, true},
    {"symbol", "DRG", "a document whose variable symbol is not its workplace's", 7207, 1, true},
    {"specialty", "DRG", "a service line with a specialty missing from the structure", 7205, 1, true},
    {"operating", "ORG", "a workplace naming an unknown operating-room cost centre", 7202, 1, true},
    {"department", "ORG", "a second department record with an existing code", 7220, 2, true},
    {"costcentre-dup", "ORG", "a second cost-centre record with an existing code", 7221, 2, true},
    {"chart-dup", "OSN", "an account listed twice", 7208, 2, true},
    {"chart-facility", "OSN", "an account of a facility missing from the structure", 7203, 1, true},
    {"costcentre", "EKO", "turnover on an unknown cost centre", 7200, 1, true},
    {"account", "EKO", "turnover on an unknown account", 7201, 1, true},
};

consteval int at(std::span<const FieldSpec> layout, std::string_view description) {
  for (size_t i = 0; i < layout.size(); ++i)
    if (description == layout[i].description) return int(i);
  throw "no such field";
}

constexpr int lengthOf(std::span<const FieldSpec> layout) { return layout.back().to; }

// One record laid out by its table: numbers right-aligned, the rest left-aligned.
class Record {
 public:
  explicit Record(std::span<const FieldSpec> layout) : layout_(layout), text_(size_t(lengthOf(layout)), ' ') {}
  Record& clear() {
    std::fill(text_.begin(), text_.end(), ' ');
    return *this;
  }
  Record& set(int field, std::string_view value) {
    const FieldSpec& f = layout_[size_t(field)];
    const size_t width = size_t(f.width);
    const size_t n = std::min(width, value.size());
    char* p = text_.data() + f.from - 1;
    std::memset(p, ' ', width);
    std::memcpy(f.format == 'f' ? p + width - n : p, value.data(), n);
    return *this;
  }
  Record& number(int field, int64_t value) {
    char digits[24];
    int n = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
    return set(field, std::string_view(digits, size_t(n)));
  }
  // A number with two decimals, from hundredths.
  Record& money(int field, int64_t hundredths) {
    char digits[32];
    int n = std::snprintf(digits, sizeof digits, "%lld.%02lld", static_cast<long long>(hundredths / 100),
                          static_cast<long long>(hundredths % 100));
    return set(field, std::string_view(digits, size_t(n)));
  }
  const std::string& text() const { return text_; }

 private:
  std::span<const FieldSpec> layout_;
  std::string text_;
};

std::string date(int day, int month, int year) {
  char b[40];
  std::snprintf(b, sizeof b, "%02d%02d%04d", day, month, year);
  return b;
}

std::string base36(uint64_t v, int width) {
  static const char digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";
  std::string s(size_t(width), '0');
  for (int i = width - 1; i >= 0 && v; --i, v /= 36) s[size_t(i)] = digits[v % 36];
  return s;
}

std::string digits(uint64_t v, int width) {
  char b[32];
  std::snprintf(b, sizeof b, "%0*llu", width, static_cast<unsigned long long>(v));
  return b;
}

struct Rng {
  uint64_t state;
  uint64_t next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int below(int n) { return int(next() % uint64_t(n)); }
};

class Output {
 public:
  bool open(const std::string& path) {
    path_ = path;
    file_ = quervik::openFile(path.c_str(), "wb");
    if (file_) std::setvbuf(file_, nullptr, _IOFBF, 1 << 20);
    return file_ != nullptr;
  }
  void line(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), file_);
    std::fwrite("\r\n", 1, 2, file_);
  }
  bool close() {
    bool ok = file_ && !std::ferror(file_);
    if (file_ && std::fclose(file_) != 0) ok = false;
    file_ = nullptr;
    return ok;
  }
  ~Output() {
    if (file_) std::fclose(file_);
  }

 private:
  std::string path_;
  FILE* file_ = nullptr;
};

struct Workplace {
  int64_t icp;
  const char* specialty;
  std::string symbol;
};

struct CostCentre {
  std::string code;
  std::vector<Workplace> workplaces;
};

struct Facility {
  int icz;
  std::vector<CostCentre> centres;
  std::vector<std::string> accounts;
  std::vector<const Workplace*> workplaces;
};

constexpr const char* kSpecialties[] = {"101", "102", "103", "201", "202", "301", "302", "1F1", "2A3", "401", "501", "601"};

// Seeded findings of one pool of items (documents, cost centres, ...): the kind at each chosen
// index, none elsewhere.
class Seeds {
 public:
  bool choose(const DeliveryOptions& o, const char* file, int pool, Rng& rng, std::string& error) {
    kinds_.assign(size_t(pool), -1);
    std::vector<int> wanted;
    for (size_t k = 0; k < std::size(kKinds); ++k) {
      auto it = o.findings.find(kKinds[k].name);
      if (it == o.findings.end() || std::strcmp(kKinds[k].file, file) != 0) continue;
      for (int i = 0; i < it->second; ++i) wanted.push_back(int(k));
    }
    if (int(wanted.size()) > pool) {
      error = std::string("too many seeded findings for the ") + file + " file";
      return false;
    }
    // Distinct items, chosen by the seed.
    for (int k : wanted) {
      int i;
      do i = rng.below(pool); while (kinds_[size_t(i)] != -1);
      kinds_[size_t(i)] = k;
    }
    return true;
  }
  bool is(int index, const char* name) const {
    const int k = kinds_[size_t(index)];
    return k >= 0 && std::strcmp(kKinds[k].name, name) == 0;
  }

 private:
  std::vector<int> kinds_;
};

// The share of a total that falls to item i of n.
int shareOf(int total, int n, int i) { return total / n + (i < total % n ? 1 : 0); }

// Indexes of the fields written below.
namespace f {
constexpr int ZType = at(drg::kOrgZ, "Typ vety"), ZId = at(drg::kOrgZ, "Ic - Identifikacni cislo organizace dle CSU"),
              ZName = at(drg::kOrgZ, "Nazev zdravotnickeho zarizeni"), ZMonth = at(drg::kOrgZ, "Mesic - struktura subjektu"),
              ZYear = at(drg::kOrgZ, "Rok - struktura subjektu");
constexpr int OType = at(drg::kOrgO, "Typ vety"), OCode = at(drg::kOrgO, "Kod oddeleni"),
              OName = at(drg::kOrgO, "Nazev oddeleni");
constexpr int NType = at(drg::kOrgN, "Typ vety"), NCode = at(drg::kOrgN, "Kod nakladoveho strediska"),
              NName = at(drg::kOrgN, "Nazev nakladoveho strediska"), NKind = at(drg::kOrgN, "Druh nakladoveho strediska");
constexpr int PType = at(drg::kOrgP, "Typ vety"), PIcp = at(drg::kOrgP, "ICP (dle smlouvy s VZP)"),
              PIcz = at(drg::kOrgP, "ICZ (dle smlouvy s VZP)"), PName = at(drg::kOrgP, "Nazev pracoviste"),
              PSpecialty = at(drg::kOrgP, "Hlavni odbornost pracoviste"),
              PSymbol = at(drg::kOrgP, "Variabilni symbol pracoviste"), PNzis = at(drg::kOrgP, "Kod pracoviste podle NZIS"),
              POperating = at(drg::kOrgP, "Kod NS operacniho salu pracoviste"),
              PBeds = at(drg::kOrgP, "Pocet luzek pracoviste");
constexpr int SYear = at(drg::kOsn, "Rok - ucetni osnova"), SIcz = at(drg::kOsn, "Icz - ucetni osnova"),
              SAccount = at(drg::kOsn, "Cislo uctu"), SKind = at(drg::kOsn, "Druh uctu"), SName = at(drg::kOsn, "Nazev uctu");
constexpr int AType = at(drg::kDrgA, "Typ vety"), AIcz = at(drg::kDrgA, "Icz"), AFlag = at(drg::kDrgA, "Je Ico/Icz"),
              ACharacter = at(drg::kDrgA, "Charakter davky"), ANumber = at(drg::kDrgA, "Cislo davky"),
              AKind = at(drg::kDrgA, "Druh davky"), AMonth = at(drg::kDrgA, "Mesic"), AYear = at(drg::kDrgA, "Rok"),
              AInsurer = at(drg::kDrgA, "Pojistovna"), AFlat = at(drg::kDrgA, "Pausal");
constexpr int BType = at(drg::kDrgB, "Typ vety"), BNumber = at(drg::kDrgB, "Cislo dokladu"),
              BKind = at(drg::kDrgB, "Druh dokladu"), BSex = at(drg::kDrgB, "Pohlavi"),
              BBirth = at(drg::kDrgB, "Datum narozeni"), BReason = at(drg::kDrgB, "Duvod prijeti"),
              BEnd = at(drg::kDrgB, "Ukonceni leceni"), BDiagnosis = at(drg::kDrgB, "Hlavickova diagnoza"),
              BIcpZz = at(drg::kDrgB, "ICP ZZ"), BSymbol = at(drg::kDrgB, "Variabilni symbol"),
              BSpecialty = at(drg::kDrgB, "Odbornost pracoviste"), BReferral = at(drg::kDrgB, "Datum vystaveni poukazu"),
              BAdmission = at(drg::kDrgB, "Datum prijeti k hospitalizaci (dokl. 02)"),
              BDischarge = at(drg::kDrgB, "Datum propusteni z hospitalizace (dokl. 02)"),
              BPatient = at(drg::kDrgB, "Identifikace pacienta");
constexpr int CType = at(drg::kDrgC, "Typ vety"), CKind = at(drg::kDrgC, "Druh kodu"), CCode = at(drg::kDrgC, "Kod"),
              CQuantity = at(drg::kDrgC, "Mnozstvi"), CDate = at(drg::kDrgC, "Datum poskytnuti"),
              CPoints = at(drg::kDrgC, "Cena v bodech"), CPointPrice = at(drg::kDrgC, "Cena bodu v Kc"),
              CPrice = at(drg::kDrgC, "Cena v Kc"), CDiagnosis = at(drg::kDrgC, "Diagnoza"),
              CSpecialty = at(drg::kDrgC, "Radkova odbornost");
constexpr int EIcz = at(drg::kEko, "Icz - obrat z ucetnictvi"), EYear = at(drg::kEko, "Rok - obrat z ucetnictvi"),
              EMonth = at(drg::kEko, "Mesic - obrat z ucetnictvi"), ECentre = at(drg::kEko, "Nakladove stredisko"),
              EAccount = at(drg::kEko, "Ucet - obrat z ucetnictvi"), EValue = at(drg::kEko, "Hodnota obratu na uctu");
constexpr int KIcz = at(drg::kKor, "Icz, kde se provadi modifikace"),
              KPeriod = at(drg::kKor, "Obdobi, pro ktere dana modifikace plati"),
              KEntity1 = at(drg::kKor, "Jednoznacna identifikace entity organizacni struktury (ENTITA1)"),
              KEntity2 = at(drg::kKor, "Jednoznacna identifikace entity organizacni struktury (ENTITA2)"),
              KSpecification = at(drg::kKor, "Specifikace druhu upravovane informace"),
              KPercent = at(drg::kKor, "Mnozstvi dane informace vyjadrene v procentech"),
              KException = at(drg::kKor, "Vyjimky (ALL, NULL, POD, PRG)");
}  // namespace f

class Generator {
 public:
  Generator(const DeliveryOptions& o) : o_(o), rng_{o.seed * 0x2545F4914F6CDD1Dull + 1} {}

  bool run(DeliveryFiles& files, std::string& error) {
    if (!validate(error)) return false;
    buildModel();
    if (!documentSeeds_.choose(o_, "DRG", o_.documents, rng_, error) ||
        !centreSeeds_.choose(o_, "ORG", o_.costCentres, rng_, error) ||
        !accountSeeds_.choose(o_, "OSN", o_.accounts, rng_, error) ||
        !turnoverSeeds_.choose(o_, "EKO", o_.turnover, rng_, error) ||
        !modificationSeeds_.choose(o_, "KOR", o_.modifications, rng_, error))
      return false;
    const std::string base = o_.directory + "/" + o_.name;
    files = {base + ".ORG", base + ".OSN", base + ".DRG", base + ".EKO", base + ".KOR"};
    struct Step {
      const std::string* path;
      void (Generator::*write)(Output&);
    };
    const Step steps[] = {{&files.org, &Generator::writeOrg},
                          {&files.osn, &Generator::writeOsn},
                          {&files.drg, &Generator::writeDrg},
                          {&files.eko, &Generator::writeEko},
                          {&files.kor, &Generator::writeKor}};
    for (const Step& s : steps) {
      Output out;
      if (!out.open(*s.path)) {
        error = "cannot write " + *s.path;
        return false;
      }
      (this->*s.write)(out);
      if (!out.close()) {
        error = "cannot write " + *s.path;
        return false;
      }
    }
    return true;
  }

 private:
  bool validate(std::string& error) {
    for (const auto& finding : o_.findings) {
      const std::string& name = finding.first;
      if (std::none_of(std::begin(kKinds), std::end(kKinds), [&](const FindingKind& k) { return name == k.name; })) {
        error = "unknown finding kind " + name;
        return false;
      }
      if (finding.second < 0) {
        error = "negative count for " + name;
        return false;
      }
    }
    if (o_.facilities < 1 || o_.facilities > 9999) error = "facilities must be 1 to 9999";
    else if (o_.costCentres < o_.facilities) error = "at least one cost centre per facility";
    else if (o_.costCentres > 1500000) error = "at most 1500000 cost centres";
    else if (o_.accounts < o_.facilities) error = "at least one account per facility";
    else if (o_.documents < 0 || o_.turnover < 0 || o_.modifications < 0) error = "counts must not be negative";
    else if (o_.month < 1 || o_.month > 12 || o_.year < 2003 || o_.year > 9999) error = "bad period";
    return error.empty();
  }

  void buildModel() {
    int centre = 0, workplace = 0, account = 0;
    for (int i = 0; i < o_.facilities; ++i) {
      Facility fac;
      fac.icz = 72000000 + 100 * i;
      const int centres = shareOf(o_.costCentres, o_.facilities, i);
      for (int n = 0; n < centres; ++n, ++centre) {
        CostCentre cc;
        cc.code = "NS" + base36(uint64_t(centre), 4);
        // Most cost centres have one workplace, some two; a few in the middle of a department
        // none (they take the facility from their neighbours).
        int count = n % 7 == 3 ? 2 : 1;
        if (n % 11 == 10 && n % 8 != 0 && n + 1 < centres) count = 0;
        for (int k = 0; k < count; ++k, ++workplace)
          cc.workplaces.push_back(
              {10000000 + workplace, kSpecialties[workplace % std::size(kSpecialties)], digits(uint64_t(workplace) % 1000000, 6)});
        fac.centres.push_back(std::move(cc));
      }
      const int accounts = shareOf(o_.accounts, o_.facilities, i);
      for (int a = 0; a < accounts; ++a, ++account) fac.accounts.push_back("5" + digits(uint64_t(account), 9));
      facilities_.push_back(std::move(fac));
    }
    // Pointers to the workplaces, now that the vectors no longer move.
    for (Facility& fac : facilities_) {
      fac.workplaces.clear();
      for (const CostCentre& cc : fac.centres)
        for (const Workplace& w : cc.workplaces) fac.workplaces.push_back(&w);
    }
  }

  void writeOrg(Output& out) {
    Record z(drg::kOrgZ), o(drg::kOrgO), n(drg::kOrgN), p(drg::kOrgP);
    int centre = 0, extra = 0;
    const auto kinds = drg::costCentreKinds();
    auto workplaceRecord = [&](const Facility& fac, const Workplace& w, const std::string& operating) {
      p.clear().set(f::PType, "P").number(f::PIcp, w.icp).number(f::PIcz, fac.icz);
      p.set(f::PName, "Pracoviste " + std::to_string(w.icp)).set(f::PSpecialty, w.specialty).set(f::PSymbol, w.symbol);
      p.set(f::PNzis, digits(uint64_t(w.icp) % 100000, 5)).set(f::POperating, operating);
      p.number(f::PBeds, 1 + w.icp % 60);
      out.line(p.text());
    };
    for (size_t i = 0; i < facilities_.size(); ++i) {
      const Facility& fac = facilities_[i];
      z.clear().set(f::ZType, "Z").set(f::ZId, digits(10000000 + i, 8)).set(f::ZName, "Nemocnice " + std::to_string(i + 1));
      z.number(f::ZMonth, o_.month).number(f::ZYear, o_.year);
      out.line(z.text());
      std::string department;
      for (size_t c = 0; c < fac.centres.size(); ++c, ++centre) {
        const CostCentre& cc = fac.centres[c];
        if (c % 8 == 0) {
          department = "ODD" + base36(uint64_t(centre / 8), 5);
          o.clear().set(f::OType, "O").set(f::OCode, department).set(f::OName, "Oddeleni " + department);
          out.line(o.text());
        }
        n.clear().set(f::NType, "N").set(f::NCode, cc.code).set(f::NName, "Stredisko " + cc.code);
        n.set(f::NKind, centreSeeds_.is(centre, "org-kind") ? "QQ" : kinds[size_t(centre) % kinds.size()]);
        out.line(n.text());
        const bool badOperating = centreSeeds_.is(centre, "operating");
        for (size_t w = 0; w < cc.workplaces.size(); ++w) {
          std::string operating = cc.workplaces[w].icp % 5 == 0 ? fac.centres[0].code : "";
          if (badOperating && w == 0) operating = "ZZ9999";
          workplaceRecord(fac, cc.workplaces[w], operating);
        }
        if (badOperating && cc.workplaces.empty()) {
          // A cost centre without workplace gets one to carry the finding.
          workplaceRecord(fac, Workplace{90000000 + extra++, "101", ""}, "ZZ9999");
        }
        if (centreSeeds_.is(centre, "department")) {
          o.clear().set(f::OType, "O").set(f::OCode, department).set(f::OName, "Oddeleni znovu");
          out.line(o.text());
        }
        if (centreSeeds_.is(centre, "department") || centreSeeds_.is(centre, "costcentre-dup")) {
          const std::string code = centreSeeds_.is(centre, "department") ? "NX" + base36(uint64_t(extra), 4) : cc.code;
          n.clear().set(f::NType, "N").set(f::NCode, code).set(f::NName, "Stredisko navic").set(f::NKind, "LT");
          out.line(n.text());
          workplaceRecord(fac, Workplace{90000000 + extra++, "101", ""}, "");
        }
      }
    }
  }

  void writeOsn(Output& out) {
    Record s(drg::kOsn);
    int account = 0;
    const auto kinds = drg::accountKinds();
    for (const Facility& fac : facilities_) {
      for (const std::string& a : fac.accounts) {
        s.clear().number(f::SYear, o_.year).number(f::SIcz, fac.icz).set(f::SAccount, a);
        s.set(f::SKind, accountSeeds_.is(account, "account-kind") ? "QQ" : kinds[size_t(account) % kinds.size()]);
        s.set(f::SName, "Ucet " + a);
        out.line(s.text());
        if (accountSeeds_.is(account, "chart-dup")) out.line(s.text());
        if (accountSeeds_.is(account, "chart-facility")) {
          s.number(f::SIcz, 71000000).set(f::SAccount, "6" + digits(uint64_t(account), 9));
          out.line(s.text());
        }
        ++account;
      }
    }
  }

  // A date in the period; days up to 28 fit every month.
  std::string inPeriod(int day) const { return date(day, o_.month, o_.year); }

  void writeDrg(Output& out) {
    Record a(drg::kDrgA), b(drg::kDrgB), c(drg::kDrgC);
    static const char* const kCodeKinds[] = {"0", "7", "8", "9", "10", "11", "12"};
    const std::string monthBefore = o_.month > 1 ? date(15, o_.month - 1, o_.year) : date(15, 12, o_.year - 1);
    int document = 0;
    for (size_t i = 0; i < facilities_.size(); ++i) {
      const Facility& fac = facilities_[i];
      a.clear().set(f::AType, "A").number(f::AIcz, fac.icz).set(f::AFlag, "1").set(f::ACharacter, "P");
      a.number(f::ANumber, int64_t(i) + 1).set(f::AKind, "99").number(f::AMonth, o_.month).number(f::AYear, o_.year);
      a.set(f::AInsurer, "111").set(f::AFlat, "N");
      out.line(a.text());
      const int documents = shareOf(o_.documents, o_.facilities, int(i));
      for (int d = 0; d < documents; ++d, ++document) {
        const Workplace& w = *fac.workplaces[size_t(rng_.below(int(fac.workplaces.size())))];
        const int admitted = 1 + rng_.below(14), discharged = admitted + rng_.below(14);
        b.clear().set(f::BType, "B").number(f::BNumber, document % 10000000 + 1).set(f::BKind, "02");
        b.set(f::BSex, documentSeeds_.is(document, "sex") ? "X" : (document % 2 ? "M" : "Z"));
        b.set(f::BBirth, date(1 + rng_.below(28), 1 + rng_.below(12), 1930 + rng_.below(80)));
        b.number(f::BReason, rng_.below(10)).number(f::BEnd, rng_.below(9));
        b.set(f::BDiagnosis, std::string(1, char('A' + rng_.below(26))) + digits(uint64_t(rng_.below(1000)), 3));
        int64_t icp = w.icp;
        std::string symbol = document % 2 ? w.symbol : "";
        if (documentSeeds_.is(document, "workplace")) {
          icp = 89999999;
          symbol.clear();
        }
        if (documentSeeds_.is(document, "symbol")) symbol = "ZZZZZZ";
        b.number(f::BIcpZz, icp).set(f::BSymbol, symbol).set(f::BSpecialty, w.specialty);
        if (document % 3 == 0) b.set(f::BReferral, inPeriod(admitted));
        b.set(f::BAdmission, inPeriod(admitted)).set(f::BDischarge, inPeriod(discharged));
        b.set(f::BPatient, "Pacient " + digits(uint64_t(document), 7));
        out.line(b.text());
        if (documentSeeds_.is(document, "order")) out.line(std::string(351, 'X'));
        if (documentSeeds_.is(document, "unknown")) out.line("D" + std::string(75, ' '));

        int services = 1 + rng_.below(3);
        if (documentSeeds_.is(document, "length") && services < 2) services = 2;  // the next line keeps the order
        for (int s = 0; s < services; ++s) {
          const bool first = s == 0;
          const char* kind = kCodeKinds[rng_.below(int(std::size(kCodeKinds)))];
          const bool noCode = std::strcmp(kind, "9") == 0 || std::strcmp(kind, "11") == 0 || std::strcmp(kind, "12") == 0;
          c.clear().set(f::CType, "C");
          if (first && documentSeeds_.is(document, "code")) {
            c.set(f::CKind, "5").set(f::CCode, "0012345");
          } else {
            c.set(f::CKind, kind).set(f::CCode, noCode ? "" : digits(uint64_t(rng_.below(10000000)), 7));
          }
          const int quantity = 1 + rng_.below(3);
          c.set(f::CQuantity, quantity == 3 ? "1.500" : std::to_string(quantity));
          std::string day = inPeriod(admitted + rng_.below(14));
          if (first && documentSeeds_.is(document, "date")) day = "32" + day.substr(2);
          if (first && documentSeeds_.is(document, "facility")) day = monthBefore;
          c.set(f::CDate, day);
          const int64_t points = 100 + rng_.below(100000);
          c.money(f::CPoints, points * 100).money(f::CPointPrice, 100);
          if (first && documentSeeds_.is(document, "letter"))
            c.set(f::CPrice, "1O0.00");
          else
            c.money(f::CPrice, points * 100);
          c.set(f::CDiagnosis, s % 2 ? "A00" : "");
          if (first && documentSeeds_.is(document, "specialty"))
            c.set(f::CSpecialty, "999");
          else
            c.set(f::CSpecialty, s % 2 ? w.specialty : "");
          if (first && documentSeeds_.is(document, "length"))
            out.line(std::string_view(c.text()).substr(0, c.text().size() - 1));
          else
            out.line(c.text());
        }
      }
    }
  }

  void writeEko(Output& out) {
    Record e(drg::kEko);
    int line = 0;
    for (int i = 0; i < o_.facilities; ++i) {
      const Facility& fac = facilities_[size_t(i)];
      const int lines = shareOf(o_.turnover, o_.facilities, i);
      for (int l = 0; l < lines; ++l, ++line) {
        const CostCentre& cc = fac.centres[size_t(rng_.below(int(fac.centres.size())))];
        const std::string& account = fac.accounts[size_t(rng_.below(int(fac.accounts.size())))];
        e.clear().number(f::EIcz, fac.icz).number(f::EYear, o_.year);
        e.number(f::EMonth, turnoverSeeds_.is(line, "eko-month") ? 13 : o_.month);
        e.set(f::ECentre, turnoverSeeds_.is(line, "costcentre") ? "ZZ9999" : cc.code);
        e.set(f::EAccount, turnoverSeeds_.is(line, "account") ? "8999999999" : account);
        e.money(f::EValue, int64_t(rng_.below(100000000)));
        out.line(e.text());
      }
    }
  }

  void writeKor(Output& out) {
    Record k(drg::kKor);
    static const char* const kSpecifications[] = {"AGREG", "BODY_ZA_VYKONY", "NAK_LE", "VYN_RA", "ZULP", "OD"};
    int line = 0;
    for (int i = 0; i < o_.facilities; ++i) {
      const Facility& fac = facilities_[size_t(i)];
      const int lines = shareOf(o_.modifications, o_.facilities, i);
      for (int l = 0; l < lines; ++l, ++line) {
        const CostCentre& cc = fac.centres[size_t(rng_.below(int(fac.centres.size())))];
        k.clear().number(f::KIcz, fac.icz).set(f::KPeriod, digits(uint64_t(o_.year), 4) + digits(uint64_t(o_.month), 2));
        k.set(f::KEntity1, cc.code).set(f::KSpecification, kSpecifications[line % std::size(kSpecifications)]);
        switch (line % 3) {
          case 0:
            k.set(f::KException, "NULL");
            break;
          case 1:
            k.set(f::KEntity2, fac.centres[0].code).set(f::KPercent, "50.00").set(f::KException, "ALL");
            break;
          default:
            k.set(f::KPercent, "25.00").set(f::KException, "PRG");
        }
        if (modificationSeeds_.is(line, "kor-exception")) k.set(f::KException, "XYZ");
        out.line(k.text());
      }
    }
  }

  const DeliveryOptions& o_;
  Rng rng_;
  std::vector<Facility> facilities_;
  Seeds documentSeeds_, centreSeeds_, accountSeeds_, turnoverSeeds_, modificationSeeds_;
};

}  // namespace

std::span<const FindingKind> findingKinds() { return kKinds; }

bool writeDelivery(const DeliveryOptions& options, DeliveryFiles& files, std::string& error) {
  Generator g(options);
  return g.run(files, error);
}

}  // namespace quervik::tools
