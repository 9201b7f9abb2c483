// The cross-checks; see cross_checks.h.
#include "drg/cross_checks.h"

#include <algorithm>

#include "drg/codes.h"
#include "drg/field_format.h"
#include "drg/key_index.h"
#include "drg/layout_tables.h"
#include "drg/line_reader.h"
#include "drg/scoped_files.h"
#include "runtime/cancellation.h"
#include "runtime/console.h"
#include "runtime/leading_number.h"
#include "runtime/logs.h"
#include "runtime/paths.h"
#include "runtime/platform.h"
#include "runtime/progress.h"
#include "runtime/report.h"
#include "runtime/report_sink.h"

namespace quervik::drg {
namespace {

constexpr Column kAIcz = columnOf(fieldOf(kDrgA, "Icz"));
constexpr Column kAMonth = columnOf(fieldOf(kDrgA, "Mesic"));
constexpr Column kAYear = columnOf(fieldOf(kDrgA, "Rok"));
constexpr Column kBIcpZz = columnOf(fieldOf(kDrgB, "ICP ZZ"));
constexpr Column kBSymbol = columnOf(fieldOf(kDrgB, "Variabilni symbol"));
constexpr Column kBSpecialty = columnOf(fieldOf(kDrgB, "Odbornost pracoviste"));
constexpr Column kBReferral = columnOf(fieldOf(kDrgB, "Datum vystaveni poukazu"));
constexpr Column kBDischarge = columnOf(fieldOf(kDrgB, "Datum propusteni z hospitalizace (dokl. 02)"));
constexpr Column kCSpecialty = columnOf(fieldOf(kDrgC, "Radkova odbornost"));
constexpr Column kCServiceDate = columnOf(fieldOf(kDrgC, "Datum poskytnuti"));
constexpr Column kEIcz = columnOf(fieldOf(kEko, "Icz - obrat z ucetnictvi"));
constexpr Column kEYear = columnOf(fieldOf(kEko, "Rok - obrat z ucetnictvi"));
constexpr Column kEMonth = columnOf(fieldOf(kEko, "Mesic - obrat z ucetnictvi"));
constexpr Column kECostCentre = columnOf(fieldOf(kEko, "Nakladove stredisko"));
constexpr Column kEAccount = columnOf(fieldOf(kEko, "Ucet - obrat z ucetnictvi"));

std::string_view field(std::string_view line, Column c) { return line.substr(size_t(c.offset), size_t(c.width)); }

int number(std::string_view line, Column c) {
  return int(std::clamp<int64_t>(leadingInteger(field(line, c)), INT32_MIN, INT32_MAX));
}

template <size_t N>
std::string_view whole(const char (&text)[N]) {
  return std::string_view(text, N);
}

// A finding of a cross-check, whose first argument is the line it points at.
template <class... A>
void reportAtLine(int code, int64_t line, const A&... args) {
  reportDetailed(ReportDetail::atLine(line), code, line, args...);
}

// The report frame every cross-check gives each of its files, around the check itself.
template <class Check>
int forEachFile(std::vector<FileItem>& files, const char* activity, const std::string& checkName,
                const CrossLogs& logs, Check check) {
  int total = 0;
  for (size_t f = 0; f < files.size(); ++f) {
    FileItem& item = files[f];
    ReportFileScope reportsAbout(item.name);
    ScopedAuxiliaryLog aux(logs.given);
    reportError(DRG_CROSS_FILE_START, item.name);
    const int64_t size = std::max<int64_t>(0, fileSize(item.name.c_str()));
    setActivity(activity, size);
    const int n = check(int(f), item);
    if (!wasInterrupted()) finishProgress(size);
    reportError(DRG_CROSS_FILE_END, item.name);
    if (n > 0) {
      item.result = 1;
      reportError(DRG_ERROR_COUNT, n);
    }
    noteFileFindings(item.name, n);
    reportError(DRG_TEXT_LINE, "");
    if (logs.given) {
      const std::string suffix = checkName + (n > 0 ? ".log.err" : ".log.ok");
      saveRunLog(aux.get(), makePath((n > 0 ? logs.err : logs.ok).c_str(), item.name.c_str(), suffix.c_str()));
    }
    total += n;
    if (wasInterrupted()) break;
  }
  return total;
}

// The entries of each file are contiguous: [begin, end) per file index.
template <class Entry>
std::vector<std::pair<size_t, size_t>> rangesByFile(const std::vector<Entry>& entries, size_t files) {
  std::vector<std::pair<size_t, size_t>> ranges(files, {0, 0});
  for (size_t i = 0; i < entries.size();) {
    size_t j = i;
    while (j < entries.size() && entries[j].file == entries[i].file) ++j;
    if (entries[i].file >= 0 && size_t(entries[i].file) < files) ranges[size_t(entries[i].file)] = {i, j};
    i = j;
  }
  return ranges;
}

// Keys over the structure.
KeyBuilder periodKey(int year, int month, int icz) { return KeyBuilder().number(year).number(month).number(icz); }
KeyBuilder costCentreKey(int year, int month, int icz, std::string_view code) {
  return periodKey(year, month, icz).text(code, 6);
}
KeyBuilder costCentreCodeKey(std::string_view code) { return KeyBuilder().text(code, 6); }
KeyBuilder departmentKey(const OrgEntry& e) { return periodKey(e.year, e.month, e.icz).text(whole(e.departmentCode), 8); }
KeyBuilder workplaceKey(int year, int month, int icp, std::string_view specialty, std::string_view symbol) {
  return KeyBuilder().number(year).number(month).number(icp).text(specialty, 3).text(symbol, 6);
}
KeyBuilder specialtyKey(int year, int month, int icz, std::string_view specialty) {
  return periodKey(year, month, icz).text(specialty, 3);
}
KeyBuilder workplaceInPeriodKey(int icp, std::string_view specialty) {
  return KeyBuilder().number(icp).text(specialty, 3);
}
KeyBuilder accountKey(int year, int icz, std::string_view account) {
  return KeyBuilder().number(year).number(icz).text(account, 10);
}

// Progress of the checks that work from memory: a nominal number of bytes per entry.
class MemoryProgress {
 public:
  explicit MemoryProgress(int bytesPerEntry) : step_(bytesPerEntry) {}
  bool advanceInterrupted() {
    position_ += step_;
    updateProgress(position_);
    return pacer_.interrupted(position_);
  }

