// vzp_generate: writes a VZP batch file that is valid by construction, of any size, with
// seeded findings on request. Usage:
//   vzp_generate OUTPUT [--size BYTES[K|M|G]] [--types 05,10,...] [--documents N]
//                [--findings N] [--seed N] [--lf]
// Without --size, one batch of each type. Prints what it wrote to standard error: bytes,
// lines, batches, and the line numbers of the seeded findings.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "runtime/platform.h"
#include "vzp_generator.h"

using namespace quervik::vzptools;

namespace {

int usage() {
  std::fprintf(stderr,
               "Usage: vzp_generate OUTPUT [--size BYTES[K|M|G]] [--types 05,10,...] [--documents N]\n"
               "                    [--findings N] [--seed N] [--lf]\n"
               "Batch types: all but 16 and 80 by default (those two must stand alone in a file).\n");
  return 64;
}

int64_t parseSize(const char* text) {
  char* end = nullptr;
  double v = std::strtod(text, &end);
  if (end && (*end == 'K' || *end == 'k')) v *= 1024;
  if (end && (*end == 'M' || *end == 'm')) v *= 1024 * 1024;
  if (end && (*end == 'G' || *end == 'g')) v *= 1024.0 * 1024 * 1024;
  return int64_t(v);
}

}  // namespace

int main(int argc, char** argv) {
  VzpGeneratorOptions options;
  const char* output = nullptr;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    if (a == "--lf") {
      options.crlf = false;
    } else if (a == "--size" && hasValue) {
      options.targetBytes = parseSize(argv[++i]);
    } else if (a == "--types" && hasValue) {
      std::string list = argv[++i];
      for (size_t start = 0; start <= list.size();) {
        const size_t comma = std::min(list.find(',', start), list.size());
        if (comma > start) options.batchTypes.push_back(list.substr(start, comma - start));
        start = comma + 1;
      }
    } else if (a == "--documents" && hasValue) {
      options.documentsPerBatch = std::atoi(argv[++i]);
    } else if (a == "--findings" && hasValue) {
      options.seededFindings = std::atoi(argv[++i]);
    } else if (a == "--seed" && hasValue) {
      options.seed = std::strtoull(argv[++i], nullptr, 10);
    } else if ((a == "-" || (!a.empty() && a[0] != '-')) && !output) {
      output = argv[i];
    } else {
      return usage();
    }
  }
  if (!output) return usage();
  FILE* out = std::strcmp(output, "-") == 0 ? stdout : quervik::openFile(output, "wb");
  if (!out) {
    std::fprintf(stderr, "vzp_generate: cannot write %s\n", output);
    return 2;
  }
  static char buffer[1 << 20];
  std::setvbuf(out, buffer, _IOFBF, sizeof buffer);
  VzpGeneratorResult result;
  const bool ok = generateVzp(out, options, &result);
  if ((out != stdout && std::fclose(out) != 0) || (out == stdout && std::fflush(out) != 0) || !ok) {
    std::fprintf(stderr, "vzp_generate: writing %s failed (or an unknown batch type)\n", output);
    return 2;
  }
  std::fprintf(stderr, "%lld bytes, %ld lines, %ld batches, %zu seeded findings", (long long)result.bytes,
               result.lines, result.batches, result.findingLines.size());
  for (size_t i = 0; i < result.findingLines.size() && i < 20; ++i)
    std::fprintf(stderr, "%s%ld", i ? "," : " at lines ", result.findingLines[i]);
  std::fprintf(stderr, "%s\n", result.findingLines.size() > 20 ? ",..." : "");
  return 0;
}
