// Outputs put into place when complete, on Windows; see pending_file.h. Windows has no
// unnamed files: the bytes go to a hidden-named file beside the output, created exclusively,
// and MoveFileExW puts it in place in one step (replacing for an output, never for a new
// private file). Permissions come from the folder, as for any file made there.
#include "runtime/pending_file.h"

#include <windows.h>

#include <random>

#include "runtime/paths.h"
#include "runtime/platform.h"
#include "runtime/windows_text.h"

namespace quervik {

PendingFile::~PendingFile() { discard(); }

void PendingFile::allowUnnamedFiles(bool) {}

bool PendingFile::open(const char* path, Kind kind) {
  discard();
  if (!path || !*path || isDirectory(path) == 1) return false;
  std::string target = nativePath(path);
  std::string directory = dirName(target).value_or("");
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char name[32];
    std::snprintf(name, sizeof name, ".qv%08x%04x.part", static_cast<unsigned>(entropy()),
                  static_cast<unsigned>(entropy() & 0xFFFF));
    std::string candidate = directory + name;
    std::optional<std::wstring> wide = widePath(candidate);
    if (!wide) return false;
    HANDLE h = ::CreateFileW(wide->c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      if (::GetLastError() == ERROR_FILE_EXISTS) continue;
      return false;
    }
    FILE* f = streamOfHandle(h, false);
    if (!f) {
      ::DeleteFileW(wide->c_str());
      return false;
    }
    return hold(f, kind, std::move(directory), std::move(candidate), std::move(target));
  }
  return false;
}

bool PendingFile::commit() {
  if (!stream_) return false;
  bool ok = std::fflush(stream_) == 0 && !std::ferror(stream_);
  ok = std::fclose(stream_) == 0 && ok;
  stream_ = nullptr;
  std::optional<std::wstring> from = widePath(temporary_), to = widePath(target_);
  const DWORD flags = MOVEFILE_WRITE_THROUGH | (kind_ == Kind::Output ? MOVEFILE_REPLACE_EXISTING : 0);
  ok = ok && from && to && ::MoveFileExW(from->c_str(), to->c_str(), flags);
  if (!ok) removeFile(temporary_.c_str());
  temporary_.clear();
  return ok;
}

void PendingFile::discard() {
  if (stream_) {
    std::fclose(stream_);
    stream_ = nullptr;
  }
  if (!temporary_.empty()) {
    removeFile(temporary_.c_str());
    temporary_.clear();
  }
}

}  // namespace quervik
