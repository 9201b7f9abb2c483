// The conversion run over files: DRG file names, exclusions, the per-file bookkeeping and
// codes, logs, disposal, damaged input and interruption.
#include <unistd.h>

#include "convert/convert_driver.h"
#include "convert/line_reader.h"
#include "convert_test_lines.h"
#include "runtime/cancellation.h"
#include "runtime/catalogue.h"
#include "runtime/report.h"
#include "test_support.h"

namespace quervik::test {
namespace {

using convert::convertVzpBatches;

const std::string kP05 = vzp(49, {{1, "P"}, {2, "0000123"}, {9, "111"}, {12, "87654321"}, {20, "VS0001"}, {26, "001"}});
std::string v05(const char* birthNumber) {
  return vzp(30, {{1, "V"}, {2, "01012024"}, {10, birthNumber}, {20, "09513"}, {25, "J0690"}});
}
const std::string kR10 = vzp(86, {{1, "R"}, {2, "001"}, {5, "0101011234"}, {15, "15032024"}, {34, "1"}, {35, "0012345"}});
const std::string kA81 = vzp(93, {{1, "A"}, {2, "0000010"}, {35, "8555121234"}});
const std::string kV81 = vzp(33, {{1, "V"}, {2, "30032024"}, {10, "71234"}});
const std::string kG = vzp(7, {{1, "G"}, {2, "I2190"}});

std::string lines(std::initializer_list<std::string> l) {
  std::string text;
  for (const std::string& s : l) text += s + "\r\n";
  return text;
}

class ConvertDriverTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    setMessageFile(sourceCatalogue().c_str());
  }
  std::string file(const std::string& name, const std::string& text) {
    writeFile(tmp / name, text);
    return tmp / name;
  }
  static bool exists(const std::string& path) { return fs::exists(path); }
};

TEST_F(ConvertDriverTest, BatchOf05BecomesRecordsABCCBesideItsInput) {
  const std::string input = file("KDAVKA.111", lines({vzpHeader("05"), kP05, v05("8555121234"), v05("0101011234")}));
  EXPECT_EQ(convertVzpBatches(nullptr, input.c_str(), nullptr, nullptr, nullptr, nullptr, false), 0);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{50106, 50107, 7110}));
  EXPECT_NE(errorEntries()[1].find(tmp / "KDAVKA_111.drg"), std::string::npos);
  std::vector<std::string> r = drgRecords(readFile(tmp / "KDAVKA_111.drg"));
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(std::string() + r[0][0] + r[1][0] + r[2][0] + r[3][0], "ABCC");
  EXPECT_EQ(r[0].substr(25, 3), "111") << "the insurer code is the name's extension";
  // The patient is the one of the first V line: a woman born 12.05.1985.
  EXPECT_EQ(r[1].substr(10, 9), "Z12051985");
  EXPECT_EQ(r[1].substr(83, 10), "8555121234");
  EXPECT_EQ(readFile(input), lines({vzpHeader("05"), kP05, v05("8555121234"), v05("0101011234")})) << "input untouched";
}

