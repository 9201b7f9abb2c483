// Outputs that appear only when complete: committed files replace the target, dropped ones
// leave nothing behind, and a target that cannot be written is refused before any byte.
#include <sys/stat.h>

#include "runtime/pending_file.h"
#include "test_support.h"

namespace quervik::test {
namespace {

using PendingOutput = RuntimeTest;

size_t entriesIn(const fs::path& dir) {
  size_t n = 0;
  for (auto it = fs::directory_iterator(dir); it != fs::directory_iterator(); ++it) ++n;
  return n;
}

TEST_F(PendingOutput, CommitRenamesIntoPlaceAndDropDiscards) {
  std::string target = tmp / "out.bin";
  writeFile(target, "old");
  {
    PendingFile f;
    ASSERT_TRUE(f.open(target.c_str()));
    EXPECT_EQ(fs::path(f.temporaryPath()).parent_path(), tmp.path());
    std::fputs("new contents", f.stream());
    EXPECT_EQ(readFile(target), "old");  // nothing shows before the commit
    ASSERT_TRUE(f.commit());
    EXPECT_EQ(f.stream(), nullptr);
  }
  EXPECT_EQ(readFile(target), "new contents");
  EXPECT_EQ(entriesIn(tmp.path()), 1u);
  // The new file has the permissions fopen would give it (the umask decides).
  mode_t mask = ::umask(0);
  ::umask(mask);
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);

  {
    PendingFile f;
    ASSERT_TRUE(f.open(target.c_str()));
    std::fputs("never shown", f.stream());
  }
  EXPECT_EQ(readFile(target), "new contents");
  EXPECT_EQ(entriesIn(tmp.path()), 1u);
}

TEST_F(PendingOutput, UnwritableTargetsAreRefusedUpFront) {
  PendingFile f;
  EXPECT_FALSE(f.open(nullptr));
  EXPECT_FALSE(f.open(""));
  EXPECT_FALSE(f.open(tmp.path().c_str()));  // a directory
  EXPECT_FALSE(f.open((tmp / "missing/out.bin").c_str()));
  EXPECT_FALSE(f.commit());
  // Backslashes separate path parts too.
  fs::create_directory(tmp.path() / "sub");
  std::string windowsStyle = tmp.path().string() + "\\sub\\x.bin";
  ASSERT_TRUE(f.open(windowsStyle.c_str()));
  ASSERT_TRUE(f.commit());
  EXPECT_TRUE(fs::exists(tmp.path() / "sub" / "x.bin"));
  EXPECT_EQ(entriesIn(tmp.path()), 1u);
}

}  // namespace
}  // namespace quervik::test
