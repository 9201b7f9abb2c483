// Progress of the running activity, read by another thread at any moment: the percentage is
// one atomic word, the name is replaced and copied under a lock. Drivers call setActivity
// at the start of each activity and updateProgress once per line or block; the percentage
// is recomputed only when a hundredth of the total has passed.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace quervik {

// Starts an activity: keeps a copy of the name (none for null), resets the position and
// moves to position 0. The percentage keeps its value until the first step is passed.
void setActivity(const char* name, int64_t total);
void updateProgress(int64_t position);

// 0..100; 0 at load.
int activityPercent();
// A copy of the current name; none when no activity was ever named.
std::optional<std::string> activityName();

// Back to the state at load (tests).
void resetActivity();

}  // namespace quervik
