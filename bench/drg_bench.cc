// Benchmarks of the DRG check on generated deliveries, each against a baseline measured in the
// same run:
//  1. line checks: `quervik dkontrol` on a clean DRG file of about 200 MB against `wc -l` on
//     the same file, best of five for both (target: at least 20% of wc's throughput);
//  2. the dkontrol export inside a JVM on the same file (target: within 1.2x of the command);
//  3. peak resident memory of the line checks on 100 MB and 400 MB (target: within 10%);
//  4. the cross-checks on a structure of 50,000 cost centres and workplaces with 1,000,000
//     documents, and on four times that, best of five each (target: time ratio at most 4.2,
//     i.e. linear).
// The data is generated into a temporary directory and removed at the end.
// Usage: drg_bench [--scale S] (S < 1 shrinks every size, for a quick look).
#include "bench_result.h"
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "drg/cross_checks.h"
#include "drg/cross_tables.h"
#include "drg_delivery.h"
#include "runtime/catalogue.h"
#include "runtime/report.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRounds = 5;               // timed runs of each side; the best counts
constexpr double kLineTarget = 0.20;     // line checks, share of wc -l's throughput
constexpr double kCrossLimit = 4.2;      // cross-checks, time at 4x over time at 1x

struct Run {
  double seconds = 0;
  long maxRssKb = 0;
  int status = -1;
  std::string out;
};

// Runs a program, its standard output to a file (or /dev/null), and measures it.
Run spawn(const std::vector<std::string>& argv, const std::string& outFile = "/dev/null") {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  Run r;
  pid_t pid;
  const auto start = Clock::now();
  if (posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) {
    std::fprintf(stderr, "cannot run %s\n", args[0]);
    posix_spawn_file_actions_destroy(&actions);
    return r;
  }
  int status = 0;
  struct rusage usage {};
  wait4(pid, &status, 0, &usage);
  r.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  r.maxRssKb = usage.ru_maxrss;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  posix_spawn_file_actions_destroy(&actions);
  if (outFile != "/dev/null") {
    FILE* f = std::fopen(outFile.c_str(), "rb");
    char buf[256];
    size_t n = f ? std::fread(buf, 1, sizeof buf - 1, f) : 0;
    if (f) std::fclose(f);
    r.out.assign(buf, n);
  }
  return r;
}

std::string generate(const fs::path& dir, const char* name, int centres, int documents, int accounts, int turnover,
                     int facilities) {
  quervik::tools::DeliveryOptions o;
  o.directory = dir.string();
  o.name = name;
  o.facilities = facilities;
  o.costCentres = centres;
  o.documents = documents;
  o.accounts = accounts;
  o.turnover = turnover;
  o.modifications = 10;
  quervik::tools::DeliveryFiles files;
  std::string error;
  if (!quervik::tools::writeDelivery(o, files, error)) {
    std::fprintf(stderr, "generator: %s\n", error.c_str());
    std::exit(2);
  }
  return files.drg;
}

double mb(const std::string& file) { return double(fs::file_size(file)) / 1e6; }

void warm(const std::string& file) { spawn({"/bin/cat", file}); }

const char* verdict(bool ok) { return ok ? "PASS" : "FAIL"; }

