// Copying and moving files; see file_copy.h.
#include "runtime/file_copy.h"

#include <cerrno>
#include <cstring>

#include "runtime/console.h"
#include "runtime/logs.h"
#include "runtime/paths.h"
#include "runtime/platform.h"
#include "runtime/report_sink.h"

namespace quervik {

long copyStream(FILE* source, FILE* destination) {
  if (!source || !destination) return -1;
  char buf[4096];
  long total = 0;
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, source)) > 0) {
    if (std::fwrite(buf, 1, n, destination) != n) return -1;
    total += long(n);
  }
  return std::ferror(source) ? -1 : total;
}

long copyOrMoveFile(const char* source, const char* destination, bool move) {
  // Copying a file onto itself would truncate it before reading.
  if (sameFile(source, destination)) return -1;
  FILE* in = openFile(source, "rb");
  if (!in) return -1;
  FILE* out = openFile(destination, "wb");
  if (!out) {
    std::fclose(in);
    return -1;
  }
  long copied = copyStream(in, out);
  std::fclose(in);
  // The source is deleted only when the copy is known to be on disk whole.
  if (std::fclose(out) != 0) copied = -1;
  if (copied > 0 && move && removeFile(source) != 0) {
    int err = errno;
    consoleOut("Nelze vymazat soubor %s", source);
    consoleErr(" : %s\n", std::strerror(err));
  }
  return copied;
}

void disposeFiles(std::vector<FileItem>& files, const OutputDirectories& directories, bool move) {
  for (FileItem& item : files) {
    const std::string& dir = item.result == 1 ? directories.err : directories.ok;
    std::string base = baseName(item.name);
    std::optional<std::string> target = makePath(dir.c_str(), base.c_str(), nullptr);
    std::string targetText = target ? *target : std::string();
    if (!target || copyOrMoveFile(item.name.c_str(), target->c_str(), move) < 1) {
      consoleOut("Nelze %s %s do %s\n", move ? "presunout" : "kopirovat", item.name.c_str(), targetText.c_str());
      noteUnwrittenOutput();
    } else {
      noteFileDisposed(item.name, targetText);
    }
  }
}

}  // namespace quervik
