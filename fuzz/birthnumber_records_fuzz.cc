// Fuzz target: arbitrary bytes as the X and Y records of a recovery input: every line through
// the column checks of both record kinds, the share texts through the "_" base64 decoder, the
// identifiers through decryption and coding under fixed keys. Nothing may crash, leak, read past
// a line or leave errors queued.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "birthnumber/birth_number.h"
#include "birthnumber/recover.h"
#include "birthnumber/underscored_base64.h"
#include "fuzz_temp.h"

using namespace quervik;

QUERVIK_FUZZ_TARGET(const uint8_t* data, size_t size) {
  static const TripleDesKey sessionKey = fuzz::desKey(0x11), newKey = fuzz::desKey(0x5A);
  static BirthNumberCoder coder;
  std::string_view text = fuzz::text(data, size);
  int64_t lineNumber = 0;
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    line = line.substr(0, line.find('\r'));
    ++lineNumber;
    RecoverRecord record;
    int x = parseKeyRecord(line, lineNumber, record);
    if (x == 0) {
      if (record.shareA.size() != 175 || record.shareB.size() != 175) std::abort();
      for (std::string_view share : {record.shareA, record.shareB})
        if (auto bytes = decodeUnderscoredBase64(share); bytes && bytes->size() > share.size()) std::abort();
    }
    int y = parseIdentifierRecord(line, lineNumber, record);
    if (y == 0) {
      if (record.oldCode.size() != kCodedNumberLength || record.identifier.size() != kRecoveryIdentifierLength)
        std::abort();
      BirthNumberBlocks blocks;
      unsigned char digest[kCodeDigestSize];
      if (blocksOfRecoveryIdentifier(sessionKey, record.identifier, blocks) && !coder.code(newKey, blocks, digest))
        std::abort();
    }
    if (x < -2 || y < -2 || (line.empty() && (x != -2 || y != -2))) std::abort();
  }
}
