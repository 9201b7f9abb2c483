// The conversion run over files: DRG file names, exclusions, the per-file bookkeeping and
// codes, logs, disposal, damaged input and interruption.

#include "convert/convert_driver.h"
#include "convert/line_reader.h"
#include "convert/vzp_converter.h"
#include "convert_test_lines.h"
#include "runtime/cancellation.h"
#include "runtime/catalogue.h"
#include "runtime/progress.h"
#include "runtime/report.h"
#include "test_support.h"
#include "vzp_generator.h"

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

class ConvertDriverTest : public RuntimeTest {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    setMessageFile(sourceCatalogue().c_str());
  }
};

TEST_F(ConvertDriverTest, ExcludedTypesText) {
  using V = std::vector<int>;
  EXPECT_EQ(convert::parseExcludedTypes(nullptr), V{});
  for (const auto& [text, types] : {std::pair<const char*, V>{"10,12,13", {10, 12, 13}}, {",,10,12", {10, 12}},
                                    {"10,,12,", {10, 0, 12, 0}}, {"", {0}}, {" 5x,-3", {5, -3}},
                                    {"12345678901", {123456789}}})
    EXPECT_EQ(convert::parseExcludedTypes(text), types) << "\"" << text << "\"";
}

TEST_F(ConvertDriverTest, DocumentAtTheEndOfTheFileHasNoPatient) {
  // The last line has no line end: it is still converted.
  const std::string input = put("K.111", vzpHeader("05") + "\n" + kP05 + "\n" + v05("8555121234") + "\n" + kP05);
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
  const std::string input = put("L.111", joinLines({vzpHeader("16"), longLine, std::string(159, 'G'), std::string(158, 'G'), binary, "G"}));
  EXPECT_EQ(convertVzpBatches(nullptr, input.c_str(), nullptr, nullptr, nullptr, nullptr, false), 0);
  std::vector<std::string> r = drgRecords(readFile(tmp / "L_111.drg"));
  ASSERT_EQ(r.size(), 4u);  // A, the 158-character line, the binary one, the lone G
  EXPECT_EQ(r[1].substr(1, 9), "8 GGGGG  ");
  EXPECT_EQ(r[2].substr(1, 9), "8 I2 \xFF" "0  ");
  EXPECT_EQ(r[3], "C8 " + std::string(7, ' ') + r[3].substr(10));
  for (const std::string& rec : r) EXPECT_EQ(rec.size(), rec[0] == 'A' ? 29u : 76u);
}

TEST_F(ConvertDriverTest, UnwritableOutputGoesToErrAndOtherFilesAreLeftAlone) {
  const std::string in = tmp / "in", logs = tmp / "logs", done = tmp / "done";
  fs::create_directory(in);
  writeFile(in + "/A.111", joinLines({vzpHeader("81"), kA81}));
  writeFile(in + "/B.111", joinLines({vzpHeader("81"), kA81}));
  writeFile(in + "/C.drg", "left out");
  const std::string missing = tmp / "no/such/dir";
  EXPECT_EQ(convertVzpBatches(nullptr, in.c_str(), missing.c_str(), nullptr, logs.c_str(), done.c_str(), false), -2);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{50106, 50107, 50103, 7110, 50106, 50107, 50103, 7110}));
  EXPECT_TRUE(fs::exists(logs + "/err/A_111.log.err"));
  EXPECT_TRUE(fs::exists(done + "/err/B.111"));
  EXPECT_FALSE(fs::exists(done + "/err/C.drg"));
  clearErrors();

  // The same directory into a writable one: both converted, the DRG file left alone.
  const std::string out = tmp / "out";
  fs::create_directory(out);
  EXPECT_EQ(convertVzpBatches(nullptr, in.c_str(), out.c_str(), nullptr, nullptr, nullptr, false), 0);
  EXPECT_TRUE(fs::exists(out + "/A_111.drg"));
  EXPECT_TRUE(fs::exists(out + "/B_111.drg"));
  EXPECT_FALSE(fs::exists(out + "/C_drg.drg"));

  EXPECT_EQ(convertVzpBatches(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, false), 0) << "no input";
}

// A file of megabytes is read a block ahead and written in many blocks by the writing thread:
// the DRG file holds exactly what converting the same text in memory gives.
TEST_F(ConvertDriverTest, LargeFileIsWrittenWhole) {
  vzptools::VzpGeneratorOptions options;
  options.batchTypes = vzptools::defaultVzpBatchTypes();
  options.targetBytes = 3 << 20;
  const std::string text = vzptools::generateVzpText(options);
  const std::string input = put("BIG.111", text);
  EXPECT_EQ(convertVzpBatches(nullptr, input.c_str(), nullptr, nullptr, nullptr, nullptr, false), 0);
  const std::time_t now = std::time(nullptr);
  const convert::ConversionSettings settings{std::string("111"), {}, std::localtime(&now)->tm_year + 1900};
  const std::string expected = convert::convertVzpText(text, settings);
  ASSERT_GT(expected.size(), size_t(4) << 20);
  const std::string written = readFile(tmp / "BIG_111.drg");
  ASSERT_EQ(written.size(), expected.size());
  EXPECT_TRUE(written == expected);  // not printed: megabytes
}

// Interrupted: the DRG file being written goes, and nothing is moved.
TEST_F(ConvertDriverTest, InterruptedRunLeavesNoDrgFile) {
  const std::string input = put("K.111", joinLines({vzpHeader("81"), kA81, kV81})), done = tmp / "done";
  InterruptAt first(1);
  installCancellationSource(&first);
  EXPECT_EQ(convertVzpBatches(nullptr, input.c_str(), nullptr, nullptr, nullptr, done.c_str(), true), -1);
  installCancellationSource(nullptr);
  EXPECT_FALSE(fs::exists(tmp / "K_111.drg"));
  EXPECT_TRUE(fs::exists(input));
  EXPECT_EQ(activityName(), std::string("Preruseno"));
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
