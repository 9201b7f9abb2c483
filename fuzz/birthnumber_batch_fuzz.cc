// Fuzz target: arbitrary bytes as a DRG batch through the copy that codes the birth numbers and
// the Y records that follow it. Every line comes out (B records at exactly 124 characters), each
// distinct birth number once, and nothing crashes, leaks or reads past a record.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "birthnumber/coded_batch.h"
#include "birthnumber/triple_des.h"
#include "fuzz_temp.h"

using namespace quervik;

QUERVIK_FUZZ_TARGET(const uint8_t* data, size_t size) {
  static const TripleDesKey coding = fuzz::desKey(0x13), session = fuzz::desKey(0x40);
  if (size == 0) return;
  FILE* in = ::fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!in) std::abort();
  BlockSink out;  // in memory
  BirthNumberSet set;
  BirthNumberCoder coder;
  LineReader reader(in, LineReader::kMinimumBuffer);
  CodedCopy copy;
  const PassEnd end = copyWithCodedNumbers(reader, out, coding, coder, set, copy);
  // An X record stops the pass at it: nothing more to hold.
  if (end != PassEnd::AlreadyCoded) {
    if (end != PassEnd::Done) std::abort();
    const std::string coded(out.buffered());
    if (set.size() > static_cast<size_t>(copy.bRecords)) std::abort();
    // One line out for every line in (a line holds no LF, so no CR LF either).
    int64_t lines = 0;
    for (size_t at = 0; at < coded.size(); ++lines) {
      const size_t lineEnd = std::min(coded.find("\r\n", at), coded.size());
      if (coded[at] == 'B' && lineEnd - at != kCodedRecordLength) std::abort();
      at = lineEnd + 2;
    }
    if (lines != copy.lines) std::abort();
    const size_t before = out.buffered().size();
    if (writeIdentifierRecords(out, session, set) != PassEnd::Done) std::abort();
    if (out.buffered().size() - before != set.size() * (1 + kCodedNumberLength + kRecoveryIdentifierLength + 2))
      std::abort();
  }
  std::fclose(in);
}
