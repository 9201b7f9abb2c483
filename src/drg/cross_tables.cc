// Loading the structure and the chart for the cross-checks; see cross_tables.h.
#include "drg/cross_tables.h"

#include <algorithm>
#include <new>

#include "drg/layout_tables.h"
#include "drg/line_reader.h"
#include "drg/scoped_files.h"
#include "runtime/leading_number.h"
#include "runtime/platform.h"
#include "runtime/progress.h"

namespace quervik::drg {
namespace {

constexpr Column kZId = columnOf(fieldOf(kOrgZ, "Ic - Identifikacni cislo organizace dle CSU"));
constexpr Column kZName = columnOf(fieldOf(kOrgZ, "Nazev zdravotnickeho zarizeni"));
constexpr Column kZMonth = columnOf(fieldOf(kOrgZ, "Mesic - struktura subjektu"));
constexpr Column kZYear = columnOf(fieldOf(kOrgZ, "Rok - struktura subjektu"));
constexpr Column kOCode = columnOf(fieldOf(kOrgO, "Kod oddeleni"));
constexpr Column kOName = columnOf(fieldOf(kOrgO, "Nazev oddeleni"));
constexpr Column kNCode = columnOf(fieldOf(kOrgN, "Kod nakladoveho strediska"));
constexpr Column kNName = columnOf(fieldOf(kOrgN, "Nazev nakladoveho strediska"));
constexpr Column kNKind = columnOf(fieldOf(kOrgN, "Druh nakladoveho strediska"));
constexpr Column kPIcp = columnOf(fieldOf(kOrgP, "ICP (dle smlouvy s VZP)"));
constexpr Column kPIcz = columnOf(fieldOf(kOrgP, "ICZ (dle smlouvy s VZP)"));
constexpr Column kPName = columnOf(fieldOf(kOrgP, "Nazev pracoviste"));
constexpr Column kPSpecialty = columnOf(fieldOf(kOrgP, "Hlavni odbornost pracoviste"));
constexpr Column kPSymbol = columnOf(fieldOf(kOrgP, "Variabilni symbol pracoviste"));
constexpr Column kPNzis = columnOf(fieldOf(kOrgP, "Kod pracoviste podle NZIS"));
constexpr Column kPOperatingRoom = columnOf(fieldOf(kOrgP, "Kod NS operacniho salu pracoviste"));
constexpr Column kPBeds = columnOf(fieldOf(kOrgP, "Pocet luzek pracoviste"));
constexpr Column kChartYear = columnOf(fieldOf(kOsn, "Rok - ucetni osnova"));
constexpr Column kChartIcz = columnOf(fieldOf(kOsn, "Icz - ucetni osnova"));
constexpr Column kChartAccount = columnOf(fieldOf(kOsn, "Cislo uctu"));
constexpr Column kChartKind = columnOf(fieldOf(kOsn, "Druh uctu"));
constexpr Column kChartName = columnOf(fieldOf(kOsn, "Nazev uctu"));

template <size_t N>
void take(char (&to)[N], std::string_view line, Column c) {
  std::memcpy(to, line.data() + c.offset, N);
}

int number(std::string_view line, Column c) {
  return int(std::clamp<int64_t>(leadingInteger(line.substr(size_t(c.offset), size_t(c.width))), INT32_MIN, INT32_MAX));
}

void clearDepartment(OrgEntry& e) {
  e.oLine = 0;
  std::memset(e.departmentCode, 0, sizeof e.departmentCode);
  std::memset(e.departmentName, 0, sizeof e.departmentName);
}

void clearCostCentre(OrgEntry& e) {
  e.nLine = 0;
  std::memset(e.costCentreCode, 0, sizeof e.costCentreCode);
  std::memset(e.costCentreName, 0, sizeof e.costCentreName);
  std::memset(e.costCentreKind, 0, sizeof e.costCentreKind);
}

void clearWorkplace(OrgEntry& e) {
  e.pLine = 0;
  e.icp = 0;
  e.icz = 0;
  std::memset(e.workplaceName, 0, sizeof e.workplaceName);
  std::memset(e.mainSpecialty, 0, sizeof e.mainSpecialty);
  std::memset(e.workplaceSymbol, 0, sizeof e.workplaceSymbol);
  std::memset(e.nzisCode, 0, sizeof e.nzisCode);
  std::memset(e.operatingRoomCentre, 0, sizeof e.operatingRoomCentre);
  e.beds = 0;
}

// Reads the files of a list line by line with progress and the interruption test, handing
// every whole line with its number to the consumer. False when interrupted.
template <class Consumer>
bool readEach(const std::vector<FileItem>& files, const char* activity, Consumer consume,
              void (*endOfFile)(void*, int) = nullptr, void* context = nullptr) {
  for (size_t f = 0; f < files.size(); ++f) {
    FilePtr file(openFile(files[f].name.c_str(), "rb"));
    if (!file) continue;  // it was readable for the line checks; nothing to add now
    const int64_t size = std::max<int64_t>(0, fileSize(files[f].name.c_str()));
    setActivity(activity, size);
    const bool whole = forEachLine(file.get(), [&](int number, const Line& line) {
      if (line.complete && !line.text.empty()) consume(int(f), number, line.text);
    });
    if (!whole) return false;
    file.reset();
    finishProgress(size);
    if (endOfFile) endOfFile(context, int(f));
  }
  return true;
}

struct StructureLoad {
  std::vector<OrgEntry> entries;
  OrgEntry work;
  char previous = 0;
  size_t fileStart = 0;

