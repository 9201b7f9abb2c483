// The input files of a driver run, collected by kind from file names and directories.
#pragma once
#include <array>
#include <string>
#include <vector>

namespace quervik {

// Lists by kind: 0 "org", 1 "osn", 2 "drg", 3 "eko", 4 "kor", 5 any other or none.
inline constexpr int kKindCount = 6;
inline constexpr int kOtherKind = 5;

struct FileItem {
  std::string name;  // full path as given or composed
  int result = 0;    // 0 no findings, 1 findings; read by disposeFiles
};

struct FileSets {
  std::array<std::vector<FileItem>, kKindCount> lists;
};

// Index of the word among the kind words, without regard to case; 5 for others or none.
int kindIndex(const char* word);

// Adds a regular file to the list of its kind, or the files of a directory (scanDirectory
// mode 1). 0 when something was added, else -1.
int collectFiles(FileSets& sets, const char* name, const char* kindWord);

// Lists a directory in name order. Mode 1 adds regular files (with a kind word only those
// whose extension is that word); mode 0 adds subdirectories. 0 when something was added,
// else -1; "Nelze precist obsah adresare '%s'\n" when the directory cannot be listed.
int scanDirectory(FileSets& sets, const char* directory, int mode, const char* kindWord);

}  // namespace quervik