 private:
  int64_t step_;
  int64_t position_ = 0;
  InterruptionPacer pacer_;
};

}  // namespace

int crossCheckStructure(std::vector<FileItem>& orgFiles, const std::vector<OrgEntry>& s, const CrossLogs& logs) {
  if (s.empty()) return 0;
  KeyIndex costCentres, departments, workplaces;
  // Where each entry's own keys went: the duplicate searches below ask about exactly those.
  struct Places {
    uint32_t costCentre = kNoEntry, department = kNoEntry, workplace = kNoEntry;
  };
  std::vector<Places> places(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const OrgEntry& e = s[i];
    places[i].costCentre = costCentres.add(costCentreKey(e.year, e.month, e.icz, whole(e.costCentreCode)), uint32_t(i),
                                           recordId(e.file, e.nLine));
    places[i].department = departments.add(departmentKey(e), uint32_t(i), recordId(e.file, e.oLine));
    // A cost centre without a workplace has no workplace to compare.
    if (e.pLine != 0)
      places[i].workplace =
          workplaces.add(workplaceKey(e.year, e.month, e.icp, whole(e.mainSpecialty), whole(e.workplaceSymbol)),
                         uint32_t(i), recordId(e.file, e.pLine));
  }
  const auto ranges = rangesByFile(s, orgFiles.size());

  return forEachFile(orgFiles, "Krizova kontrola organizacni struktury", "ORG_X_ORG", logs, [&](int f, FileItem& item) {
    int n = 0;
    int reportedO = -1, reportedN = -1, reportedP = -1;  // a record is reported once in a row
    MemoryProgress progress(58);
    for (size_t i = ranges[size_t(f)].first; i < ranges[size_t(f)].second; ++i) {
      const OrgEntry& e = s[i];
      const std::string_view operatingRoom = shown(e.operatingRoomCentre);
      if (!isBlank(operatingRoom) && !costCentres.contains(costCentreKey(e.year, e.month, e.icz, whole(e.operatingRoomCentre)))) {
        reportAtLine(DRG_OPERATING_ROOM_NOT_IN_STRUCTURE, e.pLine, item.name, operatingRoom, e.year, e.month, e.icz);
        ++n;
      }
      if (e.oLine != reportedO) {
        const uint32_t x = departments.firstOutside(places[i].department, recordId(e.file, e.oLine));
        if (x != kNoEntry) {
          reportAtLine(DRG_DUPLICATE_DEPARTMENT, e.oLine, item.name, shown(e.departmentCode), e.year, e.month, e.icz,
                       orgFiles[size_t(s[x].file)].name, s[x].oLine);
          reportedO = e.oLine;
          ++n;
        }
      }
      if (e.nLine != reportedN) {
        const uint32_t x = costCentres.firstOutside(places[i].costCentre, recordId(e.file, e.nLine));
        if (x != kNoEntry) {
          reportAtLine(DRG_DUPLICATE_COST_CENTRE, e.nLine, item.name, shown(e.costCentreCode), e.year, e.month, e.icz,
                       orgFiles[size_t(s[x].file)].name, s[x].nLine);
          reportedN = e.nLine;
          ++n;
        }
      }
      if (e.pLine != 0 && e.pLine != reportedP) {
        const uint32_t x = workplaces.firstOutside(places[i].workplace, recordId(e.file, e.pLine));
        if (x != kNoEntry) {
          const std::string_view symbol = shown(e.workplaceSymbol);
          reportAtLine(DRG_DUPLICATE_WORKPLACE, e.pLine, item.name, e.icp,
                       isBlank(symbol) ? std::string_view("<nevyplneno>") : symbol, shown(e.mainSpecialty), e.year,
                       e.month, e.icz, orgFiles[size_t(s[x].file)].name, s[x].pLine);
          reportedP = e.pLine;
          ++n;
        }
      }
      if (progress.advanceInterrupted()) break;
    }
    return n;
  });
}

int crossCheckDrg(std::vector<FileItem>& drgFiles, const std::vector<OrgEntry>& s, const CrossLogs& logs) {
  // The workplaces by the facility and period they are in force for; the periods and
  // specialties are few and stay in the cache anyway.
  GroupedKeys workplaces, symbols;
  KeyIndex specialties;
  for (const OrgEntry& e : s) {
    const KeyBuilder period = periodKey(e.year, e.month, e.icz);
    const KeyBuilder workplace = workplaceInPeriodKey(e.icp, whole(e.mainSpecialty));
    workplaces.add(period, workplace);
    symbols.add(period, KeyBuilder(workplace).text(whole(e.workplaceSymbol), 6));
    specialties.add(specialtyKey(e.year, e.month, e.icz, whole(e.mainSpecialty)), 0, 0);
  }
  const int lengthA = lengthOf(kDrgKinds, 'A'), lengthB = lengthOf(kDrgKinds, 'B'), lengthC = lengthOf(kDrgKinds, 'C');

  return forEachFile(drgFiles, "Krizova kontrola DRG rozhrani", "DRG_X_ORG", logs, [&](int, FileItem& item) {
    FilePtr file(openFile(item.name.c_str(), "rb"));
    if (!file) return 0;
    int n = 0;
    // The document in force.
    int icz = 0, bLine = 0, icpZz = 0;
    Date reference;
    std::string_view symbol, specialty;
    char bRecord[128] = {};
    bool enabled = false, firstC = false;
    // Interrupted or not, the findings so far count.
    (void)forEachLine(file.get(), [&](int lineNumber, const Line& line) {
      const std::string_view t = line.text;
      if (!line.complete || t.empty()) return;
      if (t[0] == 'A' && int(t.size()) == lengthA) {
        icz = number(t, kAIcz);
        reference = Date{1, number(t, kAMonth), number(t, kAYear)};
        bLine = icpZz = 0;
        enabled = firstC = false;
      } else if (t[0] == 'B' && int(t.size()) == lengthB) {
        // The B record stays readable while its C records follow: keep a copy.
        std::memcpy(bRecord, t.data(), t.size());
        const std::string_view b(bRecord, t.size());
        enabled = firstC = true;
        bLine = lineNumber;
        icpZz = number(b, kBIcpZz);
        symbol = field(b, kBSymbol);
        specialty = field(b, kBSpecialty);
        Date d;
        const std::string_view discharge = field(b, kBDischarge);
        if (!isBlank(discharge) && readDate(discharge, d) == 3) reference = d;
        if (readDate(field(b, kBReferral), d) == 3) reference = d;
      } else if (t[0] == 'C' && int(t.size()) == lengthC) {
        Date d;
        if (readDate(field(t, kCServiceDate), d) == 3) reference = d;
        const int year = reference.year, month = reference.month;
        if (firstC) {
          firstC = false;
          // Every facility and period of the structure has a group of workplaces.
          const uint32_t period = workplaces.group(periodKey(year, month, icz));
          if (period == kNoEntry) {
            reportAtLine(DRG_DOCUMENT_FACILITY_NOT_IN_STRUCTURE, bLine, item.name, icz, year, month);
            ++n;
            enabled = false;
          } else {
            const bool anySymbol = isBlank(symbol);
            const KeyBuilder workplace = workplaceInPeriodKey(icpZz, specialty);
            const bool found = anySymbol ? workplaces.contains(period, workplace)
                                         : symbols.contains(period, KeyBuilder(workplace).text(symbol, 6));
            if (!found) {
              if (anySymbol)
                reportAtLine(DRG_WORKPLACE_NOT_IN_STRUCTURE, bLine, item.name, icpZz, specialty, icz, year, month);
              else
                reportAtLine(DRG_WORKPLACE_SYMBOL_NOT_IN_STRUCTURE, bLine, item.name, icpZz, symbol, specialty, icz, year,
                             month);
              ++n;
            }
          }
        }
        const std::string_view lineSpecialty = field(t, kCSpecialty);
        if (enabled && !isBlank(lineSpecialty) && !specialties.contains(specialtyKey(year, month, icz, lineSpecialty))) {
          reportAtLine(DRG_LINE_SPECIALTY_NOT_IN_STRUCTURE, lineNumber, item.name, lineSpecialty, icz, year, month);
          ++n;
        }
      }
    });
    return n;
  });
}

int crossCheckChart(std::vector<FileItem>& osnFiles, const std::vector<ChartEntry>& chart,
                    const std::vector<OrgEntry>& s, const CrossLogs& logs) {
  if (chart.empty()) return 0;
  KeyIndex facilities, accounts;
  for (size_t i = 0; i < s.size(); ++i) facilities.add(KeyBuilder().number(s[i].year).number(s[i].icz), uint32_t(i), 0);
  for (size_t i = 0; i < chart.size(); ++i)
    accounts.add(accountKey(chart[i].year, chart[i].icz, whole(chart[i].accountNumber)), uint32_t(i),
                 recordId(chart[i].file, chart[i].line));
  const auto ranges = rangesByFile(chart, osnFiles.size());

  return forEachFile(osnFiles, "Krizova kontrola ucetni osnovy", "OSN_X_ORG", logs, [&](int f, FileItem& item) {
    int n = 0;
    MemoryProgress progress(64);
    for (size_t i = ranges[size_t(f)].first; i < ranges[size_t(f)].second; ++i) {
      const ChartEntry& e = chart[i];
      // Without a structure there is nothing to find the facility in.
      if (!s.empty() && !facilities.contains(KeyBuilder().number(e.year).number(e.icz))) {
        reportAtLine(DRG_CHART_FACILITY_NOT_IN_STRUCTURE, e.line, item.name, shown(e.accountNumber), e.year, e.icz);
        ++n;
      }
      const uint32_t x =
          accounts.firstOutside(accountKey(e.year, e.icz, whole(e.accountNumber)), recordId(e.file, e.line));
      if (x != kNoEntry) {
        reportAtLine(DRG_DUPLICATE_ACCOUNT, e.line, item.name, shown(e.accountNumber), e.year, e.icz,
                     osnFiles[size_t(chart[x].file)].name, chart[x].line);
        ++n;
      }
      if (progress.advanceInterrupted()) break;
    }
    return n;
  });
}

int crossCheckTurnover(std::vector<FileItem>& ekoFiles, const std::vector<ChartEntry>& chart,
                       const std::vector<OrgEntry>& s, const CrossLogs& logs) {
  if (chart.empty() && s.empty()) return 0;
  KeyIndex accounts;
  for (size_t i = 0; i < chart.size(); ++i)
    accounts.add(accountKey(chart[i].year, chart[i].icz, whole(chart[i].accountNumber)), uint32_t(i), 0);
  // By facility and period, as the turnover lines come.
  GroupedKeys costCentres;
  for (const OrgEntry& e : s)
    costCentres.add(periodKey(e.year, e.month, e.icz), costCentreCodeKey(whole(e.costCentreCode)));
  const std::string checkName = !chart.empty() && !s.empty() ? "EKO_X_ORG_X_OSN" : !chart.empty() ? "EKO_X_OSN" : "EKO_X_ORG";
  const int length = lengthOf(kEkoKinds, ' ');

  return forEachFile(ekoFiles, "Krizova kontrola Ekonomickych dat", checkName, logs, [&](int, FileItem& item) {
    FilePtr file(openFile(item.name.c_str(), "rb"));
    if (!file) return 0;
    int n = 0;
    // Interrupted or not, the findings so far count.
    (void)forEachLine(file.get(), [&](int lineNumber, const Line& line) {
      const std::string_view t = line.text;
      if (!line.complete || int(t.size()) != length) return;
      const int icz = number(t, kEIcz), year = number(t, kEYear), month = number(t, kEMonth);
      const std::string_view costCentre = field(t, kECostCentre), account = field(t, kEAccount);
      if (!chart.empty() && !accounts.contains(accountKey(year, icz, account))) {
        reportAtLine(DRG_ACCOUNT_NOT_IN_CHART, lineNumber, item.name, account, year, icz);
        ++n;
      }
      if (!s.empty() && !costCentres.contains(periodKey(year, month, icz), costCentreCodeKey(costCentre))) {
        reportAtLine(DRG_COST_CENTRE_NOT_IN_STRUCTURE, lineNumber, item.name, costCentre, year, month, icz);
        ++n;
      }
    });
    return n;
  });
}

}  // namespace quervik::drg
