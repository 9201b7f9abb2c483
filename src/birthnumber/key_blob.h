// The hospital's hashing key, kept as a key blob: its 24 triple-DES key bytes encrypted
// (RSA, PKCS#1 v1.5) under the hospital's own public key. The blob is a data object on the
// card or a file of raw bytes; loadHashKey decrypts it with the hospital's private key (on the
// card, or in a password-protected PEM file) and builds the key. The birth-number coding and
// the key check value of protected files use the key.
#pragma once
#include <cstdint>

#include "birthnumber/triple_des.h"

namespace quervik {

// How the private key that opens a card blob is named.
enum HashKeyNaming : int {
  kHashKeyByKeyLabel = 0,     // privateKeyName labels the private-key object
  kHashKeyByCertificate = 1,  // privateKeyName names a certificate; its private key opens the blob
};

// Fills key from the blob. With a slot (not -1, card session open): the data object labelled
// blobName (228 when it is missing, 229 when its value cannot be read), decrypted on the card
// (230); the key type says how privateKeyName is read (another key type fails). Without a
// slot: blobName is a file (153-157) decrypted with the PEM private-key file privateKeyName and
// the password (158). Either way the result must be exactly 24 bytes (159 with its length),
// and then every failure above is followed by 160 (card) or 151 (file). Finally the three DES
// keys must be usable (161). 0 on success; -1 after the reports, key then not to be used.
// The decrypted bytes are wiped as soon as the key is built.
[[nodiscard]] int loadHashKey(int keyType, int64_t slot, const char* blobName, const char* privateKeyName,
                              const char* password, TripleDesKey& key);

}  // namespace quervik
