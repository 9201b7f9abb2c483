// The shared validator state; see batch_state.h.
#include "drg/batch_state.h"

#include <ctime>

#include "runtime/platform.h"

namespace quervik::drg {

BatchState detail::batchState;

namespace {

Date gTodayOverride;

Date clockToday() {
  std::time_t now = std::time(nullptr);
  const std::tm local = localCalendarTime(now);
  return Date{local.tm_mday, local.tm_mon + 1, local.tm_year + 1900};
}

}  // namespace

void resetFileState() {
  BatchState& s = batchState();
  s.today = gTodayOverride.year ? gTodayOverride : clockToday();
  s.lineNumber = 0;
  s.recordLetter = 0;
  s.errorCount = 0;
  s.warningCount = 0;
  s.batchKind = kUnknownKind;
  s.documentKind = kUnknownKind;
  s.codeKind = kUnknownCodeKind;
  s.allowedCodeKinds = nullptr;
}

void resetBatchState() {
  batchState() = BatchState{};
  resetFileState();
}

void overrideToday(const Date& today) { gTodayOverride = today; }

}  // namespace quervik::drg
