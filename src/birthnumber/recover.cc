// Recovery of coded birth numbers under a new key; see recover.h.
#include "birthnumber/recover.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "birthnumber/birth_number.h"
#include "birthnumber/card_keys.h"
#include "birthnumber/card_session.h"
#include "birthnumber/coded_batch.h"
#include "birthnumber/coding_messages.h"
#include "birthnumber/key_shares.h"
#include "birthnumber/line_reader.h"
#include "birthnumber/messages.h"
#include "birthnumber/triple_des.h"
#include "birthnumber/underscored_base64.h"
#include "container/output_target.h"
#include "crypto/crypto_errors.h"
#include "crypto/hex.h"
#include "crypto/rsa.h"
#include "runtime/cancellation.h"
#include "runtime/catalogue.h"
#include "runtime/leading_number.h"
#include "runtime/platform.h"
#include "runtime/progress.h"
#include "runtime/report.h"
#include "runtime/report_sink.h"
#include "token/session.h"

namespace quervik {
namespace {

constexpr char kActivity[] = "Prepocet unikatniho sha1 rodneho cisla";
constexpr size_t kShareTextLength = 175;  // one 128-byte block as "_"-lined base64
constexpr size_t kKeyRecordLength = 1 + 2 * kShareTextLength;
constexpr size_t kIdentifierRecordLength = 1 + kCodedNumberLength + kRecoveryIdentifierLength;

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// The column tables: each column takes its part of the line into the record, or says it
// does not fit.
struct Column {
  const char* title;
  bool (*take)(std::string_view line, RecoverRecord& record);
};

const Column kKeyColumns[] = {
    {"RSA1",
     [](std::string_view line, RecoverRecord& r) {
       if (line[0] != 'X' || line.size() <= 1 + kShareTextLength) return false;
       r.shareA = line.substr(1, kShareTextLength);
       return true;
     }},
    {"RSA2",
     [](std::string_view line, RecoverRecord& r) {
       if (line.size() != kKeyRecordLength) return false;
       r.shareB = line.substr(1 + kShareTextLength);
       return true;
     }},
};

const Column kIdentifierColumns[] = {
    {"Stary unikatni SHA1 hash rc v DB",
     [](std::string_view line, RecoverRecord& r) {
       if (line[0] != 'Y' || line.size() <= 1 + kCodedNumberLength) return false;
       r.oldCode = line.substr(1, kCodedNumberLength);
       return true;
     }},
    {"RI identifikator",
     [](std::string_view line, RecoverRecord& r) {
       if (line.size() != kIdentifierRecordLength) return false;
       r.identifier = line.substr(1 + kCodedNumberLength);
       return true;
     }},
};

template <size_t N>
int parseRecord(const Column (&columns)[N], std::string_view line, int64_t lineNumber, RecoverRecord& record) {
  if (line.empty()) return -2;
  int failed = 0;
  for (const Column& column : columns) {
    if (column.take(line, record)) continue;
    reportDetailed(ReportDetail::atLine(lineNumber), kMsgLineOfRecord, static_cast<long>(lineNumber), "");
    reportError(kMsgRecoverColumn, column.title);
    --failed;
  }
  return failed;
}

// The state of one run.
struct RecoverRun {
  const char* centreKey = nullptr;
  int32_t centreKeyLength = -1;
  const char* centreKeyPassword = nullptr;
  const char* newKeyFile = nullptr;
  const char* tcCertificate = nullptr;
  int64_t slot = kNoSlot;
  const char* pin = nullptr;
  int64_t lineNumber = 0;

  // The session key of the last X record; its cipher is built at the first Y record after it.
  SecureBytes sessionKeyBytes;
  TripleDesKey sessionKey;
  bool sessionKeyBuilt = false, sessionKeyRejected = false;

  // The new hashing key, read once.
  TripleDesKey newKey;
  bool newKeyLoaded = false;