TEST_F(ConvertDriverTest, ExcludedTypesAndTheFileBookkeeping) {
  const std::string logs = tmp / "logs", done = tmp / "done", out = tmp / "out";
  fs::create_directory(out);
  // Types 10 and 12 excluded: only the batch of type 81 is converted.
  const std::string mixed = file("MIX.222", lines({vzpHeader("10"), kR10, vzpHeader("81"), kA81, kV81}));
  // Only an excluded batch: no batch converted, so no DRG file and a failure.
  const std::string only10 = file("ONLY.333", lines({vzpHeader("10"), kR10}));
  EXPECT_EQ(convertVzpBatches("7", mixed.c_str(), out.c_str(), "10,12", logs.c_str(), done.c_str(), false), 0);
  std::vector<std::string> r = drgRecords(readFile(out + "/MIX_222.drg"));
  ASSERT_EQ(r.size(), 3u);
  EXPECT_EQ(r[0].substr(17, 2), "81");
  EXPECT_EQ(r[0].substr(25, 3), "  7") << "the insurer code given";
  EXPECT_EQ(r[1][0], 'B');
  EXPECT_EQ(r[2][0], 'C');
  const std::string okLog = readFile(logs + "/ok/MIX_222.log.ok");
  EXPECT_NE(okLog.find("(50106)\r\n"), std::string::npos);
  EXPECT_TRUE(exists(done + "/ok/MIX.222"));
  EXPECT_TRUE(exists(mixed)) << "copied, not moved";
  clearErrors();

  EXPECT_EQ(convertVzpBatches(nullptr, only10.c_str(), out.c_str(), "10", logs.c_str(), done.c_str(), true), -1);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{50106, 50107, 50104, 7110}));
  EXPECT_FALSE(exists(out + "/ONLY_333.drg"));
  EXPECT_NE(readFile(logs + "/err/ONLY_333.log.err").find("(50104)"), std::string::npos);
  EXPECT_TRUE(exists(done + "/err/ONLY.333"));
  EXPECT_FALSE(exists(only10)) << "moved";
}

TEST_F(ConvertDriverTest, ExcludedTypesText) {
  using V = std::vector<int>;
  EXPECT_EQ(convert::parseExcludedTypes(nullptr), V{});
  EXPECT_EQ(convert::parseExcludedTypes("10,12,13"), (V{10, 12, 13}));
  EXPECT_EQ(convert::parseExcludedTypes(",,10,12"), (V{10, 12}));
  EXPECT_EQ(convert::parseExcludedTypes("10,,12,"), (V{10, 0, 12, 0}));
  EXPECT_EQ(convert::parseExcludedTypes(""), V{0});
  EXPECT_EQ(convert::parseExcludedTypes(" 5x,-3"), (V{5, -3}));
  EXPECT_EQ(convert::parseExcludedTypes("12345678901"), V{123456789});
}

TEST_F(ConvertDriverTest, FilesWithoutABatch) {
  const std::string empty = file("EMPTY.111", "");
  const std::string noHeader = file("NOHDR.111", lines({kG}));
  const std::string typeZero = file("ZERO.111", lines({vzpHeader("00"), kG}));
  EXPECT_EQ(convertVzpBatches(nullptr, empty.c_str(), nullptr, nullptr, nullptr, nullptr, false), -1);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{50106, 50107, 50104, 7110}));
  EXPECT_FALSE(exists(tmp / "EMPTY_111.drg"));
  clearErrors();
  EXPECT_EQ(convertVzpBatches(nullptr, noHeader.c_str(), nullptr, nullptr, nullptr, nullptr, false), -1);
  EXPECT_FALSE(exists(tmp / "NOHDR_111.drg"));
  EXPECT_EQ(convertVzpBatches(nullptr, typeZero.c_str(), nullptr, nullptr, nullptr, nullptr, false), -1);
  EXPECT_FALSE(exists(tmp / "ZERO_111.drg"));
  clearErrors();
  // A later header whose type reads as 0 does not throw away the batches converted before it.
  const std::string laterZero = file("LATER.111", lines({vzpHeader("81"), kA81, kV81, vzpHeader("  "), kG}));
  EXPECT_EQ(convertVzpBatches(nullptr, laterZero.c_str(), nullptr, nullptr, nullptr, nullptr, false), 0);
  EXPECT_EQ(drgRecords(readFile(tmp / "LATER_111.drg")).size(), 5u);
}

TEST_F(ConvertDriverTest, DocumentAtTheEndOfTheFileHasNoPatient) {
  // The last line has no line end: it is still converted.
  const std::string input = file("K.111", vzpHeader("05") + "\n" + kP05 + "\n" + v05("8555121234") + "\n" + kP05);
  EXPECT_EQ(convertVzpBatches(nullptr, input.c_str(), nullptr, nullptr, nullptr, nullptr, false), 0);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{50106, 50107, 509, 7110}));
  std::vector<std::string> r = drgRecords(readFile(tmp / "K_111.drg"));
  ASSERT_EQ(r.size(), 4u);
  EXPECT_EQ(r[3].substr(10, 9), "M11111111");
  EXPECT_EQ(r[3].substr(83), std::string(41, ' '));
}

