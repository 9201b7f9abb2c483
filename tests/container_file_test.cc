// Protected files with key files: the byte layout, the openssl tool opening our file step by
// step, round trips, files of every version made by the tool alone, damaged files, the base64
// key form, the sender's DN, the hashing-key check, and outputs that never appear half made.
#include "container/open.h"
#include "container/protected_file.h"
#include "container/sign.h"
#include "protect_support.h"
#include "runtime/cancellation.h"
#include "runtime/progress.h"
#include "runtime/report.h"

namespace quervik::test {
namespace {

class ProtectedFiles : public CryptoTest {
 protected:
  int sign(const std::string& in, const std::string& out, int keyType = 1, const char* password = kKeyPassword) {
    return signProtectedFile(in.c_str(), out.c_str(), nullptr, "RSA_DES_KEY",
                             (keyType == 0 ? k.otherPubPem : k.otherCertPem).c_str(), keyType, k.keyEncPem.c_str(),
                             password);
  }
  // Opened with the centre's key and the sender's certificate (or public key) unless others are given.
  int open(const std::string& in, const std::string& out, int keyType = 1, std::string centreKey = "",
           std::string sender = "") {
    if (centreKey.empty()) centreKey = k.otherKeyPem;
    if (sender.empty()) sender = keyType == 0 ? k.pubPem : k.certPem;
    return openProtectedFile(in.c_str(), out.c_str(), nullptr, centreKey.c_str(), -1, sender.c_str(), -1, keyType,
                             nullptr);
  }
  const KeyMaterial& k = keyMaterial();
};

// The tool alone opens what we wrote: both halves decrypted with the centre's key, the key
// record recovered with the hospital's certificate, the content decrypted with its keys and
// hashed.
TEST_F(ProtectedFiles, TheOpensslToolOpensOurFileStepByStep) {
  std::string content = randomText(1000);
  std::string in = put("in.txt", content), out = tmp / "out.bin";
  ASSERT_EQ(sign(in, out), 0);
  std::string file = readFile(out);
  size_t m = file.size() - 393;  // empty DN
  auto tool = [](const std::string& args, const std::string& input) { return toolOutput("openssl " + args, input); };
  std::string keyArg = " -inkey " + shellQuote(k.otherKeyPem);
  std::string signature = tool("pkeyutl -decrypt" + keyArg, file.substr(m, 128)) +
                          tool("pkeyutl -decrypt" + keyArg, file.substr(m + 128, 128));
  ASSERT_EQ(signature.size(), 128u);
  std::string record = tool("pkeyutl -verifyrecover -certin -inkey " + shellQuote(k.certPem), signature);
  ASSERT_EQ(record.size(), 45u);
  EXPECT_EQ(record[44], '\0');
  std::string plain = tool("enc -des-ede3 -d -nopad -K " + hexOf(record.substr(0, 24)), file.substr(0, m));
  size_t pad = static_cast<unsigned char>(file[m + 256]);
  ASSERT_EQ(pad, 8u - 1000 % 8);
  EXPECT_EQ(plain.substr(0, m - pad), content);
  EXPECT_EQ(plain.substr(m - pad), std::string(pad, '\0'));
  EXPECT_EQ(sha1Of(content), record.substr(24, 20));
}

TEST_F(ProtectedFiles, FilesOfEveryVersionMadeByTheToolOpen) {
  std::string content = randomText(777);
  for (char version : {'1', '2', '3'}) {
    SCOPED_TRACE(version);
    ToolFile plan;
    plan.content = content;
    plan.version = version;
    plan.dn = "CN=ABC Nemocnice,O=Nemocnice Test,C=CZ";
    std::string in = put("v.bin", toolProtectedFile(plan)), back = tmp / "back.txt";
    ASSERT_EQ(open(in, back), 0);
    EXPECT_EQ(readFile(back), content);
    // The DN is covered by the signature only from version 3 on.
    if (version != '1') {
      EXPECT_EQ(protectedFileDn(in.c_str()), plan.dn);
      std::string file = readFile(in);
      file[file.size() - 136 - 3] = 'X';
      put("v.bin", file);
      fs::remove(back);
      EXPECT_EQ(open(in, back), version == '3' ? 1 : 0);
      EXPECT_EQ(reportedCodes(), version == '3' ? std::vector<int>{90004} : std::vector<int>{});
      clearErrors();
    }
  }
  // A pad count that claims more than a block writes nothing of the last block; the digest
  // then tells.
  ToolFile plan;
  plan.content = randomText(16);
  plan.padOverride = 8;
  std::string in = put("pad.bin", toolProtectedFile(plan)), back = tmp / "back.txt";
  ASSERT_EQ(open(in, back), 0);
  EXPECT_EQ(readFile(back), plan.content);
  plan.content = randomText(13);
  plan.padOverride = 200;
  put("pad.bin", toolProtectedFile(plan));
  EXPECT_EQ(open(in, back), 1);
  EXPECT_EQ(reportedCodes(), std::vector<int>{90004});
}

TEST_F(ProtectedFiles, DamagedFilesFailAndLeaveNoOutput) {
  std::string content = randomText(5003);  // the last block holds content and padding
  std::string in = put("in.txt", content), good = tmp / "good.bin";
  ASSERT_EQ(sign(in, good), 0);
  const std::string file = readFile(good);
  const size_t m = file.size() - 393;
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<int> codes;
    const char* printed;
  };
  auto flipped = [&](size_t at) {
    std::string f = file;
    f[at] ^= 0x40;
    return f;
  };
  std::string lastFour = file;
  lastFour.back() = '4';
  ToolFile weakKey;
  weakKey.content = "obsah";
  weakKey.contentKey = goodDesKey();
  weakKey.contentKey.replace(8, 8, std::string(8, '\x01'));
  const Case cases[] = {
      {"content", flipped(100), {90004}, ""},
      {"last content block", flipped(m - 1), {90004}, ""},
      {"wrapped half 1", flipped(m + 5), {90003, 90003}, "chyba 1 s kodem "},
      {"wrapped half 2", flipped(m + 200), {90003, 90003}, "chyba 2\n"},
      {"pad count", flipped(m + 256), {90004}, ""},
      {"version 4", lastFour, {166}, ""},
      {"truncated by one byte", file.substr(0, file.size() - 1), {166}, ""},
      {"only a trailer", file.substr(file.size() - 200), {166}, ""},
      {"two bytes", " 2", {166}, ""},
      {"empty", "", {166}, ""},
      {"weak content key", toolProtectedFile(weakKey), {165}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clearErrors();
    std::string damaged = put("damaged.bin", c.bytes), out = tmp / "plain.txt";
    CapturedStdout captured;
    EXPECT_EQ(open(damaged, out), 1);
    EXPECT_EQ(reportedCodes(), c.codes);
    EXPECT_EQ(captured.take().rfind(c.printed, 0), 0u);
    expectNoOutput(out);
  }
  // An existing file under the output name stays as it was.
  std::string out = put("plain.txt", "predchozi");
  put("damaged.bin", flipped(100));
  EXPECT_EQ(open(tmp / "damaged.bin", out), 1);
  EXPECT_EQ(readFile(out), "predchozi");
}

TEST_F(ProtectedFiles, WrongKeysFailVisibly) {
  std::string in = put("in.txt", "obsah souboru"), out = tmp / "out.bin", back = tmp / "back.txt";
  ASSERT_EQ(sign(in, out), 0);
  CapturedStdout captured;
  EXPECT_EQ(open(out, back, 1, k.keyPem), 1);  // not the centre's private key
  EXPECT_EQ(reportedCodes(), (std::vector<int>{90003, 90003}));
  clearErrors();
  EXPECT_EQ(open(out, back, 1, "", k.otherCertPem), 1);  // not the sender's certificate
  EXPECT_EQ(reportedCodes(), (std::vector<int>{90003, 90003}));
  EXPECT_NE(captured.take().find("chyba 3 s kodem "), std::string::npos);
  expectNoOutput(back);
  clearErrors();
  EXPECT_EQ(sign(in, out, 1, "Spatne-Heslo"), 1);  // the wrong password for the hospital's key
  EXPECT_EQ(reportedCodes(), (std::vector<int>{247, 90001, 90003}));
}

TEST_F(ProtectedFiles, BadArgumentsAndUnreachableFiles) {
  std::string in = put("in.txt", "obsah"), out = tmp / "out.bin";
  testing::internal::CaptureStderr();
  EXPECT_EQ(sign(in, out, 2), 2);
  EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("Pouziti: ", 0), 0u);
  EXPECT_EQ(open(in, out, 7) == 2 && openProtectedFile(in.c_str(), out.c_str(), nullptr, nullptr, -1, nullptr, -1,
                                                       -1, nullptr) == 2,
            true);
  EXPECT_TRUE(reportedCodes().empty());
  EXPECT_EQ(sign(tmp / "missing.txt", out), 1);
  EXPECT_EQ(reportedCodes(), std::vector<int>{501});
  clearErrors();
  EXPECT_EQ(sign(in, tmp / "no/such/dir/out.bin"), 1);
  EXPECT_EQ(reportedCodes(), std::vector<int>{502});
  clearErrors();
  EXPECT_EQ(sign(in, tmp.path().string()), 1);  // a directory
  EXPECT_EQ(reportedCodes(), std::vector<int>{502});
  clearErrors();
  ASSERT_EQ(sign(in, out), 0);
  EXPECT_EQ(open(tmp / "missing.bin", tmp / "x.txt"), 1);
  EXPECT_EQ(reportedCodes(), std::vector<int>{501});
  clearErrors();
  EXPECT_EQ(open(out, tmp / "no/such/dir/x.txt"), 1);
  EXPECT_EQ(reportedCodes(), std::vector<int>{502});
  expectNoOutput(tmp / "x.txt");
}

// A full disk (/dev/full) fails the run with 502, signing and opening alike.
TEST_F(ProtectedFiles, FullDiskFailsTheRun) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no full device";
#endif
  std::string in = put("in.txt", randomText(100000)), out = tmp / "out.bin";
  EXPECT_EQ(sign(in, "/dev/full"), 1);
  EXPECT_EQ(reportedCodes(), std::vector<int>{502});
  clearErrors();
  ASSERT_EQ(sign(in, out), 0);
  EXPECT_EQ(open(out, "/dev/full"), 1);
  EXPECT_EQ(reportedCodes(), std::vector<int>{502});
}