  BirthNumberCoder coder;
};

void reportAtLine(const RecoverRun& run) {
  reportDetailed(ReportDetail::atLine(run.lineNumber), kMsgLineOfRecord, static_cast<long>(run.lineNumber), "");
}

// Share A with the centre's private key, share B on the card, joined. 0; 2 when a share does
// not decrypt; -1 when the card cannot be opened or the shares cannot be joined.
int recoverSessionKey(RecoverRun& run, const RecoverRecord& record) {
  std::optional<SecureBytes> encryptedA = decodeUnderscoredBase64(record.shareA);
  std::optional<SecureBytes> encryptedB = decodeUnderscoredBase64(record.shareB);

  RsaRequest request;
  request.privateSource = run.centreKey;
  request.privateLength = run.centreKeyLength;
  request.password = run.centreKeyPassword;
  bool decrypted = false;
  if (encryptedA && encryptedA->size() <= INT32_MAX) {
    request.input = encryptedA->data();
    request.inputLength = static_cast<int32_t>(encryptedA->size());
    decrypted = performRsaRequest(request, kRsaPrivateDecrypt) == 0;
  }
  if (!decrypted) {
    std::string reason = encryptedA ? lastCryptoErrorText() : "neplatny zapis base64";
    reportAtLine(run);
    reportError(kMsgRecoverShareNotDecrypted, "dekryptace privatnim klicem NRC", reason);
    (void)performRsaRequest(request, kRsaFinish);
    return 2;
  }
  (void)performRsaRequest(request, kRsaFinish);

  if (openCardSession(run.pin, run.slot) != 0) {
    reportAtLine(run);
    reportError(kMsgRecoverCardNotOpened, run.tcCertificate);
    closeToken();
    return -1;
  }
  SecureBytes shareB(kTripleDesKeySize);
  size_t length = shareB.size();
  if (!encryptedB || decryptWithCertificateKey(kCertificatePrivateKey, encryptedB->data(), encryptedB->size(),
                                               shareB.data(), &length, run.tcCertificate) != 0) {
    reportAtLine(run);
    reportError(kMsgRecoverShareNotDecrypted, "dekryptace privatnim klicem TC", "operace na karte selhala");
    closeToken();
    return 2;
  }
  closeToken();
  shareB.resize(length);

  // Both shares are as long as a session key; shares of other lengths make no key.
  KeyShares shares;
  shares.shareA = std::move(request.output);
  shares.shareB = std::move(shareB);
  if (shares.shareA.size() != kTripleDesKeySize || shares.shareB.size() != kTripleDesKeySize ||
      joinKey(shares) != 0) {
    reportAtLine(run);
    reportError(kMsgSharesNotSplit);
    return -1;
  }
  run.sessionKeyBytes = std::move(shares.key);
  run.sessionKey = TripleDesKey{};
  run.sessionKeyBuilt = run.sessionKeyRejected = false;
  return 0;
}

// The new hashing key: the first 24 bytes of its file, read at the first Y record that needs it
// and kept for the rest of the run. False after 7900 and 8002 (and 161 for a key the DES rules
// refuse).
bool loadNewHashKey(RecoverRun& run) {
  if (run.newKeyLoaded) return true;
  SecureBytes bytes(kTripleDesKeySize);
  size_t read = 0;
  if (FilePtr file{openFile(run.newKeyFile, "rb")}) read = std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (read != kTripleDesKeySize || makeTripleDesKey(bytes, run.newKey) != 0) {
    reportAtLine(run);
    reportError(kMsgRecoverNewKeyUnusable);
    return false;
  }
  run.newKeyLoaded = true;
  return true;
}

// The new coded number of a Y record, 40 lower-case hex characters and a NUL. False after the
// reports of the new key, or (nothing reported) when the identifier does not decrypt.
bool recodeBirthNumber(RecoverRun& run, const RecoverRecord& record, char newCode[kCodedNumberLength + 1]) {
  if (!run.sessionKeyBuilt) {
    run.sessionKeyRejected = makeTripleDesKey(run.sessionKeyBytes, run.sessionKey) != 0;
    run.sessionKeyBuilt = true;
  } else if (run.sessionKeyRejected) {
    reportError(kMsgDesKeyRejected);  // as each record would find when it built the key itself
  }
  BirthNumberBlocks blocks{};
  bool ok = run.sessionKey.ready() && blocksOfRecoveryIdentifier(run.sessionKey, record.identifier, blocks) &&
            loadNewHashKey(run);
  unsigned char digest[kCodeDigestSize];
  ok = ok && run.coder.code(run.newKey, blocks, digest);
  wipe(blocks.data(), blocks.size());
  if (ok) toHexLower(digest, kCodeDigestSize, newCode);
  return ok;
}

// The translated lines, written a block at a time. Whatever ends the run writes what is held
// before anything is reported, so the output always holds every line before the one the
// reports name; a line that cannot be written is named as when each line went out alone.
class OutputLines {
 public:
  static constexpr size_t kLineLength = 1 + 2 * kCodedNumberLength + 2;
  static constexpr size_t kBlockLines = 1024;

