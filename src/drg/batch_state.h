// The state the DRG field validators share while a batch is checked: today's date, the
// current line, the batch and document kinds read so far, the hospital-date pairing and
// the modification record's fields, and the error and warning counts of the current file.
// Process-wide, like the rest of a check run; the driver resets it per file and tests
// reset it as a whole.
#pragma once
#include <cstdint>

namespace quervik::drg {

inline constexpr int kUnknownKind = 0xFFFF;
inline constexpr int kUnknownCodeKind = 255;

struct Date {
  int day = 0;
  int month = 0;
  int year = 0;
};

struct BatchState {
  Date today;
  int64_t lineNumber = 0;
  char recordLetter = 0;
  bool recordLetters = true;  // the file's records begin with their letter (not OSN, EKO, KOR)
  int batchKind = kUnknownKind;     // "Druh davky" of record A as a number, 0 when invalid
  int documentKind = kUnknownKind;  // "Druh dokladu" of record B as a number
  int batchMonth = 0;
  int batchYear = 0;
  const char* allowedCodeKinds = nullptr;  // of the last accepted document, none before
  int codeKind = kUnknownCodeKind;
  bool admissionPending = false;
  // The admission date of the current hospitalisation as read when it was seen, and how many
  // of its three numbers could be read (0: none stored).
  Date admissionDate;
  int admissionRead = 0;
  // The last eight-character date read (readFieldDate), by its bytes, and how many of its
  // numbers were read: a date field's validator reads the same text as its format check.
  // Eight NUL bytes read as no date, as at the start.
  uint64_t lastDateBytes = 0;
  Date lastDate;
  int lastDateRead = 0;
  bool entity2Filled = false;
  double percentage = -1.0;
  int errorCount = 0;
  int warningCount = 0;
};

namespace detail {
extern BatchState batchState;
}
// Read by every validator of every line, hence inline.
inline BatchState& batchState() { return detail::batchState; }

// The state at the start of a file: today from the clock (or the test override), line and
// counters 0, batch and document kinds unknown, no allowed code kinds. The batch period,
// the hospital dates and the modification record's fields carry over.
void resetFileState();

// Everything back to the state at load (tests).
void resetBatchState();

// Tests fix "today" so the rules against future dates do not depend on the clock; a
// date with year 0 returns to the clock.
void overrideToday(const Date& today);

}  // namespace quervik::drg
