// The VZP batch check end to end: reports of a file, the record-sequence rules, the end of
// a file, logs and disposal, interruption, and input that is not a VZP file at all.
#ifndef _WIN32
#include <sys/resource.h>
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <memory>
#include <random>
#include <set>

#include "runtime/block_reader.h"
#include "runtime/cancellation.h"
#include "runtime/progress.h"
#include "runtime/report.h"
#include "vzp/batch_check.h"
#include "vzp/line_reader.h"
#include "vzp_test_support.h"

namespace quervik::test {
namespace {

using namespace quervik::vzp;
using Lines = std::vector<std::string>;

class VzpBatchCheckTest : public VzpTest {
 protected:
  std::string write(const std::string& name, const Lines& lines, const char* end = "\r\n") {
    return put(name, joinLines(lines, end));
  }
  int check(const std::string& input, const char* logDir = nullptr, const char* outDir = nullptr, bool move = false) {
    return checkVzpBatches(input.c_str(), nullptr, logDir, outDir, move);
  }
};

// The entries of the error list with the given code.
std::vector<std::string> entriesOf(int code) {
  std::vector<std::string> out;
  const std::string suffix = " (" + std::to_string(code) + ")\n";
  for (const std::string& e : errorEntries())
    if (e.size() >= suffix.size() && e.compare(e.size() - suffix.size(), suffix.size(), suffix) == 0) out.push_back(e);
  return out;
}

// Header, P and V of batch 05: one document.
Lines cleanBatch05() {
  Lines l = vzpBatchLines("05", 1);
  l.resize(3);
  return l;
}

TEST_F(VzpBatchCheckTest, CleanFileReportsAndGoesToOk) {
  const std::string file = write("davka.111", cleanBatch05());
  const std::string logDir = tmp / "log", outDir = tmp / "out";
  EXPECT_EQ(check(file, logDir.c_str(), outDir.c_str()), 0);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{50106, 6102, 6103, 7110}));
  // The log holds the reports up to the line count, word for word, with CR LF line ends.
  EXPECT_EQ(readFile(logDir + "/ok/davka_111.log.ok"),
            "Kontrola souboru " + file + " (50106)\r\nKod pojistovny: 111 (6102)\r\nPocet prectenych radku: 3 (6103)\r\n");
  EXPECT_TRUE(fs::is_empty(logDir + "/err"));
  EXPECT_EQ(readFile(outDir + "/ok/davka.111"), readFile(file));  // copied byte for byte
  EXPECT_TRUE(fs::exists(file));
}

// The log's "err" and "ok" are always below the log directory given, also when the
// working directory has directories of those names.
TEST_F(VzpBatchCheckTest, LogSubdirectoriesBelowARelativeLogDirectory) {
  const fs::path saved = fs::current_path();
  fs::current_path(tmp.path());
  fs::create_directory("err");
  fs::create_directory("ok");
  fs::create_directory("log");
  writeFile("a.111", joinLines(cleanBatch05()));
  const int result = checkVzpBatches("a.111", nullptr, "log", nullptr, false);
  const bool logged = fs::exists("log/ok/a_111.log.ok");
  fs::current_path(saved);
  EXPECT_EQ(result, 0);
  EXPECT_TRUE(logged);
}

TEST_F(VzpBatchCheckTest, DocumentCountAgainstTheHeader) {
  Lines lines = cleanBatch05();
  setField(lines[0], "00", "DPOC", "002");
  EXPECT_EQ(check(write("a.111", lines)), -1);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6093, 2}}));  // the line before the last
  EXPECT_EQ(entriesOf(6901), (std::vector<std::string>{"Polozka TYP: ? (6901)\n"}));
  EXPECT_EQ(entriesOf(6902), (std::vector<std::string>{"Pozice ve vete: 1 (6902)\n"}));

  // At a later header the check of the file ends there.
  clearErrors();
  Lines second = cleanBatch05();
  setField(second[2], "05", "VDIA", "1XXXX");
  Lines both = lines;
  both.insert(both.end(), second.begin(), second.end());
  EXPECT_EQ(check(write("b.111", both)), -1);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6093, 3}}));
  EXPECT_EQ(entriesOf(6103), (std::vector<std::string>{"Pocet prectenych radku: 4 (6103)\n"}));
}

