// Shared test helpers: a temporary directory per test, file helpers, captured console
// output, and the codes of the error list.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/cancellation.h"
#include "runtime/progress.h"

namespace quervik::test {

namespace fs = std::filesystem;

// The separator of the paths the library composes itself.
#ifdef _WIN32
inline constexpr const char* kPathSeparator = "\\";
inline constexpr const char* kTempVariable = "TMP";  // names the system's temporary directory
#else
inline constexpr const char* kPathSeparator = "/";
inline constexpr const char* kTempVariable = "TMPDIR";
#endif

// A fresh directory under the system temporary directory, removed with the fixture.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const fs::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

// Every test that touches files derives from this: it resets the process-wide run state
// (catalogue, error list, logs, activity) before and after the test.
class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Writes the bytes to a file of the temporary directory; its path.
  std::string put(const std::string& name, const std::string& bytes);
  // Nothing under the name and no temporary file beside it.
  void expectNoOutput(const std::string& path);
  TempDir tmp;
};

// Answers "interrupted" at the n-th question (1-based); n = 0 never. Notes the activity named
// at each question.
class InterruptAt : public CancellationSource {
 public:
  explicit InterruptAt(int n) : n_(n) {}
  bool consumeInterrupt() override {
    activities.push_back(activityName().value_or(""));
    return ++asked_ == n_;
  }
  int asked() const { return asked_; }
  std::vector<std::string> activities;

 private:
  int n_, asked_ = 0;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
// The lines of a text, split at CR LF (a last line without one included).
std::vector<std::string> splitLines(const std::string& text);
// Lines joined with the line end, each line ended (the last one too).
std::string joinLines(const std::vector<std::string>& lines, const std::string& lineEnd = "\r\n");

// A catalogue in the temporary directory, set as the catalogue path. Lines end with LF.
// Its codes are the test's own, so the registry check is off until the test ends.
std::string useCatalogue(const TempDir& dir, const std::vector<std::string>& lines);

// The codes of the error list, in order, read from each entry's " (CODE)\n" suffix.
std::vector<int> reportedCodes();

// Standard output captured while the object lives.
class CapturedStdout {
 public:
  CapturedStdout();
  ~CapturedStdout();
  std::string take();

 private:
  bool active_ = true;
};

struct ToolResult {
  int status = -1;     // exit status, -1 when it could not run
  std::string output;  // standard output and standard error together
};

// Runs a shell command line; its standard input is an empty pipe. The tools are Linux programs:
// under Wine the command goes to the Linux side through the spool directory that
// QUERVIK_TOOL_BRIDGE names (scripts/wine-tests serves it).
ToolResult runTool(const std::string& command);
// A path as the tools see it: under Wine, Z:\x\y is /x/y on the Linux side.
std::string toolPath(const std::string& path);
// Quotes a path (as toolPath gives it) or text for the shell.
std::string shellQuote(const std::string& s);
// Sets an environment variable of the test process; a null value removes it.
void setEnv(const char* name, const char* value);
// The quervik command of this build tree with the arguments (already quoted as needed),
// with DRGBIN unset, as a user runs it.
ToolResult runQuervik(const std::string& args);
// Whether this build tree has the command (sanitizer trees build only the tests).
bool haveQuervik();

// A test of the quervik command on the fixture Base: skipped in trees without the command
// (the sanitizer trees build only the tests).
template <class Base>
class WithCli : public Base {
 protected:
  void SetUp() override {
    Base::SetUp();
    if (!haveQuervik()) GTEST_SKIP() << "no CLI in this tree";
  }
};

// Path of msg/errors.msg in the source tree.
std::string sourceCatalogue();

}  // namespace quervik::test
