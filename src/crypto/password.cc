// The password callback; see password.h.
#include "crypto/password.h"

#include <cstring>

#include "crypto/secure_bytes.h"
#include "runtime/console.h"

namespace quervik {
namespace {

FILE* gInput = nullptr;

FILE* input() { return gInput ? gInput : stdin; }

// Reads one line into buffer (at most size - 1 characters and a terminator) without its LF and
// CR; the rest of a longer line is skipped so it cannot answer the next question. False at the
// end of the input.
bool readLine(char* buffer, int size) {
  FILE* in = input();
  EchoOff quiet(::fileno(in));
  if (!std::fgets(buffer, size, in)) return false;
  size_t n = std::strlen(buffer);
  if (n > 0 && buffer[n - 1] == '\n') {
    buffer[--n] = '\0';
  } else if (n + 1 == static_cast<size_t>(size)) {
    int c;
    while ((c = std::fgetc(in)) != EOF && c != '\n') {
    }
  }
  if (n > 0 && buffer[n - 1] == '\r') buffer[--n] = '\0';
  return true;
}

}  // namespace

int readPassword(char* buffer, int size, int verify, void* userData) {
  if (!buffer || size <= 0) return -1;
  const PasswordRequest* request = static_cast<const PasswordRequest*>(userData);
  const char* prompt = request && request->prompt ? request->prompt : kDefaultPasswordPrompt;
  if (request && request->password) {
    size_t n = std::strlen(request->password);
    if (n > static_cast<size_t>(size)) n = static_cast<size_t>(size);
    std::memcpy(buffer, request->password, n);
    return static_cast<int>(n);
  }
  if (size < 2) return -1;  // no room for a single character and its terminator
  SecureBytes second(static_cast<size_t>(size));
  auto endOfInput = [&] {
    wipe(buffer, static_cast<size_t>(size));
    return -1;
  };
  for (;;) {
    consoleOut("Zadejte%s", prompt);
    if (!readLine(buffer, size)) return endOfInput();
    if (buffer[0] == '\0') continue;
    if (!verify) break;
    consoleOut("Opakujte%s", prompt);
    char* again = reinterpret_cast<char*>(second.data());
    if (!readLine(again, size)) return endOfInput();
    if (std::strcmp(buffer, again) == 0) break;
    consoleOut("Neplatna verifikace hesla - opakujte zadani hesla\n");
  }
  return static_cast<int>(std::strlen(buffer));
}

void setPasswordInput(FILE* in) { gInput = in; }

}  // namespace quervik
