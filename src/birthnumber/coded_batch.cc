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

// False once a write of the output is known to have failed.
bool put(BlockSink& out, const void* bytes, size_t n) {
  out.append(bytes, n);
  out.flushIfFull();
  return !out.failed();
}

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

// A walk over the B records ahead of the reader, within what its buffer holds. A batch of a
// million distinct numbers has a set far larger than the cache; looked up cold, each record
// would wait for two reads from memory (slot, then entry). Each record kSlotLead ahead has its
// index slot asked for; when it has come to kEntryLead ahead (its slot in the cache by then),
// the entry the slot names. A record thus finds its memory in the cache when its turn comes.
class Lookahead {
 public:
  // Called once per B record the reader has taken.
  void advance(const LineReader& in, const BirthNumberSet& set) {
    if (count_ > 0) {  // the record just taken was the first ahead
      first_ = (first_ + 1) % kSlotLead;
      --count_;
    }
    const std::string_view unread = in.unread();
    const int64_t base = in.position();
    if (position_ < base) {  // overtaken: a buffer's end held the walk back
      position_ = base;
      count_ = 0;
    }
    size_t offset = static_cast<size_t>(position_ - base);
    while (count_ < kSlotLead && offset < unread.size()) {
      const char* at = unread.data() + offset;
      const void* lf = std::memchr(at, '\n', unread.size() - offset);
      if (!lf) break;  // the line goes on beyond the buffer: wait for the reader
      size_t length = static_cast<size_t>(static_cast<const char*>(lf) - at);
      offset += length + 1;
      if (length > 0 && at[0] == 'B') {
        if (at[length - 1] == '\r') --length;
        BirthNumberField field = birthNumberOfRecord(std::string_view(at, length));
        const uint64_t hash = set.hashOf(field);
        wipe(field.data(), field.size());
        set.prefetchSlot(hash);
        hashes_[(first_ + count_) % kSlotLead] = hash;
        ++count_;
      }
    }
    position_ = base + static_cast<int64_t>(offset);
    if (count_ > kEntryLead) set.prefetchEntry(hashes_[(first_ + kEntryLead) % kSlotLead]);
  }

 private:
  static constexpr int kSlotLead = 16;
  static constexpr int kEntryLead = 8;
  uint64_t hashes_[kSlotLead];  // of the B records ahead, the next one first
  int first_ = 0, count_ = 0;
  int64_t position_ = 0;  // input position of the next line the walk looks at
};

}  // namespace

PassEnd copyWithCodedNumbers(LineReader& in, BlockSink& out, const TripleDesKey& hashKey, BirthNumberCoder& coder,
                             BirthNumberSet& set, CodedCopy& copy) {
  LineReader::Piece piece;
  Lookahead ahead;
  for (;;) {
    if (copy.lines % kInterruptCheckInterval == 0 && testInterrupted() == 1) return PassEnd::Interrupted;
    if (!in.next(piece)) break;
    ++copy.lines;
    if (!piece.text.empty() && piece.text[0] == 'X') return PassEnd::AlreadyCoded;
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
      ahead.advance(in, set);
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

PassEnd writeIdentifierRecords(BlockSink& out, const TripleDesKey& sessionKey, const BirthNumberSet& set) {
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
