// Paths, directories, file sets, copying, moving and disposal of processed files.
#include <tuple>

#include "runtime/file_copy.h"
#include "runtime/file_sets.h"
#include "runtime/options.h"
#include "runtime/paths.h"
#include "runtime/report.h"
#include "test_support.h"

namespace quervik::test {
namespace {

class RunServicesTest : public RuntimeTest {};

TEST_F(RunServicesTest, MakePathComposesLogNames) {
  const std::string sep = kPathSeparator;  // the library composes with the system's separator
  using Case = std::tuple<const char*, const char*, const char*, std::string>;
  for (const auto& [dir, file, suffix, path] :
       {Case{"/log/err", "/in/F.DRG", "log.err", "/log/err" + sep + "F_DRG.log.err"},
        {"/log/err/", "D:\\IN\\F.DRG", "log.err", "/log/err/F_DRG.log.err"}, {"/log", "err", nullptr, "/log" + sep + "err"},
        {"/log", "NOEXT", "log.ok", "/log" + sep + "NOEXT.log.ok"}, {"/log", "a.b.c", "log.ok", "/log" + sep + "a.b_c.log.ok"}})
    EXPECT_EQ(makePath(dir, file, suffix), path) << dir << " " << file;
  const std::string dir = tmp.path().string();
  EXPECT_FALSE(makePath(dir.c_str(), dir.c_str(), nullptr).has_value());
  std::string veryLong(600, 'd');
  EXPECT_EQ(makePath(("/" + veryLong).c_str(), "f.drg", "log.ok")->size(), 1 + 600 + 1 + 12u);
}

// Base names, extensions and kind words are seen at work in the log names and file sets.
TEST_F(RunServicesTest, PathPartsAndKinds) {
  EXPECT_EQ(dirName("/in/sub\\f.txt"), std::string("/in/sub\\"));
  EXPECT_FALSE(dirName("f.txt").has_value());
  EXPECT_FALSE(fileExtension("/a.b/c", nullptr).has_value());  // the dot of a directory
  EXPECT_EQ(isRegularFile(nullptr), -1);
  EXPECT_EQ(isRegularFile(tmp.path().string().c_str()), 0);
}

TEST_F(RunServicesTest, CollectFilesByNameDirectoryAndKindWord) {
  for (const char* n : {"a.DRG", "b.osn", "c.txt", "noext", "d.drg"}) writeFile(tmp / n, "x");
  std::filesystem::create_directory(tmp / "sub.drg");

  FileSets all;
  EXPECT_EQ(collectFiles(all, tmp.path().string().c_str(), nullptr), 0);
  EXPECT_EQ(all.lists[2].size(), 2u);  // a.DRG and d.drg, in name order
  EXPECT_EQ(all.lists[2][0].name, tmp / "a.DRG");
  EXPECT_EQ(all.lists[1].size(), 1u);
  EXPECT_EQ(all.lists[5].size(), 2u);  // c.txt and noext; directories are not files

  FileSets drgOnly;
  EXPECT_EQ(collectFiles(drgOnly, tmp.path().string().c_str(), "drg"), 0);
  EXPECT_EQ(drgOnly.lists[2].size(), 2u);
  EXPECT_EQ(drgOnly.lists[5].size(), 0u);

  FileSets single;
  EXPECT_EQ(collectFiles(single, (tmp / "noext").c_str(), "osn"), 0);  // no extension: the kind word
  EXPECT_EQ(collectFiles(single, (tmp / "c.txt").c_str(), "kor"), 0);  // another extension: the kind word
  EXPECT_EQ(collectFiles(single, (tmp / "b.osn").c_str(), "OSN"), 0);
  EXPECT_EQ(single.lists[1].size(), 2u);
  EXPECT_EQ(single.lists[4].size(), 1u);
  EXPECT_EQ(collectFiles(single, (tmp / "missing").c_str(), nullptr), -1);

  FileSets dirs;
  EXPECT_EQ(scanDirectory(dirs, tmp.path().string().c_str(), 0, nullptr), 0);
  EXPECT_EQ(dirs.lists[5].size(), 1u);
  CapturedStdout out;
  std::string missing = tmp / "nodir";
  EXPECT_EQ(scanDirectory(dirs, missing.c_str(), 1, nullptr), -1);
  EXPECT_EQ(out.take(), "Nelze precist obsah adresare '" + missing + "'\n");
}

int acceptDigits(const char* v) { return v && *v >= '0' && *v <= '9' ? 0 : 1; }

TEST_F(RunServicesTest, FindOptionLooksForExactTwoCharacterElements) {
  useCatalogue(tmp, {"00101 bad value"});
  const char* argv[] = {"tool", "-bx", "-b", "12", "-c", "x", "-f"};
  const char* value = nullptr;
  EXPECT_EQ(findOption(7, argv, 'b', &value, acceptDigits, 101), 0);
  EXPECT_STREQ(value, "12");
  EXPECT_EQ(findOption(7, argv, 'z', &value, nullptr, 101), 1);
  EXPECT_EQ(findOption(7, argv, 'c', &value, acceptDigits, 101), 2);
  EXPECT_EQ(reportedCodes(), std::vector<int>{101});
  EXPECT_EQ(findOption(7, argv, 'c', &value, acceptDigits, -1), 2);
  EXPECT_EQ(errorEntryCount(), 1);
  EXPECT_EQ(findOption(7, argv, 'f', &value, nullptr, -1), 0);
  EXPECT_EQ(value, nullptr);
}

}  // namespace
}  // namespace quervik::test
