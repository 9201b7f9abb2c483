// Shared test helpers; see test_support.h.
#include "test_support.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "runtime/cancellation.h"
#include "runtime/catalogue.h"
#include "runtime/logs.h"
#include "runtime/progress.h"
#include "runtime/report.h"

namespace quervik::test {

TempDir::TempDir() {
  std::random_device rd;
  for (;;) {
    path_ = fs::temp_directory_path() / ("quervik-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
    if (fs::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

namespace {

void resetRunState() {
  resetMessageCatalogue();
  setCatalogueCacheEnabled(true);
  clearErrors();
  closeErrorFile();
  closeGlobalLog();
  closeAuxiliaryLog(nullptr);
  resetActivity();
  installCancellationSource(nullptr);
}

}  // namespace

void RuntimeTest::SetUp() {
  resetRunState();
  setReportArgumentCheck(true);
}

std::string RuntimeTest::put(const std::string& name, const std::string& bytes) {
  std::string path = tmp / name;
  writeFile(path, bytes);
  return path;
}

void RuntimeTest::expectNoOutput(const std::string& path) {
  EXPECT_FALSE(fs::exists(path)) << path;
  for (const auto& entry : fs::directory_iterator(fs::path(path).parent_path()))
    EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << entry.path();
}
void RuntimeTest::TearDown() {
  for (const std::string& problem : takeReportArgumentProblems()) ADD_FAILURE() << problem;
  resetRunState();
  setReportArgumentCheck(true);
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

std::string joinLines(const std::vector<std::string>& lines, const std::string& lineEnd) {
  std::string out;
  for (const std::string& l : lines) out += l + lineEnd;
  return out;
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find("\r\n", at);
    if (end == std::string::npos) {
      lines.push_back(text.substr(at));
      break;
    }
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string useCatalogue(const TempDir& dir, const std::vector<std::string>& lines) {
  std::string path = dir / "errors.msg";
  writeFile(path, joinLines(lines, "\n"));
  setMessageFile(path.c_str());
  // The codes of a test's own catalogue are not the library's: no registry check.
  setReportArgumentCheck(false);
  return path;
}

std::vector<int> reportedCodes() {
  std::vector<int> codes;
  for (const std::string& e : errorEntries()) {
    size_t open = e.rfind(" (");
    if (open == std::string::npos || e.size() < 3 || e.compare(e.size() - 2, 2, ")\n") != 0) {
      ADD_FAILURE() << "entry without a code suffix: " << e;
      continue;
    }
    codes.push_back(std::stoi(e.substr(open + 2)));
  }
  return codes;
}

CapturedStdout::CapturedStdout() {
  std::fflush(stdout);
  ::testing::internal::CaptureStdout();
}

CapturedStdout::~CapturedStdout() {
  if (active_) ::testing::internal::GetCapturedStdout();
}

std::string CapturedStdout::take() {
  std::fflush(stdout);
  active_ = false;
  return ::testing::internal::GetCapturedStdout();
}

std::string toolPath(const std::string& path) {
#ifdef _WIN32
  if (path.size() > 2 && (path.compare(0, 3, "Z:\\") == 0 || path.compare(0, 3, "Z:/") == 0)) {
    std::string tool = path.substr(2);
    std::replace(tool.begin(), tool.end(), '\\', '/');
    return tool;
  }
#endif
  return path;
}

std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : toolPath(s)) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

#ifdef _WIN32
void setEnv(const char* name, const char* value) { _putenv_s(name, value ? value : ""); }

// Wine starts a Linux program but gives no handle, exit status or output back, so the command
// is handed to scripts/wine-tests through its spool directory: N.cmd in, N.out and then
// N.status back.
ToolResult runTool(const std::string& command) {
  ToolResult r;
  const char* spool = std::getenv("QUERVIK_TOOL_BRIDGE");
  if (!spool) {
    r.output = "no tool bridge (scripts/wine-tests serves one) to run: " + command;
    return r;
  }
  static int serial = 0;
  const std::string base = (fs::path(spool) / std::to_string(++serial)).string();
  writeFile(base + ".part", command);
  fs::rename(base + ".part", base + ".cmd");
  for (int waited = 0; !fs::exists(base + ".status"); waited += 5) {
    if (waited > 300000) {
      r.output = "the tool bridge did not answer in 5 minutes: " + command;
      return r;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  r.output = readFile(base + ".out");
  r.status = std::stoi(readFile(base + ".status"));
  fs::remove(base + ".out");
  fs::remove(base + ".status");
  return r;
}
#else
void setEnv(const char* name, const char* value) {
  if (value) {
    ::setenv(name, value, 1);
  } else {
    ::unsetenv(name);
  }
}

ToolResult runTool(const std::string& command) {
  ToolResult r;
  std::fflush(stdout);
  // Standard input is an empty pipe rather than /dev/null: the test then does not depend on
  // what the machine's /dev/null is (a regular file after someone replaced it reads back text).
  FILE* p = ::popen(("true | (" + command + ") 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
  int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}
#endif

ToolResult runQuervik(const std::string& args) {
  return runTool("env -u DRGBIN " + shellQuote(std::string(QUERVIK_BINARY_DIR) + "/quervik") + " " + args);
}

bool haveQuervik() { return fs::exists(std::string(QUERVIK_BINARY_DIR) + "/quervik"); }

std::string sourceCatalogue() { return std::string(QUERVIK_SOURCE_DIR) + "/msg/errors.msg"; }

}  // namespace quervik::test
