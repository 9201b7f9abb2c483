// Opening protected files; see open.h.
#include "container/open.h"

#include <openssl/crypto.h>

#include <array>
#include <climits>
#include <cstring>
#include <memory>
#include <vector>

#include "birthnumber/card_keys.h"
#include "birthnumber/messages.h"
#include "birthnumber/triple_des.h"
#include "birthnumber/underscored_base64.h"
#include "container/content_stream.h"
#include "container/messages.h"
#include "container/output_target.h"
#include "container/protected_file.h"
#include "crypto/crypto_errors.h"
#include "crypto/messages.h"
#include "crypto/rsa.h"
#include "crypto/secure_bytes.h"
#include "runtime/cancellation.h"
#include "runtime/catalogue.h"
#include "runtime/console.h"
#include "runtime/leading_number.h"
#include "runtime/platform.h"
#include "runtime/report.h"
#include "token/session.h"

namespace quervik {
namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// Where the parts of one file lie.
struct Layout {
  char version = 0;
  int64_t contentLength = 0;  // the encrypted content: everything before the wrapped halves
  int64_t dnStart = 0;        // versions 2 and 3: where the DN text starts
  std::array<unsigned char, kWrappedTailSize> tail{};  // the wrapped halves and the pad count
  unsigned padCount() const { return tail[kWrappedTailSize - 1]; }
};

enum class LayoutEnd { Found, NotProtected, ShortTail };

// Finds the parts from the end of the file without a word; on ShortTail, tailRead is what could
// be read of the wrapped halves. The file is left at its start when they were found.
LayoutEnd findLayout(FILE* in, Layout& layout, size_t& tailRead) {
  char trailer[kTrailerSize];
  if (!seekStream(in, -static_cast<int64_t>(kTrailerSize), SEEK_END) ||
      std::fread(trailer, 1, sizeof trailer, in) != sizeof trailer)
    return LayoutEnd::NotProtected;
  layout.version = trailer[1];
  if (layout.version == '1') {
    if (!seekStream(in, -static_cast<int64_t>(kVersion1TailFromEnd), SEEK_END)) return LayoutEnd::NotProtected;
  } else if (layout.version == '2' || layout.version == '3') {
    unsigned char keyCheck[kRsaBlockSize];
    std::string dn;
    if (readKeyCheckBlock(in, keyCheck, sizeof keyCheck) != 0 || readDnField(in, dn) != 0 ||
        (layout.dnStart = tellStream(in)) < 0 ||
        !seekStream(in, -static_cast<int64_t>(kWrappedTailSize), SEEK_CUR))
      return LayoutEnd::NotProtected;
  } else {
    return LayoutEnd::NotProtected;
  }
  layout.contentLength = tellStream(in);
  tailRead = std::fread(layout.tail.data(), 1, layout.tail.size(), in);
  if (tailRead < layout.tail.size()) return LayoutEnd::ShortTail;
  // The content is whole blocks, at least one: anything else was never written by a signer.
  if (layout.contentLength <= 0 || layout.contentLength % static_cast<int64_t>(kDesBlockSize) != 0 ||
      !seekStream(in, 0, SEEK_SET))
    return LayoutEnd::NotProtected;
  return LayoutEnd::Found;
}

// The same, reporting 166 or 167.
bool readLayout(FILE* in, const char* inputName, Layout& layout) {
  size_t tailRead = 0;
  switch (findLayout(in, layout, tailRead)) {
    case LayoutEnd::Found:
      return true;
    case LayoutEnd::ShortTail:
      reportError(kMsgProtectedShortTail, static_cast<long>(tailRead), inputName);
      return false;
    case LayoutEnd::NotProtected:
      break;
  }
  reportError(kMsgProtectedLayout);
  return false;
}

// The key record from the wrapped halves, with key files or DER keys.
bool recordWithFiles(const Layout& layout, const void* privateSource, int32_t privateLength,
                     const void* publicSource, int32_t publicLength, int keyType, const char* password,
                     SecureBytes& record) {
  SecureBytes signature;
  for (int half = 0; half < 2; ++half) {
    RsaRequest unwrap;
    unwrap.privateSource = privateSource;
    unwrap.privateLength = privateLength;
    unwrap.password = password;
    unwrap.input = layout.tail.data() + half * kRsaBlockSize;
    unwrap.inputLength = static_cast<int32_t>(kRsaBlockSize);
    if (performRsaRequest(unwrap, kRsaPrivateDecrypt) != 0) {
      if (half == 0)
        consoleOut("chyba 1 s kodem %s ACT_RSA_KEY_SIZE %d\n", lastCryptoErrorText().c_str(),
                   static_cast<int>(kRsaBlockSize));
      else
        consoleOut("chyba 2\n");
      reportError(kMsgRsaNoOutput);
      return false;
    }
    signature.insert(signature.end(), unwrap.output.begin(), unwrap.output.end());
    (void)performRsaRequest(unwrap, kRsaFinish);
  }
  // Each half held 64 bytes of one signature block; other lengths cannot make one.
  if (signature.size() != kRsaBlockSize) {
    consoleOut("chyba 3 s kodem %s \n", "");
    reportError(kMsgRsaNoOutput);
    return false;
  }
  RsaRequest recover;
  recover.publicSource = publicSource;
  recover.publicLength = publicLength;
  recover.input = signature.data();
  recover.inputLength = static_cast<int32_t>(signature.size());
  if (performRsaRequest(recover, keyType == 0 ? kRsaPublicRecoverBlock : kRsaCertificateRecoverBlock) != 0) {
    consoleOut("chyba 3 s kodem %s \n", lastCryptoErrorText().c_str());
    (void)performRsaRequest(recover, kRsaFinish);
    reportError(kMsgRsaNoOutput);
    return false;
  }
  record = std::move(recover.output);
  return true;
}

// The same on the card: the centre's private key object, the sender's public key object
// (key type 0) or certificate (1).
bool recordOnCard(const Layout& layout, const char* privateName, const char* publicName, int keyType,
                  SecureBytes& record) {
  SecureBytes signature(kRsaBlockSize);
  size_t first = kSignatureHalf;
  size_t second = kSignatureHalf;
  if (decryptWithPrivateKeyLabel(layout.tail.data(), kRsaBlockSize, signature.data(), &first, privateName) != 0 ||
      first != kSignatureHalf ||
      decryptWithPrivateKeyLabel(layout.tail.data() + kRsaBlockSize, kRsaBlockSize, signature.data() + first,
                                 &second, privateName) != 0 ||
      second != kSignatureHalf)
    return false;
  record.assign(kRsaBlockSize, 0);
  size_t length = record.size();
  int rc = keyType == 0 ? decryptWithPrivateKeyLabel(signature.data(), signature.size(), record.data(), &length,
                                                     publicName)
                        : decryptWithCertificateKey(kCertificatePublicKey, signature.data(), signature.size(),
                                                    record.data(), &length, publicName);
  if (rc != 0) return false;
  record.resize(length);
  return true;
}

// The content key of the record; reports 165 when a DES key breaks the rules.
bool contentKeyOf(const SecureBytes& record, TripleDesKey& key) {
  for (int i = 0; i < 3; ++i)
    if (checkDesKey(record.data() + i * kDesKeySize) != 0) {
      reportError(kMsgSessionKeyNotReady);
      return false;
    }
  if (makeTripleDesKey(std::span<const unsigned char>(record.data(), kTripleDesKeySize), key) != 0) {
    reportError(kMsgSessionKeyNotReady);
    return false;
  }
  return true;
}

// Decrypts the content into out while digesting what is written. False when interrupted
// (nothing reported) or on a read or write failure (166, 502).
bool decryptContent(FILE* in, const Layout& layout, FILE* out, const char* outputName, const TripleDesKey& key,
                    ContentDigest& digest) {
  std::vector<unsigned char> cipher(kContentPiece), plain(kContentPiece);
  int64_t remaining = layout.contentLength;
  bool ok = true;
  while (ok && remaining > 0) {
    if (testInterrupted() == 1) {
      ok = false;
      break;
    }
    size_t n = remaining < static_cast<int64_t>(kContentPiece) ? static_cast<size_t>(remaining) : kContentPiece;
    if (std::fread(cipher.data(), 1, n, in) != n) {
      reportError(kMsgProtectedLayout);
      ok = false;
      break;
    }
    remaining -= static_cast<int64_t>(n);
    tripleDesDecryptBlocks(key, cipher.data(), plain.data(), n);
    // Of the last block only what the pad count leaves is content; nothing when it says more
    // than a block.
    size_t count = n;
    if (remaining == 0) {
      size_t lastBlock = kDesBlockSize - (layout.padCount() < kDesBlockSize ? layout.padCount() : kDesBlockSize);
      count = n - kDesBlockSize + lastBlock;
    }
    digest.add(plain.data(), count);
    if (!writeAll(out, plain.data(), count)) {
      reportError(kMsgOutputNotOpened, outputName);
      ok = false;
    }
  }
  wipe(plain.data(), plain.size());
  return ok;
}

// Version 3 signs the trailer too: everything from the DN text to the end of the file.
bool digestTrailer(FILE* in, const Layout& layout, ContentDigest& digest) {
  if (!seekStream(in, layout.dnStart, SEEK_SET)) {
    reportError(kMsgProtectedLayout);
    return false;
  }
  unsigned char piece[512];
  size_t n;
  while ((n = std::fread(piece, 1, sizeof piece, in)) > 0) digest.add(piece, n);
  return !std::ferror(in);
}

struct KeySource {
  SecureBytes der;       // decoded DER bytes, when the key came as base64
  const char* text = nullptr;
  int32_t length = 0;
  const void* source() const { return length > 0 ? static_cast<const void*>(der.data()) : text; }
};

// A key of unsignFileBase64Keys: a file name (length 0 or less) or base64 DER of at most length
// bytes. False when it cannot be had.
bool keyFromText(const char* text, const char* lengthText, KeySource& key) {
  int64_t length = lengthText ? leadingInteger(lengthText) : 0;
  key.text = text;
  if (length <= 0) {
    key.length = static_cast<int32_t>(length < INT32_MIN ? INT32_MIN : length);
    return fileSize(text) > 0;
  }
  if (!text) return false;
  std::optional<SecureBytes> der = decodeUnderscoredBase64(text);
  if (!der || der->empty() || der->size() > static_cast<uint64_t>(length) || der->size() > INT32_MAX) return false;
  key.der = std::move(*der);
  key.length = static_cast<int32_t>(key.der.size());
  return true;
}

}  // namespace

