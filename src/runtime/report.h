// Reporting findings and failures: every report is a message code with typed arguments,
// formatted from the catalogue text of the code and suffixed with " (code)". It goes to the
// error file when the host opened one, else to the error list that the host reads; a copy
// goes to the auxiliary log and the global log when they are open.
#pragma once
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/message_args.h"

namespace quervik {

// Formats and records one report. When the catalogue cannot be read, prints
// "Spatny message file nejde zobrazit chybu %d\n" and records nothing.
void reportErrorArgs(int code, std::span<const MsgArg> args);

template <class... A>
void reportError(int code, const A&... args) {
  const MsgArg list[] = {MsgArg(args)..., MsgArg(0)};
  reportErrorArgs(code, std::span<const MsgArg>(list, sizeof...(A)));
}

// The catalogue text of a code formatted with the arguments and followed by " (code)", or
// none when the catalogue cannot be read.
std::optional<std::string> formatMessage(int code, std::span<const MsgArg> args);
// The same without " (code)".
std::optional<std::string> formatMessageText(int code, std::span<const MsgArg> args);

// A finding that a line report carries: its catalogue text, and the same followed by
// " (code)" as the line report's argument (both empty when the catalogue cannot be read).
struct FindingText {
  std::string text;
  std::string withCode;
};
FindingText formatFinding(int code, std::span<const MsgArg> args);

// The error list: entries in report order, each "text (code)\n".
int errorEntryCount();
std::vector<std::string> errorEntries();
void clearErrors();

// Opens (truncating) the error file that takes the reports instead of the list: 0, or 1 when
// it cannot be created (the list stays in use).
int setErrorFile(const char* name);
// Writes the end mark 0x1A, closes the error file and returns to the list; no-op without one.
void closeErrorFile();

// Tests switch this on: every report is then checked against the registry of codes and
// argument kinds, and mismatches are collected here.
void setReportArgumentCheck(bool on);
std::vector<std::string> takeReportArgumentProblems();

}  // namespace quervik
