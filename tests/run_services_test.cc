// Paths, directories, file sets, copying, moving and disposal of processed files.
#include <sys/stat.h>

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
  EXPECT_EQ(makePath("/log/err", "/in/F.DRG", "log.err"), std::string("/log/err/F_DRG.log.err"));
  EXPECT_EQ(makePath("/log/err/", "D:\\IN\\F.DRG", "log.err"), std::string("/log/err/F_DRG.log.err"));
  EXPECT_EQ(makePath("/log", "err", nullptr), std::string("/log/err"));
  EXPECT_EQ(makePath("/log", "NOEXT", "log.ok"), std::string("/log/NOEXT.log.ok"));
  EXPECT_EQ(makePath("/log", "a.b.c", "log.ok"), std::string("/log/a.b_c.log.ok"));
  EXPECT_FALSE(makePath(tmp.path().c_str(), tmp.path().c_str(), nullptr).has_value());
  std::string veryLong(600, 'd');
  EXPECT_EQ(makePath(("/" + veryLong).c_str(), "f.drg", "log.ok")->size(), 1 + 600 + 1 + 12u);
}

TEST_F(RunServicesTest, MakeDirectoriesCreatesMissingParents) {
  std::string a = tmp / "A";
  ASSERT_EQ(ensureDirectory(a.c_str()), 0);
  std::string c = a + "/B\\\\C";
  EXPECT_EQ(makeDirectories(c.c_str()), 0);
  EXPECT_EQ(isDirectory((a + "/B/C").c_str()), 1);
  EXPECT_EQ(makeDirectories(c.c_str()), 1);
  EXPECT_EQ(isDirectory((a + "/B/C//").c_str()), 1);
  std::string file = tmp / "file";
  writeFile(file, "x");
  EXPECT_EQ(ensureDirectory(file.c_str()), -1);  // exists as something else: silent
  CapturedStdout out;
  std::string below = file + "/sub/dir";
  EXPECT_EQ(makeDirectories(below.c_str()), -1);
  EXPECT_EQ(out.take(), "");  // the parent is a file: nothing could be created, nothing printed
  ::chmod(a.c_str(), 0500);
  if (::geteuid() != 0) {
    CapturedStdout out2;
    EXPECT_EQ(makeDirectories((a + "/X").c_str()), -1);
    EXPECT_EQ(out2.take(), "Chyba: nelze vytvorit adresar " + a + "/X\n");
  }
  ::chmod(a.c_str(), 0700);
}

TEST_F(RunServicesTest, PathPartsAndKinds) {
  EXPECT_EQ(baseName("C:\\IN\\F.DRG"), "F.DRG");
  EXPECT_EQ(baseName("plain"), "plain");
  EXPECT_EQ(dirName("/in/sub\\f.txt"), std::string("/in/sub\\"));
  EXPECT_FALSE(dirName("f.txt").has_value());
  EXPECT_EQ(fileExtension("/a.b/c.Drg", nullptr), std::string("Drg"));
  EXPECT_FALSE(fileExtension("/a.b/c", nullptr).has_value());
  EXPECT_EQ(fileExtension("/a/c", "osn"), std::string("osn"));
  EXPECT_EQ(kindIndex("DRG"), 2);
  EXPECT_EQ(kindIndex("dRg"), 2);
  EXPECT_EQ(kindIndex("kor"), 4);
  EXPECT_EQ(kindIndex("txt"), 5);
  EXPECT_EQ(kindIndex(nullptr), 5);
  EXPECT_EQ(isRegularFile(nullptr), -1);
  EXPECT_EQ(isRegularFile(tmp.path().c_str()), 0);
}

