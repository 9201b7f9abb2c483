// desRc with key files: coded numbers against an independent computation, the records of the
// coded batch, the X record opened with the key holders' keys, lines of every kind and length,
// interruption, failures (never an output left behind) and no plain birth number on disk.
#include <cstdlib>
#include <set>

#include "birthnumber/encode.h"
#include "birthnumber_support.h"
#include "runtime/cancellation.h"
#include "runtime/progress.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

class BirthNumberCoding : public CryptoTest {
 protected:
  void SetUp() override {
    CryptoTest::SetUp();
    hashKey = goodDesKey();
    blob = put("hash_key.bin", hashKeyBlob(hashKey));
  }
  int code(const std::string& in, const std::string& out, int keyType = 1) {
    return encodeBirthNumbers(in.c_str(), out.empty() ? nullptr : out.c_str(), nullptr,
                              (keyType == 1 ? k.otherCertPem : k.otherPubPem).c_str(),
                              (keyType == 1 ? tc.certPem : tc.pubPem).c_str(), k.keyEncPem.c_str(), blob.c_str(),
                              kKeyPassword, keyType);
  }
  // Codes the lines; the output's text.
  std::string codeLines(const std::vector<std::string>& lines) {
    std::string in = put("in.drg", joinLines(lines)), out = tmp / "out.drg";
    EXPECT_EQ(code(in, out), 0);
    EXPECT_TRUE(reportedCodes().empty());
    return readFile(out);
  }

  const KeyMaterial& k = keyMaterial();
  const TrustCentreKeys& tc = trustCentreKeys();
  std::string hashKey, blob;
};

TEST_F(BirthNumberCoding, KeyRecordOpensWithBothHoldersKeysAndOnlyItChangesFromRunToRun) {
  const std::vector<std::string> numbers = {"8001011234", "755101123", "0154120011"};
  const std::vector<std::string> lines = {kARecord, bRecord(1, numbers[0]), bRecord(2, numbers[1]), kCRecord,
                                          bRecord(3, numbers[2])};
  CodedBatch batch = splitCodedBatch(codeLines(lines));
  const std::string& x = batch.keyRecord;
  ASSERT_EQ(x.size(), 351u);
  std::vector<size_t> separators;
  for (size_t i = 0; i < x.size(); ++i)
    if (x[i] == '_') separators.push_back(i + 1);
  EXPECT_EQ(separators, (std::vector<size_t>{66, 131, 176, 241, 306, 351}));

  std::string sessionKey = toolSessionKeyOf(x);
  ASSERT_EQ(sessionKey.size(), 24u);
  ASSERT_EQ(batch.identifierRecords.size(), numbers.size());
  for (size_t i = 0; i < numbers.size(); ++i)
    EXPECT_EQ(toolBirthNumberOf(sessionKey, batch.identifierRecords[i].substr(41)), numbers[i]);

  // A second run: the same codes, a new session key, new identifiers.
  CodedBatch again = splitCodedBatch(codeLines(lines));
  EXPECT_EQ(again.lines, batch.lines);
  EXPECT_NE(again.keyRecord, batch.keyRecord);
  ASSERT_EQ(again.identifierRecords.size(), numbers.size());
  for (size_t i = 0; i < numbers.size(); ++i) {
    EXPECT_EQ(again.identifierRecords[i].substr(0, 41), batch.identifierRecords[i].substr(0, 41));
    EXPECT_NE(again.identifierRecords[i].substr(41), batch.identifierRecords[i].substr(41));
  }
}

TEST_F(BirthNumberCoding, BatchWithoutBRecordsIsCopiedWithCrLfLineEnds) {
  std::string lf = kARecord + "\n" + "b" + std::string(123, '1') + "\n\n" + kCRecord + "\r\n" + "Z last line";
  std::string in = put("in.drg", lf), out = tmp / "out.drg";
  EXPECT_EQ(code(in, out), 0);
  EXPECT_TRUE(reportedCodes().empty());
  EXPECT_EQ(readFile(out), kARecord + "\r\n" + "b" + std::string(123, '1') + "\r\n\r\n" + kCRecord + "\r\n" +
                               "Z last line");
}

