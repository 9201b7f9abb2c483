// The terminal of a PIN prompt: interrupted with Ctrl-C, the command leaves the terminal as it
// found it. Run in a pseudo-terminal of the test's own, the command in the child.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>

#include "test_support.h"

namespace quervik::test {
namespace {

// Reads the terminal's output until it holds text (false after a few seconds without it).
bool waitFor(int master, const std::string& text, std::string& seen) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (seen.find(text) == std::string::npos) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char buffer[256];
    ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n <= 0) return false;
    seen.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

TEST(PinPrompt, InterruptRestoresTheTerminalsEcho) {
  if (!haveQuervik()) GTEST_SKIP() << "no quervik command in this build tree";
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  std::string slave = ::ptsname(master);
  int terminal = ::open(slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);  // to read its mode
  ASSERT_GE(terminal, 0);
  std::string command = std::string(QUERVIK_BINARY_DIR) + "/quervik";
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::setsid();
    int tty = ::open(slave.c_str(), O_RDWR);  // the controlling terminal of the new session
    if (tty < 0) ::_exit(127);
    ::dup2(tty, 0), ::dup2(tty, 1), ::dup2(tty, 2);
    ::unsetenv("QUERVIK_PIN");
    ::execl(command.c_str(), "quervik", "card", "list", "--slot", "1", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  std::string seen;
  EXPECT_TRUE(waitFor(master, "PIN karty:", seen)) << seen;
  termios mode{};
  // The echo goes off right after the prompt is written.
  for (int i = 0; i < 200 && ::tcgetattr(terminal, &mode) == 0 && (mode.c_lflag & ECHO); ++i) ::usleep(10000);
  EXPECT_FALSE(mode.c_lflag & ECHO) << "the PIN is typed without echo";
  ::kill(child, SIGINT);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << "ends as an interrupted command does";
  ASSERT_EQ(::tcgetattr(terminal, &mode), 0);
  EXPECT_TRUE(mode.c_lflag & ECHO) << "echo is back after the interrupt";
  ::close(terminal);
  ::close(master);
}

}  // namespace
}  // namespace quervik::test
