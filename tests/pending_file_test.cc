// Outputs that appear only when complete: committed files take their place with the right
// permissions, dropped or killed ones leave nothing behind, key blobs never replace a file,
// and a target that cannot be written is refused before any byte.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iterator>
#include <thread>

#include "crypto_support.h"
#include "runtime/pending_file.h"
#include "tokenadmin/hash_key.h"

namespace quervik::test {
namespace {

size_t entriesIn(const fs::path& dir) {
  return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

unsigned modeOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// Every case runs with the unnamed temporary file and with the named one that serves where
// the file system refuses unnamed files.
class PendingOutput : public RuntimeTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    RuntimeTest::SetUp();
    PendingFile::allowUnnamedFiles(GetParam());
  }
  void TearDown() override {
    PendingFile::allowUnnamedFiles(true);
    RuntimeTest::TearDown();
  }
};

INSTANTIATE_TEST_SUITE_P(TemporaryFile, PendingOutput, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Unnamed" : "Named"; });

TEST_P(PendingOutput, CommitPutsTheWholeFileInPlaceWithItsPermissions) {
  mode_t mask = ::umask(022);  // a usual mask, so that the modes below differ
  std::string target = put("out.bin", "old");
  ::chmod(target.c_str(), 0640);
  {
    PendingFile f;
    ASSERT_TRUE(f.open(target.c_str()));
    struct stat st {};
    ASSERT_EQ(::fstat(::fileno(f.stream()), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);  // nobody else reads it while it is written
    std::fputs("new contents", f.stream());
    EXPECT_EQ(readFile(target), "old");  // nothing shows before the commit
    ASSERT_TRUE(f.commit());
    EXPECT_EQ(f.stream(), nullptr);
  }
  EXPECT_EQ(readFile(target), "new contents");
  EXPECT_EQ(modeOf(target), 0640u);  // the replaced file's mode, neither wider nor narrower
  EXPECT_EQ(entriesIn(tmp.path()), 1u);

  // A new file gets what a plain create gives; so does one whose name is near the limit of
  // 255 bytes (the temporary name does not grow with it).
  for (const std::string& name : {std::string("new.bin"), std::string(250, 'a')}) {
    PendingFile f;
    ASSERT_TRUE(f.open((tmp / name).c_str())) << name.size();
    ASSERT_TRUE(f.commit());
    EXPECT_EQ(modeOf(tmp / name), 0644u);
  }
  {
    PendingFile f;
    ASSERT_TRUE(f.open(target.c_str()));
    std::fputs("never shown", f.stream());
  }
  EXPECT_EQ(readFile(target), "new contents");
  // A key blob is only its owner's, and one that appeared meanwhile is never replaced.
  PendingFile blob, raced;
  ASSERT_TRUE(blob.open((tmp / "key.blob").c_str(), PendingFile::Kind::NewPrivate));
  ASSERT_TRUE(raced.open((tmp / "key.blob").c_str(), PendingFile::Kind::NewPrivate));
  std::fputs("first key", blob.stream());
  ASSERT_TRUE(blob.commit());
  EXPECT_FALSE(raced.commit());
  EXPECT_EQ(readFile(tmp / "key.blob"), "first key");
  EXPECT_EQ(modeOf(tmp / "key.blob"), 0600u);
  EXPECT_EQ(entriesIn(tmp.path()), 4u);
  ::umask(mask);
}

TEST_P(PendingOutput, UnwritableTargetsAreRefusedUpFront) {
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

// An output into a device or a pipe goes straight through and leaves it what it was: renamed
// over, a FIFO (or, for root, /dev/null itself) would become a plain file.
TEST_P(PendingOutput, DeviceOrPipeIsWrittenNotReplaced) {
  std::string fifo = tmp / "pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  // The reading end is open before the output is, so nothing here ever waits for the other.
  int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  PendingFile f;
  ASSERT_TRUE(f.open(fifo.c_str()));
  std::fputs("through the pipe", f.stream());
  EXPECT_TRUE(f.commit());
  char received[64] = {};
  EXPECT_EQ(::read(reader, received, sizeof received - 1), 16);
  ::close(reader);
  EXPECT_STREQ(received, "through the pipe");
  struct stat st {};
  ASSERT_EQ(::stat(fifo.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(entriesIn(tmp.path()), 1u);
  // A key blob is never written into something that exists.
  EXPECT_FALSE(f.open(fifo.c_str(), PendingFile::Kind::NewPrivate) && f.commit());
}

using KilledOutput = RuntimeTest;

// A process killed while it writes leaves no trace beside its output.
TEST_F(KilledOutput, LeavesNothingBehind) {
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    PendingFile f;
    if (!f.open((tmp / "out.drg").c_str())) ::_exit(1);
    std::string block(1 << 20, 'B');
    std::fwrite(block.data(), 1, block.size(), f.stream());
    std::fflush(f.stream());
    (void)!::write(ready[1], "x", 1);
    ::pause();
    ::_exit(0);
  }
  char c = 0;
  EXPECT_EQ(::read(ready[0], &c, 1), 1);
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ::close(ready[0]);
  ::close(ready[1]);
  EXPECT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(entriesIn(tmp.path()), 0u);
}

using HashKeyBlob = CryptoTest;

// A blob that appears while the key is being made (here: while the certificate is read from a
// pipe) is kept, and the new key is refused with 502.
TEST_F(HashKeyBlob, MadeMeanwhileIsNeverReplaced) {
  std::string certificate = tmp / "cert.pipe", blob = tmp / "key.blob";
  ASSERT_EQ(::mkfifo(certificate.c_str(), 0600), 0);
  std::thread other([&] {
    FILE* pipe = std::fopen(certificate.c_str(), "w");  // waits until the certificate is read
    writeFile(blob, "earlier blob");
    std::fputs(readFile(keyMaterial().certPem).c_str(), pipe);
    std::fclose(pipe);
  });
  HashKeyTarget target;
  target.certificateFile = certificate.c_str();
  target.blobFile = blob.c_str();
  EXPECT_EQ(makeHashKey(target), -3);
  other.join();
  EXPECT_EQ(readFile(blob), "earlier blob");
  EXPECT_EQ(reportedCodes(), std::vector<int>{502});
  EXPECT_EQ(entriesIn(tmp.path()), 2u);
}

}  // namespace
}  // namespace quervik::test
