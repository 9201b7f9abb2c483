// The VZP batch file generator; see vzp_generator.h. Each field gets a value by a rule
// chosen once per layout from the field's format and named checks: the rules know what
// the checks demand (a rising order number per batch, the facility's own ICO, the same
// birth number in a document and its Z record, distinct replacement types, ...).
#include "vzp_generator.h"

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string_view>

#include "vzp/descriptors.h"

namespace quervik::vzptools {
namespace {

using vzp::VzpFieldDescriptor;
using vzp::VzpRecordDescriptor;

enum class Rule {
  Letter, Literal, Blank, Zeros, Text, Name, Digits, Ico, Date, BirthNumber, Diagnosis, Replacement,
  Category, Order, DocumentNumber, Money, Number, Year, Month, BatchType, BatchNumber, DocumentCount,
};

struct FieldPlan {
  const VzpFieldDescriptor* field;
  Rule rule;
  const char* literal = "";
};

struct RecordPlan {
  const VzpRecordDescriptor* record;
  std::vector<FieldPlan> fields;
  int seedOffset = -1;  // offset of a character field without checks that a tab can spoil
};

bool lists(const VzpFieldDescriptor& f, std::string_view name) {
  std::string_view list = f.checks;
  while (!list.empty()) {
    const size_t comma = list.find(',');
    if (list.substr(0, comma) == name) return true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

bool listsAny(const VzpFieldDescriptor& f, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names)
    if (lists(f, n)) return true;
  return false;
}

FieldPlan headerPlan(const VzpFieldDescriptor& f) {
  const std::string_view code = f.code;
  if (code == "CHAR") return {&f, Rule::Literal, "P"};
  if (code == "DTYP") return {&f, Rule::BatchType};
  if (code == "DICO") return {&f, Rule::Ico};
  if (code == "DPOB") return {&f, Rule::Literal, "0000"};
  if (code == "DROK") return {&f, Rule::Year};
  if (code == "DMES") return {&f, Rule::Month};
  if (code == "DCID") return {&f, Rule::BatchNumber};
  if (code == "DPOC") return {&f, Rule::DocumentCount};
  if (code == "DDPP") return {&f, Rule::Literal, "1"};
  if (code == "DFIN") return {&f, Rule::Money};
  return {&f, Rule::Blank};
}

FieldPlan planField(const VzpRecordDescriptor& r, const VzpFieldDescriptor& f) {
  if (f.position == 1) return {&f, Rule::Letter};
  if (f.presence == 'X') return {&f, f.kind == 'N' ? Rule::Zeros : Rule::Blank};
  if (r.letter == 'D' && std::string_view(r.batchType) == vzp::kVzpHeaderBatchType) return headerPlan(f);
  if (lists(f, "ZvetsiPocDokl")) return {&f, Rule::Order};
  if (listsAny(f, {"ICP_vlastni", "TestICO"})) return {&f, Rule::Ico};
  if (listsAny(f, {"UlozRC", "KontrolaRC_Z", "RodneCislo", "NepovRC", "RodC36", "Nahrady_X_NROD", "JeVyplHROD37"}))
    return {&f, Rule::BirthNumber};
  if (listsAny(f, {"Diagnoza", "NepovDiagnoza", "Diag36"})) return {&f, Rule::Diagnosis};
  if (listsAny(f, {"Nahrady_1", "Nahrady_X_NTYP"})) return {&f, Rule::Replacement};
  if (lists(f, "Kategorie")) return {&f, Rule::Category};
  // Spa care: a stay without escort, end dates or interruption, cost kind 2 (no bed).
  if (lists(f, "KOD_UKO")) return {&f, Rule::Literal, "0"};
  if (lists(f, "TYP_LP")) return {&f, Rule::Literal, "K"};
  if (lists(f, "KOD_NAK")) return {&f, Rule::Literal, "2"};
  if (lists(f, "LUZKO_KATEG")) return {&f, f.width == 1 ? Rule::Literal : Rule::Blank, "0"};
  if (listsAny(f, {"DUKON", "DODJ", "JMENO_PR", "CP_PR", "KOD_PRERUS", "RCI2", "DruhyRecept", "NumberTest",
                   "TestXspc", "VKVA", "VZUB", "NepovSPZ", "Char36", "VKM36", "Time36", "HJME37", "SaveOTRV"}))
    return {&f, Rule::Blank};
  if (listsAny(f, {"RokPo1992", "NepovRok", "RokNizHlav"})) return {&f, Rule::Year};
  if (listsAny(f, {"IsMesic", "NepovMesic"})) return {&f, Rule::Month};
  if (lists(f, "TypDokl66789")) return {&f, Rule::Literal, "66"};
  if (listsAny(f, {"PovDokl66789_1", "PovDokl66789_2"})) {
    // An amount of batch 66 is a text; below 10 it passes the amount test.
    if (f.width == 14) return {&f, Rule::Literal, "          5.00"};
    if (f.width == 2) return {&f, Rule::Month};
    return {&f, f.width == 50 ? Rule::Name : Rule::Digits};
  }
  if (lists(f, "UlozKodDopravy")) return {&f, Rule::Literal, "01"};
  if (lists(f, "SPZcheck")) return {&f, Rule::Literal, "1AB2345"};
  if (lists(f, "CI")) return {&f, Rule::Literal, "C"};
  if (listsAny(f, {"TestC1_1az2", "TestC1_1az3", "TestC1_1az4", "TestC1_1az5"})) return {&f, Rule::Literal, "1"};
  if (lists(f, "Test111")) return {&f, Rule::Literal, "111"};
  if (lists(f, "Odbornost")) return {&f, Rule::Literal, "101"};
  if (listsAny(f, {"NumNotNul", "KladneCislo", "KratsiCislo"})) return {&f, Rule::DocumentNumber};
  if (listsAny(f, {"ICP_rozsah", "ICP_rozsah19", "NoSpacesInNum", "OEVC", "VKOD"})) return {&f, Rule::Digits};
  switch (f.kind) {
    case 'D':
      return {&f, Rule::Date};
    case '$':
      return {&f, Rule::Money};
    case 'N':
      return {&f, f.presence == ' ' ? Rule::Number : Rule::Blank};
    default:
      if (f.presence != ' ') return {&f, Rule::Blank};
      return {&f, f.width >= 20 ? Rule::Name : Rule::Text};
  }
}

// How the documents of a batch type are built: an optional leading item record, the
// document record and its items (letter, fewest, most), and whether Z documents with L
// items may follow a document.
struct ItemPlan {
  char letter;
  int least, most;
};
struct TypePlan {
  const char* type;
  char leading;
  char document;
  std::vector<ItemPlan> items;
  bool zDocuments;
};

const std::vector<TypePlan>& typePlans() {
  static const std::vector<TypePlan> plans = {
      {"05", 0, 'P', {{'V', 1, 4}, {'N', 0, 2}}, false},
      {"10", 0, 'R', {}, false},
      {"12", 0, 'B', {{'M', 1, 4}}, false},
      {"13", 0, 'O', {}, false},
      {"14", 0, 'F', {{'M', 1, 3}}, false},
      {"16", 0, 'L', {{'U', 1, 3}, {'S', 0, 2}}, false},
      {"34", 0, 'T', {{'V', 1, 5}, {'N', 0, 2}, {'G', 0, 2}}, false},
      {"36", 0, 'J', {{'V', 1, 4}}, false},
      {"37", 0, 'W', {{'V', 1, 5}, {'N', 0, 2}, {'G', 0, 3}, {'L', 0, 3}}, false},
      {"65", 'Q', 'X', {{'Y', 1, 4}}, false},
      {"66", 0, 'R', {}, false},
      {"80", 0, 'H', {{'I', 1, 5}}, false},
      {"81", 0, 'A', {{'V', 1, 5}, {'N', 0, 2}, {'G', 0, 3}}, true},
      {"82", 0, 'H', {{'V', 1, 6}, {'N', 0, 2}, {'G', 0, 3}, {'K', 0, 3}}, true},
      {"90", 0, 'E', {{'V', 1, 4}, {'N', 0, 2}, {'G', 0, 3}}, true},
      {"98", 0, 'A', {{'V', 1, 5}, {'N', 0, 2}, {'G', 0, 3}}, true},
      {"99", 0, 'H', {{'V', 1, 6}, {'N', 0, 2}, {'G', 0, 3}, {'K', 0, 3}}, true},
  };
  return plans;
}

const TypePlan* findPlan(const std::string& type) {
  for (const TypePlan& p : typePlans())
    if (type == p.type) return &p;
  return nullptr;
}

constexpr const char* kNames[] = {"NOV\xA0K JAN", "DVO\xFD\xA0K PETR", "SVOBODOV\xA0 MARIE", "\x9F" "ERN\xEC KAREL",
                                  "KUCHA\xFD OND\xFD" "EJ"};

// One generation pass. Records are built batch by batch; the header is written last of
// its batch because it carries the batch's document count.
class Generator {
 public:
  Generator(const VzpGeneratorOptions& options, const std::set<long>* seeded)
      : options_(options), seeded_(seeded), rng_(options.seed) {
    for (const VzpRecordDescriptor& r : vzp::vzpRecordTable()) {
      RecordPlan plan{&r, {}};
      for (const VzpFieldDescriptor& f : r.fields) {
        plan.fields.push_back(planField(r, f));
        if (plan.seedOffset < 0 && f.position > 1 && f.kind == 'C' && f.presence != 'X' && f.checks[0] == '\0')
          plan.seedOffset = f.offset();
      }
      plans_[key(r.batchType, r.letter)].push_back(plan);
    }
  }

  long eligibleRecords() const { return eligible_; }

  // Calls write(text) for every finished batch; false on an unknown type or a failed write.
  template <class Write>
  bool run(VzpGeneratorResult& result, Write&& write) {
    std::vector<std::string> types = options_.batchTypes.empty() ? defaultVzpBatchTypes() : options_.batchTypes;
    for (const std::string& t : types)
      if (!findPlan(t)) return false;
    const int documents = std::clamp(options_.documentsPerBatch, 1, 999);
    size_t next = 0;
    for (;;) {
      if (options_.targetBytes > 0 ? result.bytes >= options_.targetBytes : next >= types.size()) break;
      const std::string text = batch(*findPlan(types[next++ % types.size()]), documents, result);
      if (!write(text)) return false;
      result.bytes += int64_t(text.size());
      ++result.batches;
    }
    return true;
  }

 private:
  static std::string key(const char* type, char letter) { return std::string(type, 2) + letter; }

  int between(int least, int most) { return least + int(rng_() % uint64_t(most - least + 1)); }

  struct Line {
    std::string text;
    bool seeded;
  };

  std::string batch(const TypePlan& plan, int documents, VzpGeneratorResult& result) {
    type_ = plan.type;
    month_ = between(1, 12);
    order_ = 0;
    ++batchNumber_;
    std::vector<Line> lines;
    if (plan.leading) lines.push_back(record(plan.leading));
    int written = 0;
    while (written < documents) {
      startDocument();
      lines.push_back(record(plan.document));
      ++written;
      for (const ItemPlan& item : plan.items)
        for (int n = between(item.least, item.most); n > 0; --n) lines.push_back(record(item.letter));
      if (plan.zDocuments && written < documents && rng_() % 3 == 0) {
        lines.push_back(record('Z'));  // the same patient: the birth number stays
        ++written;
        for (int n = between(1, 3); n > 0; --n) lines.push_back(record('L'));
      }
    }
    documentCount_ = written;
    const std::string batchType = type_;
    type_ = vzp::kVzpHeaderBatchType;
    const Line header = record('D', batchType);
    type_ = batchType;

    const char* end = options_.crlf ? "\r\n" : "\n";
    std::string text = header.text + end;
    ++result.lines;
    for (const Line& l : lines) {
      ++result.lines;
      if (l.seeded) result.findingLines.push_back(result.lines);
      text += l.text;
      text += end;
    }
    return text;
  }

  void startDocument() {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%010llu", (unsigned long long)(rng_() % 10000000000ULL));
    birthNumber_ = digits;
    replacement_ = 0;
    category_ = 0;
  }

  // One record of the current batch type; for the header, `headerType` is the type of the
  // batch it opens. A record with a character field without checks may be seeded.
  Line record(char letter, const std::string& headerType = "") {
    const std::vector<RecordPlan>& candidates = plans_.at(key(type_.c_str(), letter));
    const RecordPlan& plan = candidates[candidates.size() == 1 ? 0 : rng_() % candidates.size()];
    Line line{std::string(size_t(plan.record->length), ' '), false};
    for (const FieldPlan& f : plan.fields) {
      const std::string value = fieldValue(f, letter, headerType);
      line.text.replace(size_t(f.field->offset()), std::min(value.size(), size_t(f.field->width)), value, 0,
                        size_t(f.field->width));
    }
    if (plan.seedOffset >= 0) {
      if (seeded_ && seeded_->count(eligible_)) {
        line.text[size_t(plan.seedOffset)] = '\t';
        line.seeded = true;
      }
      ++eligible_;
    }
    return line;
  }

  std::string rightAligned(const std::string& s, int width, char fill = ' ') {
    return s.size() >= size_t(width) ? s.substr(s.size() - size_t(width)) : std::string(size_t(width) - s.size(), fill) + s;
  }

  std::string fieldValue(const FieldPlan& p, char letter, const std::string& headerType) {
    const VzpFieldDescriptor& f = *p.field;
    const int w = f.width;
    char buf[64];
    switch (p.rule) {
      case Rule::Letter:
        return std::string(1, letter);
      case Rule::Literal:
        return p.literal;
      case Rule::Blank:
        return std::string(size_t(w), ' ');
      case Rule::Zeros:
        return std::string(size_t(w), '0');
      case Rule::Text:
        return f.code;
      case Rule::Name:
        return kNames[rng_() % std::size(kNames)];
      case Rule::Digits: {
        std::string s;
        for (int i = 0; i < w; ++i) s += char('0' + rng_() % 10);
        return s;
      }
      case Rule::Ico:
        return options_.ico;
      case Rule::Date:
        std::snprintf(buf, sizeof buf, "15%02d2023", month_);
        return buf;
      case Rule::BirthNumber:
        return birthNumber_;
      case Rule::Diagnosis:
        return "J189 ";
      case Rule::Replacement:
        return std::string(1, char('1' + replacement_++ % 9));
      case Rule::Category:
        return std::string(1, char('1' + category_++ % 9));
      case Rule::Order:
        return rightAligned(std::to_string(++order_), w, '0');
      case Rule::DocumentNumber: {
        // Zero-padded, so a number never fills its field's first place.
        long limit = 1;
        for (int i = 1; i < w; ++i) limit *= 10;
        return rightAligned(std::to_string(documentNumber_++ % (limit - 1) + 1), w, '0');
      }
      case Rule::Money: {
        const int whole = w - f.decimals - 1;
        long top = 1;
        for (int i = 0; i < whole && top < 100000; ++i) top *= 10;
        std::snprintf(buf, sizeof buf, "%ld.%0*ld", long(1 + rng_() % uint64_t(top - 1)), f.decimals,
                      long(rng_() % (f.decimals == 3 ? 1000 : 100)));
        return rightAligned(buf, w);
      }
      case Rule::Number:
        return rightAligned(std::to_string(1 + rng_() % 9), w, '0');
      case Rule::Year:
        return "2023";
      case Rule::Month:
        std::snprintf(buf, sizeof buf, "%02d", month_);
        return buf;
      case Rule::BatchType:
        return headerType;
      case Rule::BatchNumber:
        return rightAligned(std::to_string(batchNumber_ % 99999 + 1), w, '0');
      case Rule::DocumentCount:
        return rightAligned(std::to_string(documentCount_), w, '0');
    }
    return std::string(size_t(w), ' ');
  }

  const VzpGeneratorOptions& options_;
  const std::set<long>* seeded_;
  std::mt19937_64 rng_;
  std::map<std::string, std::vector<RecordPlan>> plans_;
  std::string type_;
  int month_ = 1;
  long order_ = 0;
  long batchNumber_ = 0;
  long documentNumber_ = 0;
  int documentCount_ = 0;
  std::string birthNumber_ = "0000000000";
  int replacement_ = 0, category_ = 0;
  long eligible_ = 0;
};

}  // namespace

std::vector<std::string> allVzpBatchTypes() {
  std::vector<std::string> out;
  for (const TypePlan& p : typePlans()) out.push_back(p.type);
  return out;
}

std::vector<std::string> defaultVzpBatchTypes() {
  std::vector<std::string> out;
  for (const TypePlan& p : typePlans())
    if (std::string_view(p.type) != "16" && std::string_view(p.type) != "80") out.push_back(p.type);
  return out;
}

namespace {

// Which eligible records get a finding: a dry run counts them, then Floyd's sampling picks
// the requested number of distinct ones.
std::set<long> chooseSeeded(const VzpGeneratorOptions& options) {
  std::set<long> chosen;
  if (options.seededFindings <= 0) return chosen;
  Generator dry(options, nullptr);
  VzpGeneratorResult ignored;
  if (!dry.run(ignored, [](const std::string&) { return true; })) return chosen;
  const long total = dry.eligibleRecords();
  const long wanted = std::min<long>(options.seededFindings, total);
  std::mt19937_64 rng(options.seed ^ 0x5eedf1d5ULL);
  for (long j = total - wanted; j < total; ++j) {
    const long t = long(rng() % uint64_t(j + 1));
    if (!chosen.insert(t).second) chosen.insert(j);
  }
  return chosen;
}

}  // namespace

namespace {

template <class Write>
bool generate(const VzpGeneratorOptions& options, VzpGeneratorResult* result, Write&& write) {
  const std::set<long> seeded = chooseSeeded(options);
  Generator generator(options, &seeded);
  VzpGeneratorResult local;
  VzpGeneratorResult& r = result ? *result : local;
  r = VzpGeneratorResult();
  return generator.run(r, write);
}

}  // namespace

bool generateVzp(std::FILE* out, const VzpGeneratorOptions& options, VzpGeneratorResult* result) {
  return generate(options, result, [out](const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), out) == text.size();
  });
}

std::string generateVzpText(const VzpGeneratorOptions& options, VzpGeneratorResult* result) {
  std::string out;
  generate(options, result, [&out](const std::string& text) {
    out += text;
    return true;
  });
  return out;
}

}  // namespace quervik::vzptools
