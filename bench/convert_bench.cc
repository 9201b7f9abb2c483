// Benchmark: `quervik drg` on a generated VZP file (200 MB unless a size in MB is given)
// against `wc -l` on the same file in the same run, best of five for both. Prints the
// conversion's MB/s, its ratio to wc -l (target at least 15 %) and its peak memory on 100 MB
// and on 400 MB, which must stay within 10 % (memory does not follow the input). Exits
// non-zero when a target is missed.
//
// The files live in /dev/shm when there is one (else $TMPDIR or /tmp) and are removed at the
// end; both commands read the input from memory, as wc -l reads from the page cache.
#include "bench_result.h"
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr double kTargetRatio = 0.15;
constexpr double kMemoryGrowth = 1.10;  // peak memory at 400 MB over that at 100 MB
constexpr int kRounds = 5;

struct Timing {
  double seconds;
  long maxRssKb;
  int status;
};

// Runs a command with its standard output discarded; the wall time and peak memory.
Timing run(const std::vector<std::string>& args) {
  auto start = std::chrono::steady_clock::now();
  pid_t pid = ::fork();
  if (pid == 0) {
    if (!std::freopen("/dev/null", "w", stdout)) ::_exit(127);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  struct rusage usage {};
  ::wait4(pid, &status, 0, &usage);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return {seconds, usage.ru_maxrss, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

Timing best(int times, const std::vector<std::string>& args) {
  Timing b = run(args);
  for (int i = 1; i < times; ++i) {
    Timing t = run(args);
    if (t.seconds < b.seconds) b = t;
  }
  return b;
}

}  // namespace

int main(int argc, char** argv) {
  const long sizeMb = argc > 1 ? std::atol(argv[1]) : 200;
  const fs::path self = fs::absolute(argv[0]).parent_path();
  const std::string quervik = (self / "quervik").string();
  const std::string generator = (self / ".." / "tools" / "vzp_convert_sample.py").string();
  const char* tmp = std::getenv("TMPDIR");
  fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::path(tmp ? tmp : "/tmp");
  const fs::path dir = base / ("quervik-convert-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir / "out");
  const std::string full = (dir / "BENCH.111").string(), m100 = (dir / "M100.111").string(),
                    m400 = (dir / "M400.111").string();

  std::printf("generating %ld MB, 100 MB and 400 MB of VZP batches in %s\n", sizeMb, dir.c_str());
  std::fflush(stdout);
  if (run({"python3", generator, "--size", std::to_string(sizeMb) + "M", full}).status != 0 ||
      run({"python3", generator, "--size", "100M", "--seed", "2", m100}).status != 0 ||
      run({"python3", generator, "--size", "400M", "--seed", "3", m400}).status != 0) {
    std::fprintf(stderr, "the generator failed\n");
    fs::remove_all(dir);
    return 2;
  }
  const double mb = double(fs::file_size(full)) / 1e6;

  const std::vector<std::string> wc = {"wc", "-l", full};
  const std::vector<std::string> drg = {quervik, "drg", full, "--out-dir", (dir / "out").string()};
  run(wc);  // into the page cache
  Timing baseline = best(kRounds, wc);
  Timing conversion = best(kRounds, drg);
  const double drgMb = double(fs::file_size(dir / "out" / "BENCH_111.drg")) / 1e6;
  fs::remove(full);
  Timing small = run({quervik, "drg", m100, "--out-dir", (dir / "out").string()});
  Timing large = run({quervik, "drg", m400, "--out-dir", (dir / "out").string()});
  fs::remove_all(dir);
  if (conversion.status != 0 || small.status != 0 || large.status != 0 || baseline.status != 0) {
    std::fprintf(stderr, "a command failed (quervik %d / %d / %d, wc %d)\n", conversion.status, small.status,
                 large.status, baseline.status);
    return 2;
  }

  const double ratio = baseline.seconds / conversion.seconds;
  const double growth = double(large.maxRssKb) / double(small.maxRssKb);
  const bool constantMemory = growth <= kMemoryGrowth;
  std::printf("input %.0f MB, DRG output %.0f MB\n", mb, drgMb);
  std::printf("wc -l:        %8.3f s %8.0f MB/s (baseline, best of %d)\n", baseline.seconds, mb / baseline.seconds,
              kRounds);
  std::printf("quervik drg:  %8.3f s %8.0f MB/s (best of %d)\n", conversion.seconds, mb / conversion.seconds, kRounds);
  std::printf("ratio %.1f %% of wc -l (target >= %.0f %%): %s\n", ratio * 100, kTargetRatio * 100,
              ratio >= kTargetRatio ? "PASS" : "FAIL");
  std::printf("peak memory %ld KB at 400 MB, %ld KB at 100 MB: %s\n", large.maxRssKb, small.maxRssKb,
              constantMemory ? "PASS" : "FAIL");
  bench::printResult(bench::format("quervik drg, %.0f MB of VZP batches vs. wc -l", mb),
                     bench::format("%.0f MB/s", mb / conversion.seconds), bench::format("%.0f MB/s", mb / baseline.seconds),
                     bench::format("%.1f %%", ratio * 100), bench::format(">= %.0f %%", kTargetRatio * 100),
                     ratio >= kTargetRatio);
  bench::printResult("quervik drg, peak memory 400 MB vs. 100 MB", bench::format("%ld KB", large.maxRssKb),
                     bench::format("%ld KB", small.maxRssKb), bench::format("%.3f", growth),
                     bench::format("<= %.2f", kMemoryGrowth), constantMemory);
  return ratio >= kTargetRatio && constantMemory ? 0 : 1;
}
