// Making a hashing key and its blob; see hash_key.h.
#include "tokenadmin/hash_key.h"

#include <cstdio>
#include <vector>

#include "birthnumber/messages.h"
#include "birthnumber/triple_des.h"
#include "container/messages.h"
#include "container/protected_file.h"
#include "crypto/key_files.h"
#include "crypto/rsa.h"
#include "runtime/paths.h"
#include "runtime/pending_file.h"
#include "runtime/report.h"
#include "token/attributes.h"
#include "token/messages.h"
#include "token/objects.h"
#include "token/session.h"
#include "tokenadmin/card_admin.h"
#include "tokenadmin/card_tools.h"

namespace quervik {
namespace {

// The certificate on the card the key is wrapped for; null after 235, 236 or 218.
X509Ptr certificateOnCard(const char* name) {
  CK_SESSION_HANDLE session = tokenSession();
  CK_OBJECT_HANDLE found = CK_INVALID_HANDLE;
  // By the certificate class, so that a key pair of the same name is never taken for it.
  if (findCertificateByName(session, name, &found) != CKR_OK) {
    reportError(kMsgNoCertificateNamed, name);
    return nullptr;
  }
  // Only a certificate whose private key is on this card makes a blob the card can open again.
  CK_OBJECT_HANDLE privateKey = CK_INVALID_HANDLE;
  if (findPrivateKeyById(session, found, &privateKey) != CKR_OK || privateKey == CK_INVALID_HANDLE) {
    reportError(kMsgNoKeyForCertificate, name);
    return nullptr;
  }
  std::vector<SecureBytes> value;
  X509Ptr certificate;
  if (readAttributes(session, found, {CKA_VALUE}, value) == CKR_OK)
    certificate = parseCertificateDer(value[0].data(), value[0].size());
  if (!certificate) reportError(kMsgCertificateValueNotParsed);
  return certificate;
}

// The blob of the key for the target's certificate (a public-key operation: it needs nothing
// secret from the card); empty after the reports.
std::vector<unsigned char> wrapKey(const TripleDesKey& key, const HashKeyTarget& target) {
  RsaRequest request;
  int command = kRsaCertificateEncrypt;
  if (target.certificateName) {
    request.certificate = certificateOnCard(target.certificateName);
    if (!request.certificate) return {};
    command = kRsaGivenCertificateEncrypt;
  } else {
    request.publicSource = target.certificateFile;
    request.publicLength = 0;  // a PEM file
  }
  request.input = key.bytes.data();
  request.inputLength = static_cast<int32_t>(key.bytes.size());
  if (performRsaRequest(request, command) != 0) return {};
  return std::vector<unsigned char>(request.output.begin(), request.output.begin() + request.outputLength);
}

}  // namespace

int makeHashKey(const HashKeyTarget& target) {
  if ((!target.certificateName && !target.certificateFile) || (!target.cardObject && !target.blobFile)) return -5;
  PendingFile file;
  if (target.blobFile) {
    // A hashing key in use is never overwritten: its birth-number codes could not be made again.
    // The name is checked here to fail before the card work, and again when the blob is put in
    // place (a blob made meanwhile by someone else stays).
    if (isRegularFile(target.blobFile) != -1 || !file.open(target.blobFile, PendingFile::Kind::NewPrivate)) {
      reportError(kMsgOutputNotOpened, target.blobFile);
      return -3;
    }
  }
  std::vector<unsigned char> blob;
  {
    TripleDesKey key;
    if (generateSessionKey(key) != 0) return -1;
    blob = wrapKey(key, target);
  }  // the key is wiped here
  if (blob.empty()) return -2;
  // The blob is one RSA block of the certificate's key; signing and coding take 128-byte blocks.
  if (blob.size() != kRsaBlockSize) return kHashKeyCertificateNotFitting;
  if (target.blobFile && std::fwrite(blob.data(), 1, blob.size(), file.stream()) != blob.size()) {
    reportError(kMsgOutputNotOpened, target.blobFile);
    return -3;
  }
  if (target.cardObject && storeDataObject(tokenSession(), target.cardObject, blob.data(), blob.size()) != 0) return -4;
  if (target.blobFile && !file.commit()) {
    reportError(kMsgOutputNotOpened, target.blobFile);
    return -3;
  }
  return 0;
}

}  // namespace quervik
