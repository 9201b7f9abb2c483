// desRc with card keys and recover, against the SoftHSM2 card: the hospital's token holds its
// key pair and hashing-key blob and the DRG centre's and trust centre's certificates; the trust
// centre's private key sits on the same token for recovery. Coded numbers from card keys equal
// those from key files; recovery under the same key gives every old code back and under a new
// key the codes the oracle computes; each kind of bad line fails where it stands.
#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

#include "birthnumber/encode.h"
#include "birthnumber/recover.h"
#include "birthnumber_support.h"
#include "card_fixture.h"
#include "runtime/cancellation.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

// Card objects are named by their short names; the class prefix is part of the label.
constexpr const char* kTcCertificate = "TC";

class BirthNumberCard : public CardTest {
 protected:
  void SetUp() override {
    CardTest::SetUp();
    if (HasFatalFailure()) return;
    hashKey = goodDesKey();
    blob = put("hash_key.bin", hashKeyBlob(hashKey));
    storeObject(tc.certDer, "--type cert --id 54 --label 'Certifikat:TC'");
    storeObject(blob, "--type data --label RSA_DES_KEY --private");
  }
  // The centre's side: the trust centre's private key, found through its certificate's CKA_ID.
  void storeTrustCentreKey() { storeObject(tc.keyPkcs1Der, "--type privkey --id 54 --label 'Privatni klic:TC'"); }
  // desRc with key files; the coded batch.
  CodedBatch codeWithFiles(const std::vector<std::string>& lines) {
    std::string in = put("batch.drg", joinLines(lines)), out = tmp / "coded.drg";
    EXPECT_EQ(encodeBirthNumbers(in.c_str(), out.c_str(), nullptr, k.otherCertPem.c_str(), tc.certPem.c_str(),
                                 k.keyEncPem.c_str(), blob.c_str(), kKeyPassword, 1),
              0);
    return splitCodedBatch(readFile(out));
  }
  int recover(const std::string& in, const std::string& out, const std::string& newKeyFile,
              const std::string& centreKey = keyMaterial().otherKeyPem, const char* centreKeyLength = "-1",
              const char* pin = kUserPin) {
    return recoverHashes(in.c_str(), out.c_str(), centreKey.c_str(), "", centreKeyLength, newKeyFile.c_str(), "24",
                         kTcCertificate, slotText().c_str(), pin);
  }

  const KeyMaterial& k = keyMaterial();
  const TrustCentreKeys& tc = trustCentreKeys();
  std::string hashKey, blob;
};

const std::vector<std::string> kNumbers = {"8001011234", "755101123", "7551011230", "0154120011"};

std::vector<std::string> batchOf(const std::vector<std::string>& numbers) {
  std::vector<std::string> lines = {kARecord};
  for (size_t i = 0; i < numbers.size(); ++i) {
    lines.push_back(bRecord(int(i), numbers[i]));
    lines.push_back(kCRecord);
  }
  return lines;
}