TEST_F(ProtectedFiles, InterruptionStopsWithoutOutput) {
  std::string in = put("in.txt", randomText(300000)), out = tmp / "out.bin", back = tmp / "back.txt";
  FlagCancellation flag;
  installCancellationSource(&flag);
  flag.request();
  EXPECT_EQ(sign(in, out), 1);
  EXPECT_TRUE(wasInterrupted());
  expectNoOutput(out);
  installCancellationSource(nullptr);
  ASSERT_EQ(sign(in, out), 0);
  installCancellationSource(&flag);
  flag.request();
  EXPECT_EQ(open(out, back), 1);
  expectNoOutput(back);
  EXPECT_TRUE(reportedCodes().empty());
  installCancellationSource(nullptr);
}

TEST_F(ProtectedFiles, Base64KeysAndKeyFiles) {
  const ProtectKeys& p = protectKeys();
  std::string content = randomText(2000);
  std::string in = put("in.txt", content), out = tmp / "out.bin", back = tmp / "back.txt";
  std::string priv = base64Of(p.centrePrivateDer), cert = base64Of(p.hospitalCertDer);
  std::string privLength = std::to_string(p.centrePrivateDer.size()), certLength = std::to_string(p.hospitalCertDer.size());
  // Key type 0 takes the hospital's public key; a length with room to spare is fine; key
  // files come with a length of 0 or less. (Both keys in base64 the Java host test opens with.)
  ASSERT_EQ(sign(in, out, 0), 0);
  std::string pub = base64Of(p.hospitalPubDer);
  ASSERT_EQ(openProtectedFileWithBase64Keys(out.c_str(), back.c_str(), nullptr, k.otherKeyPem.c_str(), "-1",
                                            pub.c_str(), "4096", " 0", nullptr),
            0);
  EXPECT_EQ(readFile(back), content);
  EXPECT_TRUE(reportedCodes().empty());

  // A key that cannot be had stops before the input is even opened: no 501 for a missing input.
  std::string missingInput = tmp / "missing.bin";
  std::string emptyFile = put("empty.pem", "");
  std::string shortLength = std::to_string(p.centrePrivateDer.size() - 1);
  std::string missingKey = tmp / "no-key.pem";
  struct Case {
    const char *key, *length;
  } cases[] = {{missingKey.c_str(), "-1"}, {emptyFile.c_str(), "0"}, {nullptr, "-1"},
               {priv.c_str(), shortLength.c_str()}, {"QUJD*EVG", "100"}, {"", "10"}};
  for (const Case& c : cases) {
    EXPECT_EQ(openProtectedFileWithBase64Keys(missingInput.c_str(), back.c_str(), nullptr, c.key, c.length,
                                              cert.c_str(), certLength.c_str(), "1", nullptr),
              -1);
    EXPECT_EQ(openProtectedFileWithBase64Keys(missingInput.c_str(), back.c_str(), nullptr, priv.c_str(),
                                              privLength.c_str(), c.key, c.length, "1", nullptr),
              -1);
  }
  EXPECT_TRUE(reportedCodes().empty());
}

