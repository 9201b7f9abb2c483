// The key helpers without a card: triple DES against its published vector, session keys, key
// shares, and hashing-key blobs in files.
#include <cstring>
#include <set>

#include "birthnumber/key_blob.h"
#include "birthnumber/key_shares.h"
#include "birthnumber/triple_des.h"
#include "protect_support.h"
#include "runtime/report.h"
#include "token/session.h"

namespace quervik::test {
namespace {

using KeyHelpers = CryptoTest;

std::string bytes(const unsigned char* p, size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

TEST_F(KeyHelpers, TripleDesMatchesThePublishedVector) {
  const unsigned char k[24] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x23, 0x45, 0x67, 0x89,
                               0xAB, 0xCD, 0xEF, 0x01, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF, 0x01, 0x23};
  TripleDesKey key;
  ASSERT_EQ(makeTripleDesKey(k, key), 0);
  unsigned char out[8], back[8];
  ASSERT_EQ(tripleDesEncryptBlock(key, reinterpret_cast<const unsigned char*>("The qufc"), out), 0);
  EXPECT_EQ(hexOf(bytes(out, 8)), "A826FD8CE53B855F");
  ASSERT_EQ(tripleDesDecryptBlock(key, out, back), 0);
  EXPECT_EQ(bytes(back, 8), "The qufc");

  // Not whole blocks, or a key never made: refused. (The bulk calls agree with the tool in
  // every coded birth number of the coding tests.)
  unsigned char twelve[12] = {};
  EXPECT_EQ(tripleDesEncryptBlocks(key, twelve, twelve, 12), -1);
  TripleDesKey none;
  EXPECT_EQ(tripleDesEncryptBlock(none, twelve, out), -1);
  EXPECT_TRUE(reportedCodes().empty());
}

TEST_F(KeyHelpers, SessionKeysAreFreshUsableDesKeysAndSplitIntoRandomShares) {
  std::set<std::string> seen;
  for (int i = 0; i < 20; ++i) {
    TripleDesKey key;
    ASSERT_EQ(generateSessionKey(key), 0);
    ASSERT_TRUE(key.ready());
    ASSERT_EQ(key.bytes.size(), 24u);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(checkDesKey(key.k(j)), 0);
    EXPECT_NE(std::memcmp(key.k(0), key.k(1), 8), 0);
    seen.insert(bytes(key.bytes.data(), 24));
  }
  EXPECT_EQ(seen.size(), 20u);

  // Shares join to the key, and share A is random.
  TripleDesKey session;
  ASSERT_EQ(generateSessionKey(session), 0);
  KeyShares first, second;
  first.key.assign(session.bytes.begin(), session.bytes.end());
  second.key = first.key;
  ASSERT_EQ(splitKey(first), 0);
  ASSERT_EQ(splitKey(second), 0);
  ASSERT_EQ(first.shareA.size(), 24u);
  // Two splits in the same second still draw different shares.
  EXPECT_NE(first.shareA, second.shareA);
  EXPECT_NE(first.shareA, first.key);
  KeyShares join;
  join.shareA = first.shareA;
  join.shareB = first.shareB;
  ASSERT_EQ(joinKey(join), 0);
  EXPECT_EQ(join.key, first.key);
  EXPECT_EQ(join.shareA, first.shareA);  // the shares stay
  // Missing or mismatched shares, nothing to split.
  KeyShares broken;
  EXPECT_EQ(joinKey(broken), -1);
  broken.shareA = first.shareA;
  EXPECT_EQ(joinKey(broken), -2);
  broken.shareB = SecureBytes(first.shareB.begin(), first.shareB.end() - 1);
  EXPECT_EQ(joinKey(broken), -2);
  EXPECT_TRUE(broken.key.empty());
  KeyShares empty;
  EXPECT_EQ(splitKey(empty), -1);
  EXPECT_TRUE(reportedCodes().empty());
}

TEST_F(KeyHelpers, BadBlobFilesAreRefusedWithTheirCodes) {
  struct Case {
    std::string blobText;
    bool makeFile;
    const char* password;
    std::vector<int> codes;
  };
  std::string good = hashKeyBlob(goodDesKey());
  std::string parityBroken = goodDesKey();
  parityBroken[0] ^= 1;
  // A block of the right key whose padding is not that of an encrypted key (a signature's):
  // refused every time, where a cut ciphertext is still the same number when it began with 0.
  std::string signaturePadded = std::string(1, '\0') + '\x01' + std::string(128 - 27, '\xFF') + '\0' + goodDesKey();
  std::string wrongPadding = toolOutput(
      "openssl pkeyutl -encrypt -pubin -inkey " + shellQuote(keyMaterial().pubPem) + " -pkeyopt rsa_padding_mode:none",
      signaturePadded);
  ASSERT_EQ(wrongPadding.size(), 128u);
  const Case cases[] = {
      {hashKeyBlob(goodDesKey().substr(0, 16)), true, kKeyPassword, {159, 151}},
      {hashKeyBlob(goodDesKey() + goodDesKey().substr(0, 8)), true, kKeyPassword, {159, 151}},
      {"", false, kKeyPassword, {153, 151}},
      {"", true, kKeyPassword, {90003, 158, 151}},
      {wrongPadding, true, kKeyPassword, {90003, 158, 151}},
      {good, true, "Spatne-Heslo", {247, 90001, 158, 151}},
      {hashKeyBlob(parityBroken), true, kKeyPassword, {161}},
  };
  for (const Case& c : cases) {
    clearErrors();
    std::string path = tmp / "missing.bin";
    if (c.makeFile) path = put("blob.bin", c.blobText);
    TripleDesKey key;
    EXPECT_EQ(loadHashKey(1, kNoSlot, path.c_str(), keyMaterial().keyEncPem.c_str(), c.password, key), -1);
    EXPECT_EQ(reportedCodes(), c.codes);
  }
}

}  // namespace
}  // namespace quervik::test
