// Birth numbers, their codes and recovery identifiers; see birth_number.h.
#include "birthnumber/birth_number.h"

#include <openssl/evp.h>

#include <cctype>
#include <cstring>

#include "crypto/crypto_errors.h"
#include "crypto/secure_bytes.h"

namespace quervik {
namespace {

bool isBase64Character(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/'; }

}  // namespace

BirthNumberField birthNumberOfRecord(std::string_view record) {
  BirthNumberField field{};
  if (record.size() <= kBirthNumberOffset) return field;
  std::string_view number = record.substr(kBirthNumberOffset, kBirthNumberLength);
  if (number.size() == kBirthNumberLength && number.back() == ' ') number.remove_suffix(1);
  std::memcpy(field.data(), number.data(), number.size());
  return field;
}

BirthNumberBlocks birthNumberBlocks(const BirthNumberField& field) {
  BirthNumberBlocks blocks{};
  std::memcpy(blocks.data(), field.data(), kBirthNumberHalf);
  std::memcpy(blocks.data() + kDesBlockSize, field.data() + kBirthNumberHalf, kBirthNumberHalf);
  return blocks;
}

BirthNumberCoder::BirthNumberCoder() {
  CryptoErrorScope scope("BirthNumberCoder");
  // Fetched once: an implicit fetch per digest would cost more than the digest itself.
  sha1_.reset(EVP_MD_fetch(nullptr, "SHA1", nullptr));
  context_.reset(EVP_MD_CTX_new());
  if (!ready()) drainCryptoErrors();
}

bool BirthNumberCoder::code(const TripleDesKey& key, const BirthNumberBlocks& blocks,
                            unsigned char digest[kCodeDigestSize]) {
  unsigned char encrypted[kBirthNumberBlocksSize];
  unsigned int length = 0;
  bool ok = ready() && tripleDesEncryptBlocks(key, blocks.data(), encrypted, sizeof encrypted) == 0 &&
            EVP_DigestInit_ex(context_.get(), sha1_.get(), nullptr) == 1 &&
            EVP_DigestUpdate(context_.get(), encrypted, sizeof encrypted) == 1 &&
            EVP_DigestFinal_ex(context_.get(), digest, &length) == 1 && length == kCodeDigestSize;
  wipe(encrypted, sizeof encrypted);
  if (!ok) drainCryptoErrors();
  return ok;
}

bool recoveryIdentifier(const TripleDesKey& sessionKey, const BirthNumberBlocks& blocks,
                        char identifier[kRecoveryIdentifierLength]) {
  unsigned char encrypted[kBirthNumberBlocksSize];
  if (tripleDesEncryptBlocks(sessionKey, blocks.data(), encrypted, sizeof encrypted) != 0) return false;
  unsigned char text[kRecoveryIdentifierLength + 1];  // the encoder ends its text with a NUL
  int n = EVP_EncodeBlock(text, encrypted, sizeof encrypted);
  std::memcpy(identifier, text, kRecoveryIdentifierLength);
  return n == static_cast<int>(kRecoveryIdentifierLength);
}

bool blocksOfRecoveryIdentifier(const TripleDesKey& sessionKey, std::string_view identifier,
                                BirthNumberBlocks& blocks) {
  // 16 bytes are 22 characters and "==".
  if (identifier.size() != kRecoveryIdentifierLength || identifier.substr(22) != "==") return false;
  for (char c : identifier.substr(0, 22))
    if (!isBase64Character(c)) return false;
  unsigned char decoded[18];  // the block decoder counts the padding as bytes
  if (EVP_DecodeBlock(decoded, reinterpret_cast<const unsigned char*>(identifier.data()),
                      static_cast<int>(identifier.size())) != 18) {
    drainCryptoErrors();
    return false;
  }
  bool ok = tripleDesDecryptBlocks(sessionKey, decoded, blocks.data(), kBirthNumberBlocksSize) == 0;
  wipe(decoded, sizeof decoded);
  // Every block was made from five characters and three zero bytes.
  for (size_t b = 0; ok && b < 2; ++b)
    for (size_t i = kBirthNumberHalf; i < kDesBlockSize; ++i) ok = ok && blocks[b * kDesBlockSize + i] == 0;
  return ok;
}

}  // namespace quervik
