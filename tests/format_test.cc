// Formatting untrusted catalogue texts with typed arguments.
#include "runtime/safe_format.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace quervik {
namespace {

std::string fmt(const char* f, std::vector<MsgArg> args) { return safeFormat(f, args); }

TEST(SafeFormat, FittingConversionsFormatAsPrintf) {
  EXPECT_EQ(fmt("Radek %d: pole %s", {12, "HCID"}), "Radek 12: pole HCID");
  EXPECT_EQ(fmt("[%5d|%-4s|%05.1f|%c|%x|%%]", {42, "ab", 3.14159, 'Z', 255}), "[   42|ab  |003.1|Z|ff|%]");
  EXPECT_EQ(fmt("%*d|%.2s", {6, 7, "abcdef"}), "     7|ab");
  EXPECT_EQ(fmt("%u", {-1}), "4294967295");
  EXPECT_EQ(fmt("%ld %lld", {5, 6}), "5 6");
  char expected[64];
  std::snprintf(expected, sizeof expected, "%g %e", 0.5, 1234.5);
  EXPECT_EQ(fmt("%g %e", {0.5, 1234.5}), expected);
}

TEST(SafeFormat, MismatchesMissingArgumentsAndPercentNAreLiteral) {
  EXPECT_EQ(fmt("%s%s%s%n", {42}), "%s%s%s%n");
  EXPECT_EQ(fmt("%d then %s", {"text", 5}), "%d then %s");
  EXPECT_EQ(fmt("%d %d %d", {1}), "1 %d %d");
  EXPECT_EQ(fmt("%n%d", {3}), "%n3");
  EXPECT_EQ(fmt("%s", {static_cast<const char*>(nullptr)}), "(null)");
  EXPECT_EQ(fmt("end %", {}), "end %");
  EXPECT_EQ(fmt("%*d", {"x", 1}), "%*d");
}

TEST(SafeFormat, OutputIsCutAt2047Characters) {
  EXPECT_EQ(fmt("%99999d", {1}).size(), kMaxReportLength);
  EXPECT_EQ(fmt("%.99999f", {1.0}).size(), kMaxReportLength);
  std::string big(5000, 'x');
  EXPECT_EQ(safeFormat(big, {}).size(), kMaxReportLength);
  std::vector<MsgArg> args = {std::string_view(big)};
  EXPECT_EQ(safeFormat("%s%s", args).substr(0, 5), "xxxxx");
  EXPECT_EQ(safeFormat("%s%s", args).size(), kMaxReportLength);
}

TEST(SafeFormat, ConversionClassesForTheCatalogueCheck) {
  EXPECT_EQ(conversionClasses("a %d b %s c %5.2f %% %c %*d"), "isfiii");
  EXPECT_EQ(conversionClasses("%n"), "?");
  EXPECT_EQ(conversionClasses("plain"), "");
}

}  // namespace
}  // namespace quervik
