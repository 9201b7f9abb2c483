// The VZP batch check; see batch_check.h. The main pass checks the records. Whether every
// batch of a file is of type 16, or every one of type 80, is only known from all its
// headers, so a file whose first line is a header of either type is read twice: a first read
// finds the batch headers, then the main pass. Any other file is read once.
#include "vzp/batch_check.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <optional>

#include "runtime/cancellation.h"
#include "runtime/catalogue.h"
#include "runtime/console.h"
#include "runtime/file_copy.h"
#include "runtime/file_sets.h"
#include "runtime/leading_number.h"
#include "runtime/logs.h"
#include "runtime/paths.h"
#include "runtime/platform.h"
#include "runtime/progress.h"
#include "runtime/report.h"
#include "runtime/report_sink.h"
#include "vzp/codes.h"
#include "vzp/line_reader.h"

namespace quervik::vzp {
namespace {

VzpFileCounters gCounters;

// Asking whether the run was cancelled costs a call into the JVM when a Java host runs us,
// so both passes ask once per 64 KiB of input rather than once per line (and at the first
// line, so a cancelled run stops before it starts).
constexpr int64_t kInterruptInterval = 1 << 16;

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

int localDateNumber() {
  const std::time_t now = std::time(nullptr);
  const std::tm t = localCalendarTime(now);
  return (t.tm_year + 1900) * 10000 + (t.tm_mon + 1) * 100 + t.tm_mday;
}


std::string_view part(std::string_view s, size_t from, size_t count) {
  return from < s.size() ? s.substr(from, count) : std::string_view();
}

// The header's first field stands in for the field of findings that concern the whole line.
const VzpFieldDescriptor& headerLetterField() {
  return findRecordDescriptor(kVzpHeaderBatchType, 'D', 62)->fields[0];
}

uint16_t typeKey(char first, char second) { return uint16_t(uint8_t(first) | uint8_t(second) << 8); }

// The main pass over one file.
class RecordPass {
 public:
  // progressTotal: the file's size when this pass is its only read and moves the progress,
  // else -1.
  RecordPass(VzpLineReader& reader, int fileKind, VzpLayouts& layouts, int64_t progressTotal = -1)
      : reader_(reader), fileKind_(fileKind), layouts_(layouts), progressStep_(progressTotal / 100),
        moveProgress_(progressTotal >= 0) {}

  int run();

 private:
  bool read();
  std::string_view line() const { return std::string_view(line_, length_); }
  char firstChar() const { return length_ > 0 ? line_[0] : '\n'; }
  // Asked before every line, skipped ones included (a skip may run to the end of a large
  // file); an interruption counts as a finding and ends the file. The progress moves here too.
  bool interrupted() { return reader_.position() >= nextLook_ && lookAtHost(); }
  bool lookAtHost();
  int stopInterrupted() {
    ++gCounters.errors;
    return kVzpFileInterrupted;
  }
  void replaceInsurerCode();
  void startBatch();
  bool printableFast(const VzpLayouts::Record& record, VzpLineClasses& classes) const;
  // The field's generic check; on a line the whole-line test cleared (fast), a number the
  // classes show clean passes without it.
  int genericCode(const VzpLayouts::Field& f, bool fast, const VzpLineClasses& classes) const {
    if (fast && f.quick != VzpQuickNumber::None &&
        numberPassesByClasses(f.quick, classes, line_, f.offset, f.width, f.pointAt))
      return 0;
    return f.generic(std::string_view(line_ + f.offset, f.width), *f.descriptor);
  }
  void checkFields(const VzpLayouts::Record& record);
  bool allowed(char letter) const { return last_ ? last_->next[uint8_t(letter)] : letter == 'D'; }

  VzpLineReader& reader_;
  const int fileKind_;
  VzpLayouts& layouts_;
  // The line being checked: where the reader holds it, or the copy in own_.
  const char* line_ = own_;
  char own_[kVzpReadLimit + 1 + kVzpLineSlack] = {};
  size_t length_ = 0;
  bool newline_ = false;
  int64_t nextInterruptTest_ = 0;
  const int64_t progressStep_;
  const bool moveProgress_;
  int64_t progressAt_ = 0;
  int64_t nextLook_ = 0;  // the position from which interruption or progress is due