TEST_F(RunServicesTest, CollectFilesByNameDirectoryAndKindWord) {
  for (const char* n : {"a.DRG", "b.osn", "c.txt", "noext", "d.drg"}) writeFile(tmp / n, "x");
  std::filesystem::create_directory(tmp / "sub.drg");

  FileSets all;
  EXPECT_EQ(collectFiles(all, tmp.path().c_str(), nullptr), 0);
  EXPECT_EQ(all.lists[2].size(), 2u);  // a.DRG and d.drg, in name order
  EXPECT_EQ(all.lists[2][0].name, tmp / "a.DRG");
  EXPECT_EQ(all.lists[1].size(), 1u);
  EXPECT_EQ(all.lists[5].size(), 2u);  // c.txt and noext; directories are not files

  FileSets drgOnly;
  EXPECT_EQ(collectFiles(drgOnly, tmp.path().c_str(), "drg"), 0);
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
  EXPECT_EQ(scanDirectory(dirs, tmp.path().c_str(), 0, nullptr), 0);
  EXPECT_EQ(dirs.lists[5].size(), 1u);
  CapturedStdout out;
  std::string missing = tmp / "nodir";
  EXPECT_EQ(scanDirectory(dirs, missing.c_str(), 1, nullptr), -1);
  EXPECT_EQ(out.take(), "Nelze precist obsah adresare '" + missing + "'\n");
}

TEST_F(RunServicesTest, CopyAndMoveAreByteForByte) {
  std::string src = tmp / "one.drg", dst = tmp / "copy.drg";
  writeFile(src, std::string("A\r\nB\nC\x1A\x00tail", 12));
  EXPECT_EQ(copyOrMoveFile(src.c_str(), dst.c_str(), false), 12);
  EXPECT_EQ(readFile(dst), readFile(src));

  std::string oneByte = tmp / "b1", moved = tmp / "b1.moved";
  writeFile(oneByte, "x");
  EXPECT_EQ(copyOrMoveFile(oneByte.c_str(), moved.c_str(), true), 1);
  EXPECT_EQ(isRegularFile(oneByte.c_str()), -1);
  EXPECT_EQ(readFile(moved), "x");

  std::string empty = tmp / "empty", emptyMoved = tmp / "empty.moved";
  writeFile(empty, "");
  EXPECT_EQ(copyOrMoveFile(empty.c_str(), emptyMoved.c_str(), true), 0);
  EXPECT_EQ(isRegularFile(empty.c_str()), 1);  // an empty file is not moved

  EXPECT_EQ(copyOrMoveFile((tmp / "missing").c_str(), dst.c_str(), true), -1);
  EXPECT_EQ(copyOrMoveFile(src.c_str(), (tmp / "no/dir/x").c_str(), true), -1);
  EXPECT_EQ(isRegularFile(src.c_str()), 1);
  // A file moved onto itself is neither truncated nor deleted.
  EXPECT_EQ(copyOrMoveFile(src.c_str(), src.c_str(), true), -1);
  EXPECT_EQ(readFile(src).size(), 12u);
}

TEST_F(RunServicesTest, DisposeFilesSortsIntoOkAndErr) {
  OutputDirectories dirs{tmp / "ok", tmp / "err"};
  ensureDirectory(dirs.ok.c_str());
  ensureDirectory(dirs.err.c_str());
  std::vector<FileItem> files = {{tmp / "good.drg", 0}, {tmp / "bad.drg", 1}, {tmp / "empty.drg", 0}};
  writeFile(files[0].name, "g");
  writeFile(files[1].name, "bb");
  writeFile(files[2].name, "");
  CapturedStdout out;
  disposeFiles(files, dirs, true);
  EXPECT_EQ(out.take(), "Nelze presunout " + files[2].name + " do " + dirs.ok + "/empty.drg\n");
  EXPECT_EQ(readFile(dirs.ok + "/good.drg"), "g");
  EXPECT_EQ(readFile(dirs.err + "/bad.drg"), "bb");
  EXPECT_EQ(isRegularFile(files[0].name.c_str()), -1);
  EXPECT_EQ(isRegularFile(files[2].name.c_str()), 1);

  std::vector<FileItem> more = {{files[2].name, 1}};
  OutputDirectories unwritable{tmp / "none/ok", tmp / "none/err"};
  writeFile(files[2].name, "z");
  CapturedStdout out2;
  disposeFiles(more, unwritable, false);
  EXPECT_EQ(out2.take(), "Nelze kopirovat " + files[2].name + " do " + unwritable.err + "/empty.drg\n");
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
