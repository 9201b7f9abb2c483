// Splitting and joining keys; see key_shares.h.
#include "birthnumber/key_shares.h"

#include <openssl/rand.h>

#include <climits>

#include "birthnumber/messages.h"
#include "crypto/crypto_errors.h"
#include "runtime/report.h"

namespace quervik {

int splitKey(KeyShares& shares) {
  shares.shareA.clear();
  shares.shareB.clear();
  if (shares.key.empty()) return -1;
  // Share A must be unpredictable: anyone who could guess it would rebuild the key from
  // share B alone.
  SecureBytes a(shares.key.size());
  if (shares.key.size() > INT_MAX || RAND_priv_bytes(a.data(), static_cast<int>(a.size())) != 1) {
    drainCryptoErrors();
    reportError(kMsgSessionKeyNotReady);
    return -3;
  }
  SecureBytes b(shares.key.size());
  for (size_t i = 0; i < b.size(); ++i) b[i] = shares.key[i] ^ a[i];
  shares.shareA = std::move(a);
  shares.shareB = std::move(b);
  return 0;
}

int joinKey(KeyShares& shares) {
  shares.key.clear();
  if (shares.shareA.empty() && shares.shareB.empty()) return -1;
  if (shares.shareA.size() != shares.shareB.size()) return -2;
  SecureBytes key(shares.shareA.size());
  for (size_t i = 0; i < key.size(); ++i) key[i] = shares.shareA[i] ^ shares.shareB[i];
  shares.key = std::move(key);
  return 0;
}

}  // namespace quervik
