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

namespace {

struct Setup {
  std::string dir;
  std::string files[5];
};

const Setup& setup() {
  static const Setup s = [] {
    Setup s;
    s.dir = fuzz::tempPath("drg", true);
    const char* ext[5] = {"ORG", "OSN", "DRG", "EKO", "KOR"};
    for (int i = 0; i < 5; ++i) s.files[i] = s.dir + "/F." + ext[i];
    fuzz::useRegistryCatalogue();
    return s;
  }();
  return s;
}

}  // namespace

QUERVIK_FUZZ_TARGET(const uint8_t* data, size_t size) {
  const Setup& s = setup();
  std::string_view input = fuzz::text(data, size);
  constexpr std::string_view kSeparator = "\n#####\n";
  for (int i = 0; i < 5; ++i) {
    size_t end = i < 4 ? input.find(kSeparator) : std::string_view::npos;
    std::string_view part = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + kSeparator.size());
    fuzz::writeFile(s.files[i], part);
  }
  const std::string log = s.dir + "/log", out = s.dir + "/out";
  const int result = drg::runDrgCheck(s.files[0].c_str(), s.files[2].c_str(), s.files[1].c_str(), s.files[3].c_str(),
                                      nullptr, log.c_str(), out.c_str(), false, s.files[4].c_str());
  // Clean, findings, or nothing readable; never anything else.
  if (result > 1) std::abort();
  if (result == 0 && errorEntryCount() == 0) std::abort();
}
