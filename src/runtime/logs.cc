// The global and auxiliary logs; see logs.h.
#include "runtime/logs.h"

#include <atomic>

#include "runtime/console.h"
#include "runtime/platform.h"
#include "runtime/report_sink.h"

namespace quervik {
namespace {

FILE* gGlobalLog = nullptr;
FILE* gAuxiliaryLog = nullptr;
std::atomic<int> gUnwrittenOutputs{0};

void writeLine(FILE* f, std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), f);
  std::fflush(f);
}

}  // namespace

int openGlobalLog(const char* name) {
  if (!name) return -1;
  FILE* f = openFile(name, "ab");
  if (!f) return -1;
  if (gGlobalLog) std::fclose(gGlobalLog);
  gGlobalLog = f;
  return 0;
}

int closeGlobalLog() {
  if (!gGlobalLog) return -1;
  int rc = std::fclose(gGlobalLog);
  gGlobalLog = nullptr;
  return rc;
}

void setAuxiliaryLog(FILE* stream) {
  if (stream) gAuxiliaryLog = stream;
}

void closeAuxiliaryLog(FILE* stream) {
  if (stream) std::fclose(stream);
  gAuxiliaryLog = nullptr;
}

FILE* auxiliaryLog() { return gAuxiliaryLog; }

void writeToLogs(std::string_view line) {
  if (gAuxiliaryLog) writeLine(gAuxiliaryLog, line);
  if (gGlobalLog) writeLine(gGlobalLog, line);
}

long saveAuxiliaryLog(FILE* auxiliary, const char* fileName) {
  if (!auxiliary || !fileName) return -1;
  FILE* out = openFile(fileName, "wb");
  if (!out) {
    consoleOut("Nelze otevrit soubor %s\n", fileName);
    return -1;
  }
  int64_t position = tellStream(auxiliary);
  std::rewind(auxiliary);
  long copied = 0;
  bool whole = true;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, auxiliary)) > 0) {
    if (std::fwrite(buf, 1, n, out) != n) {
      whole = false;  // a log cut short is not a saved log
      break;
    }
    copied += long(n);
  }
  if (position >= 0) (void)seekStream(auxiliary, position, SEEK_SET);
  if (std::fclose(out) != 0 || !whole) return -1;
  return copied;
}

void saveRunLog(FILE* auxiliary, const std::optional<std::string>& fileName) {
  if (fileName && saveAuxiliaryLog(auxiliary, fileName->c_str()) >= 0) return noteFileLog(*fileName);
  consoleOut("Nelze zapsat log file %s\n", fileName ? fileName->c_str() : "");
  noteUnwrittenOutput();
}

void noteUnwrittenOutput() { ++gUnwrittenOutputs; }
int unwrittenOutputs() { return gUnwrittenOutputs.load(); }
void resetUnwrittenOutputs() { gUnwrittenOutputs = 0; }

}  // namespace quervik
