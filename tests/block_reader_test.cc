// The block reader against a plain model of its input: random lines (long ones, CR, NUL and
// other control bytes among them) read through a small buffer and from memory, with random
// limits, skips, holds and drops, so the marks of line ends are tested across refills, moves
// and removed bytes, with the blocks read on the caller's thread and read ahead on another.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>

#include "runtime/block_reader.h"

namespace quervik::test {
namespace {

std::string randomLines(std::mt19937& random, size_t size) {
  const std::string bytes = std::string("\r\r\n\n\n\t\x01\x0c ABC019\xff", 16) + '\0';
  std::string text;
  while (text.size() < size) {
    const size_t length = random() % 8 == 0 ? random() % 9000 : random() % 200;
    for (size_t i = 0; i < length; ++i) text += random() % 6 == 0 ? bytes[random() % bytes.size()] : 'x';
    text += '\n';
  }
  if (random() % 2) text.pop_back();
  return text;
}

void agreeWithModel(ReadAhead ahead) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::mt19937 random(seed);
    std::string model = randomLines(random, 150000);  // what is left to read, dropped bytes removed
    FILE* file = nullptr;
    if (seed % 3) {
      file = std::tmpfile();
      ASSERT_TRUE(file);
      std::fwrite(model.data(), 1, model.size(), file);
      std::rewind(file);
    }
    const std::string text = model;
    // Closed after the reader has gone, as the reader's callers do.
    std::unique_ptr<FILE, int (*)(FILE*)> closer(file, [](FILE* f) { return f ? std::fclose(f) : 0; });
    BlockReader reader = file ? BlockReader(file, 4096, false, ahead) : BlockReader(std::string_view(text));
    if (seed % 2) reader.markCrAndNul();
    size_t at = 0;  // the position in the model
    for (int step = 0; step < 200000 && at < model.size(); ++step) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " step " << step << " at " << at);
      const size_t limits[] = {BlockReader::npos, 767, 499, 40, 1};
      const size_t limit = limits[random() % 5];
      const size_t lf = reader.findLineEnd(limit);
      const std::string_view held = reader.held();
      ASSERT_EQ(held, std::string_view(model).substr(at, held.size()));
      const size_t expected = held.substr(0, limit).find('\n');
      ASSERT_EQ(lf, expected);
      if (lf == BlockReader::npos) {
        ASSERT_TRUE(held.size() >= std::min(limit, reader.capacity()) || at + held.size() == model.size());
      }
      const size_t n = held.empty() ? 0 : random() % (held.size() + 1);
      if (!reader.mayHoldCrOrNul(n)) {
        ASSERT_EQ(held.substr(0, n).find_first_of(std::string("\r\0", 2)), std::string::npos);
      }
      switch (random() % 8) {
        case 0:
          if (file && held.size() > 10) {  // drop some held bytes
            const size_t from = random() % (held.size() / 2);
            reader.drop(from, from + held.size() / 2);
            model.erase(at + from, held.size() / 2);
          }
          break;
        case 1:
          reader.hold(random() % 5000);
          break;
        case 2: {
          const size_t k = std::min(held.size(), size_t(random() % 300));
          reader.skip(k);
          at += k;
          break;
        }
        default:
          if (lf != BlockReader::npos) {
            reader.skip(lf + 1);
            at += lf + 1;
          } else {
            reader.skip(held.size());
            at += held.size();
          }
      }
      ASSERT_EQ(reader.position(), int64_t(at + (text.size() - model.size())));
    }
    if (file) {
      ASSERT_TRUE(reader.rewind());
      const std::string_view again = reader.hold(3000);
      EXPECT_EQ(again, std::string_view(text).substr(0, again.size()));
      EXPECT_GE(again.size(), std::min<size_t>(3000, text.size()));
    }
  }
}

TEST(BlockReader, AgreesWithPlainSearchesOfItsInput) { agreeWithModel(ReadAhead::ForLargeFiles); }

// The same with every block read ahead by a thread, and a read error kept as it is without.
TEST(BlockReader, ThreadReadingAheadAgreesAndKeepsAReadError) {
  agreeWithModel(ReadAhead::Always);
  std::unique_ptr<FILE, int (*)(FILE*)> directory(std::fopen(".", "rb"), std::fclose);  // reading it fails
  if (!directory) GTEST_SKIP() << "a directory cannot be opened as a file here";
  BlockReader reader(directory.get(), 4096, false, ReadAhead::Always);
  EXPECT_EQ(reader.findLineEnd(), BlockReader::npos);
  EXPECT_TRUE(reader.held().empty());
  EXPECT_TRUE(reader.ended());
  EXPECT_TRUE(reader.failed());
}

}  // namespace
}  // namespace quervik::test