TEST_F(ProtectedFiles, SenderDnOfEveryKindOfFile) {
  std::string in = put("in.txt", "obsah"), out = tmp / "out.bin";
  ASSERT_EQ(sign(in, out), 0);
  EXPECT_EQ(protectedFileDn(out.c_str()), "");
  ToolFile plan;
  plan.content = "obsah";
  plan.dn = std::string(127, 'N');
  std::string tool = put("tool.bin", toolProtectedFile(plan));
  EXPECT_EQ(protectedFileDn(tool.c_str()), plan.dn);
  // Characters readers refuse, a DN length reaching before the file's start, a negative one.
  std::string file = readFile(tool);
  std::string bad = file;
  bad[bad.size() - 136 - 10] = '\x01';
  EXPECT_EQ(protectedFileDn(put("bad.bin", bad).c_str()), std::nullopt);
  bad = file;
  bad.replace(bad.size() - 136, 6, "999999");
  EXPECT_EQ(protectedFileDn(put("bad.bin", bad).c_str()), std::nullopt);
  bad.replace(bad.size() - 136, 6, "    -3");
  EXPECT_EQ(protectedFileDn(put("bad.bin", bad).c_str()), std::nullopt);
  EXPECT_EQ(protectedFileDn((tmp / "missing.bin").c_str()), std::nullopt);
  EXPECT_EQ(protectedFileDn(put("short.bin", "abc").c_str()), std::nullopt);
  EXPECT_EQ(protectedFileDn(nullptr), std::nullopt);
}