TEST_F(BirthNumberCard, CardFailuresLeaveNoOutput) {
  std::string in = put("batch.drg", joinLines(batchOf(kNumbers))), out = tmp / "card.drg";
  struct Case {
    const char* what;
    const char* blobLabel;
    const char* pin;
    const char* tcLabel;
    std::vector<int> codes;
  };
  const Case cases[] = {
      {"no blob object", "NO_SUCH_KEY", kUserPin, kTcCertificate, {228, 160, 121}},
      {"wrong PIN", "RSA_DES_KEY", "0000", kTcCertificate, {224, 120}},
      {"no TC certificate", "RSA_DES_KEY", kUserPin, "XY", {235, 164}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clearErrors();
    EXPECT_EQ(encodeBirthNumbers(in.c_str(), out.c_str(), slotText().c_str(), "NRC", c.tcLabel, "ABC", c.blobLabel,
                                 c.pin, 1),
              1);
    EXPECT_EQ(reportedCodes(), c.codes);
    EXPECT_FALSE(fs::exists(out));
  }
}

// The X record and the Y records of a coded batch, as the centre keeps them.
std::string recoveryInput(const CodedBatch& batch, const std::string& lineEnd = "\r\n") {
  std::vector<std::string> lines = {batch.keyRecord};
  lines.insert(lines.end(), batch.identifierRecords.begin(), batch.identifierRecords.end());
  return joinLines(lines, lineEnd);
}

TEST_F(BirthNumberCard, RecoveryGivesTheOldCodesUnderTheSameKeyAndTheOraclesUnderANewOne) {
  storeTrustCentreKey();
  CodedBatch batch = codeWithFiles(batchOf(kNumbers));
  std::vector<std::string> oldCodes = oracleCodes(hashKey, kNumbers);
  std::string in = put("recover.in", recoveryInput(batch)), out = tmp / "recover.out";

  std::string sameKey = put("same.key", hashKey);
  ASSERT_EQ(recover(in, out, sameKey), 0);
  EXPECT_TRUE(reportedCodes().empty());
  std::vector<std::string> lines = splitLines(readFile(out));
  ASSERT_EQ(lines.size(), kNumbers.size());
  for (size_t i = 0; i < kNumbers.size(); ++i) EXPECT_EQ(lines[i], "Y" + oldCodes[i] + oldCodes[i]);

  std::string newKey = goodDesKey();
  std::vector<std::string> newCodes = oracleCodes(newKey, kNumbers);
  // Only the first 24 bytes of the key file are the key.
  std::string newKeyFile = put("new.key", newKey + "ignored tail");
  std::string lfIn = put("recover_lf.in", recoveryInput(batch, "\n")), lfOut = tmp / "recover_lf.out";
  ASSERT_EQ(recover(in, out, newKeyFile), 0);
  ASSERT_EQ(recover(lfIn, lfOut, newKeyFile), 0);
  EXPECT_EQ(readFile(lfOut), readFile(out));
  lines = splitLines(readFile(out));
  ASSERT_EQ(lines.size(), kNumbers.size());
  for (size_t i = 0; i < kNumbers.size(); ++i) EXPECT_EQ(lines[i], "Y" + oldCodes[i] + newCodes[i]);
  EXPECT_EQ(readFile(out).size(), kNumbers.size() * 83);

  // A second batch appended with its own X record: its Y records use its session key.
  CodedBatch second = codeWithFiles(batchOf({"6001019999"}));
  writeFile(in, recoveryInput(batch) + recoveryInput(second));
  ASSERT_EQ(recover(in, out, newKeyFile), 0);
  lines = splitLines(readFile(out));
  ASSERT_EQ(lines.size(), kNumbers.size() + 1);
  EXPECT_EQ(lines.back(), "Y" + oracleCode(hashKey, "6001019999") + oracleCode(newKey, "6001019999"));
}

#ifndef _WIN32
// Output that stops part way (here a file size limit) names the first line not written whole
// and keeps every byte that did go out.
TEST_F(BirthNumberCard, OutputCutShortNamesTheFirstLineNotWritten) {
  storeTrustCentreKey();
  CodedBatch batch = codeWithFiles(batchOf(kNumbers));
  std::string in = put("recover.in", recoveryInput(batch)), out = tmp / "recover.out";
  std::string newKeyFile = put("new.key", goodDesKey());
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 200;  // two lines of 83 bytes and part of the third
  void (*previous)(int) = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const int result = recover(in, out, newKeyFile);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{7900, 8008}));
  EXPECT_EQ(errorEntries()[0], "Radek 4:  (7900)\n");
  EXPECT_EQ(readFile(out).size(), 200u);
}
#endif

