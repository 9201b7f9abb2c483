// The message catalogue; see catalogue.h.
#include "runtime/catalogue.h"


#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "runtime/console.h"
#include "runtime/leading_number.h"
#include "runtime/paths.h"
#include "runtime/platform.h"
#include "runtime/safe_format.h"

namespace quervik {
namespace {

// A line is read with a 2055-byte buffer: at most 2054 characters, newline included. A
// longer line arrives as several pieces, each numbered and parsed as a line of its own.
constexpr size_t kPieceLength = 2054;

// Splits catalogue bytes into the pieces a line-buffered read sees. CR LF reads as LF.
class PieceReader {
 public:
  explicit PieceReader(const std::string& content) : content_(content) {}

  bool next(std::string& piece) {
    const char* base = content_.data();
    const size_t size = content_.size();
    if (pos_ >= size) return false;
    ++line_;
    // A window of 2055 raw bytes holds 2054 characters even when the line ends in CR LF.
    const size_t window = std::min(size, pos_ + kPieceLength + 1) - pos_;
    if (const void* found = std::memchr(base + pos_, '\n', window)) {
      const size_t nl = size_t(static_cast<const char*>(found) - base);
      const bool crlf = nl > pos_ && base[nl - 1] == '\r';
      const size_t bodyLength = nl - pos_ - (crlf ? 1 : 0);
      if (bodyLength + 1 <= kPieceLength) {
        piece.assign(base + pos_, bodyLength);
        piece += '\n';
        pos_ = nl + 1;
        return true;
      }
    }
    // No line end within reach: the buffer fills up (a lone CR is an ordinary character).
    const size_t take = std::min(kPieceLength, size - pos_);
    piece.assign(base + pos_, take);
    pos_ += take;
    return true;
  }
  int lineNumber() const { return line_; }

 private:
  const std::string& content_;
  size_t pos_ = 0;
  int line_ = 0;
};

// What one piece says: a comment, a syntax error (code 0) or a message.
struct ParsedPiece {
  bool comment = false;
  int code = 0;
  std::string text;
};

std::string_view asCString(std::string_view s) {
  size_t nul = s.find('\0');
  return nul == std::string_view::npos ? s : s.substr(0, nul);
}

ParsedPiece parsePiece(const std::string& piece) {
  ParsedPiece p;
  std::string_view line = asCString(piece);
  if (!line.empty() && line[0] == '#') {
    p.comment = true;
    return p;
  }
  int64_t code = leadingInteger(line.substr(0, 5));
  p.code = int(code);
  if (line.size() > 6) p.text = std::string(line.substr(6));
  if (!p.text.empty() && p.text.back() == '\n') p.text.pop_back();
  if (p.text.size() > kMaxReportLength) p.text.resize(kMaxReportLength);
  return p;
}

// Calls visit(lineNumber, piece) for every piece that is not a comment, in file order, until
// it returns false.
template <class Visit>
void forEachEntry(const std::string& content, Visit visit) {
  PieceReader reader(content);
  std::string piece;
  while (reader.next(piece)) {
    ParsedPiece p = parsePiece(piece);
    if (!p.comment && !visit(reader.lineNumber(), p)) return;
  }
}

std::string notFoundText(int code, const std::string& path) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "Chyba %d nenalezena v souboru ", code);
  std::string text = buf + path;
  if (text.size() > kMaxReportLength) text.resize(kMaxReportLength);
  return text;
}

void printSyntaxError(int line, const std::string& path) {
  consoleOut("Spatna syntaxe na radce %d v message file %s\n", line, path.c_str());
}

// Reads a catalogue file whole. None when it cannot be opened or is not a regular file.
std::optional<std::string> readCatalogue(const std::string& path, FileStamp* identity) {
  std::optional<FileStamp> stamp = fileStamp(path.c_str());
  if (!stamp) return std::nullopt;
  FILE* f = openFile(path.c_str(), "rb");
  if (!f) return std::nullopt;
  std::string content;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) content.append(buf, n);
  std::fclose(f);
  if (identity) *identity = *stamp;
  return content;
}

// The whole catalogue, parsed once: the first message of each code and the first syntax
// error, with the order between them, answer any lookup as a scan from the top would.
struct CatalogueIndex {
  std::string path;
  FileStamp identity;
  struct Entry {
    int lineNumber;
    std::string text;
  };
  std::vector<Entry> entries;                 // in file order
  std::unordered_map<int, size_t> firstOfCode;  // code -> entry index
  std::optional<size_t> firstSyntaxError;     // entry index

