// Malformed inputs made on the spot: DNGs of the test writer broken in the
// ways real broken files are (cut short, lying about sizes and offsets), and
// files that only carry a RAW extension.
#pragma once

#include <cstdint>
#include <string>

namespace pictavo::test {

// `dng` (a file of MakeDng) with `tag` set to `value` in every directory that
// has it, the first directory, its sub-directories and any chained after it.
// Only entries holding a single SHORT or LONG are changed. Empty when no
// entry was changed, so that a test cannot quietly run on an intact file.
std::string WithTagValue(std::string dng, uint16_t tag, uint32_t value);

// `dng` with the header pointing its first directory at `offset`.
std::string WithFirstDirectoryAt(std::string dng, uint32_t offset);

// `dng` with the entry count of its first directory replaced by `count`.
std::string WithFirstDirectoryEntries(std::string dng, uint16_t count);

// `size` bytes of a fixed pseudo-random sequence.
std::string RandomBytes(size_t size, uint32_t seed);

}  // namespace pictavo::test
