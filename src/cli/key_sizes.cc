// Key sizes looked at before the work starts; see key_sizes.h.
#include "cli/key_sizes.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cstdio>
#include <cstring>

#include <string>

#include "birthnumber/card_keys.h"
#include "birthnumber/card_session.h"
#include "crypto/key_files.h"
#include "runtime/report.h"

namespace quervik::cli {
namespace {

// The key's size in bits, or 0 when the file could not be read as that kind.
int bitsOf(const KeyFile& key) {
  switch (key.kind) {
    case KeyFile::Certificate: {
      X509Ptr certificate = readCertificatePem(key.file, kPemFormat);
      return certificate ? EVP_PKEY_get_bits(X509_get0_pubkey(certificate.get())) : 0;  // get0: the certificate's
    }
    case KeyFile::PublicKey: {
      EvpPkeyPtr k = readPublicKeyPem(key.file, kPemFormat);
      return k ? EVP_PKEY_get_bits(k.get()) : 0;
    }
    case KeyFile::PrivateKey: {
      EvpPkeyPtr k = readPrivateKeyPem(key.file, kPemFormat, key.password);
      return k ? EVP_PKEY_get_bits(k.get()) : 0;
    }
  }
  return 0;
}

// An encrypted private-key file without a password would make the reader ask for it here and
// then the driver again; the driver alone asks.
bool needsPassword(const char* file) {
  FILE* f = std::fopen(file, "rb");
  if (!f) return false;
  char buffer[4096];
  size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
  std::fclose(f);
  buffer[n] = '\0';
  return std::strstr(buffer, "ENCRYPTED") != nullptr;
}

void sayWrongSize(const Command& command, const char* role, const char* where, int bits) {
  std::fprintf(stderr,
               "quervik %s: %s (%s) is a %d-bit key; protected files and birth-number records take %d-bit RSA "
               "keys only\n",
               command.name, role, where, bits, kKeyBits);
}

}  // namespace

bool keyFilesFit(const Command& command, std::initializer_list<KeyFile> keys) {
  bool fit = true;
  for (const KeyFile& key : keys) {
    if (!key.file || (key.kind == KeyFile::PrivateKey && !key.password && needsPassword(key.file))) continue;
    const int bits = bitsOf(key);
    if (bits != 0 && bits != kKeyBits) {
      sayWrongSize(command, key.role, key.file, bits);
      fit = false;
      break;
    }
  }
  clearErrors();  // what could not be read here, the driver reports in its own words
  return fit;
}

bool cardKeysFit(const Command& command, const char* slot, const char* pin, std::initializer_list<CardKey> keys) {
  if (!slot || !pin) return true;
  const int opened = openCardSession(pin, slotNumber(slot));
  if (opened == -2) {
    (void)closeToken();
    return false;  // the refusal stays in the list for the command to print
  }
  bool fit = true;
  for (const CardKey& key : keys) {
    const int bits = opened == 0 ? cardKeyBits(key.name, key.byCertificate) : 0;
    if (bits != 0 && bits != kKeyBits) {
      sayWrongSize(command, key.role, (std::string(key.name) + " on the card").c_str(), bits);
      fit = false;
      break;
    }
  }
  (void)closeToken();
  clearErrors();
  return fit;
}

}  // namespace quervik::cli
