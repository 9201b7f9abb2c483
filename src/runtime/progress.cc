// Progress of the running activity; see progress.h.
#include "runtime/progress.h"

#include <atomic>
#include <mutex>

namespace quervik {
namespace {

// Written only by the working thread.
struct Steps {
  int64_t total = 0;
  int64_t step = 0;
  int64_t remainder = 0;
  int64_t lastPosition = 0;
};

Steps gSteps;
std::atomic<int> gPercent{0};
std::mutex gNameLock;
std::optional<std::string> gName;

}  // namespace

void setActivity(const char* name, int64_t total) {
  {
    std::optional<std::string> copy;
    if (name) copy.emplace(name);
    std::lock_guard<std::mutex> lock(gNameLock);
    gName.swap(copy);
  }
  gSteps.total = total;
  gSteps.step = total / 100;
  gSteps.remainder = total % 100;
  gSteps.lastPosition = 0;
  // A new activity starts at 0, not at where the one before it ended.
  gPercent.store(0, std::memory_order_relaxed);
}

void updateProgress(int64_t position) {
  Steps& s = gSteps;
  if (position <= s.lastPosition + s.step) return;
  // A remainder no larger than one step counts as done.
  const int64_t tail = s.remainder > s.step ? 0 : s.remainder;
  int percent;
  if (position >= s.total - tail) {
    percent = 100;
  } else {
    percent = int(double(position) / double(s.total) * 100.0);
  }
  gPercent.store(percent, std::memory_order_relaxed);
  s.lastPosition = position;
}

int activityPercent() { return gPercent.load(std::memory_order_relaxed); }

std::optional<std::string> activityName() {
  std::lock_guard<std::mutex> lock(gNameLock);
  return gName;
}

void resetActivity() {
  {
    std::lock_guard<std::mutex> lock(gNameLock);
    gName.reset();
  }
  gSteps = Steps{};
  gPercent.store(0);
}

}  // namespace quervik
