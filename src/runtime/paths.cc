// Path composition and directory services; see paths.h.
#include "runtime/paths.h"

#include "runtime/console.h"
#include "runtime/platform.h"

namespace quervik {
namespace {

size_t lastSeparator(std::string_view path) {
  for (size_t i = path.size(); i > 0; --i)
    if (isSeparator(path[i - 1])) return i - 1;
  return std::string_view::npos;
}

int statKind(const char* path, bool wantDirectory) {
  if (!path) return -1;
  std::string p = path;
  if (wantDirectory)
    while (p.size() > 1 && isSeparator(p.back()) && !(p.size() == 3 && p[1] == ':')) p.pop_back();
  const PathKind kind = pathKind(p.c_str());
  if (kind == PathKind::kMissing) return -1;
  return kind == (wantDirectory ? PathKind::kDirectory : PathKind::kRegular) ? 1 : 0;
}

}  // namespace

std::string baseName(std::string_view path) {
  size_t sep = lastSeparator(path);
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::optional<std::string> dirName(std::string_view path) {
  size_t sep = lastSeparator(path);
  if (sep == std::string_view::npos) return std::nullopt;
  return std::string(path.substr(0, sep + 1));
}

std::optional<std::string> fileExtension(std::string_view path, const char* given) {
  if (given) return std::string(given);
  std::string base = baseName(path);
  size_t dot = base.rfind('.');
  if (dot == std::string::npos) return std::nullopt;
  return base.substr(dot + 1);
}

int isDirectory(const char* path) { return statKind(path, true); }

int isRegularFile(const char* path) { return statKind(path, false); }

int ensureDirectory(const char* path) {
  int kind = isDirectory(path);
  if (kind == 1) return 1;
  if (kind == 0) return -1;
  if (makeDirectory(path)) return 0;
  consoleOut("Chyba: nelze vytvorit adresar %s\n", path);
  return -1;
}

int makeDirectories(const char* path) {
  if (!path) return -1;
  std::string_view p(path);
  size_t i = 0;
  // A drive prefix ("C:\") or the root is not created.
  if (p.size() >= 3 && p[1] == ':' && isSeparator(p[2])) i = 3;
  while (i < p.size() && isSeparator(p[i])) ++i;
  for (; i < p.size(); ++i) {
    if (!isSeparator(p[i])) continue;
    std::string part(p.substr(0, i));
    if (ensureDirectory(part.c_str()) < 0) return -1;
    while (i + 1 < p.size() && isSeparator(p[i + 1])) ++i;
  }
  return ensureDirectory(path);
}

std::optional<std::string> makePath(const char* directory, const char* name, const char* suffix) {
  const bool nameIsDirectory = isDirectory(name) == 1;
  if (isDirectory(directory) == 1 && nameIsDirectory) return std::nullopt;
  std::string path;
  if (directory && *directory) {
    path = directory;
    if (!isSeparator(path.back())) path += kSeparator;
  }
  if (name && !nameIsDirectory) {
    std::string base = baseName(name);
    if (suffix) {
      size_t dot = base.rfind('.');
      if (dot == std::string::npos) {
        path += base;
      } else {
        path += base.substr(0, dot);
        path += '_';
        path += base.substr(dot + 1);
      }
      path += '.';
      path += suffix;
    } else {
      path += base;
    }
  }
  return path;
}

}  // namespace quervik
