// Coding the birth numbers of a DRG batch; see encode.h.
#include "birthnumber/encode.h"

#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "birthnumber/birth_number_set.h"
#include "birthnumber/card_keys.h"
#include "birthnumber/card_session.h"
#include "birthnumber/coded_batch.h"
#include "birthnumber/coding_messages.h"
#include "birthnumber/key_blob.h"
#include "birthnumber/key_shares.h"
#include "birthnumber/messages.h"
#include "birthnumber/underscored_base64.h"
#include "container/messages.h"
#include "container/output_target.h"
#include "crypto/crypto_errors.h"
#include "crypto/messages.h"
#include "crypto/rsa.h"
#include "runtime/catalogue.h"
#include "runtime/platform.h"
#include "runtime/progress.h"
#include "runtime/report.h"
#include "token/session.h"

namespace quervik {

const char* const kDesRcUsage =
    "Pouziti: %s [-b buffer] [-c cardslotID] -f label_cert_DRG -g label_cert_TC -i label_priv_ZZ -h key_label -p "
    "pin [ -t typ klice (0=klic, 1=certifikat) ] [-o vystupniSoubor] souborDatovehoRozhrani\n";

namespace {

constexpr char kCodingActivity[] = "Kodovani rodnych cisel";
constexpr char kIdentifierActivity[] = "Doplneni souboru o identifikatory";

// One encrypted share is one RSA block of a 1024-bit key: the X record has room for exactly
// two such blocks, and recovery reads nothing else.
constexpr size_t kShareBlockSize = 128;

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// A share encrypted for one key holder: with the card, by the certificate's public key (key
// type 1) or the public-key object (0) of that label; without it, by the certificate or
// public key in that PEM file. Empty after the reports (164 card, 90003 files).
SecureBytes encryptShare(int64_t slot, int keyType, const char* holder, const SecureBytes& share) {
  if (slot != kNoSlot) {
    SecureBytes out(kShareBlockSize);
    size_t length = out.size();
    int rc = keyType == 1 ? encryptWithCertificate(kCertificatePublicKey, share.data(), share.size(), out.data(),
                                                   &length, holder)
                          : encryptWithPublicKeyLabel(share.data(), share.size(), out.data(), &length, holder);
    if (rc != 0 || length != kShareBlockSize) {
      reportError(kMsgSharesNotEncrypted);
      return {};
    }
    return out;
  }
  RsaRequest request;
  request.publicSource = holder;
  request.publicLength = -1;
  request.input = share.data();
  request.inputLength = static_cast<int32_t>(share.size());
  int rc = performRsaRequest(request, keyType == 1 ? kRsaCertificateEncrypt : kRsaPublicEncrypt);
  (void)performRsaRequest(request, kRsaFinish);
  if (rc != 0 || request.output.size() != kShareBlockSize) {
    reportError(kMsgRsaNoOutput);
    return {};
  }
  return std::move(request.output);
}

// The X record: a fresh session key, split into shares, share A encrypted for the DRG centre
// and share B for the trust centre, each written as "_"-lined base64. 0; 1 after the reports;
// 2 for a key type that is neither 0 nor 1 (nothing reported).
int writeKeyRecord(BlockSink& out, int64_t slot, int keyType, const char* drgCertificate, const char* tcCertificate,
                   TripleDesKey& sessionKey) {
  if (generateSessionKey(sessionKey) != 0) return 1;
  KeyShares shares;
  try {
    shares.key.assign(sessionKey.bytes.begin(), sessionKey.bytes.end());
  } catch (const std::bad_alloc&) {
    reportError(kMsgSharesNoMemory);
    return 1;
  }
  if (splitKey(shares) != 0) {
    reportError(kMsgSharesNotSplit);
    return 1;
  }
  if (keyType != 0 && keyType != 1) return 2;
  SecureBytes forDrg = encryptShare(slot, keyType, drgCertificate, shares.shareA);
  if (forDrg.empty()) return 1;
  SecureBytes forTc = encryptShare(slot, keyType, tcCertificate, shares.shareB);
  if (forTc.empty()) return 1;
  // A write error shows when the output is flushed.
  std::string record = "X" + encodeUnderscoredBase64(forDrg) + encodeUnderscoredBase64(forTc) + "\r\n";
  out.append(record.data(), record.size());
  return 0;
}

// The driver after the keys are in hand: both passes into the output. 0 or 1.
int codeBatch(FILE* input, const char* inputFile, OutputTarget& output, const char* outputFile,
              const TripleDesKey& hashKey, int64_t slot, int keyType, const char* drgCertificate,
              const char* tcCertificate) {
  // The records go out in large blocks on a writing thread while the next are coded.
  BlockSink out(output.stream());
  BirthNumberSet distinct;
  BirthNumberCoder coder;
  if (!coder.ready()) {
    reportError(kMsgCodingHashKeyNotLoaded);
    return 1;
  }
  LineReader reader(input);
  CodedCopy copy;
  switch (copyWithCodedNumbers(reader, out, hashKey, coder, distinct, copy)) {
    case PassEnd::Done:
      break;
    case PassEnd::Interrupted:
      return 1;
    case PassEnd::ReadFailed:
      reportError(kMsgInputNotOpened, inputFile);
      return 1;
    case PassEnd::WriteFailed:
      reportError(kMsgOutputNotOpened, outputFile);
      return 1;
    case PassEnd::CodingFailed:
      reportError(kMsgDistinctSetFailed, "kodovani");
      return 1;
    case PassEnd::AlreadyCoded:
      reportError(kMsgCodingAlreadyCoded, copy.lines);
      return 1;
  }
  if (copy.bRecords > 0) {
    // The X record starts a line of its own even after a last line that had no line end.
    if (copy.lastLineUnended) out.append("\r\n", 2);
    setActivity(kIdentifierActivity, static_cast<int64_t>(distinct.size()));
    TripleDesKey sessionKey;
    if (writeKeyRecord(out, slot, keyType, drgCertificate, tcCertificate, sessionKey) != 0) return 1;
    switch (writeIdentifierRecords(out, sessionKey, distinct)) {
      case PassEnd::Done:
        break;
      case PassEnd::Interrupted:
        reportError(kMsgCodingInterrupted);
        return 1;
      case PassEnd::CodingFailed:
        reportError(kMsgSessionKeyNotReady);
        return 1;
      case PassEnd::ReadFailed:
      case PassEnd::WriteFailed:
      case PassEnd::AlreadyCoded:
        reportError(kMsgOutputNotOpened, outputFile);
        return 1;
    }
  }
  if (!out.flush() || !output.commit()) {
    reportError(kMsgOutputNotOpened, outputFile);
    return 1;
  }
  return 0;
}

}  // namespace

int encodeBirthNumbers(const char* inputFile, const char* outputFile, const char* slotText,
                       const char* drgCertificate, const char* tcCertificate, const char* hospitalKey,
                       const char* hashKeyName, const char* pin, int keyType) {
  setMessageFile(kDefaultMessageFile);
  CryptoErrorScope scope("encodeBirthNumbers");
  int64_t slot = slotNumber(slotText);
  CardSessionGuard card(slot != kNoSlot);
  if (slot != kNoSlot && openCardSession(pin, slot) != 0) {
    reportError(kMsgCodingCardNotOpened);
    return 1;
  }
  TripleDesKey hashKey;
  if (loadHashKey(keyType, slot, hashKeyName, hospitalKey, pin, hashKey) != 0) {
    reportError(kMsgCodingHashKeyNotLoaded);
    return 1;
  }
  FilePtr input(openFile(inputFile, "rb"));
  if (!input) {
    reportError(kMsgInputNotOpened, inputFile);
    return 1;
  }
  int64_t size = inputFile ? fileSize(inputFile) : -1;
  OutputTarget output;
  if (!output.open(outputFile)) {
    reportError(kMsgOutputNotOpened, outputFile);
    return 1;
  }
  setActivity(kCodingActivity, size > 0 ? size : 0);
  try {
    return codeBatch(input.get(), inputFile, output, outputFile, hashKey, slot, keyType, drgCertificate,
                     tcCertificate);
  } catch (const std::bad_alloc&) {
    reportError(kMsgDistinctSetFailed, "nedostatek pameti");
    return 1;
  }
}

}  // namespace quervik
