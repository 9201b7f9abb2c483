// Fuzz target: arbitrary bytes as the five files of a DRG delivery (ORG, OSN, DRG, EKO, KOR,
// separated in the input by a line "#####"), checked by the whole DRG check with logs and an
// output directory: line checks, and the cross-checks whenever the lines come out clean.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "drg/batch_check.h"
#include "fuzz_temp.h"

using namespace quervik;

QUERVIK_FUZZ_TARGET(const uint8_t* data, size_t size) {
  fuzz::useRegistryCatalogue();
  static const std::string dir = fuzz::tempPath("drg", true), log = dir + "/log", out = dir + "/out";
  static const std::string files[5] = {dir + "/F.ORG", dir + "/F.OSN", dir + "/F.DRG", dir + "/F.EKO", dir + "/F.KOR"};
  std::string_view input = fuzz::text(data, size);
  constexpr std::string_view kSeparator = "\n#####\n";
  for (int i = 0; i < 5; ++i) {
    size_t end = i < 4 ? input.find(kSeparator) : std::string_view::npos;
    std::string_view part = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + kSeparator.size());
    fuzz::writeFile(files[i], part);
  }
  const int result = drg::runDrgCheck(files[0].c_str(), files[2].c_str(), files[1].c_str(), files[3].c_str(), nullptr,
                                      log.c_str(), out.c_str(), false, files[4].c_str());
  // Clean, findings, or nothing readable; never anything else.
  if (result > 1) std::abort();
  if (result == 0 && errorEntryCount() == 0) std::abort();
}