TEST_F(ConvertDriverTest, DamagedLinesNeverLeakIntoRecords) {
  // A line far longer than any record (cut by the reader after 1024 bytes) whose later parts
  // begin with letters that are converted; its parts must not become records.
  std::string longLine(5000, 'x');
  for (size_t at : {158u, 159u, 1023u, 1024u, 2047u}) longLine[at] = 'G';
  std::string binary = kG;
  binary[3] = '\0';
  binary[4] = char(0xFF);
  const std::string input = file("L.111", lines({vzpHeader("16"), longLine, std::string(159, 'G'), std::string(158, 'G'), binary, "G"}));
  EXPECT_EQ(convertVzpBatches(nullptr, input.c_str(), nullptr, nullptr, nullptr, nullptr, false), 0);
  std::vector<std::string> r = drgRecords(readFile(tmp / "L_111.drg"));
  ASSERT_EQ(r.size(), 4u);  // A, the 158-character line, the binary one, the lone G
  EXPECT_EQ(r[1].substr(1, 9), "8 GGGGG  ");
  EXPECT_EQ(r[2].substr(1, 9), "8 I2 \xFF" "0  ");
  EXPECT_EQ(r[3], "C8 " + std::string(7, ' ') + r[3].substr(10));
  for (const std::string& rec : r) EXPECT_EQ(rec.size(), rec[0] == 'A' ? 29u : 76u);
}

TEST_F(ConvertDriverTest, UnwritableOutputAndUnreadableInput) {
  const std::string in = tmp / "in", logs = tmp / "logs", done = tmp / "done";
  fs::create_directory(in);
  writeFile(in + "/A.111", lines({vzpHeader("81"), kA81}));
  writeFile(in + "/B.111", lines({vzpHeader("81"), kA81}));
  writeFile(in + "/C.drg", "left out");
  const std::string missing = tmp / "no/such/dir";
  EXPECT_EQ(convertVzpBatches(nullptr, in.c_str(), missing.c_str(), nullptr, logs.c_str(), done.c_str(), false), -2);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{50106, 50107, 50103, 7110, 50106, 50107, 50103, 7110}));
  EXPECT_TRUE(exists(logs + "/err/A_111.log.err"));
  EXPECT_TRUE(exists(done + "/err/B.111"));
  EXPECT_FALSE(exists(done + "/err/C.drg"));
  clearErrors();

  // The same directory into a writable one: both converted, the DRG file left alone.
  const std::string out = tmp / "out";
  fs::create_directory(out);
  EXPECT_EQ(convertVzpBatches(nullptr, in.c_str(), out.c_str(), nullptr, nullptr, nullptr, false), 0);
  EXPECT_TRUE(exists(out + "/A_111.drg"));
  EXPECT_TRUE(exists(out + "/B_111.drg"));
  EXPECT_FALSE(exists(out + "/C_drg.drg"));

  if (::geteuid() != 0) {  // permissions do not stop root
    clearErrors();
    fs::permissions(in + "/A.111", fs::perms::none);
    EXPECT_EQ(convertVzpBatches(nullptr, (in + "/A.111").c_str(), out.c_str(), nullptr, logs.c_str(), nullptr, false), -1);
    EXPECT_EQ(reportedCodes(), (std::vector<int>{50106, 50102, 50107, 7110}));
    EXPECT_TRUE(exists(logs + "/err/A_111.log.err"));
  }
  EXPECT_EQ(convertVzpBatches(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false), 0) << "no input";
}

// Interrupts at the n-th question.
class InterruptAt : public CancellationSource {
 public:
  explicit InterruptAt(int n) : left_(n) {}
  bool consumeInterrupt() override { return --left_ == 0; }

 private:
  int left_;
};