TEST_F(BirthNumberCard, EachBadLineFailsWhereItStands) {
  storeTrustCentreKey();
  CodedBatch batch = codeWithFiles(batchOf({"8001011234", "755101123"}));
  const std::string& x = batch.keyRecord;
  const std::string& y = batch.identifierRecords[0];
  std::string newKeyFile = put("new.key", goodDesKey()), out = tmp / "recover.out";
  std::string damaged = y.substr(0, 41) + (y[41] == 'A' ? "B" : "A") + y.substr(42);
  struct Case {
    const char* what;
    std::vector<std::string> lines;
    std::vector<int> codes;
    size_t linesWritten;
    std::string keyFile, centreKey = keyMaterial().otherKeyPem, centreKeyLength = "-1", pin = kUserPin;
  };
  const Case cases[] = {
      {"Y first", {y, x}, {8010, 8011}, 0, newKeyFile},
      {"X of 350", {x.substr(0, 350), y}, {7900, 8000, 7900, 8004}, 0, newKeyFile},
      {"X of 352", {x + "_", y}, {7900, 8000, 7900, 8004}, 0, newKeyFile},
      {"X of 176", {x.substr(0, 176), y}, {7900, 8000, 7900, 8000, 7900, 8004}, 0, newKeyFile},
      {"X past the line buffer", {x + std::string(5000, 'A'), y}, {7900, 8000, 7900, 8004}, 0, newKeyFile},
      {"identifier of 23", {x, y, y.substr(0, 64)}, {7900, 8000, 7900, 8006}, 1, newKeyFile},
      {"identifier of 25", {x, y, y + "="}, {7900, 8000, 7900, 8006}, 1, newKeyFile},
      {"empty line", {x, y, ""}, {7900, 8012}, 1, newKeyFile},
      {"other record", {x, "C" + y.substr(1)}, {7900, 8012}, 0, newKeyFile},
      {"damaged identifier", {x, y, damaged}, {7900, 8007}, 1, newKeyFile},
      {"short new key", {x, y}, {7900, 8002, 7900, 8007}, 0, put("short.key", goodDesKey().substr(0, 16))},
      {"wrong centre key", {x, y}, {90003, 7900, 8009, 7900, 8005}, 0, newKeyFile, keyMaterial().keyPem},
      {"DER length past the text", {x, y}, {90001, 7900, 8009, 7900, 8005}, 0, newKeyFile, "MIIC", "5000"},
      {"wrong PIN", {x, y}, {224, 7900, 8001, 7900, 8005}, 0, newKeyFile, keyMaterial().otherKeyPem, "-1", "0000"},
  };
  std::string in = tmp / "recover.in";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clearErrors();
    writeFile(in, joinLines(c.lines));
    EXPECT_EQ(recover(in, out, c.keyFile, c.centreKey, c.centreKeyLength.c_str(), c.pin.c_str()), -1);
    EXPECT_EQ(reportedCodes(), c.codes);
    EXPECT_EQ(splitLines(readFile(out)).size(), c.linesWritten);
  }
  // The texts name the line and the column.
  clearErrors();
  writeFile(in, joinLines({x, y, y.substr(0, 64)}));
  EXPECT_EQ(recover(in, out, newKeyFile), -1);
  std::vector<std::string> texts = errorEntries();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], "Radek 3:  (7900)\n");
  EXPECT_NE(texts[1].find("RI identifikator"), std::string::npos) << texts[1];

  // A null argument (here the PIN): nothing is done, nothing is reported.
  clearErrors();
  fs::remove(out);
  EXPECT_EQ(recover(in, out, newKeyFile, k.otherKeyPem, "-1", nullptr), -1);
  EXPECT_TRUE(reportedCodes().empty());
  EXPECT_FALSE(fs::exists(out));
  // The input named as the output too: refused before anything is truncated.
  std::string input = readFile(in);
  EXPECT_EQ(recover(in, in, newKeyFile), -1);
  EXPECT_EQ(readFile(in), input);
  // Interrupted: ends at once.
  FlagCancellation stop;
  stop.request();
  installCancellationSource(&stop);
  writeFile(in, recoveryInput(batch));
  EXPECT_EQ(recover(in, out, newKeyFile), -1);
  installCancellationSource(nullptr);
  EXPECT_TRUE(reportedCodes().empty());
  EXPECT_EQ(readFile(out), "");
}

}  // namespace
}  // namespace quervik::test