  void build(const std::string& content) {
    forEachEntry(content, [&](int lineNumber, ParsedPiece& p) {
      if (p.code == 0) {
        // Nothing past the first syntax error can be reached by a scan.
        firstSyntaxError = entries.size();
        entries.push_back({lineNumber, {}});
        return false;
      }
      firstOfCode.emplace(p.code, entries.size());
      entries.push_back({lineNumber, std::move(p.text)});
      return true;
    });
  }
};

struct CatalogueState {
  std::optional<std::string> path;
  bool cacheEnabled = true;
  std::optional<CatalogueIndex> index;
};

CatalogueState& state() {
  static CatalogueState s;
  return s;
}

std::optional<std::string> scanForCode(const std::string& content, int code, const std::string& path) {
  std::optional<std::string> result;
  forEachEntry(content, [&](int lineNumber, ParsedPiece& p) {
    if (p.code == 0) {
      printSyntaxError(lineNumber, path);
      result.emplace();
    } else if (p.code == code) {
      result = std::move(p.text);
    }
    return !result;
  });
  return result ? *result : notFoundText(code, path);
}

std::string pathForMessages() {
  const auto& p = state().path;
  return p ? *p : std::string("(null)");
}

}  // namespace

void setMessageFile(const char* name) {
  if (!name) return;
  CatalogueState& s = state();
  const bool replace = !(s.path && std::strcmp(name, kDefaultMessageFile) == 0);
  if (!replace) return;
  std::string composed = name;
  if (std::optional<std::string> bin = environmentVariable("DRGBIN")) {
    if (std::strncmp(name, bin->c_str(), bin->size()) != 0) composed = *bin + kSeparator + name;
  } else if (std::strcmp(name, kDefaultMessageFile) == 0 && isRegularFile(name) != 1) {
    if (std::optional<std::string> shipped = shippedCatalogue()) composed = *shipped;
  }
  s.path = std::move(composed);
}

std::optional<std::string> shippedCatalogue() {
  std::optional<std::string> self = codeFilePath();
  if (!self) return std::nullopt;
  const std::string dir = dirName(*self).value_or("");
  for (const char* candidate : {"msg/errors.msg", "../share/quervik/msg/errors.msg", "../msg/errors.msg"}) {
    std::string path = dir + nativePath(candidate);
    if (isRegularFile(path.c_str()) == 1) return path;
  }
  return std::nullopt;
}

std::optional<std::string> messageFilePath() { return state().path; }

std::optional<std::string> lookupMessageUncached(int code) {
  const std::string path = pathForMessages();
  std::optional<std::string> content;
  if (state().path) content = readCatalogue(path, nullptr);
  if (!content) {
    consoleOut("Nenalezen message file %s\n", path.c_str());
    return std::nullopt;
  }
  return scanForCode(*content, code, path);
}

std::optional<std::string> lookupMessage(int code) {
  CatalogueState& s = state();
  if (!s.cacheEnabled || !s.path) return lookupMessageUncached(code);
  const std::string& path = *s.path;
  bool fresh = false;
  if (s.index && s.index->path == path) {
    std::optional<FileStamp> now = fileStamp(path.c_str());
    fresh = now && *now == s.index->identity;
  }
  if (!fresh) {
    s.index.reset();
    FileStamp identity;
    std::optional<std::string> content = readCatalogue(path, &identity);
    if (!content) {
      consoleOut("Nenalezen message file %s\n", path.c_str());
      return std::nullopt;
    }
    s.index.emplace();
    s.index->path = path;
    s.index->identity = identity;
    s.index->build(*content);
  }
  const CatalogueIndex& idx = *s.index;
  auto hit = idx.firstOfCode.find(code);
  if (idx.firstSyntaxError && (hit == idx.firstOfCode.end() || *idx.firstSyntaxError < hit->second)) {
    printSyntaxError(idx.entries[*idx.firstSyntaxError].lineNumber, path);
    return std::string();
  }
  if (hit != idx.firstOfCode.end()) return idx.entries[hit->second].text;
  return notFoundText(code, path);
}

void setCatalogueCacheEnabled(bool enabled) { state().cacheEnabled = enabled; }

void resetMessageCatalogue() {
  state().path.reset();
  state().index.reset();
}

}  // namespace quervik