TEST_F(VzpBatchCheckTest, FileMustNotEndAfterARecordThatNeedsAFollower) {
  Lines lines = vzpBatchLines("05", 2);
  while (lines.back()[0] != 'P') lines.pop_back();  // ends with the second P
  EXPECT_EQ(check(write("a.111", lines)), -1);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6097, int(lines.size())}}));
  // The last field checked, with the first characters of the last line as its text.
  EXPECT_EQ(entriesOf(6911), (std::vector<std::string>{"Polozka DTYP: 'P' (6911)\n"}));
  EXPECT_EQ(entriesOf(6912), (std::vector<std::string>{"Pozice ve vete: 0 (6912)\n"}));
}

// Batch 34 allows two G in a row: the third is reported and it and the rest of the run are
// skipped unchecked; the next record is checked as usual, on its own line number.
TEST_F(VzpBatchCheckTest, RepeatLimitSkipsTheRestOfTheRun) {
  Lines batch = vzpBatchLines("34", 2), doc[2];  // the T and V lines of each document
  for (size_t i = 1, d = 0; i < batch.size(); ++i) {
    if (i > 1 && batch[i][0] == 'T') d = 1;
    if (batch[i][0] == 'T' || batch[i][0] == 'V') doc[d].push_back(batch[i]);
  }
  Lines lines = {batch[0]};
  lines.insert(lines.end(), doc[0].begin(), doc[0].end());
  const std::string g = "GJ189  ", badG = "G1XXXX ";
  for (const std::string& l : {g, g, g, badG.substr(0, 7), badG.substr(0, 7)}) lines.push_back(l);
  const int thirdG = int(lines.size()) - 2;
  lines.insert(lines.end(), doc[1].begin(), doc[1].end());
  setField(lines.back(), "34", "VPOC", "    ");
  EXPECT_EQ(check(write("a.111", lines)), -2);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6081, thirdG}, {6072, int(lines.size())}}));
  EXPECT_EQ(entriesOf(6901), (std::vector<std::string>{"Polozka TYP: G (6901)\n"}));

  // A run that ends the file: its last line is still checked (a bad diagnosis is found).
  clearErrors();
  Lines ending = {batch[0]};
  setField(ending[0], "00", "DPOC", "001");
  ending.insert(ending.end(), doc[0].begin(), doc[0].end());
  for (const std::string& l : {g, g, g, badG.substr(0, 7)}) ending.push_back(l);
  EXPECT_EQ(check(write("b.111", ending)), -2);
  const int last = int(ending.size());
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6081, last - 1}, {6041, last}}));

  // A repeat limit without a code of its own (batch 65: header, Q, X, Y...).
  clearErrors();
  Lines q = vzpBatchLines("65", 1);
  EXPECT_EQ(check(write("c.111", {q[0], q[1], q[2], q[2], q[3]})), -1);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6080, 4}}));
}

TEST_F(VzpBatchCheckTest, EmptyOrBlankLineIsReportedAndSkipped) {
  Lines lines = cleanBatch05();
  lines.insert(lines.begin() + 2, "");
  lines.insert(lines.begin() + 3, " " + lines[3].substr(1));
  EXPECT_EQ(check(write("a.111", lines)), -2);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6091, 3}, {6091, 4}}));
  EXPECT_EQ(entriesOf(6901), (std::vector<std::string>{"Polozka TYP:   (6901)\n", "Polozka TYP:   (6901)\n"}));
}

// A record that may not follow the previous one: everything up to the next header is
// skipped, and the batch behind that header is checked.
TEST_F(VzpBatchCheckTest, SequenceErrorSkipsToTheNextHeader) {
  Lines first = cleanBatch05(), second = cleanBatch05();
  setField(first[0], "00", "DPOC", "000");
  setField(second[2], "05", "VDIA", "1XXXX");
  Lines lines = {first[0], first[2], first[1], first[2]};  // V right after the header
  lines.insert(lines.end(), second.begin(), second.end());
  EXPECT_EQ(check(write("a.111", lines)), -2);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6091, 2}, {6041, 7}}));
  EXPECT_EQ(entriesOf(6901)[0], "Polozka TYP: V (6901)\n");
  // When the skipped records were the batch's documents, its count no longer matches.
  clearErrors();
  setField(lines[0], "00", "DPOC", "001");
  EXPECT_EQ(check(write("b.111", lines)), -2);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6091, 2}, {6093, 4}}));
}