  const VzpLayouts::Record* last_ = nullptr;  // its next set is what may follow; none: a header
  const VzpLayouts::TypeIndex* type_ = &layouts_.headerType();  // the layouts records are looked up in
  char previousLetter_ = '\0';
  int runLength_ = 0;
  int repeatLimit_ = 0;
  long documents_ = 0;
  std::optional<long> headerDocuments_;
  const VzpFieldDescriptor* lastField_ = nullptr;
};

bool RecordPass::read() {
  VzpLinePiece piece;
  if (!reader_.next(piece)) return false;
  length_ = piece.text.size();
  newline_ = piece.newline;
  // A line is checked where the reader holds it while more bytes are held behind it: the
  // checks may read a few bytes past its end, and the next read cannot fail then, so the
  // line stays put for a report after the last read. Otherwise it is copied.
  if (reader_.heldAfter() >= kVzpLineSlack) {
    line_ = piece.text.data();
  } else {
    std::memcpy(own_, piece.text.data(), length_);
    line_ = own_;
  }
  return true;
}

bool RecordPass::lookAtHost() {
  const int64_t at = reader_.position();
  if (moveProgress_ && at > progressAt_ + progressStep_) {
    progressAt_ = at;
    updateProgress(at);
  }
  bool stop = false;
  if (at >= nextInterruptTest_) {
    nextInterruptTest_ = at + kInterruptInterval;
    stop = testInterrupted() == 1;
  }
  nextLook_ = moveProgress_ ? std::min(nextInterruptTest_, progressAt_ + progressStep_ + 1) : nextInterruptTest_;
  return stop;
}

// The insurer code of a header (characters 13-16) is rewritten from its ICO: the first two
// characters of DICO followed by "00". Checks and reports see the rewritten line.
void RecordPass::replaceInsurerCode() {
  if (length_ < 16) return;
  if (line_ != own_) {
    std::memcpy(own_, line_, length_);
    line_ = own_;
  }
  own_[12] = own_[4];
  own_[13] = own_[5];
  own_[14] = '0';
  own_[15] = '0';
}

// Every header stores the same; before a later header the caller has compared the previous
// batch's document count.
void RecordPass::startBatch() {
  VzpCheckState& state = vzpCheckState();
  state.batchIco = std::string(part(line(), 4, 8));
  state.fileKind = fileKind_;
  state.today = localDateNumber();
  headerDocuments_ = long(leadingInteger(part(line(), 28, 3)));
  documents_ = 0;
  type_ = &layouts_.headerType();
}

static_assert(kVzpLineSlack >= kVzpValueSlack && 64 * kVzpMaskWords >= kVzpReadLimit);

// A line the whole-line test clears goes through the shorter field list; any other line,
// findings in its character fields included, takes every check field by field.
bool RecordPass::printableFast(const VzpLayouts::Record& record, VzpLineClasses& classes) const {
  if (!classifyLine(line_, length_, classes)) return false;
  for (size_t w = 0; w < (length_ + 63) / 64; ++w)
    if (classes.nonblank[w] & record.reserved[w]) return false;
  for (const VzpLayouts::Range& r : record.required)
    if (!anyBitIn(classes.nonblank, r.offset, r.width)) return false;
  return true;
}

void RecordPass::checkFields(const VzpLayouts::Record& record) {
  const VzpCheckFunction* checks = layouts_.checks();
  const int lineNumber = gCounters.lines;
  VzpLineClasses classes;
  const bool fast = printableFast(record, classes);
  lastField_ = record.fields.back().descriptor;
  if (fast) {
    // Nearly always every generic check passes: then only the named checks are left, in
    // field order. A finding of a generic check sends the line through the loop below,
    // which reports everything in its order.
    bool generic = true;
    for (const VzpLayouts::Field* f : record.fastGeneric)
      if (genericCode(*f, true, classes) != 0) {
        generic = false;
        break;
      }
    if (generic) {
      for (const VzpLayouts::Record::Named& n : record.fastNamed)
        if (int code = n.check(std::string_view(line_ + n.offset, n.width)))
          reportFieldError(code, n.offset, *n.descriptor, lineNumber, line());
      return;
    }
  }
  for (const VzpLayouts::Field& f : fast ? record.printableFields : record.fields) {
    const std::string_view value(line_ + f.offset, f.width);
    if (f.generic)
      if (int code = genericCode(f, fast, classes)) reportFieldError(code, f.offset, *f.descriptor, lineNumber, line());
    for (uint32_t i = 0; i < f.checkCount; ++i)
      if (int code = checks[f.firstCheck + i](value)) reportFieldError(code, f.offset, *f.descriptor, lineNumber, line());
  }
}

int RecordPass::run() {
  struct ReleaseAtEnd {
    ~ReleaseAtEnd() { releaseReplacementList(); }
  } releaseAtEnd;
  VzpFileCounters& counters = gCounters;
  int result = 0;
  bool firstLine = true, firstHeader = true, pending = false, sawLine = false;
  for (;;) {
    if (!pending && !read()) break;
    pending = false;
    sawLine = true;
    if (interrupted()) return stopInterrupted();
    if (firstLine) {
      firstLine = false;
      if (firstChar() != 'D') {
        reportFieldError(VZP_FIRST_LINE_NOT_HEADER, 0, headerLetterField(), 1, line());
        return 0;
      }
    }
    if (firstChar() == 'D') replaceInsurerCode();
    ++counters.lines;
    if (!newline_) {
      reportRecordError(VZP_LINE_NOT_ENDED, counters.lines, ' ');
      continue;
    }
    if (length_ == 0 || line_[0] == ' ') {
      reportRecordError(VZP_RECORD_NOT_ALLOWED, counters.lines, ' ');
      continue;
    }
    char letter = line_[0];

    // Too many records of one letter in a row: one finding, and the rest of the run is
    // skipped unchecked. The first line of another letter is checked as any line; when the
    // run ends the file, its last line is checked instead, so the file's end is judged on it.
    if (repeatLimit_ != 0 && letter == previousLetter_ && runLength_ >= repeatLimit_) {
      reportRecordError(repeatLimitCode(letter, repeatLimit_), counters.lines, letter);
      bool more;
      while ((more = read()) && firstChar() == letter) {
        ++counters.lines;
        if (interrupted()) return stopInterrupted();
      }
      if (more) {
        pending = true;
        continue;
      }
    }
    if (letter == previousLetter_) {
      if (runLength_ <= repeatLimit_) ++runLength_;
    } else {
      previousLetter_ = letter;
      runLength_ = 1;
    }

    // A record that may not stand here: everything up to the next header is skipped.
    if (!allowed(letter)) {
      reportRecordError(VZP_RECORD_NOT_ALLOWED, counters.lines, letter);
      result = VZP_RECORD_NOT_ALLOWED;
      bool found = false;
      while (read()) {
        ++counters.lines;
        if (interrupted()) return stopInterrupted();
        if (firstChar() == 'D') {
          found = true;
          break;
        }
      }
      if (!found) break;
      replaceInsurerCode();
      letter = previousLetter_ = 'D';
      runLength_ = 1;
    }

    const bool header = letter == 'D';
    if (header) {
      if (!firstHeader && documents_ != headerDocuments_.value_or(0)) {
        reportRecordError(VZP_DOCUMENT_COUNT_DIFFERS, counters.lines - 1, '?');
        return VZP_DOCUMENT_COUNT_DIFFERS;
      }
      startBatch();
      firstHeader = false;
    }
    const VzpLayouts::Record* record = layouts_.find(*type_, letter, int(length_));
    if (!record) {
      reportRecordError(VZP_RECORD_UNKNOWN, counters.lines, letter);
      return VZP_RECORD_UNKNOWN;
    }
    repeatLimit_ = record->descriptor->repeatLimit;
    if (record->descriptor->role == 'X') ++documents_;
    checkFields(*record);
    last_ = record;
    if (header) type_ = &layouts_.typeIndex(line_[2], line_[3]);
  }

  // The file must not end after a record that needs a follower.
  if (sawLine && !allowed(firstChar())) {
    const VzpFieldDescriptor& field = lastField_ ? *lastField_ : headerLetterField();
    reportFieldError(VZP_FILE_ENDS_EARLY, 0, field, counters.lines, part(line(), 0, size_t(field.width)));
    result = VZP_FILE_ENDS_EARLY;
  }
  if (headerDocuments_ && documents_ != *headerDocuments_) {
    reportRecordError(VZP_DOCUMENT_COUNT_DIFFERS, counters.lines - 1, '?');
    result = VZP_DOCUMENT_COUNT_DIFFERS;
  }
  return result;
}

// The log and output directories get "err" and "ok" below them.
std::string subdirectory(const char* directory, const char* name) {
  std::string path(directory);
  if (!path.empty() && !isSeparator(path.back())) path += kSeparator;
  return path + name;
}

struct Subdirectories {
  std::string err, ok;
};

std::optional<Subdirectories> prepareDirectories(const char* directory) {
  if (!directory) return std::nullopt;
  Subdirectories d{subdirectory(directory, "err"), subdirectory(directory, "ok")};
  makeDirectories(d.err.c_str());
  makeDirectories(d.ok.c_str());
  return d;
}

}  // namespace

VzpFileCounters& vzpFileCounters() { return gCounters; }

VzpLayouts::VzpLayouts() {
  for (const VzpRecordDescriptor& r : vzpRecordTable()) {
    Record record{&r, {}, {}, {}, {}, {}, {}, {}};
    for (const char* c = r.next; *c; ++c) record.next[uint8_t(*c)] = true;
    for (const VzpFieldDescriptor& f : r.fields) {
      std::vector<VzpCheckFunction> resolved;
      try {
        resolved = resolveCheckList(f.checks);
      } catch (const std::bad_alloc&) {
        // The field keeps its generic check and goes without its named checks.
        reportError(VZP_INTERNAL, "Nelze alokovat pamet pro kontrolni funkci");
      }
      std::erase_if(resolved, acceptsEveryValue);
      const Field field{&f,
                        genericCheckInLine(f),
                        uint32_t(checks_.size()),
                        uint32_t(resolved.size()),
                        uint16_t(f.offset()),
                        uint16_t(f.width),
                        uint16_t(std::max(0, f.width - f.decimals - 1)),
                        quickNumberOf(f)};
      record.fields.push_back(field);
      checks_.insert(checks_.end(), resolved.begin(), resolved.end());
      const bool character = f.kind == 'C' && (f.presence == ' ' || f.presence == 'N' || f.presence == 'X');
      if (!character) {
        record.printableFields.push_back(field);
        continue;
      }
      if (f.presence == ' ') record.required.push_back({uint16_t(f.offset()), uint16_t(f.width)});
      for (int i = f.offset(); f.presence == 'X' && i < f.offset() + f.width; ++i)
        record.reserved[i / 64] |= uint64_t(1) << (i % 64);
      if (field.checkCount > 0) {
        record.printableFields.push_back(field);
        record.printableFields.back().generic = nullptr;
      }
    }
    records_.push_back(std::move(record));
  }
  // The split lists point into the field lists, which stay where they are from here on.
  for (Record& record : records_)
    for (const Field& f : record.printableFields) {
      if (f.generic) record.fastGeneric.push_back(&f);
      for (uint32_t i = 0; i < f.checkCount; ++i) record.fastNamed.push_back({checks_[f.firstCheck + i], f.offset, f.width, f.descriptor});
    }
  // Each type's layouts grouped by letter, in table order within a letter, as
  // findRecordDescriptor meets them.
  const auto keyOf = [](const Record* r) { return typeKey(r->descriptor->batchType[0], r->descriptor->batchType[1]); };
  std::vector<const Record*> order;
  for (const Record& r : records_) order.push_back(&r);
  std::stable_sort(order.begin(), order.end(), [&keyOf](const Record* a, const Record* b) {
    return keyOf(a) != keyOf(b) ? keyOf(a) < keyOf(b) : uint8_t(a->descriptor->letter) < uint8_t(b->descriptor->letter);
  });
  for (const Record* r : order) {
    if (types_.empty() || types_.back().first != keyOf(r)) types_.emplace_back(keyOf(r), TypeIndex());
    TypeIndex& index = types_.back().second;
    const uint8_t letter = uint8_t(r->descriptor->letter);
    if (index.count[letter] == 0) index.first[letter] = uint16_t(candidates_.size());
    candidates_.push_back({r->descriptor->length, r});
    ++index.count[letter];
  }
  headerType_ = &typeIndex(kVzpHeaderBatchType[0], kVzpHeaderBatchType[1]);
}

const VzpLayouts::TypeIndex& VzpLayouts::typeIndex(char first, char second) const {
  const uint16_t key = typeKey(first, second);
  for (const auto& [k, index] : types_)
    if (k == key) return index;
  return unknownType_;
}

void reportRecordError(int code, int lineNumber, char letter) {
  ++gCounters.errors;
  const FindingText text = formatFinding(code, {});
  ReportDetail finding = ReportDetail::carrying(code, text.text, lineNumber);
  finding.letter = letter;
  reportDetailed(finding, VZP_RECORD_FINDING, lineNumber, text.withCode);
  const ReportDetail type = ReportDetail::joining("TYP", 1);
  reportDetailed(type, VZP_RECORD_FINDING_LETTER, "TYP", letter);
  reportDetailed(type, VZP_RECORD_FINDING_POSITION, 1);
}

void reportFieldError(int code, int position, const VzpFieldDescriptor& field, int lineNumber,
                      std::string_view record) {
  ++gCounters.errors;
  const FindingText text = formatFinding(code, {});
  ReportDetail finding = ReportDetail::carrying(code, text.text, lineNumber);
  if (!record.empty()) finding.letter = record[0];
  reportDetailed(finding, VZP_FIELD_FINDING, lineNumber, text.withCode);
  const std::string_view value = part(record, size_t(position), size_t(field.width));
  // Positions count from 0 in the text form; columns count from 1 everywhere.
  const ReportDetail place = ReportDetail::joining(field.code, position + 1, value);
  reportDetailed(place, VZP_FIELD_FINDING_TEXT, field.code, value);
  reportDetailed(place, VZP_FIELD_FINDING_POSITION, position);
}

int repeatLimitCode(char letter, int limit) {
  struct Row {
    char letter;
    int limit;  // 0: any
    int code;
  };
  static constexpr Row kRows[] = {
      {'G', 2, VZP_REPEAT_G2_V99},    {'G', 4, VZP_REPEAT_G4},    {'G', 14, VZP_REPEAT_G14},
      {'K', 0, VZP_REPEAT_K},         {'L', 10, VZP_REPEAT_L10},  {'L', 99, VZP_REPEAT_L99_V9999},
      {'N', 2, VZP_REPEAT_N2},        {'N', 99, VZP_REPEAT_N99},  {'V', 5, VZP_REPEAT_V5},
      {'V', 18, VZP_REPEAT_V18},      {'V', 99, VZP_REPEAT_G2_V99}, {'V', 891, VZP_REPEAT_V891},
      {'V', 9999, VZP_REPEAT_L99_V9999},
  };
  for (const Row& r : kRows)
    if (r.letter == letter && (r.limit == 0 || r.limit == limit)) return r.code;
  // Letters and limits the table does not name (M, O, R, I, S, U, X ...) share one code.
  return VZP_REPEAT_OTHER;
}

// True when the first line is a header of a type other than 16 and 80: the file then has a
// header and is neither all of type 16 nor all of type 80, which is all the first read would
// find out. The first four bytes tell, and nothing is consumed; a line end among them at
// worst sends the file the way of two reads, which is always right.
bool firstHeaderSettlesKind(VzpLineReader& reader) {
  const std::string_view start = reader.peek(4);
  if (start.empty() || start[0] != 'D') return false;
  const std::string_view type = part(start, 2, 2);
  return type != "16" && type != "80";
}

int checkVzpStream(FILE* stream, int64_t size, VzpLayouts& layouts) {
  setActivity("Kontola rozhrani VZP", size);
  VzpLineReader reader(stream);
  if (firstHeaderSettlesKind(reader)) {
    const int result = RecordPass(reader, 0, layouts, size).run();
    // Where the pass stopped early on a finding, the first read would still have moved the
    // progress to the end.
    if (result != kVzpFileInterrupted) updateProgress(size);
    return result;
  }
  // First read: the batch headers and their types, which decide the file kind (16 or 80
  // when every batch is of that type, else 0). Only this read moves the progress.
  long headers = 0;
  bool all16 = true, all80 = true;
  int64_t nextInterruptTest = 0;
  // The activity recomputes its percentage only past a hundredth of the total; asking it
  // more often changes nothing, so the read asks it only then.
  const int64_t progressStep = size / 100;
  int64_t progressAt = 0;
  const auto countHeader = [&](std::string_view text) {
    ++headers;
    const std::string_view type = part(text, 2, 2);
    all16 = all16 && type == "16";
    all80 = all80 && type == "80";
  };
  // Progress and interruption are asked after the first piece that reaches their next mark.
  while (reader.skimHeaders(std::min(progressAt + progressStep + 1, nextInterruptTest), countHeader)) {
    if (reader.position() > progressAt + progressStep) {
      progressAt = reader.position();
      updateProgress(progressAt);
    }
    if (reader.position() >= nextInterruptTest) {
      nextInterruptTest = reader.position() + kInterruptInterval;
      if (testInterrupted() == 1) {
        ++gCounters.errors;
        return kVzpFileInterrupted;
      }
    }
  }
  if (headers == 0) return kVzpFileWithoutHeader;
  if (!reader.rewind()) return kVzpFileUnreadable;
  return RecordPass(reader, all16 ? 16 : all80 ? 80 : 0, layouts).run();
}

int checkVzpFile(const char* path, VzpLayouts& layouts) {
  std::unique_ptr<FILE, FileCloser> file(openFile(path, "rb"));
  if (!file) return kVzpFileUnreadable;
  // The reader keeps its own large buffer; a second one in stdio would only copy.
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  return checkVzpStream(file.get(), fileSize(path), layouts);
}

int checkVzpBatches(const char* input, const char* insurer, const char* logDirectory, const char* outputDirectory,
                    bool move) {
  gCounters = VzpFileCounters();
  const std::optional<Subdirectories> logs = prepareDirectories(logDirectory);
  const std::optional<Subdirectories> outputs = prepareDirectories(outputDirectory);
  FileSets sets;
  if (input) collectFiles(sets, input, nullptr);
  std::vector<FileItem>& files = sets.lists[kOtherKind];
  setMessageFile(kDefaultMessageFile);
  if (files.empty()) return 0;

  VzpLayouts layouts;
  long total = 0;
  for (FileItem& item : files) {
    const char* path = item.name.c_str();
    ReportFileScope reportsAbout(item.name);
    gCounters.errors = 0;
    FILE* auxiliary = nullptr;
    if (logs) {
      auxiliary = createAnonymousFile();
      if (auxiliary)
        setAuxiliaryLog(auxiliary);
      else
        consoleOut("Nelze vyvorit pomocny logovy soubor\n");
    }
    reportError(VZP_FILE_START, path);
    if (isRegularFile(path) == -1)
      reportError(VZP_INTERNAL, std::string("Chyba kkontrol: soubor ") + path + ": nelze cist");
    reportError(VZP_INSURER, fileExtension(path, insurer).value_or(""));
    gCounters.lines = 0;
    const int result = checkVzpFile(path, layouts);
    if (result == kVzpFileInterrupted) {
      closeAuxiliaryLog(auxiliary);
      return int(-(total + 1));
    }
    if (result == kVzpFileWithoutHeader) {
      reportError(VZP_NO_HEADER);
      ++gCounters.errors;
    } else if (result == kVzpFileUnreadable) {
      reportError(VZP_FILE_UNREADABLE, path);
      ++gCounters.errors;
    }
    reportError(VZP_LINES_CHECKED, gCounters.lines);
    const int errors = gCounters.errors;
    if (errors != 0) reportError(VZP_ERROR_COUNT, errors, "\n");
    noteFileFindings(item.name, errors);
    if (logs) {
      saveRunLog(auxiliary, makePath(errors ? logs->err.c_str() : logs->ok.c_str(), path, errors ? "log.err" : "log.ok"));
    }
    closeAuxiliaryLog(auxiliary);
    item.result = errors != 0 ? 1 : 0;
    total += errors;
    reportError(VZP_FREE_TEXT, "");
  }
  if (!wasInterrupted() && outputs) disposeFiles(files, OutputDirectories{outputs->ok, outputs->err}, move);
  return int(-total);
}

}  // namespace quervik::vzp