  // The stream is written unbuffered, so a short write tells which lines reached it.
  explicit OutputLines(FILE* out) : out_(out) { std::setvbuf(out_, nullptr, _IONBF, 0); }

  void add(const RecoverRecord& record, const char* newCode, int64_t lineNumber) {
    char* line = block_ + held_ * kLineLength;
    line[0] = 'Y';
    std::memcpy(line + 1, record.oldCode.data(), kCodedNumberLength);
    std::memcpy(line + 1 + kCodedNumberLength, newCode, kCodedNumberLength);
    std::memcpy(line + kLineLength - 2, "\r\n", 2);
    lineNumbers_[held_++] = lineNumber;
  }
  bool full() const { return held_ == kBlockLines; }
  // Writes the held lines: 0, or the number of the first input line whose output line could
  // not be written whole (the held lines are dropped either way).
  int64_t write() {
    const size_t bytes = held_ * kLineLength;
    const size_t written = bytes ? std::fwrite(block_, 1, bytes, out_) : 0;
    const size_t held = held_;
    held_ = 0;
    return written == bytes ? 0 : lineNumbers_[std::min(written / kLineLength, held - 1)];
  }

 private:
  FILE* out_;
  char block_[kBlockLines * kLineLength];
  int64_t lineNumbers_[kBlockLines];
  size_t held_ = 0;
};

// A first character as a message shows it: control characters would break the text.
char shownCharacter(std::string_view line) {
  if (line.empty()) return ' ';
  unsigned char c = static_cast<unsigned char>(line[0]);
  return c < 0x20 || c == 0x7F ? '?' : line[0];
}

int32_t keyLength(const char* key, const char* lengthText) {
  int64_t length = leadingInteger(lengthText);
  if (length <= 0) return -1;
  // The DER bytes are the text itself: never read past its end.
  size_t available = std::strlen(key);
  if (static_cast<uint64_t>(length) > available) length = static_cast<int64_t>(available);
  return static_cast<int32_t>(length > INT32_MAX ? INT32_MAX : length);
}

int recoverLines(RecoverRun& run, FILE* in, FILE* out) {
  LineReader reader(in);
  LineReader::Piece piece;
  RecoverRecord record;
  std::string overlong;
  auto output = std::make_unique<OutputLines>(out);
  // Writes the held lines; false after the reports of one that could not be written.
  const auto written = [&run, &output] {
    const int64_t failed = output->write();
    if (failed == 0) return true;
    run.lineNumber = failed;
    reportAtLine(run);
    reportError(kMsgRecoverLineNotWritten);
    return false;
  };
  while (reader.next(piece)) {
    std::string_view line = piece.text;
    if (!piece.last) {
      // A line longer than the buffer is longer than any record: its start, itself longer than
      // any record, fails it the same way. Kept aside, as the rest reuses the buffer.
      overlong.assign(line.substr(0, 2 * kKeyRecordLength));
      line = overlong;
      reader.skipRest();
    }
    ++run.lineNumber;
    updateProgress(reader.position());
    if ((run.lineNumber - 1) % kInterruptCheckInterval == 0 && testInterrupted() == 1) {
      (void)written();
      return -1;
    }
    line = line.substr(0, line.find('\r'));
    char kind = line.empty() ? '\0' : line[0];
    // Only a whole Y record under keys already in use can go by without a report; anything
    // else may report, and the lines before it are written first.
    const bool quiet = kind == 'Y' && line.size() == kIdentifierRecordLength && run.newKeyLoaded &&
                       run.sessionKeyBuilt && !run.sessionKeyRejected;
    if (!quiet && !written()) return -1;
    if (kind != 'X' && kind != 'Y') {
      reportAtLine(run);
      reportError(kMsgRecoverUnknownRecord, shownCharacter(line));
      return -1;
    }
    if (kind == 'X') {
      if (parseKeyRecord(line, run.lineNumber, record) != 0) {
        reportAtLine(run);
        reportError(kMsgRecoverKeyRecordBad);
        return -1;
      }
      if (recoverSessionKey(run, record) != 0) {
        reportAtLine(run);
        reportError(kMsgRecoverSessionKeyLost);
        return -1;
      }
      continue;
    }
    if (run.lineNumber == 1) {
      reportError(kMsgRecoverFirstNotKeyRecord);
      reportError(kMsgRecoverNeedsKeyRecord);
      return -1;
    }
    if (parseIdentifierRecord(line, run.lineNumber, record) != 0) {
      reportAtLine(run);
      reportError(kMsgRecoverIdentifierRecordBad);
      return -1;
    }
    char newCode[kCodedNumberLength + 1];
    if (!recodeBirthNumber(run, record, newCode)) {
      const int64_t lineNumber = run.lineNumber;
      if (!written()) return -1;
      run.lineNumber = lineNumber;
      reportAtLine(run);
      reportError(kMsgRecoverNotRecoded);
      return -1;
    }
    output->add(record, newCode, run.lineNumber);
    if (output->full() && !written()) return -1;
  }
  if (!written()) return -1;
  return reader.failed() ? -1 : 0;
}

}  // namespace

int parseKeyRecord(std::string_view line, int64_t lineNumber, RecoverRecord& record) {
  return parseRecord(kKeyColumns, line, lineNumber, record);
}

int parseIdentifierRecord(std::string_view line, int64_t lineNumber, RecoverRecord& record) {
  return parseRecord(kIdentifierColumns, line, lineNumber, record);
}

int recoverHashes(const char* inputFile, const char* outputFile, const char* centreKey,
                  const char* centreKeyPassword, const char* centreKeyLength, const char* newKeyFile,
                  const char* newKeyLength, const char* tcCertificate, const char* slotText, const char* pin) {
  for (const char* argument : {inputFile, outputFile, centreKey, centreKeyPassword, centreKeyLength, newKeyFile,
                               newKeyLength, tcCertificate, slotText, pin})
    if (!argument) return -1;
  // The reasons of a failure must reach the host even when no other call set the catalogue.
  setMessageFile(kDefaultMessageFile);
  CryptoErrorScope scope("recoverHashes");
  RecoverRun run;
  run.centreKey = centreKey;
  run.centreKeyLength = keyLength(centreKey, centreKeyLength);
  run.centreKeyPassword = centreKeyPassword;
  run.newKeyFile = newKeyFile;
  run.tcCertificate = tcCertificate;
  run.slot = slotNumber(slotText);
  run.pin = pin;
  FilePtr in(openFile(inputFile, "rb"));
  // Truncating the output would destroy the input when both name one file.
  if (!in || sameFile(inputFile, outputFile)) return -1;
  FilePtr out(openFile(outputFile, "wb"));
  if (!out) return -1;
  int64_t size = fileSize(inputFile);
  setActivity(kActivity, size > 0 ? size : 0);
  CardSessionGuard card(true);
  return recoverLines(run, in.get(), out.get());
}

}  // namespace quervik
