// Keys that cannot fit, found before any work: protected files and birth-number records hold
// 128-byte RSA blocks, so only 1024-bit RSA keys serve. The drivers would fail later with a
// card or crypto code that does not say why; the commands ask here first.
#pragma once
#include <initializer_list>

#include "cli/cli.h"

namespace quervik::cli {

inline constexpr int kKeyBits = 1024;

struct KeyFile {
  enum Kind { Certificate, PublicKey, PrivateKey };
  const char* role;  // "the centre's key", as the message names it
  const char* file;  // null: not a file here (a card object), nothing to look at
  Kind kind;
  const char* password = nullptr;  // a private key is looked at only when it needs none or has one
};

// False, after naming the first key file whose RSA key has another size than kKeyBits. A file
// that cannot be read here is left to the driver, which reports it as it always does.
bool keyFilesFit(const Command& command, std::initializer_list<KeyFile> keys);

struct CardKey {
  const char* role;
  const char* name;    // as the command was given it
  bool byCertificate;  // a certificate's label or subject fragment; else a key object's label
};

// The same for keys on the card, which shows its keys only after the login: false after naming
// the first key of another size, or with the card's refusal of the PIN in the report list; the
// command then stops, so the work never offers a refused PIN a second time. Without a PIN nothing is
// looked at (a reader with a PIN pad would ask twice), and a card that cannot be reached is
// left to the work.
bool cardKeysFit(const Command& command, const char* slot, const char* pin, std::initializer_list<CardKey> keys);

}  // namespace quervik::cli
