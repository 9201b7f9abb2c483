// The run logs: the global log that the host keeps open across work calls, and the
// auxiliary log a driver installs around each input file. Both receive a copy of every
// report, each line ended with CR LF and flushed at once.
#pragma once
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace quervik {

// Opens the file for appending as the global log (a log already open is closed first).
// 0 when opened, -1 when not.
int openGlobalLog(const char* name);
// -1 when no global log was open, else the result of closing it (0 on success).
int closeGlobalLog();

// Installs a stream as the auxiliary log; null leaves the current one.
void setAuxiliaryLog(FILE* stream);
// Closes the given stream, if any, and forgets the auxiliary log.
void closeAuxiliaryLog(FILE* stream);
FILE* auxiliaryLog();

// Writes one finished report line (already ended) to both logs, if open, and flushes them.
void writeToLogs(std::string_view line);

// Writes the whole auxiliary stream into the named file, keeping the stream's position.
// The number of bytes copied, or -1 (with "Nelze otevrit soubor %s\n" when the file cannot
// be opened).
long saveAuxiliaryLog(FILE* auxiliary, const char* fileName);

// Saves a file's log under its name in the "ok" or "err" directory (no name: it could not be
// composed); when that fails, prints "Nelze zapsat log file %s\n" and notes an unwritten output.
void saveRunLog(FILE* auxiliary, const std::optional<std::string>& fileName);

// The logs and output copies a run could not write. The drivers' results stay as they are; the
// command line asks afterwards, so that a run whose outputs are missing does not look clean.
void noteUnwrittenOutput();
int unwrittenOutputs();
void resetUnwrittenOutputs();

}  // namespace quervik
