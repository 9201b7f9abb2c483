// Benchmark: signing and opening a large file with key files, against the openssl tool's
// triple DES (the floor of the format: every byte goes through three-key triple DES) on the
// same bytes in the same run. Prints each throughput, its ratio to the tool's and the peak
// memory; exits non-zero when a ratio is below the target or the memory grew with the file.
// QUERVIK_BENCH_MB sets the file size (default 200); the data lives in a temporary directory
// that is removed at the end.
#include "bench_result.h"
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "container/open.h"
#include "container/sign.h"
#include "runtime/catalogue.h"
#include "runtime/report.h"

using namespace quervik;
namespace fs = std::filesystem;

namespace {

constexpr double kTarget = 0.85;
constexpr long kMemoryLimitKb = 64 * 1024;  // far below any file size worth measuring

double seconds(const std::function<bool()>& work, bool& ok) {
  auto start = std::chrono::steady_clock::now();
  ok = work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool shell(const std::string& command) { return std::system(command.c_str()) == 0; }

long peakKb() {
  struct rusage usage {};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

}  // namespace

int main() {
  long megabytes = std::getenv("QUERVIK_BENCH_MB") ? std::atol(std::getenv("QUERVIK_BENCH_MB")) : 200;
  if (megabytes < 1) megabytes = 1;
  fs::path dir = fs::temp_directory_path() / ("quervik-protect-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto path = [&](const char* name) { return (dir / name).string(); };
  std::string input = path("input.dat"), signedFile = path("signed.bin"), opened = path("opened.dat");

  // Keys and a file of random-looking text lines, written in small pieces.
  bool ok = shell("cd '" + dir.string() +
                  "' && openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out hospital.pem 2>/dev/null"
                  " && openssl req -x509 -new -key hospital.pem -subj /CN=Bench -days 30 -out hospital.crt"
                  " && openssl genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:1024 -out centre.pem 2>/dev/null"
                  " && openssl req -x509 -new -key centre.pem -subj /CN=BenchNRC -days 30 -out centre.crt");
  {
    FILE* f = std::fopen(input.c_str(), "wb");
    std::mt19937_64 random(42);
    std::vector<char> piece(1 << 20);
    for (long i = 0; f && i < megabytes; ++i) {
      for (char& c : piece) c = static_cast<char>(' ' + random() % 95);
      std::fwrite(piece.data(), 1, piece.size(), f);
    }
    ok = ok && f && std::fclose(f) == 0;
  }
  if (!ok) {
    std::fprintf(stderr, "protect_bench: could not prepare the data in %s\n", dir.c_str());
    fs::remove_all(dir);
    return 1;
  }
  setMessageFile(kDefaultMessageFile);
  double mb = static_cast<double>(megabytes);
  long before = peakKb();

  bool toolOk = false, signOk = false, openOk = false;
  shell("cat '" + input + "' > /dev/null");  // the same warm cache for everyone
  double tool = seconds([&] {
    return shell("openssl enc -des-ede3 -nopad -K 0123456789ABCDEF23456789ABCDEF01456789ABCDEF0123 -in '" + input +
                 "' -out '" + path("tool.bin") + "'");
  }, toolOk);
  fs::remove(path("tool.bin"));
  double sign = seconds([&] {
    return signProtectedFile(input.c_str(), signedFile.c_str(), nullptr, "RSA_DES_KEY", path("centre.crt").c_str(), 1,
                             path("hospital.pem").c_str(), nullptr) == 0;
  }, signOk);
  double open = seconds([&] {
    return openProtectedFile(signedFile.c_str(), opened.c_str(), nullptr, path("centre.pem").c_str(), -1,
                             path("hospital.crt").c_str(), -1, 1, nullptr) == 0;
  }, openOk);
  bool same = openOk && fs::file_size(opened) == fs::file_size(input) &&
              shell("cmp -s '" + input + "' '" + opened + "'");
  long grown = peakKb() - before;
  fs::remove_all(dir);
  if (!toolOk || !signOk || !openOk || !same) {
    std::fprintf(stderr, "protect_bench: a run failed (tool %d, sign %d, open %d, same %d)\n", toolOk, signOk, openOk,
                 same);
    for (const std::string& e : errorEntries()) std::fputs(e.c_str(), stderr);
    return 1;
  }
  double toolRate = mb / tool, signRate = mb / sign, openRate = mb / open;
  std::printf("file of %ld MiB\n", megabytes);
  std::printf("openssl enc -des-ede3 -nopad: %7.2f MiB/s (baseline)\n", toolRate);
  std::printf("sign (signFile, key files):   %7.2f MiB/s  ratio %.2f\n", signRate, signRate / toolRate);
  std::printf("open (unsignFile, key files): %7.2f MiB/s  ratio %.2f\n", openRate, openRate / toolRate);
  std::printf("peak memory grew by %ld KiB while signing and opening\n", grown);
  bool pass = signRate / toolRate >= kTarget && openRate / toolRate >= kTarget && grown < kMemoryLimitKb;
  std::printf("target: ratios >= %.2f, memory constant: %s\n", kTarget, pass ? "PASS" : "FAIL");
  std::string baseline = bench::format("%.2f MiB/s", toolRate), target = bench::format(">= %.2f", kTarget);
  bench::printResult(bench::format("sign %ld MiB, key files vs. openssl enc -des-ede3", megabytes),
                     bench::format("%.2f MiB/s", signRate), baseline, bench::format("%.2f", signRate / toolRate),
                     target, signRate / toolRate >= kTarget);
  bench::printResult(bench::format("open %ld MiB, key files vs. openssl enc -des-ede3", megabytes),
                     bench::format("%.2f MiB/s", openRate), baseline, bench::format("%.2f", openRate / toolRate),
                     target, openRate / toolRate >= kTarget);
  bench::printResult("sign and open, peak memory growth", bench::format("%ld KiB", grown), "-", "-",
                     bench::format("< %ld KiB", long(kMemoryLimitKb)), grown < kMemoryLimitKb);
  return pass ? 0 : 1;
}
