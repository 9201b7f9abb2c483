// Signing and encrypting a file for the receiving centre; see sign.h.
#include "container/sign.h"

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "birthnumber/card_keys.h"
#include "birthnumber/key_blob.h"
#include "birthnumber/triple_des.h"
#include "container/content_stream.h"
#include "container/messages.h"
#include "container/output_target.h"
#include "container/protected_file.h"
#include "crypto/messages.h"
#include "crypto/rsa.h"
#include "crypto/secure_bytes.h"
#include "runtime/cancellation.h"
#include "runtime/catalogue.h"
#include "runtime/console.h"
#include "runtime/platform.h"
#include "runtime/progress.h"
#include "runtime/report.h"
#include "token/session.h"

namespace quervik {

const char* const kSignUsage =
    "Pouziti: quervik sign [-c heslo_karty] [--slot cardslotID] -f label_pub_key_DRG -k label_priv_key_ZZ "
    "[-p heslo] [-o vystupniSoubor] [-t typ klice (0=klic, 1=certifikat)] vstupniSoubor\n";

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// What the trailer says about the sender: its DN field and the key check block.
struct SenderTrailer {
  std::string dnField = quervik::dnField("");
  std::array<unsigned char, kRsaBlockSize> keyCheckBlock{};
};

// Encrypts the input into out while digesting it. The pad count of the last block, 1 to 8;
// 0 when interrupted (nothing reported) or on a read or write failure (501, 502).
int encryptContent(FILE* in, const char* inputName, FILE* out, const char* outputName, const TripleDesKey& key,
                   ContentDigest& digest) {
  std::vector<unsigned char> plain(kContentPiece + kDesBlockSize), cipher(kContentPiece + kDesBlockSize);
  int64_t position = 0;
  for (;;) {
    if (testInterrupted() == 1) return 0;
    size_t n = std::fread(plain.data(), 1, kContentPiece, in);
    if (n < kContentPiece && std::ferror(in)) {
      reportError(kMsgInputNotOpened, inputName);
      return 0;
    }
    position += static_cast<int64_t>(n);
    updateProgress(position);
    digest.add(plain.data(), n);
    // The read that meets the end of the input is short; its last block is filled up with
    // zero bytes, a whole block of them when the content ended on a block boundary.
    bool last = n < kContentPiece;
    size_t length = n;
    int pad = 0;
    if (last) {
      size_t tail = n % kDesBlockSize;
      pad = static_cast<int>(kDesBlockSize - tail);
      std::memset(plain.data() + n, 0, static_cast<size_t>(pad));
      length = n + static_cast<size_t>(pad);
    }
    if (tripleDesEncryptBlocks(key, plain.data(), cipher.data(), length) != 0 ||
        !writeAll(out, cipher.data(), length)) {
      reportError(kMsgOutputNotOpened, outputName);
      return 0;
    }
    if (last) {
      wipe(plain.data(), plain.size());
      return pad;
    }
  }
}

// The DN field and, for key type 1, the key check block, from the card.
bool senderTrailerFromCard(int64_t slot, int keyType, const char* hashKeyName, const char* addresseeName,
                           const char* senderName, const char* pin, SenderTrailer& trailer) {
  std::optional<std::string> dn = findUserDN(senderName, kMaxDnText);
  if (!dn) return false;
  // Readers take only printable ASCII: a subject written in another character set keeps its
  // shape with "?" for each byte they would refuse, so the file stays readable.
  for (char& c : *dn)
    if (c < 0x20 || c > 0x7E) c = '?';
  trailer.dnField = dnField(*dn);
  if (keyType != 1) return true;
  TripleDesKey hashKey;
  if (loadHashKey(kHashKeyByCertificate, slot, hashKeyName, senderName, pin, hashKey) != 0) return false;
  unsigned char check[kDesBlockSize];
  if (tripleDesEncryptBlock(hashKey, kCheckValuePlain, check) != 0) return false;
  size_t produced = trailer.keyCheckBlock.size();
  int rc = encryptWithCertificate(kCertificatePublicKey, check, sizeof check, trailer.keyCheckBlock.data(), &produced,
                                  addresseeName);
  // The readers take exactly one 128-byte block: a key of another size makes a file nobody
  // can read, so it is refused here.
  if (rc == 0 && produced != kRsaBlockSize) {
    reportError(kMsgRsaNoOutput);
    return false;
  }
  return rc == 0;
}

// The signature of the key record and its two wrapped halves, with the card's keys.
bool wrapOnCard(int keyType, const unsigned char* record, const char* addresseeName, const char* senderName,
                std::array<unsigned char, 2 * kRsaBlockSize>& wrapped) {
  SecureBytes signature(kRsaBlockSize);
  size_t length = signature.size();
  int rc = keyType == 0 ? encryptWithPublicKeyLabel(record, kKeyRecordSize, signature.data(), &length, senderName)
                        : encryptWithCertificate(kCertificatePrivateKey, record, kKeyRecordSize, signature.data(),
                                                 &length, senderName);
  if (rc != 0) return false;
  if (length != kRsaBlockSize) {
    reportError(kMsgRsaNoOutput);
    return false;
  }
  for (int half = 0; half < 2; ++half) {
    unsigned char out[2 * kRsaBlockSize];
    size_t produced = sizeof out;
    const unsigned char* in = signature.data() + half * kSignatureHalf;
    rc = keyType == 0 ? encryptWithPublicKeyLabel(in, kSignatureHalf, out, &produced, addresseeName)
                      : encryptWithCertificate(kCertificatePublicKey, in, kSignatureHalf, out, &produced,
                                               addresseeName);
    if (rc != 0) return false;
    if (produced != kRsaBlockSize) {
      reportError(kMsgRsaNoOutput);
      return false;
    }
    std::memcpy(wrapped.data() + half * kRsaBlockSize, out, kRsaBlockSize);
  }
  return true;
}

// The same with key files: the hospital's PEM private key, the centre's certificate (key type
// 1) or public key (0).
bool wrapWithFiles(int keyType, const unsigned char* record, const char* addresseeName, const char* senderName,
                   const char* password, std::array<unsigned char, 2 * kRsaBlockSize>& wrapped) {
  RsaRequest sign;
  sign.privateSource = senderName;
  sign.privateLength = -1;
  sign.password = password;
  sign.input = record;
  sign.inputLength = static_cast<int32_t>(kKeyRecordSize);
  if (performRsaRequest(sign, kRsaPrivateSign) != 0 || sign.output.size() != kRsaBlockSize) {
    reportError(kMsgRsaNoOutput);
    return false;
  }
  (void)performRsaRequest(sign, kRsaFinish);
  for (int half = 0; half < 2; ++half) {
    RsaRequest wrap;
    wrap.publicSource = addresseeName;
    wrap.publicLength = -1;
    wrap.input = sign.output.data() + half * kSignatureHalf;
    wrap.inputLength = static_cast<int32_t>(kSignatureHalf);
    if (performRsaRequest(wrap, keyType == 0 ? kRsaPublicEncrypt : kRsaCertificateEncrypt) != 0 ||
        wrap.output.size() != kRsaBlockSize) {
      reportError(kMsgRsaNoOutput);
      (void)performRsaRequest(wrap, kRsaFinish);
      return false;
    }
    std::memcpy(wrapped.data() + half * kRsaBlockSize, wrap.output.data(), kRsaBlockSize);
    (void)performRsaRequest(wrap, kRsaFinish);
  }
  return true;
}

}  // namespace

