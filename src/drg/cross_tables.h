// The in-memory tables of the cross-checks: the organisational structure loaded from the
// ORG files (one entry per cost centre and per workplace, with the facility and department
// in force) and the chart of accounts loaded from the OSN files. Texts are the fields'
// bytes, trailing blanks included; a cleared part is all zeros. Loaded by the driver once
// the line checks found nothing; read by cross_checks.cc.
#pragma once
#include <cstring>
#include <string_view>
#include <vector>

#include "runtime/file_sets.h"

namespace quervik::drg {

struct OrgEntry {
  int file = 0;  // index in the ORG file list
  // Z: the facility and period in force
  int zLine = 0;
  char organisationId[8] = {};
  char facilityName[40] = {};
  int month = 0;
  int year = 0;
  // O: the department in force
  int oLine = 0;
  char departmentCode[8] = {};
  char departmentName[40] = {};
  // N: the cost centre
  int nLine = 0;
  char costCentreCode[6] = {};
  char costCentreName[40] = {};
  char costCentreKind[2] = {};
  // P: the workplace, pLine 0 for a cost centre without one
  int pLine = 0;
  int icp = 0;
  int icz = 0;  // from the workplace, or filled in from its neighbours
  char workplaceName[40] = {};
  char mainSpecialty[3] = {};
  char workplaceSymbol[6] = {};
  char nzisCode[5] = {};
  char operatingRoomCentre[6] = {};
  int beds = 0;
};

struct ChartEntry {
  int file = 0;  // index in the OSN file list
  int line = 0;
  int year = 0;
  int icz = 0;
  char accountNumber[10] = {};
  char accountKind[2] = {};
  char accountName[40] = {};
};

// A stored text as the reports show it: up to its first zero byte.
template <size_t N>
std::string_view shown(const char (&text)[N]) {
  return std::string_view(text, ::strnlen(text, N));
}

// Loads the structure from the ORG files, in list order ("Nacteni organizacni struktury ke
// krizovym kontrolam"). Files that cannot be opened are skipped; on an interruption the
// entries loaded so far are returned; when memory runs out, none.
std::vector<OrgEntry> loadStructure(const std::vector<FileItem>& files);

// Loads the chart of accounts, one entry per OSN line ("Nacteni ucetni osnovy ke krizovym
// kontrolam"); otherwise as loadStructure.
std::vector<ChartEntry> loadChart(const std::vector<FileItem>& files);

}  // namespace quervik::drg
