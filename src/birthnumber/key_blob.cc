// Loading the hashing key from its blob; see key_blob.h.
#include "birthnumber/key_blob.h"

#include <cstdio>
#include <limits>
#include <memory>

#include "birthnumber/card_keys.h"
#include "birthnumber/messages.h"
#include "crypto/rsa.h"
#include "crypto/secure_bytes.h"
#include "runtime/platform.h"
#include "runtime/report.h"
#include "token/objects.h"
#include "token/session.h"

namespace quervik {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// A blob larger than this is no RSA block of any key we meet; it is not read into memory.
constexpr long kMaxBlobSize = 64 * 1024;
constexpr size_t kRsaBlockRoom = 1024;

// The decrypted key bytes from the card; empty after the reports.
SecureBytes blobFromCard(int keyType, const char* blobName, const char* privateKeyName) {
  if (keyType != kHashKeyByKeyLabel && keyType != kHashKeyByCertificate) return {};
  CK_SESSION_HANDLE session = tokenSession();
  CK_OBJECT_HANDLE object = CK_INVALID_HANDLE;
  if (findObjectByLabel(session, &object, blobName) != CKR_OK) {
    reportError(kMsgBlobObjectMissing, blobName);
    return {};
  }
  long length = getObjectValueLength(session, object);
  if (length < 0 || length > kMaxBlobSize) {
    reportError(kMsgBlobObjectMissing, blobName);
    return {};
  }
  SecureBytes blob(static_cast<size_t>(length));
  if (getObjectValue(session, object, blob.data(), static_cast<CK_ULONG>(blob.size())) != CKR_OK) {
    reportError(kMsgBlobObjectUnreadable);
    return {};
  }
  // Room for any RSA block, so that a result of the wrong length is seen and named below
  // rather than refused by the card as too long.
  SecureBytes key(kRsaBlockRoom);
  size_t produced = key.size();
  int rc = keyType == kHashKeyByKeyLabel
               ? decryptWithPrivateKeyLabel(blob.data(), blob.size(), key.data(), &produced, privateKeyName)
               : decryptWithCertificateKey(kCertificatePrivateKey, blob.data(), blob.size(), key.data(), &produced,
                                           privateKeyName);
  if (rc != 0) {
    reportError(kMsgBlobObjectNotDecrypted);
    return {};
  }
  // A key of the wrong length is refused like one from a blob file, never padded or cut.
  if (produced != kTripleDesKeySize) {
    reportError(kMsgBlobWrongLength, static_cast<long>(produced));
    return {};
  }
  key.resize(produced);
  return key;
}

// The decrypted key bytes from the blob file; empty after the reports.
SecureBytes blobFromFile(const char* blobName, const char* privateKeyName, const char* password) {
  FilePtr file(openFile(blobName, "rb"));
  if (!file) {
    reportError(kMsgBlobFileNotOpened, blobName);
    return {};
  }
  if (!seekStream(file.get(), 0, SEEK_END)) {
    reportError(kMsgBlobFileNoEnd, blobName);
    return {};
  }
  int64_t size = tellStream(file.get());
  if (size < 0 || size > kMaxBlobSize) {
    reportError(kMsgBlobFileNoMemory, static_cast<long>(size < 0 ? -1 : size));
    return {};
  }
  if (!seekStream(file.get(), 0, SEEK_SET)) {
    reportError(kMsgBlobFileNoRewind, blobName);
    return {};
  }
  SecureBytes blob(static_cast<size_t>(size));
  if (std::fread(blob.data(), 1, blob.size(), file.get()) != blob.size()) {
    reportError(kMsgBlobFileShortRead);
    return {};
  }
  RsaRequest request;
  request.privateSource = privateKeyName;
  request.privateLength = -1;
  request.password = password;
  request.input = blob.data();
  request.inputLength = static_cast<int32_t>(blob.size());
  if (performRsaRequest(request, kRsaPrivateDecrypt) != 0) {
    (void)performRsaRequest(request, kRsaFinish);
    reportError(kMsgBlobNotDecrypted);
    return {};
  }
  if (request.output.size() != kTripleDesKeySize) {
    reportError(kMsgBlobWrongLength, static_cast<long>(request.output.size()));
    return {};
  }
  return std::move(request.output);
}

}  // namespace

int loadHashKey(int keyType, int64_t slot, const char* blobName, const char* privateKeyName, const char* password,
                TripleDesKey& key) {
  key = TripleDesKey{};
  SecureBytes bytes;
  if (slot != kNoSlot) {
    bytes = blobFromCard(keyType, blobName, privateKeyName);
    if (bytes.empty()) {
      reportError(kMsgHashKeyNotFromCard);
      return -1;
    }
  } else {
    bytes = blobFromFile(blobName, privateKeyName, password);
    if (bytes.empty()) {
      reportError(kMsgHashKeyNotFromFile);
      return -1;
    }
  }
  if (makeTripleDesKey(bytes, key) != 0) {
    key = TripleDesKey{};
    return -1;
  }
  return 0;
}

}  // namespace quervik
