// drg_generate: writes a consistent DRG delivery (ORG, OSN, DRG, EKO, KOR) of any size, with
// seeded findings on request. Run with --help for the options.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "drg_delivery.h"
#include "runtime/platform.h"

using namespace quervik::tools;

namespace {

void usage(FILE* out) {
  std::fprintf(out,
               "Usage: drg_generate [options]\n\n"
               "  --out DIR            directory of the files (default .)\n"
               "  --name NAME          file names NAME.ORG ... NAME.KOR (default DAVKA)\n"
               "  --year Y --month M   period of the delivery (default 6/2023)\n"
               "  --facilities N       facilities, each with its own ICZ (default 1)\n"
               "  --centres N          cost centres, about as many workplaces (default 40)\n"
               "  --documents N        DRG documents of 1 to 3 service lines (default 100)\n"
               "  --accounts N         accounts in the chart (default 30)\n"
               "  --turnover N         EKO lines (default 60)\n"
               "  --modifications N    KOR lines (default 10)\n"
               "  --seed S             random seed (default 1)\n"
               "  --findings K=N,...   seed N findings of kind K (see --kinds)\n"
               "  --kinds              list the kinds of findings\n");
}

bool parseFindings(const char* text, DeliveryOptions& o) {
  std::string s(text);
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find(',', start);
    if (end == std::string::npos) end = s.size();
    std::string item = s.substr(start, end - start);
    size_t eq = item.find('=');
    if (eq == std::string::npos) return false;
    o.findings[item.substr(0, eq)] += std::atoi(item.c_str() + eq + 1);
    start = end + 1;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  DeliveryOptions o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "drg_generate: %s needs a value\n", a.c_str());
        std::exit(64);
      }
      return argv[++i];
    };
    if (a == "--help" || a == "-h") {
      usage(stdout);
      return 0;
    } else if (a == "--kinds") {
      for (const FindingKind& k : findingKinds())
        std::printf("%-15s %s %5d x%d%s  %s\n", k.name, k.file, k.code, k.reportsEach, k.crossCheck ? " cross" : "      ",
                    k.description);
      return 0;
    } else if (a == "--out") {
      o.directory = value();
    } else if (a == "--name") {
      o.name = value();
    } else if (a == "--year") {
      o.year = std::atoi(value());
    } else if (a == "--month") {
      o.month = std::atoi(value());
    } else if (a == "--facilities") {
      o.facilities = std::atoi(value());
    } else if (a == "--centres") {
      o.costCentres = std::atoi(value());
    } else if (a == "--documents") {
      o.documents = std::atoi(value());
    } else if (a == "--accounts") {
      o.accounts = std::atoi(value());
    } else if (a == "--turnover") {
      o.turnover = std::atoi(value());
    } else if (a == "--modifications") {
      o.modifications = std::atoi(value());
    } else if (a == "--seed") {
      o.seed = std::strtoull(value(), nullptr, 10);
    } else if (a == "--findings") {
      if (!parseFindings(value(), o)) {
        std::fprintf(stderr, "drg_generate: --findings takes KIND=N,KIND=N...\n");
        return 64;
      }
    } else {
      std::fprintf(stderr, "drg_generate: unknown option %s\n\n", a.c_str());
      usage(stderr);
      return 64;
    }
  }
  (void)quervik::makeDirectory(o.directory.c_str());  // an existing directory is fine
  DeliveryFiles files;
  std::string error;
  if (!writeDelivery(o, files, error)) {
    std::fprintf(stderr, "drg_generate: %s\n", error.c_str());
    return 1;
  }
  for (const std::string* f : {&files.org, &files.osn, &files.drg, &files.eko, &files.kor}) {
    std::printf("%s %lld bytes\n", f->c_str(), static_cast<long long>(std::max<int64_t>(quervik::fileSize(f->c_str()), 0)));
  }
  for (const FindingKind& k : findingKinds()) {
    auto it = o.findings.find(k.name);
    if (it != o.findings.end() && it->second > 0)
      std::printf("seeded %d x %s: %d report(s) of %d%s\n", it->second, k.name, it->second * k.reportsEach, k.code,
                  k.crossCheck ? " (cross-check)" : "");
  }
  return 0;
}
