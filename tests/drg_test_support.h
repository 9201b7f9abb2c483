// Helpers of the DRG checker tests: records built from the layout tables, a small clean
// delivery, and the codes of the reported findings.
#pragma once
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "drg/batch_state.h"
#include "drg/layout_tables.h"
#include "runtime/report.h"
#include "test_support.h"

namespace quervik::test {

// A record with the values laid out by the layout: numbers right-aligned, everything else
// left-aligned, each padded with blanks to its width (a value that is too long is cut).
std::string record(std::span<const drg::FieldSpec> layout, std::initializer_list<std::string_view> values);
// The record with one field's bytes replaced exactly (the value is padded like record()).
std::string withField(std::string line, std::span<const drg::FieldSpec> layout, std::string_view description,
                      std::string_view value);
// The field's column (1-based).
int columnOf(std::span<const drg::FieldSpec> layout, std::string_view description);

// Valid records of every kind for the facility 72000000 and the period 6/2023; the document
// is a hospitalisation (batch kind 99, document kind 02) at workplace 72000001.
std::string goldenZ();
std::string goldenO(std::string_view code = "ODD001");
std::string goldenN(std::string_view code = "NS0001");
std::string goldenP(std::string_view icp = "72000001", std::string_view specialty = "101");
std::string goldenOsn(std::string_view account = "5010000001");
std::string goldenA();
std::string goldenB();
std::string goldenC();
std::string goldenEko(std::string_view costCentre = "NS0001", std::string_view account = "5010000001");
std::string goldenKor();

// The codes of the error list, with a finding reported inside 7900 or 7901 given by its own
// code (the one before the last in the entry).
std::vector<int> findingCodes();
// Only the finding codes (no 7910/7911 field reports and no summary reports).
std::vector<int> findingsOnly();

// The error-list entry of the code with the arguments, worded by the catalogue in use.
template <class... A>
std::string reportOf(int code, const A&... args) {
  const MsgArg list[] = {MsgArg(args)..., MsgArg(0)};
  return *formatMessage(code, std::span<const MsgArg>(list, sizeof...(A))) + "\n";
}

// The fixed "today" of the DRG tests: 15 June 2024.
inline constexpr drg::Date kToday{15, 6, 2024};

// The DRG tests use the shipped catalogue, a fresh batch state and a fixed today.
class DrgTest : public RuntimeTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace quervik::test
