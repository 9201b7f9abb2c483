// The passes of desRc; see coded_batch.h.
#include "birthnumber/coded_batch.h"

#include <cstring>

#include "crypto/hex.h"
#include "crypto/secure_bytes.h"
#include "runtime/cancellation.h"
#include "runtime/progress.h"

namespace quervik {
namespace {

constexpr char kLineEnd[] = "\r\n";

bool put(FILE* out, const void* bytes, size_t n) { return n == 0 || std::fwrite(bytes, 1, n, out) == n; }

// The coded number of a B record's birth number: from the set when the number was seen
// before, else coded now and added.
const BirthNumberSet::Entry* codedEntry(std::string_view record, const TripleDesKey& hashKey,
                                        BirthNumberCoder& coder, BirthNumberSet& set) {
  BirthNumberField field = birthNumberOfRecord(record);
  const BirthNumberSet::Entry* entry = set.find(field);
  if (!entry) {
    BirthNumberBlocks blocks = birthNumberBlocks(field);
    unsigned char digest[kCodeDigestSize];
    bool coded = coder.code(hashKey, blocks, digest);
    wipe(blocks.data(), blocks.size());
    if (coded) entry = &set.add(field, digest);
  }
  wipe(field.data(), field.size());
  return entry;
}

}  // namespace

PassEnd copyWithCodedNumbers(LineReader& in, FILE* out, const TripleDesKey& hashKey, BirthNumberCoder& coder,
                             BirthNumberSet& set, CodedCopy& copy) {
  LineReader::Piece piece;
  for (;;) {
    if (copy.lines % kInterruptCheckInterval == 0 && testInterrupted() == 1) return PassEnd::Interrupted;
    if (!in.next(piece)) break;
    ++copy.lines;
    if (!piece.text.empty() && piece.text[0] == 'B') {
      // A piece holds the whole line or at least a buffer's worth: all the columns we need.
      const BirthNumberSet::Entry* entry = codedEntry(piece.text, hashKey, coder, set);
      if (!entry) return PassEnd::CodingFailed;
      char record[kCodedRecordLength + 2];
      size_t kept = piece.text.size() < kBirthNumberOffset ? piece.text.size() : kBirthNumberOffset;
      std::memcpy(record, piece.text.data(), kept);
      std::memset(record + kept, ' ', kBirthNumberOffset - kept);
      char hex[kCodedNumberLength + 1];
      toHexLower(entry->digest, kCodeDigestSize, hex);
      std::memcpy(record + kBirthNumberOffset, hex, kCodedNumberLength);
      std::memcpy(record + kCodedRecordLength - 1, " \r\n", 3);
      in.skipRest();  // only now: it reuses the buffer the piece lies in
      if (!put(out, record, sizeof record)) return PassEnd::WriteFailed;
      ++copy.bRecords;
      copy.lastLineUnended = false;
    } else {
      // Copied whole, piece by piece, however long the line.
      for (;;) {
        if (!put(out, piece.text.data(), piece.text.size())) return PassEnd::WriteFailed;
        if (piece.last) break;
        if (!in.next(piece)) break;
      }
      if (piece.ended && !put(out, kLineEnd, 2)) return PassEnd::WriteFailed;
      copy.lastLineUnended = !piece.ended;
    }
    updateProgress(in.position());
  }
  return in.failed() ? PassEnd::ReadFailed : PassEnd::Done;
}

PassEnd writeIdentifierRecords(FILE* out, const TripleDesKey& sessionKey, const BirthNumberSet& set) {
  for (size_t i = 0; i < set.size(); ++i) {
    if (i % kInterruptCheckInterval == 0 && testInterrupted() == 1) return PassEnd::Interrupted;
    const BirthNumberSet::Entry& entry = set[i];
    char record[1 + kCodedNumberLength + kRecoveryIdentifierLength + 2];
    record[0] = 'Y';
    char hex[kCodedNumberLength + 1];
    toHexLower(entry.digest, kCodeDigestSize, hex);
    std::memcpy(record + 1, hex, kCodedNumberLength);
    BirthNumberBlocks blocks = birthNumberBlocks(entry.field);
    bool made = recoveryIdentifier(sessionKey, blocks, record + 1 + kCodedNumberLength);
    wipe(blocks.data(), blocks.size());
    if (!made) return PassEnd::CodingFailed;
    std::memcpy(record + sizeof record - 2, kLineEnd, 2);
    if (!put(out, record, sizeof record)) return PassEnd::WriteFailed;
    updateProgress(static_cast<int64_t>(i + 1));
  }
  return PassEnd::Done;
}

}  // namespace quervik