int openProtectedFile(const char* inputFile, const char* outputFile, const char* slotText, const void* privateSource,
                      int32_t privateLength, const void* publicSource, int32_t publicLength, int keyType,
                      const char* pin) {
  if (keyType != 0 && keyType != 1) return 2;
  int64_t slot = slotNumber(slotText);
  setMessageFile(kDefaultMessageFile);
  CardSessionGuard card(slot != kNoSlot);
  if (slot != kNoSlot) (void)openToken(pin, static_cast<CK_SLOT_ID>(slot));  // a refused PIN fails the next step

  FilePtr input(openFile(inputFile, "rb"));
  if (!input) {
    reportError(kMsgInputNotOpened, inputFile);
    return 1;
  }
  OutputTarget output;
  if (!output.open(outputFile)) {
    reportError(kMsgOutputNotOpened, outputFile);
    return 1;
  }
  Layout layout;
  if (!readLayout(input.get(), inputFile, layout)) return 1;

  SecureBytes record;
  bool unwrapped =
      slot != kNoSlot
          ? recordOnCard(layout, static_cast<const char*>(privateSource), static_cast<const char*>(publicSource),
                         keyType, record)
          : recordWithFiles(layout, privateSource, privateLength, publicSource, publicLength, keyType, pin, record);
  if (!unwrapped) return 1;
  // The record holds the three keys and the digest; a shorter one was not made by a signer.
  if (record.size() < kTripleDesKeySize + kDigestSize) {
    reportError(kMsgRsaNoOutput);
    return 1;
  }
  TripleDesKey contentKey;
  if (!contentKeyOf(record, contentKey)) return 1;

  ContentDigest digest;
  if (!decryptContent(input.get(), layout, output.stream(), outputFile, contentKey, digest)) return 1;
  if (layout.version == '3' && !digestTrailer(input.get(), layout, digest)) return 1;
  unsigned char actual[kDigestSize];
  if (!digest.finish(actual) || CRYPTO_memcmp(actual, record.data() + kTripleDesKeySize, kDigestSize) != 0) {
    reportError(kMsgDigestMismatch);
    return 1;
  }
  if (!output.commit()) {
    reportError(kMsgOutputNotOpened, outputFile);
    return 1;
  }
  return 0;
}

