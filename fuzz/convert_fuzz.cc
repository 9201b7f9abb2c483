// Fuzz target: arbitrary bytes as a VZP file, converted with exclusions and a current year
// taken from the first bytes. Every output line must be a whole DRG record A, B or C of its
// exact length with a CR LF, and hold no byte that would break the DRG file's lines; the
// prepared rules must agree with the field-by-field writer.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "convert/vzp_converter.h"
#include "fuzz_temp.h"

using namespace quervik;

QUERVIK_FUZZ_TARGET(const uint8_t* data, size_t size) {
  if (size < 2) return;
  convert::ConversionSettings settings;
  settings.insurerCode = data[0] & 1 ? std::optional<std::string>("111") : std::nullopt;
  if (data[0] & 2) settings.excludedTypes = {10, 12, 5};
  if (data[0] & 4) settings.excludedTypes.push_back(data[1] % 100);
  settings.currentYear = 1900 + data[1];
  std::string_view text = fuzz::text(data + 2, size - 2);

  const std::string drg = convert::convertVzpText(text, settings);
  // The prepared rules write exactly what the field-by-field writer writes.
  settings.preparedRules = false;
  if (convert::convertVzpText(text, settings) != drg) std::abort();
  size_t at = 0;
  while (at < drg.size()) {
    size_t length = drg[at] == 'A' ? 29 : drg[at] == 'B' ? 124 : drg[at] == 'C' ? 76 : 0;
    if (length == 0 || at + length + 2 > drg.size()) std::abort();
    if (drg.compare(at + length, 2, "\r\n") != 0) std::abort();
    for (size_t i = at; i < at + length; ++i)
      if (drg[i] == '\0' || drg[i] == '\r' || drg[i] == '\n') std::abort();
    at += length + 2;
  }
}