  void record(int file, int line, std::string_view text) {
    const char letter = text[0];
    if (int(text.size()) != lengthOf(kOrgKinds, letter)) return;
    if (work.file != file) {
      work = OrgEntry{};
      work.file = file;
    }
    switch (letter) {
      case 'Z':
        work = OrgEntry{};
        work.file = file;
        work.zLine = line;
        take(work.organisationId, text, kZId);
        take(work.facilityName, text, kZName);
        work.month = number(text, kZMonth);
        work.year = number(text, kZYear);
        break;
      case 'O':
        clearDepartment(work);
        clearCostCentre(work);
        clearWorkplace(work);
        work.oLine = line;
        take(work.departmentCode, text, kOCode);
        take(work.departmentName, text, kOName);
        break;
      case 'N':
        work.nLine = line;
        take(work.costCentreCode, text, kNCode);
        take(work.costCentreName, text, kNName);
        take(work.costCentreKind, text, kNKind);
        entries.push_back(work);
        break;
      case 'P': {
        work.pLine = line;
        work.icp = number(text, kPIcp);
        work.icz = number(text, kPIcz);
        take(work.workplaceName, text, kPName);
        take(work.mainSpecialty, text, kPSpecialty);
        take(work.workplaceSymbol, text, kPSymbol);
        take(work.nzisCode, text, kPNzis);
        take(work.operatingRoomCentre, text, kPOperatingRoom);
        work.beds = number(text, kPBeds);
        // The cost centre's first workplace completes its entry; further ones add entries.
        if (previous == 'N' && !entries.empty())
          entries.back() = work;
        else
          entries.push_back(work);
        // Cost centres of the same department without a workplace of their own, just
        // before this one, belong to this workplace's facility.
        for (size_t k = entries.size() - 1; k-- > 0;) {
          OrgEntry& e = entries[k];
          if (std::memcmp(e.departmentCode, work.departmentCode, sizeof work.departmentCode) != 0 || e.icz != 0)
            break;
          e.icz = work.icz;
        }
        clearWorkplace(work);
        break;
      }
      default:
        return;
    }
    previous = letter;
  }

  // Cost centres still without a facility take the last one seen before them in the file.
  void endOfFile() {
    int lastIcz = 0;
    for (size_t k = fileStart; k < entries.size(); ++k) {
      if (entries[k].icz == 0)
        entries[k].icz = lastIcz;
      else
        lastIcz = entries[k].icz;
    }
    fileStart = entries.size();
    previous = 0;
  }
};

}  // namespace

std::vector<OrgEntry> loadStructure(const std::vector<FileItem>& files) {
  try {
    StructureLoad load;
    load.work.file = -1;
    readEach(
        files, "Nacteni organizacni struktury ke krizovym kontrolam",
        [&](int file, int line, std::string_view text) { load.record(file, line, text); },
        [](void* c, int) { static_cast<StructureLoad*>(c)->endOfFile(); }, &load);
    return std::move(load.entries);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::vector<ChartEntry> loadChart(const std::vector<FileItem>& files) {
  try {
    std::vector<ChartEntry> chart;
    const int length = lengthOf(kOsnKinds, ' ');
    readEach(files, "Nacteni ucetni osnovy ke krizovym kontrolam", [&](int file, int line, std::string_view text) {
      if (int(text.size()) != length) return;
      ChartEntry e;
      e.file = file;
      e.line = line;
      e.year = number(text, kChartYear);
      e.icz = number(text, kChartIcz);
      take(e.accountNumber, text, kChartAccount);
      take(e.accountKind, text, kChartKind);
      take(e.accountName, text, kChartName);
      chart.push_back(e);
    });
    return chart;
  } catch (const std::bad_alloc&) {
    return {};
  }
}

static_assert(kZId.width == sizeof(OrgEntry::organisationId) && kZName.width == sizeof(OrgEntry::facilityName));
static_assert(kOCode.width == sizeof(OrgEntry::departmentCode) && kOName.width == sizeof(OrgEntry::departmentName));
static_assert(kNCode.width == sizeof(OrgEntry::costCentreCode) && kNName.width == sizeof(OrgEntry::costCentreName) &&
              kNKind.width == sizeof(OrgEntry::costCentreKind));
static_assert(kPName.width == sizeof(OrgEntry::workplaceName) && kPSpecialty.width == sizeof(OrgEntry::mainSpecialty) &&
              kPSymbol.width == sizeof(OrgEntry::workplaceSymbol) && kPNzis.width == sizeof(OrgEntry::nzisCode) &&
              kPOperatingRoom.width == sizeof(OrgEntry::operatingRoomCentre));
static_assert(kChartAccount.width == sizeof(ChartEntry::accountNumber) &&
              kChartKind.width == sizeof(ChartEntry::accountKind) && kChartName.width == sizeof(ChartEntry::accountName));

}  // namespace quervik::drg
