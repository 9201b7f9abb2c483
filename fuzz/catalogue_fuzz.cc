// Fuzz target: arbitrary bytes as a message catalogue, looked up and used to format reports
// with arguments of every kind; the in-memory copy must answer as a fresh scan does.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/catalogue.h"
#include "runtime/safe_format.h"
#include "fuzz_temp.h"

using namespace quervik;

QUERVIK_FUZZ_TARGET(const uint8_t* data, size_t size) {
  static const std::string path = fuzz::tempPath("catalogue");
  fuzz::writeFile(path, fuzz::text(data, size));
  resetMessageCatalogue();
  setMessageFile(path.c_str());

  // Codes taken from the input itself, so the lookups find its lines.
  int codes[4] = {1, 7001, 99999, -5};
  if (size >= 5) codes[0] = std::atoi(std::string(reinterpret_cast<const char*>(data), 5).c_str());
  for (int code : codes) {
    auto cached = lookupMessage(code);
    auto fresh = lookupMessageUncached(code);
    if (cached != fresh) std::abort();
    reportError(code, 42, "text", 3.5, 'c', -7, static_cast<const char*>(nullptr));
    reportError(code);
  }
  // The raw input as a format string, too.
  MsgArg args[] = {MsgArg(1), MsgArg("s"), MsgArg(2.5), MsgArg('x')};
  if (safeFormat(fuzz::text(data, size), args).size() > kMaxReportLength) std::abort();
}
