// An output file that appears under its name only when it is complete. The bytes go to a
// temporary file in the same directory (so the final rename never crosses file systems);
// commit() closes it and renames it into place, and a PendingFile dropped without a commit
// removes its temporary file. The drivers whose outputs must never be seen half written or
// unverified (protected files, decrypted content, coded batches) write through this.
#pragma once
#include <cstdio>
#include <string>

namespace quervik {

class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile();  // discards the temporary file unless it was committed
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Creates an empty temporary file beside path ('/' or '\' separate its parts), with the
  // permissions a newly created file gets. False, with nothing created, when path is null,
  // names a directory, or its directory cannot take a new file.
  [[nodiscard]] bool open(const char* path);

  // The temporary file, open for binary writing; null before open and after commit.
  FILE* stream() const { return stream_; }
  const std::string& temporaryPath() const { return temporary_; }

  // Flushes and closes the temporary file and renames it to the path, replacing a file of
  // that name. False when a write, the close or the rename failed; the temporary file is
  // removed then and the path is left as it was.
  [[nodiscard]] bool commit();

  // Closes and removes the temporary file (nothing when none is open).
  void discard();

 private:
  FILE* stream_ = nullptr;
  std::string temporary_;
  std::string target_;
};

}  // namespace quervik
