// The message catalogue: lookup rules, console texts, and the in-memory copy answering
// exactly as a fresh scan.
#include <random>

#include "runtime/catalogue.h"
#include "runtime/report.h"
#include "test_support.h"

namespace quervik::test {
namespace {

class CatalogueTest : public RuntimeTest {};

TEST_F(CatalogueTest, CrLfCataloguesReadLikeLf) {
  std::string path = put("crlf.msg", "# c\r\n07001 text %s\r\n07002 two\r\n");
  setMessageFile(path.c_str());
  EXPECT_EQ(lookupMessage(7001), "text %s");
  EXPECT_EQ(lookupMessage(7002), "two");
}

TEST_F(CatalogueTest, DirectoryAsCatalogueIsNotFound) {
  setMessageFile(tmp.path().string().c_str());
  CapturedStdout out;
  EXPECT_FALSE(lookupMessage(7001).has_value());
  EXPECT_EQ(out.take(), "Nenalezen message file " + tmp.path().string() + "\n");
}

TEST_F(CatalogueTest, DrgbinPrefixesOnce) {
  setEnv("DRGBIN", "/opt/drg");
  setMessageFile(kDefaultMessageFile);
  EXPECT_EQ(messageFilePath(), std::string("/opt/drg") + kPathSeparator + "msg/errors.msg");
  resetMessageCatalogue();
  setMessageFile("/opt/drg/msg/other.msg");
  EXPECT_EQ(messageFilePath(), std::string("/opt/drg/msg/other.msg"));
  setEnv("DRGBIN", nullptr);
}

TEST_F(CatalogueTest, LongLinesArriveInPiecesAndTextsAreCut) {
  // A 3000-character line: the first piece holds 2054 characters, the rest is a line of its
  // own whose first five characters are not a code.
  std::string longText(3000 - 6, 'a');
  std::string path = useCatalogue(tmp, {"07001 " + longText, "07002 after"});
  std::string t = *lookupMessage(7001);
  EXPECT_EQ(t.size(), 2047u);
  CapturedStdout out;
  EXPECT_EQ(lookupMessage(7002), "");
  EXPECT_EQ(out.take(), "Spatna syntaxe na radce 2 v message file " + path + "\n");

  // 2053 characters and a CR LF fill the buffer exactly: one line. One more character and
  // the line end arrives alone, as a line of its own.
  std::string exact = "07001 " + std::string(2053 - 6, 'b');
  writeFile(path, exact + "\r\n07002 next\r\n" + exact + "c\r\n07003 last\r\n");
  resetMessageCatalogue();
  setMessageFile(path.c_str());
  EXPECT_EQ(lookupMessage(7001)->size(), 2047u);
  EXPECT_EQ(lookupMessage(7002), "next");
  CapturedStdout out2;
  EXPECT_EQ(lookupMessage(7003), "");
  EXPECT_EQ(out2.take(), "Spatna syntaxe na radce 4 v message file " + path + "\n");
}

TEST_F(CatalogueTest, EditedCatalogueIsPickedUpAtNextReport) {
  std::string path = useCatalogue(tmp, {"07001 old"});
  EXPECT_EQ(lookupMessage(7001), "old");
  writeFile(path, "07001 new text\n");
  fs::last_write_time(path, fs::last_write_time(path) - std::chrono::hours(1));  // a different mtime for sure
  EXPECT_EQ(lookupMessage(7001), "new text");
}

// Random catalogues: the in-memory copy answers every code exactly as a fresh scan, console
// texts included.
TEST_F(CatalogueTest, CachedAnswersEqualFreshScans) {
  std::mt19937 rng(7);
  const char* pieces[] = {"#c", "", "07001 a %d", "07002 b", " 7003 c", "07001 dup", "x bad", "00000 zero",
                          "7004", "07005 e\r", "\t7006 tab", "-7007 neg"};
  for (int round = 0; round < 200; ++round) {
    std::vector<std::string> lines;
    int n = int(rng() % 8);
    for (int i = 0; i < n; ++i) lines.push_back(pieces[rng() % std::size(pieces)]);
    std::string path = tmp / ("c" + std::to_string(round) + ".msg");
    std::string text;
    for (auto& l : lines) text += l + "\n";
    writeFile(path, text);
    resetMessageCatalogue();
    setMessageFile(path.c_str());
    for (int code : {7001, 7002, 7003, 7004, 7005, 7006, -7007, 9999}) {
      CapturedStdout a;
      auto cached = lookupMessage(code);
      std::string cachedOut = a.take();
      CapturedStdout b;
      auto fresh = lookupMessageUncached(code);
      std::string freshOut = b.take();
      ASSERT_EQ(cached, fresh) << "round " << round << " code " << code << "\n" << text;
      ASSERT_EQ(cachedOut, freshOut) << "round " << round << " code " << code;
    }
  }
}

}  // namespace
}  // namespace quervik::test