TEST_F(ConvertDriverTest, InterruptionDeletesTheDrgFileBeingWrittenAndMovesNothing) {
  const std::string in = tmp / "in", out = tmp / "out", logs = tmp / "logs", done = tmp / "done";
  fs::create_directories(in);
  fs::create_directories(out);
  writeFile(in + "/A.111", lines({vzpHeader("81"), kA81, kV81}));
  std::string big = vzpHeader("81") + "\r\n" + kA81 + "\r\n";
  while (big.size() < 400 * 1024) big += kV81 + "\r\n";
  writeFile(in + "/B.111", big);
  InterruptAt source(4);  // A.111 asks once, B.111 at its start and then every 64 KiB
  installCancellationSource(&source);
  EXPECT_EQ(convertVzpBatches(nullptr, in.c_str(), out.c_str(), nullptr, logs.c_str(), done.c_str(), true), -1);
  installCancellationSource(nullptr);
  EXPECT_TRUE(wasInterrupted());
  EXPECT_TRUE(exists(out + "/A_111.drg")) << "the finished file stays";
  EXPECT_FALSE(exists(out + "/B_111.drg"));
  EXPECT_TRUE(exists(logs + "/ok/A_111.log.ok"));
  EXPECT_FALSE(exists(logs + "/ok/B_111.log.ok"));
  EXPECT_FALSE(exists(logs + "/err/B_111.log.err"));
  EXPECT_TRUE(exists(in + "/A.111"));
  EXPECT_TRUE(exists(in + "/B.111"));
  EXPECT_TRUE(fs::is_empty(done + "/ok"));
  EXPECT_TRUE(fs::is_empty(done + "/err"));
  EXPECT_EQ(reportedCodes().back(), 50107) << "B.111 was being converted";
}

// The block reader gives the same records as reading the text in memory, across block
// boundaries, CR LF and CR, long lines and a last line without LF; peek does not move on.
TEST(ConvertLineReader, BlocksAgreeWithMemory) {
  std::string text;
  unsigned seed = 7;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u, (seed >> 8) & 0xFFFF; };
  while (text.size() < 3u << 20) {
    size_t n = next() % 8 == 0 ? next() % 3000 : next() % 160;
    for (size_t i = 0; i < n; ++i) text += char('A' + next() % 26);
    unsigned end = next() % 10;
    text += end == 0 ? "\r\n" : end == 1 ? "\rjunk\n" : "\n";
  }
  text += "LAST";
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  convert::LineReader blocks(f), memory(text);
  std::string_view a, b, peeked;
  std::string lastRecord;
  size_t count = 0;
  int64_t last = 0;
  while (memory.next(b)) {
    ASSERT_TRUE(blocks.next(a)) << "line " << count;
    lastRecord = std::string(a);
    ASSERT_EQ(lastRecord, std::string(b)) << "line " << count;
    EXPECT_LE(b.size(), convert::LineReader::kKeep);
    EXPECT_EQ(b.find_first_of("\r\n"), std::string_view::npos);
    EXPECT_GE(blocks.position(), last);
    last = blocks.position();
    if (count % 3 == 0 && blocks.peek(peeked)) {
      std::string copy(peeked);
      ASSERT_TRUE(memory.peek(b));
      EXPECT_EQ(copy, std::string(b));
    }
    ++count;
  }
  EXPECT_EQ(lastRecord, "LAST");
  EXPECT_FALSE(blocks.next(a));
  EXPECT_FALSE(blocks.peek(a));
  EXPECT_EQ(blocks.position(), int64_t(text.size()));
  EXPECT_FALSE(blocks.failed());
  std::fclose(f);
}

TEST(ConvertLineReader, ReadErrorIsReported) {
  FILE* dir = std::fopen(".", "rb");  // reading a directory fails
  if (!dir) GTEST_SKIP() << "directories cannot be opened here";
  convert::LineReader reader(dir);
  std::string_view r;
  EXPECT_FALSE(reader.next(r));
  EXPECT_TRUE(reader.failed());
  std::fclose(dir);
}

}  // namespace
}  // namespace quervik::test
