// One birth number as the coding sees it: taken from a B record of a DRG batch, turned into
// two plaintext blocks, coded under the hospital's hashing key (the stable one-way code that
// replaces it in the batch) and encrypted under a session key (the recovery identifier that
// lets the key holders get back to it). desRc codes and encrypts; recover decrypts an
// identifier and codes the number again under a new key.
#pragma once
#include <array>
#include <cstddef>
#include <string_view>

#include "birthnumber/triple_des.h"
#include "crypto/ossl_ptr.h"

namespace quervik {

// The birth number sits at columns 84-93 of a B record, the start of the patient
// identification field.
inline constexpr size_t kBirthNumberOffset = 83;
inline constexpr size_t kBirthNumberLength = 10;
// Its field: the 9 or 10 characters followed by zero bytes. The key of the distinct set.
inline constexpr size_t kBirthNumberFieldSize = 11;
// The two plaintext blocks: characters 1-5 and 6-10, each followed by three zero bytes.
inline constexpr size_t kBirthNumberBlocksSize = 2 * kDesBlockSize;
inline constexpr size_t kBirthNumberHalf = 5;
inline constexpr size_t kCodeDigestSize = 20;
inline constexpr size_t kCodedNumberLength = 2 * kCodeDigestSize;  // lower-case hex
inline constexpr size_t kRecoveryIdentifierLength = 24;           // base64 of 16 bytes

using BirthNumberField = std::array<unsigned char, kBirthNumberFieldSize>;
using BirthNumberBlocks = std::array<unsigned char, kBirthNumberBlocksSize>;

// The field of a B record (the line without its line end). A number whose 10th character is
// a blank has 9 characters. A record too short to hold all ten columns gives the characters
// it has there (none for a record of 83 characters or fewer); nothing past the record is read.
BirthNumberField birthNumberOfRecord(std::string_view record);

BirthNumberBlocks birthNumberBlocks(const BirthNumberField& field);

// Codes blocks under a key: triple-DES ECB of the two blocks, then SHA-1 of the 16 bytes.
// Holds the digest method and context so that coding a number costs no set-up.
class BirthNumberCoder {
 public:
  BirthNumberCoder();
  bool ready() const { return sha1_ && context_; }
  // The 20-byte digest. False (error queue drained) only when the cipher or the digest fail.
  [[nodiscard]] bool code(const TripleDesKey& key, const BirthNumberBlocks& blocks,
                          unsigned char digest[kCodeDigestSize]);

 private:
  EvpMdPtr sha1_;
  EvpMdCtxPtr context_;
};

// The recovery identifier: base64 (24 characters, "=" padded, no line end) of the blocks
// encrypted under the session key. False when the cipher fails.
[[nodiscard]] bool recoveryIdentifier(const TripleDesKey& sessionKey, const BirthNumberBlocks& blocks,
                                      char identifier[kRecoveryIdentifierLength]);

// The blocks back from an identifier. False when the text is not 24 base64 characters of
// 16 bytes, or when a decrypted block does not end in three zero bytes (an identifier made
// under another key, or damaged): such a number cannot be told.
[[nodiscard]] bool blocksOfRecoveryIdentifier(const TripleDesKey& sessionKey, std::string_view identifier,
                                              BirthNumberBlocks& blocks);

}  // namespace quervik
