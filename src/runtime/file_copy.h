// Copying and moving processed files into the "ok" and "err" output directories.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/file_sets.h"

namespace quervik {

// Copies all bytes in chunks of 4096. The number of bytes written, or -1 when a stream is
// missing or a read or write fails.
long copyStream(FILE* source, FILE* destination);

// Copies a file byte for byte and, when moving, deletes the source once the copy is complete
// and closed. The copy result (0 for an empty source, which is then not deleted), or -1 when
// a file cannot be opened, a write fails, or both names are the same file.
long copyOrMoveFile(const char* source, const char* destination, bool move);

struct OutputDirectories {
  std::string ok;
  std::string err;
};

// Copies or moves each file into "err" (result 1) or "ok"; a file that cannot be handled
// prints "Nelze %s %s do %s\n" and the run goes on.
void disposeFiles(std::vector<FileItem>& files, const OutputDirectories& directories, bool move);

}  // namespace quervik