TEST_F(BirthNumberCoding, RecordsOfAnyLength) {
  std::string full = bRecord(1, "755101123");
  std::string hugeOther = "C" + std::string(3 << 20, 'c');
  std::vector<std::string> lines = {
      kARecord,
      full.substr(0, 88),                                      // columns 84-88 only: a 5-character number
      full.substr(0, 40),                                      // no birth number at all
      full.substr(0, 92),                                      // the 9 characters without the 10th column
      bRecord(2, "8001011234") + "ZBYTEK ZA SLOUPCEM 124",    // everything after column 93 goes
      bRecord(3, "7001011234") + std::string(2 << 20, 'x'),  // longer than the line buffer
      hugeOther,
  };
  std::string in = put("in.drg", joinLines(lines) + kCRecord), out = tmp / "out.drg";  // no final line end
  ASSERT_EQ(code(in, out), 0);
  CodedBatch batch = splitCodedBatch(readFile(out));
  ASSERT_EQ(batch.lines.size(), lines.size() + 1);
  const std::string code9 = oracleCode(hashKey, "755101123");
  EXPECT_EQ(batch.lines[1], full.substr(0, 83) + oracleCode(hashKey, "75510") + " ");
  EXPECT_EQ(batch.lines[2], full.substr(0, 40) + std::string(43, ' ') + oracleCode(hashKey, "") + " ");
  EXPECT_EQ(batch.lines[3], full.substr(0, 83) + code9 + " ");
  EXPECT_EQ(batch.lines[4], full.substr(0, 83).replace(1, 7, "0000002") + oracleCode(hashKey, "8001011234") + " ");
  EXPECT_EQ(batch.lines[5], full.substr(0, 83).replace(1, 7, "0000003") + oracleCode(hashKey, "7001011234") + " ");
  EXPECT_TRUE(batch.lines[6] == hugeOther);
  // The last line had no line end: the X record still starts a line of its own.
  EXPECT_EQ(batch.lines[7], kCRecord);
  EXPECT_EQ(batch.keyRecord.size(), 351u);
  EXPECT_EQ(batch.identifierRecords.size(), 5u);
}

TEST_F(BirthNumberCoding, InterruptionInEitherPhaseLeavesNoOutput) {
  std::string in = put("in.drg", joinLines({kARecord, bRecord(1, "8001011234"), kCRecord})), out = tmp / "out.drg";
  InterruptAt never(0);
  installCancellationSource(&never);
  ASSERT_EQ(code(in, out), 0);
  // A short batch is asked about once in each phase.
  EXPECT_EQ(never.activities,
            (std::vector<std::string>{"Kodovani rodnych cisel", "Doplneni souboru o identifikatory"}));
  fs::remove(out);

  InterruptAt inCopy(1), inIdentifiers(2);
  installCancellationSource(&inCopy);
  EXPECT_EQ(code(in, out), 1);
  EXPECT_TRUE(reportedCodes().empty());
  expectNoOutput(out);
  installCancellationSource(&inIdentifiers);
  EXPECT_EQ(code(in, out), 1);
  EXPECT_EQ(reportedCodes(), std::vector<int>{101});
  expectNoOutput(out);
  installCancellationSource(nullptr);
}