TEST_F(ProtectedFiles, HashKeyCheckAgainstAReference) {
  std::string hashKey = goodDesKey(), otherHashKey = goodDesKey();
  ToolFile plan;
  plan.content = "obsah";
  plan.keyCheck = keyCheckBlockFor(hashKey);
  std::string file = put("checked.bin", toolProtectedFile(plan));
  // The reference is made for the same addressee and key, with padding of its own.
  std::string reference = underscoredBase64Of(keyCheckBlockFor(hashKey));
  ASSERT_NE(reference, underscoredBase64Of(plan.keyCheck));
  std::string other = underscoredBase64Of(keyCheckBlockFor(otherHashKey));
  const char* key = k.otherKeyPem.c_str();
  EXPECT_EQ(checkFileHashKey(file.c_str(), reference.c_str(), key, "-1", nullptr), 0);
  EXPECT_EQ(checkFileHashKey(file.c_str(), reference.substr(0, reference.size() - 1).c_str(), key, "0", nullptr), 0);
  EXPECT_NE(checkFileHashKey(file.c_str(), other.c_str(), key, "-1", nullptr), 0);
  EXPECT_EQ(checkFileHashKey(file.c_str(), "", key, "-1", nullptr), -1);
  EXPECT_EQ(checkFileHashKey(file.c_str(), nullptr, key, "-1", nullptr), -1);
  EXPECT_EQ(checkFileHashKey((tmp / "missing.bin").c_str(), reference.c_str(), key, "-1", nullptr), -1);
  EXPECT_EQ(checkFileHashKey(file.c_str(), underscoredBase64Of(std::string(300, 'r')).c_str(), key, "-1", nullptr),
            -1);
  EXPECT_EQ(checkFileHashKey(file.c_str(), reference.c_str(), key, "100000", nullptr), -1);
  // A file without a key check block (made without a card) cannot be compared.
  std::string in = put("in.txt", "obsah"), out = tmp / "out.bin";
  ASSERT_EQ(sign(in, out), 0);
  CapturedStdout captured;
  EXPECT_EQ(checkFileHashKey(out.c_str(), reference.c_str(), key, "-1", nullptr), 2);
  EXPECT_EQ(captured.take().rfind("chyba PRIV s kodem ", 0), 0u);
  EXPECT_EQ(checkFileHashKey(put("short.bin", "abc").c_str(), reference.c_str(), key, "-1", nullptr), 1);
  // The reference as a file, through the reader itself.
  std::string referenceFile = put("reference.bin", keyCheckBlockFor(hashKey));
  FILE* f = std::fopen(file.c_str(), "rb");
  ASSERT_TRUE(f);
  EXPECT_EQ(checkHashKeyBlock(f, referenceFile.c_str(), 0, key, -1, nullptr), 0);
  std::fclose(f);
}

}  // namespace
}  // namespace quervik::test