TEST_F(VzpBatchCheckTest, UnknownRecordStopsTheFileOnly) {
  fs::create_directory(tmp / "in");
  Lines bad = cleanBatch05();
  bad[1].pop_back();  // P of 48 characters
  setField(bad[2], "05", "VDIA", "1XXXX");
  write("in/a.111", bad);
  write("in/b.111", cleanBatch05());
  EXPECT_EQ(check(tmp / "in"), -1);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6094, 2}}));
  EXPECT_EQ(entriesOf(6103), (std::vector<std::string>{"Pocet prectenych radku: 2 (6103)\n",
                                                         "Pocet prectenych radku: 3 (6103)\n"}));
  // A header whose batch type has no layouts fails at its first record.
  clearErrors();
  Lines other = cleanBatch05();
  setField(other[0], "00", "DTYP", "77");
  EXPECT_EQ(check(write("c.111", other)), -1);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6094, 2}}));
}

TEST_F(VzpBatchCheckTest, FilesWithoutAHeaderFirst) {
  Lines lines = cleanBatch05();
  EXPECT_EQ(check(write("a.111", {lines[1], lines[2]})), -1);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{50106, 6102, 6101, 6103, 6104, 7110}));
  EXPECT_EQ(entriesOf(6103), (std::vector<std::string>{"Pocet prectenych radku: 0 (6103)\n"}));
  clearErrors();
  EXPECT_EQ(check(write("b.111", {lines[1], lines[0], lines[1], lines[2]})), -1);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{10100, 1}}));
  clearErrors();
  EXPECT_EQ(check(write("c.111", {})), -1);  // an empty file has no header either
  EXPECT_EQ(entriesOf(6101).size(), 1u);
}

// The header's insurer code (characters 13-16) is rewritten from its ICO before anything
// looks at the line, so what stood there is never checked.
TEST_F(VzpBatchCheckTest, HeaderInsurerCodeIsRewritten) {
  Lines lines = cleanBatch05();
  lines[0].replace(12, 4, "\t\t\t\t");
  EXPECT_EQ(check(write("a.111", lines)), 0);
  // The ICO's first two characters land there and are checked in their new place (and the
  // changed ICO no longer fits the document's ICP).
  lines[0].replace(4, 2, "\t1");
  EXPECT_EQ(check(write("b.111", lines)), -5);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6053, 1}, {6055, 1}, {6053, 1}, {6024, 2}, {6022, 2}}));
  EXPECT_EQ(entriesOf(6911)[2], "Polozka DPOB: '\t100' (6911)\n");
}

// The date-required flag is process-wide: set by a batch-81 document whose item had no
// date, it is still set in the next run's batch 82.
TEST_F(VzpBatchCheckTest, DateRequiredFlagOutlivesTheFile) {
  Lines a = vzpBatchLines("81", 1);
  a.resize(3);  // header, A, V
  setField(a[2], "81", "VDAT", "");
  Lines h = vzpBatchLines("82", 1);
  h.resize(3);  // header, H, V
  setField(h[2], "82", "VDAT", "00092023");
  const std::string first = write("a.111", a), second = write("b.111", h);
  EXPECT_EQ(check(second), -2);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6073, 3}, {6042, 3}}));
  clearErrors();
  EXPECT_EQ(check(first), -1);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6058, 3}}));
  clearErrors();
  EXPECT_EQ(check(second), -3);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6073, 3}, {6058, 3}, {6042, 3}}));
}

TEST_F(VzpBatchCheckTest, LineEndsAndLongLines) {
  Lines lines = cleanBatch05();
  setField(lines[2], "05", "VDIA", "1XXXX");
  EXPECT_EQ(check(write("lf.111", lines, "\n")), -1);
  EXPECT_EQ(check(write("crlf.111", lines, "\r\n")), -1);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6041, 3}, {6041, 3}}));
  // The last line without its line end is reported and not checked.
  clearErrors();
  std::string text = joinLines(lines);
  text.resize(text.size() - 2);
  writeFile(tmp / "open.111", text);
  EXPECT_EQ(check(tmp / "open.111"), -1);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6090, 3}}));
  // A line of 600 characters arrives as a piece of 499 without a line end and the rest.
  clearErrors();
  Lines longLine = cleanBatch05();
  longLine[2] = "V" + std::string(599, 'X');
  EXPECT_EQ(check(write("long.111", longLine)), -3);
  EXPECT_EQ(vzpFindings(), (std::vector<VzpFinding>{{6090, 3}, {6091, 4}, {6097, 4}}));
}

