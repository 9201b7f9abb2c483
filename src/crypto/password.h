// The password of an encrypted private-key file. OpenSSL asks for it through readPassword when
// it meets an encrypted PEM key: the password the caller gave is handed over, and without one
// the person at the console is asked. The host application always gives the password; the
// console dialogue serves the command-line tool.
#pragma once
#include <cstdio>

namespace quervik {

struct PasswordRequest {
  const char* password = nullptr;  // given by the caller; null: ask at the console
  const char* prompt = nullptr;    // null: " heslo:"
};

inline constexpr const char* kDefaultPasswordPrompt = " heslo:";
inline constexpr const char* kKeyPasswordPrompt = " heslo klice:";

// An OpenSSL pem_password_cb; userData is a PasswordRequest (null counts as an empty one).
// Puts the password into buffer (no terminator needed) and returns its length. A given
// password is cut at size. At the console: prints "Zadejte<prompt>", reads a line (its LF and
// CR removed, echo off on a terminal), asks again for an empty line; with verify set, asks
// "Opakujte<prompt>" and starts over after "Neplatna verifikace hesla - opakujte zadani
// hesla\n" when the two differ. When the console input ends, returns -1: the key operation
// fails instead of asking forever.
int readPassword(char* buffer, int size, int verify, void* userData);

// Where the console dialogue reads its answers: standard input unless a stream is set here
// (tests; null restores standard input).
void setPasswordInput(FILE* in);

}  // namespace quervik
