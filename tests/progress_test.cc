// Progress arithmetic, cancellation, and reading the activity from another thread.
#include <atomic>
#include <thread>

#include "runtime/cancellation.h"
#include "runtime/progress.h"
#include "test_support.h"

namespace quervik::test {
namespace {

class ProgressTest : public RuntimeTest {};

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
