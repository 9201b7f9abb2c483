// The VZP to DRG conversion run, behind the export `drg` and `quervik drg`: every VZP file
// of the input becomes one DRG file of the same name ("KDAVKA.111" gives "KDAVKA_111.drg"),
// with a log per file and the processed VZP files copied or moved into "ok" and "err".
#pragma once
#include <vector>

namespace quervik::convert {

// "10,12,13": the batch types whose batches are not converted. Leading commas are skipped;
// each item is read as a leading integer of at most 9 characters, an empty item as 0.
std::vector<int> parseExcludedTypes(const char* text);

// The arguments as the export receives them; null means not given:
//   insurerCode    written into every A record; null: each file's name extension
//   input          a VZP file, or a directory of them (DRG kinds of file are left out)
//   drgDirectory   where the DRG files go; null: beside each input file
//   excludedTypes  see parseExcludedTypes
//   logDirectory   per-file logs in its "ok" and "err" subdirectories
//   doneDirectory  the processed VZP files go to its "ok" and "err" subdirectories
//   move           move them there instead of copying
// The result is 0 when every file was converted, otherwise minus the number of failures,
// and -1 when the run was interrupted (the DRG file being written is then deleted and no
// file is moved or copied).
int convertVzpBatches(const char* insurerCode, const char* input, const char* drgDirectory, const char* excludedTypes,
                      const char* logDirectory, const char* doneDirectory, bool move);

}  // namespace quervik::convert