int openProtectedFileWithBase64Keys(const char* inputFile, const char* outputFile, const char* slot,
                                    const char* privateKey, const char* privateKeyLength, const char* publicKey,
                                    const char* publicKeyLength, const char* keyType, const char* password) {
  KeySource privateSource, publicSource;
  if (!keyFromText(privateKey, privateKeyLength, privateSource) || !keyFromText(publicKey, publicKeyLength, publicSource))
    return -1;
  int64_t type = keyType ? leadingInteger(keyType) : 0;
  return openProtectedFile(inputFile, outputFile, slot, privateSource.source(), privateSource.length,
                           publicSource.source(), publicSource.length, static_cast<int>(type == 1 ? 1 : type == 0 ? 0 : 2),
                           password);
}

bool isProtectedFile(const char* fileName) {
  FilePtr file(openFile(fileName, "rb"));
  Layout layout;
  size_t tailRead = 0;
  return file && findLayout(file.get(), layout, tailRead) == LayoutEnd::Found;
}

std::optional<std::string> protectedFileDn(const char* fileName) {
  FilePtr file(openFile(fileName, "rb"));
  std::string dn;
  if (!file || readDnField(file.get(), dn) != 0) return std::nullopt;
  return dn;
}

int checkHashKeyBlock(FILE* file, const void* reference, int32_t referenceLength, const void* privateSource,
                      int32_t privateLength, const char* password) {
  unsigned char keyCheck[kRsaBlockSize];
  if (readKeyCheckBlock(file, keyCheck, sizeof keyCheck) != 0) return 1;
  RsaRequest fromFile;
  fromFile.privateSource = privateSource;
  fromFile.privateLength = privateLength;
  fromFile.password = password;
  fromFile.input = keyCheck;
  fromFile.inputLength = static_cast<int32_t>(sizeof keyCheck);
  if (performRsaRequest(fromFile, kRsaPrivateDecrypt) != 0) {
    consoleOut("chyba PRIV s kodem %s ACT_RSA_KEY_SIZE %d\n", lastCryptoErrorText().c_str(),
               static_cast<int>(kRsaBlockSize));
    (void)performRsaRequest(fromFile, kRsaFinish);
    return 2;
  }
  unsigned char referenceRead[kRsaBlockSize] = {};
  const unsigned char* referenceBytes = static_cast<const unsigned char*>(reference);
  if (referenceLength <= 0) {
    FilePtr referenceFile(openFile(static_cast<const char*>(reference), "rb"));
    if (!referenceFile) return 2;
    referenceLength = static_cast<int32_t>(std::fread(referenceRead, 1, sizeof referenceRead, referenceFile.get()));
    referenceBytes = referenceRead;
  }
  RsaRequest fromReference;
  fromReference.privateSource = privateSource;
  fromReference.privateLength = privateLength;
  fromReference.password = password;
  fromReference.input = referenceBytes;
  fromReference.inputLength = referenceLength;
  if (performRsaRequest(fromReference, kRsaPrivateDecrypt) != 0) {
    consoleOut("chyba DES s kodem %s ACT_RSA_KEY_SIZE %d\n", lastCryptoErrorText().c_str(),
               static_cast<int>(kRsaBlockSize));
    (void)performRsaRequest(fromReference, kRsaFinish);
    return 2;
  }
  if (fromFile.output.size() != fromReference.output.size()) return -1;
  return std::memcmp(fromFile.output.data(), fromReference.output.data(), fromFile.output.size());
}

int checkFileHashKey(const char* fileName, const char* reference, const char* privateKey,
                     const char* privateKeyLength, const char* password) {
  constexpr size_t kReferenceRoom = 2 * kRsaBlockSize;
  std::optional<SecureBytes> decoded = decodeUnderscoredBase64(reference ? reference : "");
  if (!decoded || decoded->size() > kReferenceRoom) return -1;
  FilePtr file(openFile(fileName, "rb"));
  if (!file || decoded->empty()) return -1;
  int64_t keyLength = privateKeyLength ? leadingInteger(privateKeyLength) : 0;
  // A key given as bytes cannot be longer than the text that carries it.
  if (keyLength > 0 && (!privateKey || static_cast<uint64_t>(keyLength) > std::strlen(privateKey))) return -1;
  return checkHashKeyBlock(file.get(), decoded->data(), static_cast<int32_t>(decoded->size()), privateKey,
                           static_cast<int32_t>(keyLength < 0 ? -1 : keyLength), password);
}

}  // namespace quervik
