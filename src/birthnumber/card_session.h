// The card session of the birth-number drivers. A PKCS#11 module may run on the same libcrypto
// as we do and leave its own errors (a failed optional library load, say) in our error queue
// while it initialises: they are not ours, so they are taken out before our work goes on.
#pragma once
#include <cstdint>

#include "crypto/crypto_errors.h"
#include "token/session.h"

namespace quervik {

// openToken on the slot with the PIN; its result.
[[nodiscard]] inline int openCardSession(const char* pin, int64_t slot) {
  int rc = openToken(pin, static_cast<CK_SLOT_ID>(slot));
  drainCryptoErrors();
  return rc;
}

}  // namespace quervik
