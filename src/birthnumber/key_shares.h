// A key split into two shares for two key holders: share A is random, share B is the key XOR
// share A, so either share alone says nothing about the key and both together give it back.
// The birth-number work splits its session key this way and encrypts each share for a
// different holder; recovery joins the two decrypted shares.
#pragma once
#include "crypto/secure_bytes.h"

namespace quervik {

struct KeyShares {
  SecureBytes shareA;
  SecureBytes shareB;
  SecureBytes key;
};

// Fills shareA with bytes from the cryptographic random generator and shareB with key XOR
// shareA, both as long as key. 0; -1 for an empty key; -3 after reporting 165 when the
// generator gives no bytes (the shares are left empty then).
[[nodiscard]] int splitKey(KeyShares& shares);

// Fills key with shareA XOR shareB. 0; -1 when both shares are empty; -2 when one of them is
// missing or their lengths differ (the key is left empty then). The shares stay as they are.
[[nodiscard]] int joinKey(KeyShares& shares);

}  // namespace quervik
