// The VZP batch check behind the export kkontrol and `quervik kkontrol`: checks one VZP
// batch file, or every file of a directory, record by record against the layouts and the
// named checks, reports each finding, writes a log per file when asked, and copies or
// moves the files into "ok" and "err" output directories.
#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "vzp/checks.h"
#include "vzp/descriptors.h"

namespace quervik::vzp {

class VzpLineReader;

// Results of checkVzpFile that the driver acts on.
inline constexpr int kVzpFileInterrupted = 1000;
inline constexpr int kVzpFileWithoutHeader = -11111;
inline constexpr int kVzpFileUnreadable = 90000;

// Checks the file or the regular files of the directory `input` (files whose extension is
// a DRG kind word are left out). `insurer` is the insurer code of every file (null: each
// file's extension). With a log directory each file's log goes to its "err" or "ok"
// subdirectory; with an output directory each file is copied (or moved) into its "ok" or
// "err" subdirectory. Returns 0 when every file was clean, minus the number of findings
// otherwise, and minus (the findings of the files finished before, plus 1) when
// interrupted. A file that cannot be opened is reported with 50102 and counts as one
// finding.
int checkVzpBatches(const char* input, const char* insurer, const char* logDirectory, const char* outputDirectory,
                    bool move);

// The layouts with the check lists of their fields looked up once, and an index from
// (batch type, letter) to the layouts of that letter, built once for every batch type.
// Unknown check names are reported with code 2 when the object is made and left out.
class VzpLayouts {
 public:
  struct Field {
    const VzpFieldDescriptor* descriptor;
    VzpGenericCheck generic;  // null: none
    uint32_t firstCheck;  // into checks()
    uint32_t checkCount;
    // Kept beside the descriptor, which the line loop would otherwise fetch for every field.
    uint16_t offset = 0, width = 0, pointAt = 0;
    // On a line of accepted bytes, numberPassesByClasses may spare the generic check.
    VzpQuickNumber quick = VzpQuickNumber::None;
  };
  struct Range {
    uint16_t offset, width;
  };
  struct Record {
    const VzpRecordDescriptor* descriptor;
    std::vector<Field> fields;
    std::array<bool, 256> next{};  // the descriptor's next set by letter
    // A line of accepted bytes passes the generic check of every character field when each
    // required field holds a non-blank and no reserved one does: then only the fields of
    // printableFields are left to check, character fields without their generic check.
    std::vector<Range> required;
    uint64_t reserved[kVzpMaskWords] = {};
    std::vector<Field> printableFields;
    // The same fields taken apart for such a line: first their generic checks, which remember
    // nothing, then, when all of them pass, their named checks in field order.
    std::vector<const Field*> fastGeneric;
    struct Named {
      VzpCheckFunction check;
      uint16_t offset, width;
      const VzpFieldDescriptor* descriptor;
    };
    std::vector<Named> fastNamed;
  };

  // The layouts of one batch type by letter: a letter's layouts stand together in the
  // candidate list, nearly always one of them, at most three.
  struct TypeIndex {
    std::array<uint16_t, 256> first{};
    std::array<uint8_t, 256> count{};
  };

  VzpLayouts();
  // The index points into the object's own lists.
  VzpLayouts(const VzpLayouts&) = delete;
  VzpLayouts& operator=(const VzpLayouts&) = delete;
  // The index of a batch type; a type without layouts gets one where nothing is found.
  const TypeIndex& typeIndex(char first, char second) const;
  const TypeIndex& headerType() const { return *headerType_; }
  // The same answer as findRecordDescriptor for the type of the index.
  const Record* find(const TypeIndex& type, char letter, int length) const {
    const Candidate* c = candidates_.data() + type.first[uint8_t(letter)];
    for (const Candidate* end = c + type.count[uint8_t(letter)]; c != end; ++c)
      if (c->length == length) return c->record;
    return nullptr;
  }
  const VzpCheckFunction* checks() const { return checks_.data(); }

 private:
  struct Candidate {
    int length;  // the layout's, kept here so the search touches no descriptor
    const Record* record;
  };
  std::vector<Record> records_;
  std::vector<VzpCheckFunction> checks_;
  std::vector<Candidate> candidates_;
  std::vector<std::pair<uint16_t, TypeIndex>> types_;  // by the type's two characters
  TypeIndex unknownType_;
  const TypeIndex* headerType_ = &unknownType_;
};

// Counters of the file being checked; the driver resets them before each file.
struct VzpFileCounters {
  int errors = 0;  // findings of the file
  int lines = 0;   // lines read by the main pass
};
VzpFileCounters& vzpFileCounters();

// One file: 1000 when interrupted, -11111 without any header line, 90000 when it cannot be
// opened, else the result of the main pass (0, or the code of its last whole-file finding:
// 6091, 6093, 6094 or 6097).
int checkVzpFile(const char* path, VzpLayouts& layouts);
// The same over an open stream of the given size (read from its current position).
int checkVzpStream(FILE* stream, int64_t size, VzpLayouts& layouts);

// The two report forms; each adds 1 to the file's findings and makes three reports.
// A record finding: 6900 (line, the code's text), 6901 ("TYP", letter), 6902 (1).
void reportRecordError(int code, int lineNumber, char letter);
// A field finding: 6910 (line, the code's text), 6911 (field code, the field's text in the
// record), 6912 (0-based position).
void reportFieldError(int code, int position, const VzpFieldDescriptor& field, int lineNumber,
                      std::string_view record);

// The code reported when a letter stands in a row more often than its layout allows.
int repeatLimitCode(char letter, int limit);

}  // namespace quervik::vzp
