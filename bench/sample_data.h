#pragma once

#include "formats/record.h"

#include <cstddef>
#include <string>

// Deterministic inputs for the benchmarks: the same bytes on every run and
// every machine, so figures from different builds can be compared.
namespace vantrel::bench {

// Size of each generated input: 10 MiB.
inline constexpr std::size_t kSampleSize = 10 * 1024 * 1024;

// Realistic records with numbers "1" ... count: user names and mail addresses,
// generated passwords, host names, dates dd.mm.yy and 1251 Cyrillic notes
// (about a third of the records have the empty note " ").
RecordList SampleRecords(std::size_t count);

// kSampleSize bytes of record-file text (FormatRecordText of SampleRecords),
// cut to size.
std::string RecordLikeText();

// kSampleSize bytes from a fixed pseudo-random sequence.
std::string RandomBytes();

// kSampleSize copies of one byte.
std::string RepeatedByte();

// The three inputs by number, for benchmark arguments: 0 record-like text,
// 1 random bytes, 2 one repeated byte. Each is generated once.
const std::string& SampleInput(int which);
const char* SampleInputName(int which);

} // namespace vantrel::bench