int signProtectedFile(const char* inputFile, const char* outputFile, const char* slotText, const char* hashKeyName,
                      const char* addresseeName, int keyType, const char* senderName, const char* pin) {
  if (keyType != 0 && keyType != 1) {
    consoleErr("%s", kSignUsage);
    return 2;
  }
  setMessageFile(kDefaultMessageFile);
  FilePtr input(openFile(inputFile, "rb"));
  if (!input) {
    reportError(kMsgInputNotOpened, inputFile);
    return 1;
  }
  int64_t size = seekStream(input.get(), 0, SEEK_END) ? tellStream(input.get()) : 0;
  setActivity("podpis souboru", size);
  if (!seekStream(input.get(), 0, SEEK_SET)) {
    reportError(kMsgInputNotOpened, inputFile);
    return 1;
  }
  OutputTarget output;
  if (!output.open(outputFile)) {
    reportError(kMsgOutputNotOpened, outputFile);
    return 1;
  }
  int64_t slot = slotNumber(slotText);
  CardSessionGuard card(slot != kNoSlot);

  TripleDesKey contentKey;
  if (generateSessionKey(contentKey) != 0) return 1;
  ContentDigest digest;
  int pad = encryptContent(input.get(), inputFile, output.stream(), outputFile, contentKey, digest);
  if (pad == 0) return 1;

  SenderTrailer trailer;
  if (slot != kNoSlot) {
    (void)openToken(pin, static_cast<CK_SLOT_ID>(slot));  // a refused PIN fails the next card step
    if (!senderTrailerFromCard(slot, keyType, hashKeyName, addresseeName, senderName, pin, trailer)) return 1;
  }

  SecureBytes record(kKeyRecordSize, 0);
  std::memcpy(record.data(), contentKey.bytes.data(), kTripleDesKeySize);
  if (!digest.finish(record.data() + kTripleDesKeySize)) return 1;
  input.reset();

  std::array<unsigned char, 2 * kRsaBlockSize> wrapped{};
  bool wrappedOk = slot != kNoSlot ? wrapOnCard(keyType, record.data(), addresseeName, senderName, wrapped)
                                   : wrapWithFiles(keyType, record.data(), addresseeName, senderName, pin, wrapped);
  if (!wrappedOk) return 1;

  const unsigned char padCount = static_cast<unsigned char>(pad);
  const char trailerBytes[kTrailerSize] = {' ', kWrittenVersion};
  FILE* out = output.stream();
  if (!writeAll(out, wrapped.data(), wrapped.size()) || !writeAll(out, &padCount, 1) ||
      !writeAll(out, trailer.dnField.data(), trailer.dnField.size()) ||
      !writeAll(out, trailer.keyCheckBlock.data(), trailer.keyCheckBlock.size()) ||
      !writeAll(out, trailerBytes, sizeof trailerBytes) || !output.commit()) {
    reportError(kMsgOutputNotOpened, outputFile);
    return 1;
  }
  return 0;
}

}  // namespace quervik
