// Progress arithmetic, cancellation, and reading the activity from another thread.
#include <atomic>
#include <thread>

#include "runtime/cancellation.h"
#include "runtime/progress.h"
#include "test_support.h"

namespace quervik::test {
namespace {

class ProgressTest : public RuntimeTest {};

TEST_F(ProgressTest, PercentageFollowsTheSteps) {
  setActivity("a", 1000);
  updateProgress(10);
  EXPECT_EQ(activityPercent(), 0);
  updateProgress(11);
  EXPECT_EQ(activityPercent(), 1);
  updateProgress(1000);
  EXPECT_EQ(activityPercent(), 100);

  setActivity("b", 150);
  updateProgress(149);
  EXPECT_EQ(activityPercent(), 99);
  updateProgress(150);  // within one step of the last position: not recomputed
  EXPECT_EQ(activityPercent(), 99);
  setActivity("b", 150);
  updateProgress(150);
  EXPECT_EQ(activityPercent(), 100);

  setActivity("c", 50);
  updateProgress(25);
  EXPECT_EQ(activityPercent(), 50);
  updateProgress(50);
  EXPECT_EQ(activityPercent(), 100);

  setActivity("d", 10010);
  updateProgress(10000);
  EXPECT_EQ(activityPercent(), 100);

  setActivity("e", 100);
  updateProgress(29);
  EXPECT_EQ(activityPercent(), 28);  // the quotient first, then truncation

  setActivity("f", 0);
  updateProgress(0);
  EXPECT_EQ(activityPercent(), 28);  // kept
  updateProgress(1);
  EXPECT_EQ(activityPercent(), 100);
}

TEST_F(ProgressTest, InterruptionRenamesTheActivityOnce) {
  EXPECT_FALSE(activityName().has_value());
  setActivity("Kontrola", 100);
  EXPECT_EQ(testInterrupted(), 0);  // no source: never interrupted
  FlagCancellation flag;
  installCancellationSource(&flag);
  EXPECT_EQ(testInterrupted(), 0);
  flag.request();
  EXPECT_EQ(testInterrupted(), 1);
  EXPECT_TRUE(wasInterrupted());
  EXPECT_EQ(activityName(), std::string("Preruseno"));
  EXPECT_EQ(testInterrupted(), 0);  // one interruption is seen by one test
  EXPECT_FALSE(wasInterrupted());
}

// Run under ThreadSanitizer by `make test`: the poller copies the name while the worker
// replaces it in a tight loop.
TEST_F(ProgressTest, ThreadPollingWhileNamesChange) {
  std::atomic<bool> stop{false};
  std::atomic<long> seen{0};
  std::thread poller([&] {
    while (!stop.load()) {
      std::optional<std::string> name = activityName();
      int pct = activityPercent();
      if (name && (name->rfind("Aktivita ", 0) != 0 || pct < 0 || pct > 100)) std::abort();
      seen.fetch_add(1);
    }
  });
  for (int i = 0; i < 200000; ++i) {
    std::string name = "Aktivita " + std::to_string(i) + std::string(size_t(i % 50), 'x');
    setActivity(name.c_str(), 1000 + i);
    updateProgress(i % 1000);
  }
  while (seen.load() < 1000) std::this_thread::yield();
  stop.store(true);
  poller.join();
  EXPECT_GE(seen.load(), 1000);
}

}  // namespace
}  // namespace quervik::test
