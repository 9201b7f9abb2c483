// The OpenSSL error queue; see crypto_errors.h.
#include "crypto/crypto_errors.h"

#include <openssl/err.h>

#include <mutex>

#include "runtime/report.h"

namespace quervik {
namespace {

std::mutex gMutex;
std::string gLastText;
bool gCheck = false;
std::vector<std::string> gProblems;

std::string errorText(unsigned long e) {
  char buf[256];
  ERR_error_string_n(e, buf, sizeof buf);
  return buf;
}

}  // namespace

int drainCryptoErrors() {
  int count = 0;
  std::string first;
  while (unsigned long e = ERR_get_error()) {
    if (count++ == 0) first = errorText(e);
  }
  if (count) {
    std::lock_guard<std::mutex> lock(gMutex);
    gLastText = first;
  }
  return count;
}

void reportCryptoFailure(int code) {
  drainCryptoErrors();
  reportError(code);
}

std::string lastCryptoErrorText() {
  std::lock_guard<std::mutex> lock(gMutex);
  return gLastText;
}

CryptoErrorScope::CryptoErrorScope(const char* function) : function_(function) { ERR_clear_error(); }

CryptoErrorScope::~CryptoErrorScope() {
  unsigned long left = ERR_peek_error();
  if (!left) return;
  bool check;
  {
    std::lock_guard<std::mutex> lock(gMutex);
    check = gCheck;
    if (check) gProblems.push_back(std::string(function_) + " returned with errors queued: " + errorText(left));
  }
  drainCryptoErrors();
}

void setCryptoErrorQueueCheck(bool on) {
  std::lock_guard<std::mutex> lock(gMutex);
  gCheck = on;
}

std::vector<std::string> takeCryptoErrorQueueProblems() {
  std::lock_guard<std::mutex> lock(gMutex);
  std::vector<std::string> out;
  out.swap(gProblems);
  return out;
}

}  // namespace quervik
