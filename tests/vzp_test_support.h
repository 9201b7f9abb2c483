// Helpers of the VZP tests: generated batches as lines, fields set by their codes, and the
// findings of the error list read back as (code, line) pairs.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "test_support.h"
#include "vzp_generator.h"

namespace quervik::test {

// A fixture on the shipped catalogue with the VZP check state as at load.
class VzpTest : public RuntimeTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// One generated batch of the type (valid by construction), as lines without line ends.
std::vector<std::string> vzpBatchLines(const std::string& type, int documents, uint64_t seed = 1);

// Sets a field of a record of the batch type, found by the record's letter and length;
// the value is cut or filled with blanks to the field's width.
void setField(std::string& record, std::string_view batchType, std::string_view code, std::string_view value);

// The findings reported through the two report forms, in order: the code of the finding
// (taken from the text of 6900 or 6910) and its line number.
struct VzpFinding {
  int code;
  int line;
  bool operator==(const VzpFinding&) const = default;
};
std::vector<VzpFinding> vzpFindings();
void PrintTo(const VzpFinding& f, std::ostream* os);

}  // namespace quervik::test
