// An output file that appears under its name only when it is complete. The bytes go to an
// unnamed file in the target's directory (or, where the file system refuses unnamed files, to
// a hidden one with a short name of its own), readable by the owner alone while it is written;
// commit() gives it its final mode and links it into place, and a PendingFile dropped without
// a commit leaves nothing behind, also when the process is killed (unnamed files only). The
// drivers whose outputs must never be seen half written or unverified (protected files,
// decrypted content, coded batches, key blobs) write through this. An output that names a
// device or a pipe (/dev/null, a FIFO) is written into it directly: nothing can be held back
// there, and a file must never be put in a device's place.
#pragma once
#include <cstdio>
#include <string>
#include <utility>

namespace quervik {

class PendingFile {
 public:
  enum class Kind {
    // Replaces a file of the name, keeping that file's mode; a new file gets the mode a plain
    // create would give (0666 less the umask).
    Output,
    // Appears only when the name is still free at the commit, readable by the owner alone (a
    // key blob: replacing one would lose its key for good).
    NewPrivate,
  };

  PendingFile() = default;
  ~PendingFile();  // discards the temporary file unless it was committed
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  // Creates an empty temporary file (mode 0600) in the directory of path ('/' or '\' separate
  // its parts). False, with nothing created, when path is null, names a directory, or its
  // directory cannot take a new file.
  [[nodiscard]] bool open(const char* path, Kind kind = Kind::Output);

  // The temporary file, open for binary writing; null before open and after commit.
  FILE* stream() const { return stream_; }

  // Flushes the temporary file and puts it in place under the path. False when a write, the
  // close or the linking failed, or (NewPrivate) when the name exists; the temporary file is
  // removed then and the path is left as it was. A replaced file is never missing meanwhile.
  [[nodiscard]] bool commit();

  // Closes and removes the temporary file (nothing when none is open).
  void discard();

  // Tests: false makes open() use a named temporary file, as on a file system without
  // unnamed files; true restores the default.
  static void allowUnnamedFiles(bool allow);

 private:
  [[nodiscard]] bool placeUnnamed(int mode);
  [[nodiscard]] bool placeNamed(int mode);

  // Takes the opened temporary file and what commit() needs to put it in place; true.
  bool hold(FILE* stream, Kind kind, std::string directory, std::string temporary, std::string target) {
    stream_ = stream;
    kind_ = kind;
    directory_ = std::move(directory);
    temporary_ = std::move(temporary);
    target_ = std::move(target);
    return true;
  }

  FILE* stream_ = nullptr;
  Kind kind_ = Kind::Output;
  std::string directory_;  // with its separator, or empty for the working directory
  std::string temporary_;  // the named temporary file; empty for an unnamed one
  std::string target_;
  bool direct_ = false;  // writing straight into a device or a pipe
};

}  // namespace quervik
