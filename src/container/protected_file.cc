// The trailer of a protected file; see protected_file.h.
#include "container/protected_file.h"

#include <cstring>

#include "runtime/leading_number.h"
#include "runtime/platform.h"

namespace quervik {
namespace {

// The size of the file, leaving it positioned at its end; -1 when it cannot be had.
int64_t sizeOf(FILE* file) {
  if (!seekStream(file, 0, SEEK_END)) return -1;
  int64_t size = tellStream(file);
  return size < 0 ? -1 : size;
}

bool seekTo(FILE* file, int64_t position) {
  return position >= 0 && seekStream(file, position, SEEK_SET);
}

constexpr size_t kDnReadRoom = kMaxDnText + 1;

}  // namespace

std::string dnField(std::string_view dnText) {
  char length[16];
  std::snprintf(length, sizeof length, "%*d", static_cast<int>(kDnLengthWidth), static_cast<int>(dnText.size()));
  return std::string(dnText) + length;
}

int readKeyCheckBlock(FILE* file, unsigned char* buffer, size_t size) {
  if (size > kRsaBlockSize) return -1;
  std::memset(buffer, 0, size);
  int64_t end = sizeOf(file);
  if (end < kKeyCheckBlockFromEnd || !seekTo(file, end - kKeyCheckBlockFromEnd) ||
      std::fread(buffer, 1, size, file) != size)
    return -1;
  return seekTo(file, end - static_cast<int64_t>(size + kTrailerSize)) ? 0 : -1;
}

std::optional<int64_t> readDnLength(FILE* file) {
  int64_t end = sizeOf(file);
  char field[kDnLengthWidth];
  if (end < kDnLengthFromEnd || !seekTo(file, end - kDnLengthFromEnd) ||
      std::fread(field, 1, sizeof field, file) != sizeof field)
    return std::nullopt;
  return leadingInteger(std::string_view(field, sizeof field));
}

int readDnField(FILE* file, std::string& dnText) {
  dnText.clear();
  std::optional<int64_t> length = readDnLength(file);
  if (!length || *length < 0) return -1;
  int64_t end = sizeOf(file);
  int64_t start = end - kDnLengthFromEnd - *length;
  char text[kDnReadRoom] = {};
  size_t wanted = *length < static_cast<int64_t>(kDnReadRoom) ? static_cast<size_t>(*length) : kDnReadRoom;
  if (start < 0 || !seekTo(file, start) || std::fread(text, 1, wanted, file) != wanted || !seekTo(file, start))
    return -1;
  size_t n = strnlen(text, wanted);
  for (size_t i = 0; i < n; ++i)
    if (text[i] < 0x20 || text[i] > 0x7E) return -1;
  dnText.assign(text, n);
  return 0;
}

}  // namespace quervik