// The first read hands on exactly the pieces beginning with 'D' that a read piece by piece
// gives, and each of its stops is the end of the first piece that reaches the mark: lines
// around the 499-character limit, a CR before the line end or elsewhere, a line longer than
// the reader's buffer, a last line without its line end.
TEST_F(VzpBatchCheckTest, HeaderReadSeesThePiecesOfAReadPieceByPiece) {
  std::mt19937 random(17);
  const auto pick = [&](std::initializer_list<size_t> from) { return from.begin()[random() % from.size()]; };
  for (int round = 0; round < 6; ++round) {
    std::string text;
    while (text.size() < 300000) {
      std::string line(pick({0, 1, 3, 40, 63, 64, 65, 497, 498, 499, 500, 501, 997, 998, 1497, 4000}), ' ');
      for (char& c : line) c = "DD 0x\r"[random() % 6];
      text += line + (random() % 3 ? "\n" : "\r\n");
    }
    if (round == 1) text.insert(1000, std::string(BlockReader::kDefaultCapacity + 100, 'D'));
    if (round % 2) text.resize(text.size() - 7);
    const std::string path = put("skim" + std::to_string(round), text);
    std::vector<std::string> expected, seen;
    std::vector<int64_t> ends;
    {
      std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
      VzpLineReader reader(file.get());
      for (VzpLinePiece piece; reader.next(piece);) {
        if (!piece.text.empty() && piece.text[0] == 'D') expected.emplace_back(piece.text);
        ends.push_back(reader.position());
      }
    }
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    VzpLineReader reader(file.get());
    for (int64_t stop = 0;; stop = reader.position() + int64_t(random() % 3000)) {
      const int64_t before = reader.position();  // at least one piece is read
      if (!reader.skimHeaders(stop, [&](std::string_view piece) { seen.emplace_back(piece); })) break;
      const auto first = std::lower_bound(ends.begin(), ends.end(), std::max(stop, before + 1));
      ASSERT_EQ(reader.position(), first == ends.end() ? ends.back() : *first) << "round " << round;
    }
    EXPECT_EQ(seen, expected) << "round " << round;
  }
}

// A file that cannot be opened is a finding, never a clean file: here the process has no
// file descriptor left when the check opens it (a permission would not stop root).
// The layouts' own index answers as the table's search for every batch type, letter and
// length of a layout, and finds nothing for the types, letters and lengths that have none.
TEST_F(VzpBatchCheckTest, LayoutIndexAnswersAsTheTableSearch) {
  VzpLayouts layouts;
  std::set<std::string> types{"99", std::string{'\0', '\xFF'}};
  std::set<int> lengths{0, 1, 500};
  for (const VzpRecordDescriptor& r : vzpRecordTable()) {
    types.insert(std::string(r.batchType, 2));
    lengths.insert(r.length);
  }
  for (const std::string& type : types)
    for (int letter = 0; letter < 256; ++letter)
      for (int length : lengths) {
        const VzpLayouts::Record* found = layouts.find(layouts.typeIndex(type[0], type[1]), char(letter), length);
        ASSERT_EQ(found ? found->descriptor : nullptr, findRecordDescriptor(type, char(letter), length))
            << type << " " << letter << " " << length;
      }
}

TEST_F(VzpBatchCheckTest, UnreadableFileIsAFinding) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no descriptor limit to run out of";
#else
  const std::string file = write("a.111", cleanBatch05());
  ASSERT_TRUE(formatMessage(50106, {}));  // the catalogue is read before the descriptors run out
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
  rlimit low = old;
  low.rlim_cur = 64;
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &low), 0);
  std::vector<int> held;
  for (int fd; (fd = ::open("/dev/null", O_RDONLY)) >= 0;) held.push_back(fd);
  // Only plain calls while no descriptor is free: the sanitizers' runtime needs one to
  // check a member call.
  const int result = checkVzpBatches(file.c_str(), nullptr, nullptr, nullptr, false);
  for (int fd : held) ::close(fd);
  setrlimit(RLIMIT_NOFILE, &old);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(reportedCodes(), (std::vector<int>{50106, 6102, 50102, 6103, 6104, 7110}));
  EXPECT_EQ(entriesOf(50102), (std::vector<std::string>{"Soubor " + file + " nelze otevrit pro cteni (50102)\n"}));
#endif
}

