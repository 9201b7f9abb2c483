// The platform layer on the system it was built for (Linux, and Windows under Wine): names
// with national letters, long paths, positions past 4 GiB, the replacing rename, the
// activity read from another thread, and blocks written on a thread of their own.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "runtime/background_writer.h"
#include "runtime/paths.h"
#include "runtime/pending_file.h"
#include "runtime/platform.h"
#include "runtime/progress.h"
#include "test_support.h"

namespace quervik::test {
namespace {

class Platform : public RuntimeTest {
 protected:
  // The temporary directory as UTF-8 in the library's own form.
  std::string dir() const { return tmp.path().string(); }
};

TEST_F(Platform, CzechNamesWorkThroughEveryCall) {
  const std::string folder = dir() + "/Plze\xc5\x88";  // "Plzeň"
  ASSERT_EQ(makeDirectories(folder.c_str()), 0);
  const std::optional<std::string> file = makePath(folder.c_str(), "d\xc3\xa1vka.DRG", nullptr);  // "dávka.DRG"
  ASSERT_TRUE(file);
  EXPECT_EQ(*file, folder + kSeparator + "d\xc3\xa1vka.DRG") << "a composed path uses the system's separator";

  FILE* f = openFile(file->c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("1\r\n", f);  // binary even when asked for text: no CR CR LF
  std::fclose(f);
  EXPECT_EQ(fileSize(file->c_str()), 3);
  EXPECT_EQ(pathKind(file->c_str()), PathKind::kRegular);
  EXPECT_EQ(pathKind(folder.c_str()), PathKind::kDirectory);
  std::vector<std::string> names;
  ASSERT_TRUE(listDirectory(folder.c_str(), names));
  EXPECT_NE(std::find(names.begin(), names.end(), "d\xc3\xa1vka.DRG"), names.end());

  // A whole output replaces the file in one step and leaves no temporary file behind.
  std::optional<FileStamp> before = fileStamp(file->c_str());
  PendingFile output;
  ASSERT_TRUE(output.open(file->c_str()));
  std::fputs("22\r\n", output.stream());
  ASSERT_TRUE(output.commit());
  EXPECT_EQ(fileSize(file->c_str()), 4);
  EXPECT_NE(fileStamp(file->c_str()), before);
  PendingFile key;
  ASSERT_TRUE(key.open(file->c_str(), PendingFile::Kind::NewPrivate));
  EXPECT_FALSE(key.commit()) << "a new private file never replaces one";
  names.clear();
  ASSERT_TRUE(listDirectory(folder.c_str(), names));
  std::erase_if(names, [](const std::string& n) { return n == "." || n == ".."; });
  EXPECT_EQ(names, std::vector<std::string>{"d\xc3\xa1vka.DRG"}) << "no temporary file is left";
  EXPECT_TRUE(sameFile(file->c_str(), (folder + "\\d\xc3\xa1vka.DRG").c_str())) << "'\\' separates too";
  EXPECT_EQ(removeFile(file->c_str()), 0);
  EXPECT_EQ(pathKind(file->c_str()), PathKind::kMissing);
}

TEST_F(Platform, BadNamesFailLikeMissingFiles) {
  const std::string invalidUtf8 = dir() + "/bad\xff\xfe.DRG";
  EXPECT_EQ(openFile(invalidUtf8.c_str(), "rb"), nullptr);
  EXPECT_EQ(fileSize(invalidUtf8.c_str()), -1);
  EXPECT_EQ(openFile(dir().c_str(), "rb"), nullptr) << "a directory is no file";

  // Past the classic 260-character limit of Windows.
  std::string deep = dir();
  while (deep.size() < 300) deep += "/slozka-s-dlouhym-jmenem";
  ASSERT_EQ(makeDirectories(deep.c_str()), 0);
  const std::string file = deep + "/soubor.txt";
  FILE* g = openFile(file.c_str(), "wb");
  ASSERT_NE(g, nullptr);
  std::fputs("abc", g);
  std::fclose(g);
  EXPECT_EQ(fileSize(file.c_str()), 3);
}

TEST_F(Platform, PositionsPastFourGibibytes) {
  const std::string file = dir() + "/big.bin";
  const int64_t far = (int64_t(5) << 30) + 7;  // a sparse file: only the last byte is written
  FILE* f = openFile(file.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  ASSERT_TRUE(seekStream(f, far, SEEK_SET));
  std::fputc('Z', f);
  std::fclose(f);
  EXPECT_EQ(fileSize(file.c_str()), far + 1);

  FILE* r = openFile(file.c_str(), "rb");
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(streamFileSize(r), far + 1);
  ASSERT_TRUE(seekStream(r, -1, SEEK_END));
  EXPECT_EQ(tellStream(r), far);
  EXPECT_EQ(std::fgetc(r), 'Z');
  std::fclose(r);
  EXPECT_EQ(removeFile(file.c_str()), 0);
}

// Run under ThreadSanitizer by `make test`: the poller copies the name while the worker
// replaces it in a tight loop.
TEST_F(Platform, ThreadPollingWhileNamesChange) {
  std::atomic<bool> stop{false};
  std::atomic<long> seen{0};
  std::thread poller([&] {
    while (!stop.load()) {
      std::optional<std::string> name = activityName();
      int pct = activityPercent();
      if (name && (name->rfind("Aktivita ", 0) != 0 || pct < 0 || pct > 100)) std::abort();
      seen.fetch_add(1);
    }
  });
  for (int i = 0; i < 200000; ++i) {
    std::string name = "Aktivita " + std::to_string(i) + std::string(size_t(i % 50), 'x');
    setActivity(name.c_str(), 1000 + i);
    updateProgress(i % 1000);
  }
  while (seen.load() < 1000) std::this_thread::yield();
  stop.store(true);
  poller.join();
  EXPECT_GE(seen.load(), 1000);
}

// Run under ThreadSanitizer by `make test`: two buffers take turns as the converter's output
// does, each filled again as soon as the block after it has been handed over.
TEST_F(Platform, ThreadWritesBlocksInOrderAndStopsAtAFailedWrite) {
  const std::string path = dir() + "/blocks";
  FILE* file = openFile(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::string expected;
  std::vector<char> buffers[2] = {std::vector<char>(70000), std::vector<char>(70000)};
  {
    BackgroundWriter writer(file);
    for (int i = 0; i < 60; ++i) {
      std::vector<char>& block = buffers[i % 2];
      std::fill(block.begin(), block.end(), char('a' + i % 26));
      writer.submit(block.data(), block.size() - size_t(i));
      expected.append(block.data(), block.size() - size_t(i));
    }
    EXPECT_TRUE(writer.finish());
  }
  std::fclose(file);
  EXPECT_EQ(readFile(path), expected);
#ifndef _WIN32
  FILE* full = std::fopen("/dev/full", "wb");
  ASSERT_NE(full, nullptr);
  {
    BackgroundWriter writer(full);
    writer.submit(buffers[0].data(), buffers[0].size());
    writer.submit(buffers[1].data(), buffers[1].size());
    EXPECT_FALSE(writer.finish());
  }
  std::fclose(full);
#endif
}

}  // namespace
}  // namespace quervik::test
