// The test binary's entry: every report made by any test is checked against the registry
// of codes and argument kinds, and a test fails when one does not fit.
#include <gtest/gtest.h>

#include <cstdio>

#include "runtime/report.h"

namespace {

int gProblems = 0;

class ReportArgumentListener : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override { quervik::takeReportArgumentProblems(); }
  void OnTestEnd(const ::testing::TestInfo& info) override {
    for (const std::string& problem : quervik::takeReportArgumentProblems()) {
      std::fprintf(stderr, "REPORT ARGUMENTS DO NOT FIT in %s.%s: %s\n", info.test_suite_name(), info.name(),
                   problem.c_str());
      ++gProblems;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new ReportArgumentListener);
  quervik::setReportArgumentCheck(true);
  int rc = RUN_ALL_TESTS();
  return gProblems ? 1 : rc;
}
