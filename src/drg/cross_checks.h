// The cross-checks between the files of one delivery, run by the driver once every file
// passed the line checks: the structure against itself (ORG_X_ORG), the DRG documents
// against the structure (DRG_X_ORG), the chart against the structure and itself
// (OSN_X_ORG) and the turnover against both (EKO_X_...). Each file gets its own report
// frame and log, and its result flag is set when the check found something. Every search
// goes through a hash index and answers exactly as a search of the whole table from its
// start for the first match would.
#pragma once
#include <string>
#include <vector>

#include "drg/cross_tables.h"
#include "runtime/file_sets.h"

namespace quervik::drg {

// The log directories of the run; without them no per-check logs are written.
struct CrossLogs {
  bool given = false;
  std::string err;
  std::string ok;
};

// Each returns the number of findings over its files. An interruption ends the check after
// the current file's frame (wasInterrupted() then says so).
int crossCheckStructure(std::vector<FileItem>& orgFiles, const std::vector<OrgEntry>& structure, const CrossLogs& logs);
int crossCheckDrg(std::vector<FileItem>& drgFiles, const std::vector<OrgEntry>& structure, const CrossLogs& logs);
int crossCheckChart(std::vector<FileItem>& osnFiles, const std::vector<ChartEntry>& chart,
                    const std::vector<OrgEntry>& structure, const CrossLogs& logs);
int crossCheckTurnover(std::vector<FileItem>& ekoFiles, const std::vector<ChartEntry>& chart,
                       const std::vector<OrgEntry>& structure, const CrossLogs& logs);

// Two workplace records are the same record only when they come from the same line of the
// same file (entries of one cost centre or department share their record).
inline bool sameRecord(int fileA, int lineA, int fileB, int lineB) { return fileA == fileB && lineA == lineB; }

}  // namespace quervik::drg
