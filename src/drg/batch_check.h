// The DRG batch check behind the dkontrol export and the `quervik dkontrol` command: checks
// the ORG, OSN, DRG, EKO and KOR files of a delivery line by line, writes a log per file,
// runs the cross-checks when every file is clean, and sorts the files into the output
// directory's "ok" and "err" subdirectories.
#pragma once
#include <cstdio>
#include <span>

#include "drg/layouts.h"

namespace quervik::drg {

// The nine inputs in the export's order; each may be null. move: the files are moved into
// the output directory rather than copied. Result: 0 clean; minus the number of findings of
// the last file that had any, or of the cross-checks; 1 when interrupted or when no file
// could be read; -1 when no input was given at all.
int runDrgCheck(const char* orgFile, const char* drgFile, const char* osnFile, const char* ekoFile,
                const char* checkDir, const char* logDir, const char* outDir, bool move, const char* korFile);

// The line checks of one open file against its record kinds, with progress and the
// interruption test; the batch state must have been reset for the file. lastKind receives
// the last recognised record kind (null when none). False when interrupted.
bool checkBatchLines(FILE* file, std::span<RecordKind> kinds, const RecordKind*& lastKind);

}  // namespace quervik::drg
