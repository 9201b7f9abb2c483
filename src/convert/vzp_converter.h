// The conversion of the lines of one VZP file into DRG records, line by line in input
// order: every batch header D becomes an A record, document records become B records and
// their items C records (dispatch.h). Nothing is validated, sorted or summed; the driver
// (convert_driver.h) opens the files and keeps the books, tests and the fuzz target use
// convertVzpText.
#pragma once
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "convert/dispatch.h"
#include "convert/line_reader.h"
#include "convert/older_layouts.h"
#include "convert/record_writer.h"

namespace quervik::convert {

class PreparedRule;

// No converted record is longer; a longer line (a record of a batch type that is not
// converted, or damage) is skipped whole.
inline constexpr size_t kMaxVzpRecordLength = 158;

struct ConversionSettings {
  std::optional<std::string> insurerCode;  // none: Pojistovna keeps its default
  std::vector<int> excludedTypes;
  int currentYear = 0;                     // birth dates after it are invalid
  // Records through the prepared rules (prepared_rule.h); off, every record is filled and
  // printed field by field (the tests hold the two against each other).
  bool preparedRules = true;
};

class VzpConverter {
 public:
  VzpConverter(const ConversionSettings& settings, BlockSink& sink);
  VzpConverter(const VzpConverter&) = delete;
  VzpConverter& operator=(const VzpConverter&) = delete;

  // Converts one record (a line without its line end), the one the reader's next() gave
  // last; a document record of batch 05 or 36 looks at the line after it there.
  void convertLine(std::string_view record, LineReader& reader);

  // The batch type of the last header (0 before the first, -1 while a batch is excluded).
  int batchType() const { return batchType_; }
  // True once a header of a batch type other than 0 was written as an A record.
  bool convertedBatch() const { return convertedBatch_; }

 private:
  // Working copies of lines: the record, then blanks to the end.
  static constexpr size_t kLineCapacity = kReadableLineBytes;
  using LineBuffer = std::array<char, kLineCapacity>;

  void selectBatchType(int type);
  void takeLine(std::string_view record, bool nulFree);
  // A batch header D: its A record, and the plans of its batch type.
  void convertHeader(std::string_view record, bool nulFree);
  void readNextLine(LineReader& reader);
  // A record without a prepared rule, field by field.
  void write(const FillingRule& rule, const RuleInputs& inputs);

  const ConversionSettings& settings_;
  BlockSink& sink_;
  RecordContext context_;
  int batchType_ = 0;
  bool convertedBatch_ = false;
  // How the lines of each letter are written in a batch type.
  struct Step {
    const FillingRule* rule;       // null: no more steps
    const PreparedRule* prepared;  // null: written field by field
    uint8_t onlyIfPosition;
    const char* onlyIfOneOf;
    bool documentRecord;  // writes a B record
  };
  struct Plan {
    const DispatchRow* row;
    std::array<Step, 4> steps;
    std::array<Step, 4> longLayoutSteps;
  };
  struct BatchPlans {
    std::array<Plan, 32> plans{};
    std::array<uint8_t, 256> planOf{};  // 1 + index into plans; 0: the letter writes nothing
    std::array<const OlderLayout*, 256> olderLayouts{};
  };
  // Made once per batch type met, as a file holds many batches of few types.
  std::unordered_map<int, std::unique_ptr<BatchPlans>> plansOfType_;
  const BatchPlans* batch_ = nullptr;

  LineBuffer line_;
  size_t lineLength_ = 0;
  LineBuffer nextLine_;
  size_t nextLength_ = 0;
  LineBuffer documentLine_;
  // The working line; nextLine_ or blanks; documentLine_ or blanks.
  RuleInputs inputs_;
};

// Converts a whole VZP text; the DRG records, each ended with CR LF.
std::string convertVzpText(std::string_view text, const ConversionSettings& settings);

}  // namespace quervik::convert