TEST_F(BirthNumberCoding, FailuresReportTheirCodesAndLeaveNoOutput) {
  std::string in = put("in.drg", joinLines({kARecord, bRecord(1, "8001011234"), kCRecord}));
  std::string out = tmp / "out.drg";
  std::string shortBlob = put("short.bin", hashKeyBlob(hashKey.substr(0, 16)));
  std::string bigKey = tmp / "big.pem", bigCert = tmp / "big_cert.pem";
  runToolOk("openssl req -x509 -newkey rsa:2048 -nodes -keyout " + shellQuote(bigKey) + " -subj /CN=Velky -out " +
            shellQuote(bigCert));
  struct Case {
    const char* what;
    std::string input, blob, drg, password;
    int keyType;
    std::vector<int> codes;
  };
  const Case cases[] = {
      {"blob of 16 bytes", in, shortBlob, k.otherCertPem, kKeyPassword, 1, {159, 151, 121}},
      {"wrong password", in, blob, k.otherCertPem, "Spatne-Heslo", 1, {247, 90001, 158, 151, 121}},
      {"missing input", tmp / "missing.drg", blob, k.otherCertPem, kKeyPassword, 1, {501}},
      {"no DRG certificate", in, blob, tmp / "missing.pem", kKeyPassword, 1, {242, 90001, 90003}},
      {"certificate given as public key", in, blob, k.otherCertPem, kKeyPassword, 0, {251, 90001, 90003}},
      {"2048-bit DRG key", in, blob, bigCert, kKeyPassword, 1, {90003}},
      {"unknown key type", in, blob, k.otherCertPem, kKeyPassword, 7, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clearErrors();
    std::string tcKey = c.keyType == 0 ? tc.pubPem : tc.certPem;
    EXPECT_EQ(encodeBirthNumbers(c.input.c_str(), out.c_str(), nullptr, c.drg.c_str(), tcKey.c_str(),
                                 k.keyEncPem.c_str(), c.blob.c_str(), c.password.c_str(), c.keyType),
              1);
    EXPECT_EQ(reportedCodes(), c.codes);
    expectNoOutput(out);
  }
  clearErrors();
  // An output that cannot be created or written; an existing output stays as it was after a failure.
  EXPECT_EQ(code(in, tmp / "no/such/dir/out.drg"), 1);
  EXPECT_EQ(reportedCodes(), std::vector<int>{502});
  clearErrors();
  writeFile(out, "predchozi obsah");
  std::swap(blob, shortBlob);
  EXPECT_EQ(code(in, out), 1);
  EXPECT_EQ(readFile(out), "predchozi obsah");
  std::swap(blob, shortBlob);
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no full device";
#endif
  clearErrors();
  EXPECT_EQ(code(in, "/dev/full"), 1);
  EXPECT_EQ(reportedCodes(), std::vector<int>{502});
}

// F3: the distinct set of a large batch is never written anywhere: the output's directory and
// the temporary directory are searched for the plain numbers while the run asks whether to
// stop (in both phases) and after it.
class ScanningSource : public CancellationSource {
 public:
  ScanningSource(std::vector<std::string> dirs, std::vector<std::string> numbers)
      : dirs_(std::move(dirs)), numbers_(std::move(numbers)) {}
  bool consumeInterrupt() override {
    ++scans;
    for (const std::string& d : dirs_)
      for (const std::string& f : filesHolding(d, numbers_)) found.push_back(f);
    return false;
  }
  int scans = 0;
  std::vector<std::string> found;

 private:
  std::vector<std::string> dirs_, numbers_;
};

TEST_F(BirthNumberCoding, LargeBatchKeepsEveryDistinctNumberOffDisk) {
  std::string outDir = tmp / "out", tempDir = tmp / "temp";
  fs::create_directories(outDir);
  fs::create_directories(tempDir);
  const char* oldTemp = std::getenv(kTempVariable);
  std::string savedTemp = oldTemp ? oldTemp : "";
  setEnv(kTempVariable, tempDir.c_str());

  // 3,000 records over 1,500 numbers, each seen first in order and then once more.
  std::vector<std::string> numbers, lines = {kARecord};
  for (int i = 0; i < 1500; ++i) {
    char n[11];
    std::snprintf(n, sizeof n, "%010d", 1010000 + i * 7919);
    numbers.push_back(n);
  }
  for (int i = 0; i < 3000; ++i) lines.push_back(bRecord(i, numbers[i < 1500 ? i : (i * 7) % 1500]));
  lines.push_back(kCRecord);
  std::string in = put("in.drg", joinLines(lines)), out = outDir + "/out.drg";
  ScanningSource scanner({outDir, tempDir}, numbers);
  installCancellationSource(&scanner);
  int result = code(in, out);
  installCancellationSource(nullptr);
  setEnv(kTempVariable, oldTemp ? savedTemp.c_str() : nullptr);
  ASSERT_EQ(result, 0);
  EXPECT_GE(scanner.scans, 4);  // three questions while copying, two while completing
  EXPECT_EQ(scanner.found, std::vector<std::string>{});
  EXPECT_EQ(filesHolding(outDir, numbers), std::vector<std::string>{});
  EXPECT_EQ(filesHolding(tempDir, numbers), std::vector<std::string>{});

  CodedBatch batch = splitCodedBatch(readFile(out));
  std::vector<std::string> codes = oracleCodes(hashKey, numbers);
  ASSERT_EQ(batch.identifierRecords.size(), numbers.size());
  for (size_t i = 0; i < numbers.size(); ++i) EXPECT_EQ(batch.identifierRecords[i].substr(1, 40), codes[i]);
  ASSERT_EQ(batch.lines.size(), lines.size());
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    size_t n = i - 1 < 1500 ? i - 1 : ((i - 1) * 7) % 1500;
    ASSERT_EQ(batch.lines[i].substr(83, 40), codes[n]) << "line " << i;
  }
}

}  // namespace
}  // namespace quervik::test
