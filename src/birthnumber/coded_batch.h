// The two passes of desRc over a DRG batch, without the keys' origin and the files' names: the
// copy that replaces every B record's birth number by its coded number while collecting the
// distinct numbers, and the Y records that pair each distinct coded number with its recovery
// identifier. encodeBirthNumbers (encode.h) runs them; the fuzz target runs them directly.
#pragma once
#include <cstdint>
#include <cstdio>

#include "birthnumber/birth_number.h"
#include "birthnumber/birth_number_set.h"
#include "birthnumber/line_reader.h"
#include "runtime/block_sink.h"

namespace quervik {

// The host is asked whether to stop once every this many lines or Y records (each question
// costs a call into the JVM); the first line is asked about too.
inline constexpr int64_t kInterruptCheckInterval = 1024;

// Length of a rewritten B record: columns 1-83, the coded number and one blank.
inline constexpr size_t kCodedRecordLength = kBirthNumberOffset + kCodedNumberLength + 1;

enum class PassEnd { Done, Interrupted, ReadFailed, WriteFailed, CodingFailed, AlreadyCoded };

struct CodedCopy {
  int64_t lines = 0;
  int64_t bRecords = 0;
  bool lastLineUnended = false;  // the input's last line had no line end, nor has its copy
};

// Copies every line of the input to out, each with a CR LF line end (a last line without one
// stays without). A line that begins with "B" is rewritten: its columns 1-83 (blank-filled
// when the record is shorter), the coded number of its birth number under the hashing key,
// one blank. Every new birth number is added to the set. Asks testInterrupted and moves the
// progress to the input position as it goes. A line that begins with "X" ends the pass with
// AlreadyCoded (copy.lines is its number): the batch was coded before, and coding its codes
// again would lose the way back to the birth numbers. May throw std::bad_alloc (the set).
PassEnd copyWithCodedNumbers(LineReader& in, BlockSink& out, const TripleDesKey& hashKey, BirthNumberCoder& coder,
                             BirthNumberSet& set, CodedCopy& copy);

// One Y record per entry of the set, in its order: "Y", the coded number, the recovery
// identifier under the session key, CR LF. Asks testInterrupted and moves the progress to the
// number of records written.
PassEnd writeIdentifierRecords(BlockSink& out, const TripleDesKey& sessionKey, const BirthNumberSet& set);

}  // namespace quervik