// The cross-check phase alone, from memory tables loaded from the files.
double crossChecks(const std::string& base, int& findings) {
  using namespace quervik;
  std::vector<FileItem> org{{base + ".ORG", 0}}, osn{{base + ".OSN", 0}}, drg{{base + ".DRG", 0}},
      eko{{base + ".EKO", 0}};
  const auto start = Clock::now();
  const auto structure = drg::loadStructure(org);
  const auto chart = drg::loadChart(osn);
  const drg::CrossLogs none;
  findings = drg::crossCheckStructure(org, structure, none) + drg::crossCheckDrg(drg, structure, none) +
             drg::crossCheckChart(osn, chart, structure, none) + drg::crossCheckTurnover(eko, chart, structure, none);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  clearErrors();
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  double scale = 1.0;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--scale") == 0) scale = std::atof(argv[i + 1]);
  auto scaled = [&](double n) { return std::max(1, int(n * scale)); };

  const fs::path bin = fs::canonical("/proc/self/exe").parent_path();
  const std::string quervik = (bin / "quervik").string();
  const std::string catalogue = std::string(QUERVIK_SOURCE_DIR) + "/msg/errors.msg";
  const fs::path dir = fs::temp_directory_path() / ("quervik-drg-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  quervik::setMessageFile(catalogue.c_str());
  bool ok = true;

  // 1. and 2. Line checks against wc -l, and the export in a JVM; the three take turns so
  // that each sees the same machine.
  const std::string drg = generate(dir, "LINES", 200, scaled(710000), 10, 10, 1);
  warm(drg);
  const std::string java = QUERVIK_JAVA;
  const std::string out = (dir / "jvm.out").string();
  double wcBest = 1e9, cliBest = 1e9, jvmBest = 1e9;
  bool jvmRan = true;
  for (int i = 0; i < kRounds; ++i) {
    const Run w = spawn({"/usr/bin/wc", "-l", drg});
    const Run c = spawn({quervik, "dkontrol", "--drg", drg});
    if (c.status != 0) {
      std::printf("quervik dkontrol exited %d on a clean file\n", c.status);
      ok = false;
    }
    const Run j = spawn({java, "-cp", (bin / "java").string(), "DkontrolBench", (bin / "libquervik.so").string(),
                         catalogue, drg, "1"},
                        out);
    jvmRan &= j.status == 0 && j.out.find(" 0") != std::string::npos;
    wcBest = std::min(wcBest, w.seconds);
    cliBest = std::min(cliBest, c.seconds);
    jvmBest = std::min(jvmBest, std::atof(j.out.c_str()) / 1e9);
  }
  const double size = mb(drg);
  const double ratio = (size / cliBest) / (size / wcBest);
  std::printf("line checks, %.0f MB DRG file (best of %d):\n", size, kRounds);
  std::printf("  wc -l                  %7.3f s %8.0f MB/s (baseline)\n", wcBest, size / wcBest);
  std::printf("  quervik dkontrol --drg %7.3f s %8.0f MB/s\n", cliBest, size / cliBest);
  std::printf("  throughput %.1f%% of wc -l (target >= 20%%): %s\n", ratio * 100, verdict(ratio >= kLineTarget));
  ok &= ratio >= kLineTarget;
  bench::printResult(bench::format("dkontrol line checks, %.0f MB vs. wc -l", size),
                     bench::format("%.0f MB/s", size / cliBest), bench::format("%.0f MB/s", size / wcBest),
                     bench::format("%.1f %%", ratio * 100), ">= 20 %", ratio >= kLineTarget);
  const double jvmRatio = jvmBest / cliBest;
  std::printf("dkontrol export in a JVM on the same file (best of %d, the JVM's start not counted):\n", kRounds);
  std::printf("  %7.3f s, %.2fx the command's time (target <= 1.2): %s\n", jvmBest, jvmRatio,
              verdict(jvmRan && jvmRatio <= 1.2));
  ok &= jvmRan && jvmRatio <= 1.2;
  bench::printResult("dkontrol export in a JVM vs. the command", bench::format("%.3f s", jvmBest),
                     bench::format("%.3f s", cliBest), bench::format("%.2fx", jvmRatio), "<= 1.2x",
                     jvmRan && jvmRatio <= 1.2);
  fs::remove(drg);

  // 3. Peak resident memory on 100 MB and 400 MB.
  const std::string small = generate(dir, "M100", 200, scaled(355000), 10, 10, 1);
  const std::string large = generate(dir, "M400", 200, scaled(1420000), 10, 10, 1);
  Run s = spawn({quervik, "dkontrol", "--drg", small});
  Run l = spawn({quervik, "dkontrol", "--drg", large});
  const double growth = double(l.maxRssKb) / double(s.maxRssKb);
  std::printf("peak resident memory of the line checks:\n");
  std::printf("  %4.0f MB file: %6ld KB\n  %4.0f MB file: %6ld KB\n", mb(small), s.maxRssKb, mb(large), l.maxRssKb);
  std::printf("  growth %.1f%% (target within 10%%): %s\n", (growth - 1) * 100,
              verdict(growth <= 1.10 && s.status == 0 && l.status == 0));
  ok &= growth <= 1.10 && s.status == 0 && l.status == 0;
  bench::printResult(bench::format("dkontrol peak memory, %.0f MB vs. %.0f MB", mb(large), mb(small)),
                     bench::format("%ld KB", l.maxRssKb), bench::format("%ld KB", s.maxRssKb),
                     bench::format("%.3f", growth), "<= 1.10", growth <= 1.10 && s.status == 0 && l.status == 0);
  fs::remove(small);
  fs::remove(large);

  // 4. Cross-checks at 1x and 4x; the two sizes take turns, best of kRounds each, so that both
  // see the same machine.
  double times[2] = {1e9, 1e9};
  int findings[2] = {0, 0};
  const char* names[2] = {"X1", "X4"};
  for (int k = 0; k < 2; ++k) {
    const int f = k == 0 ? 1 : 4;
    generate(dir, names[k], scaled(24400.0 * f), scaled(1000000.0 * f), scaled(2000.0 * f), scaled(200000.0 * f),
             10 * f);
  }
  for (int i = 0; i < kRounds; ++i)
    for (int k = 0; k < 2; ++k) {
      int found = 0;
      times[k] = std::min(times[k], crossChecks((dir / names[k]).string(), found));
      findings[k] = std::max(findings[k], found);
    }
  for (int k = 0; k < 2; ++k) {
    const std::string name = names[k];
    std::printf("cross-checks %dx: %s.ORG %.1f MB, %s.DRG %.0f MB: %.2f s (best of %d), %d findings\n", k == 0 ? 1 : 4,
                names[k], mb((dir / (name + ".ORG")).string()), names[k], mb((dir / (name + ".DRG")).string()),
                times[k], kRounds, findings[k]);
    for (const char* ext : {".ORG", ".OSN", ".DRG", ".EKO", ".KOR"}) fs::remove(dir / (name + ext));
  }
  const double crossRatio = times[1] / times[0];
  const bool crossOk = crossRatio <= kCrossLimit && findings[0] == 0 && findings[1] == 0;
  std::printf("  4x data takes %.2fx the time (target <= %.1f): %s\n", crossRatio, kCrossLimit, verdict(crossOk));
  ok &= crossOk;
  bench::printResult("DRG cross-checks, 4x data vs. 1x", bench::format("%.2f s", times[1]),
                     bench::format("%.2f s", times[0]), bench::format("%.2fx", crossRatio),
                     bench::format("<= %.1fx", kCrossLimit), crossOk);

  fs::remove_all(dir);
  return ok ? 0 : 1;
}
