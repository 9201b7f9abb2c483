// Generator of VZP batch files that are valid by construction: every batch type that has
// layouts, any size, and on request a number of seeded findings. Used by the tool
// vzp_generate, the tests, the examples and the benchmark. Records are built from the
// layout tables themselves, so a generated file follows the layouts the checker reads.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace quervik::vzptools {

struct VzpGeneratorOptions {
  // Batch types, written in turn. Types 16 and 80 are accepted only in files of their
  // own (a file mixing them with other types is a finding), so the default leaves them out.
  std::vector<std::string> batchTypes;
  // Batches are written until the file holds at least this many bytes; with 0, one batch
  // of each type.
  int64_t targetBytes = 0;
  int documentsPerBatch = 40;  // 1 to 999
  // Records that get one byte a character field does not accept (a tab): each gives
  // exactly one finding (6053).
  int seededFindings = 0;
  uint64_t seed = 1;
  bool crlf = true;                 // line ends CR LF (as the files arrive) or LF
  std::string ico = "12345678";     // the facility's ICO
};

struct VzpGeneratorResult {
  int64_t bytes = 0;
  long lines = 0;
  long batches = 0;
  std::vector<long> findingLines;  // line numbers of the seeded findings
};

// Every batch type that has layouts, and the default rotation (without 16 and 80).
std::vector<std::string> allVzpBatchTypes();
std::vector<std::string> defaultVzpBatchTypes();

// Writes the file; false when a batch type has no layouts or a write fails.
bool generateVzp(std::FILE* out, const VzpGeneratorOptions& options, VzpGeneratorResult* result);
// The same into a string.
std::string generateVzpText(const VzpGeneratorOptions& options, VzpGeneratorResult* result = nullptr);

}  // namespace quervik::vzptools