// Batches of type 16 or 80 must stand alone in a file: each of their headers in a file with
// other batches is a finding, whichever batch comes first. A file whose first header is of
// another type is read once, and that read moves the progress.
TEST_F(VzpBatchCheckTest, SpaBatchesAmongOthersWhicheverComesFirst) {
  struct Case {
    std::vector<std::string> types;
    size_t mixed;
  };
  const Case cases[] = {{{"05", "16"}, 1}, {{"16", "05"}, 1}, {{"16", "16"}, 0},
                        {{"80", "80"}, 0}, {{"80", "16", "05"}, 2}, {{"05", "80", "05"}, 1}};
  for (const Case& c : cases) {
    Lines lines;
    for (const std::string& type : c.types) {
      const Lines batch = vzpBatchLines(type, 1);
      lines.insert(lines.end(), batch.begin(), batch.end());
    }
    clearErrors();
    check(write("m.111", lines));
    const std::vector<VzpFinding> findings = vzpFindings();
    EXPECT_EQ(size_t(std::count_if(findings.begin(), findings.end(), [](const VzpFinding& f) { return f.code == 6016; })),
              c.mixed)
        << joinLines(c.types, " ");
  }
  struct Percents : CancellationSource {
    std::vector<int> seen;
    bool consumeInterrupt() override {
      seen.push_back(activityPercent());
      return false;
    }
  } percents;
  installCancellationSource(&percents);
  check(write("big.111", vzpBatchLines("05", 3000)));
  installCancellationSource(nullptr);
  EXPECT_TRUE(std::is_sorted(percents.seen.begin(), percents.seen.end()));
  EXPECT_TRUE(std::any_of(percents.seen.begin(), percents.seen.end(), [](int p) { return p > 0 && p < 100; }));
}

TEST_F(VzpBatchCheckTest, InterruptedRun) {
  fs::create_directory(tmp / "in");
  Lines bad = cleanBatch05();
  setField(bad[2], "05", "VDIA", "1XXXX");
  write("in/a.111", bad);
  write("in/b.111", cleanBatch05());
  const std::string logDir = tmp / "log", outDir = tmp / "out";
  // Each small file is asked once per read, and a file whose first header is of type 05 is
  // read once: a's read, then b's.
  InterruptAt second(2);
  installCancellationSource(&second);
  EXPECT_EQ(check(tmp / "in", logDir.c_str(), outDir.c_str(), true), -2);
  EXPECT_EQ(second.asked(), 2);
  EXPECT_TRUE(fs::exists(logDir + "/err/a_111.log.err"));
  EXPECT_FALSE(fs::exists(logDir + "/ok/b_111.log.ok"));
  EXPECT_TRUE(fs::is_empty(outDir + "/ok"));  // nothing moved
  EXPECT_TRUE(fs::is_empty(outDir + "/err"));
  EXPECT_EQ(activityName(), std::string("Preruseno"));
  // Interrupted in the main pass of the first file.
  clearErrors();
  InterruptAt first(1);
  installCancellationSource(&first);
  EXPECT_EQ(check(tmp / "in"), -1);
  EXPECT_EQ(entriesOf(6103).size(), 0u);
  installCancellationSource(nullptr);
}

// Every generated batch type checks clean, and each seeded finding is reported on its line.
TEST_F(VzpBatchCheckTest, GeneratedFilesCheckAsGenerated) {
  for (const std::string& type : vzptools::allVzpBatchTypes()) {
    SCOPED_TRACE(type);
    vzptools::VzpGeneratorOptions options;
    options.batchTypes = {type, type};
    options.documentsPerBatch = 60;
    options.seed = 11;
    writeFile(tmp / "g.111", vzptools::generateVzpText(options));
    EXPECT_EQ(check(tmp / "g.111"), 0);
    EXPECT_TRUE(vzpFindings().empty());
    clearErrors();
  }
  vzptools::VzpGeneratorOptions options;
  options.seededFindings = 25;
  options.seed = 5;
  vzptools::VzpGeneratorResult generated;
  writeFile(tmp / "s.111", vzptools::generateVzpText(options, &generated));
  ASSERT_EQ(generated.findingLines.size(), 25u);
  EXPECT_EQ(check(tmp / "s.111"), -25);
  std::vector<VzpFinding> expected;
  for (long line : generated.findingLines) expected.push_back({6053, int(line)});
  EXPECT_EQ(vzpFindings(), expected);
}

}  // namespace
}  // namespace quervik::test
