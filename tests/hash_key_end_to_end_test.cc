// The hashing key a hospital makes with `quervik card make-hash-key` is the one the birth-number
// coding then uses from the card and from a blob file: the coded numbers equal those computed
// independently with the key the openssl tool takes out of the blob.
#include "birthnumber/encode.h"
#include "birthnumber_support.h"
#include "card_fixture.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

class HashKeyEndToEnd : public CardTest {
 protected:
  void SetUp() override {
    CardTest::SetUp();
    if (HasFatalFailure()) return;
    if (!haveQuervik()) GTEST_SKIP() << "no CLI in this tree";
    ToolResult r = p11tool("--write-object " + shellQuote(trustCentreKeys().certDer) +
                           " --type cert --id 54 --label 'Certifikat:TC'");
    ASSERT_EQ(r.status, 0) << r.output;
  }
  // The 24 key bytes of a blob, opened by the openssl tool with the hospital's key file.
  std::string keyOf(const std::string& blob) {
    std::string file = tmp / "blob.in";
    writeFile(file, blob);
    return runToolOk("openssl pkeyutl -decrypt -inkey " + shellQuote(keyMaterial().keyPem) + " -in " +
                     shellQuote(file));
  }
  std::string batch() {
    std::string in = tmp / "batch.drg";
    writeFile(in, joinLines({kARecord, bRecord(1, numbers[0]), kCRecord, bRecord(2, numbers[1]), kCRecord}));
    return in;
  }
  void expectOracleCodes(const std::string& coded, const std::string& key) {
    CodedBatch b = splitCodedBatch(readFile(coded));
    ASSERT_EQ(b.lines.size(), 5u);
    std::vector<std::string> codes = oracleCodes(key, numbers);
    EXPECT_EQ(b.lines[1].substr(83, 40), codes[0]);
    EXPECT_EQ(b.lines[3].substr(83, 40), codes[1]);
    EXPECT_EQ(b.identifierRecords.size(), 2u);
  }
  const std::vector<std::string> numbers = {"8001011234", "755101123"};
};

TEST_F(HashKeyEndToEnd, KeyMadeOnTheCardCodesBirthNumbersOnTheCard) {
  ToolResult r = runTool("QUERVIK_PIN=" + shellQuote(kUserPin) + " " + std::string(QUERVIK_BINARY_DIR) +
                         "/quervik card make-hash-key --cert ABC --store --slot " + slotText());
  ASSERT_EQ(r.status, 0) << r.output;
  std::string blobFile = tmp / "blob.bin";
  ASSERT_EQ(p11tool("--read-object --type data --label RSA_DES_KEY -o " + shellQuote(blobFile)).status, 0);
  std::string key = keyOf(readFile(blobFile));
  ASSERT_EQ(key.size(), 24u);

  std::string coded = tmp / "coded.drg";
  ASSERT_EQ(encodeBirthNumbers(batch().c_str(), coded.c_str(), slotText().c_str(), "NRC", "TC", "ABC", "RSA_DES_KEY",
                               kUserPin, 1),
            0);
  EXPECT_TRUE(reportedCodes().empty());
  expectOracleCodes(coded, key);
}

TEST_F(HashKeyEndToEnd, KeyMadeIntoABlobFileCodesBirthNumbersWithKeyFiles) {
  std::string blob = tmp / "hash.key";
  ToolResult r = runTool(std::string(QUERVIK_BINARY_DIR) + "/quervik card make-hash-key --cert-file " +
                         shellQuote(keyMaterial().certPem) + " --out " + shellQuote(blob));
  ASSERT_EQ(r.status, 0) << r.output;
  std::string key = keyOf(readFile(blob));
  ASSERT_EQ(key.size(), 24u);

  std::string coded = tmp / "coded.drg";
  ASSERT_EQ(encodeBirthNumbers(batch().c_str(), coded.c_str(), nullptr, keyMaterial().otherCertPem.c_str(),
                               trustCentreKeys().certPem.c_str(), keyMaterial().keyEncPem.c_str(), blob.c_str(),
                               kKeyPassword, 1),
            0);
  EXPECT_TRUE(reportedCodes().empty());
  expectOracleCodes(coded, key);
}

}  // namespace
}  // namespace quervik::test
