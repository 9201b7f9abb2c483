// Benchmark: 100,000 reports against a catalogue of 2,000 messages, once with the
// in-memory catalogue and once rescanning the file for every report, in the same run.
// Prints both rates and their ratio; exits non-zero when the ratio is below the target.
#include "bench_result.h"
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/catalogue.h"
#include "runtime/report.h"

using namespace quervik;

namespace {

constexpr int kMessages = 2000;
constexpr int kReports = 100000;
constexpr double kTarget = 50.0;

double reportsPerSecond(bool cached) {
  setCatalogueCacheEnabled(cached);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kReports; ++i) {
    // Codes spread over the whole catalogue, as findings of different kinds are.
    reportError(10000 + (i * 7919) % kMessages, i, "POLE");
    if (errorEntryCount() >= 1000) clearErrors();
  }
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  clearErrors();
  return kReports / seconds;
}

}  // namespace

int main() {
  std::filesystem::path dir = std::filesystem::temp_directory_path() / "quervik-report-bench";
  std::filesystem::create_directories(dir);
  std::string path = (dir / "errors.msg").string();
  {
    std::ofstream out(path, std::ios::binary);
    out << "# benchmark catalogue\r\n";
    for (int i = 0; i < kMessages; ++i)
      out << (10000 + i) << " Chyba ve vete cislo %d, pole %s neodpovida predepsanemu formatu\r\n";
  }
  setMessageFile(path.c_str());
  double rescan = reportsPerSecond(false);
  double cached = reportsPerSecond(true);
  double ratio = cached / rescan;
  std::printf("reports, catalogue rescanned per report: %12.0f reports/s (baseline)\n", rescan);
  std::printf("reports, catalogue held in memory:       %12.0f reports/s\n", cached);
  std::printf("ratio %.1f (target >= %.0f): %s\n", ratio, kTarget, ratio >= kTarget ? "PASS" : "FAIL");
  bench::printResult("reports, catalogue in memory vs. rescanned", bench::format("%.0f reports/s", cached),
                     bench::format("%.0f reports/s", rescan), bench::format("%.1f", ratio),
                     bench::format(">= %.0f", kTarget), ratio >= kTarget);
  std::filesystem::remove_all(dir);
  return ratio >= kTarget ? 0 : 1;
}
