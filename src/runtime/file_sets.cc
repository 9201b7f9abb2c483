// Collecting input files; see file_sets.h.
#include "runtime/file_sets.h"

#include <algorithm>

#include "runtime/console.h"
#include "runtime/paths.h"
#include "runtime/platform.h"

namespace quervik {
namespace {

constexpr const char* kKindWords[] = {"org", "osn", "drg", "eko", "kor"};

// Kind words and extensions are ASCII; letter case does not matter.
bool equalIgnoringCase(const char* a, const char* b) {
  for (; *a && *b; ++a, ++b) {
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    if (lower(*a) != lower(*b)) return false;
  }
  return *a == *b;
}

bool sameWord(const std::optional<std::string>& a, const char* b) {
  return a && b && equalIgnoringCase(a->c_str(), b);
}

}  // namespace

int kindIndex(const char* word) {
  if (!word) return kOtherKind;
  for (int i = 0; i < kOtherKind; ++i)
    if (equalIgnoringCase(word, kKindWords[i])) return i;
  return kOtherKind;
}

int collectFiles(FileSets& sets, const char* name, const char* kindWord) {
  if (isDirectory(name) == 1) return scanDirectory(sets, name, 1, kindWord);
  if (isRegularFile(name) != 1) return -1;
  std::optional<std::string> ext = fileExtension(baseName(name), nullptr);
  int kind = ext && (!kindWord || sameWord(ext, kindWord)) ? kindIndex(ext->c_str()) : kindIndex(kindWord);
  sets.lists[kind].push_back({name, 0});
  return 0;
}

int scanDirectory(FileSets& sets, const char* directory, int mode, const char* kindWord) {
  if (!directory) return -1;
  std::vector<std::string> names;
  if (!listDirectory(directory, names)) {
    consoleOut("Nelze precist obsah adresare '%s'\n", directory);
    return -1;
  }
  // Directory order differs between file systems; name order keeps runs reproducible.
  std::sort(names.begin(), names.end());

  std::string prefix = directory;
  while (prefix.size() > 1 && isSeparator(prefix.back())) prefix.pop_back();
  prefix += kSeparator;
  bool added = false;
  for (const std::string& entry : names) {
    std::string full = prefix + entry;
    if (mode == 1) {
      if (isRegularFile(full.c_str()) != 1) continue;
      std::optional<std::string> ext = fileExtension(entry, nullptr);
      int kind;
      if (kindWord) {
        if (!sameWord(ext, kindWord)) continue;
        kind = kindIndex(kindWord);
      } else {
        kind = ext ? kindIndex(ext->c_str()) : kOtherKind;
      }
      sets.lists[kind].push_back({full, 0});
      added = true;
    } else if (mode == 0) {
      if (entry == "." || entry == ".." || isDirectory(full.c_str()) != 1) continue;
      sets.lists[kindIndex(kindWord)].push_back({full, 0});
      added = true;
    }
  }
  return added ? 0 : -1;
}

}  // namespace quervik
