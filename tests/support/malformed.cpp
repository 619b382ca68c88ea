#include "tests/support/malformed.h"

#include <random>
#include <set>
#include <vector>

namespace pictavo::test {

namespace {

constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;
constexpr uint16_t kSubIfds = 330;

uint16_t U16(const std::string& bytes, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(bytes[at]) | static_cast<uint8_t>(bytes[at + 1]) << 8);
}

uint32_t U32(const std::string& bytes, size_t at) {
  return static_cast<uint32_t>(U16(bytes, at)) | static_cast<uint32_t>(U16(bytes, at + 2)) << 16;
}

void PutU16(std::string& bytes, size_t at, uint16_t value) {
  bytes[at] = static_cast<char>(value & 0xFF);
  bytes[at + 1] = static_cast<char>(value >> 8);
}

void PutU32(std::string& bytes, size_t at, uint32_t value) {
  PutU16(bytes, at, static_cast<uint16_t>(value & 0xFFFF));
  PutU16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

// Offsets of the entries of every directory reachable from the header.
std::vector<size_t> AllEntries(const std::string& file) {
  std::vector<size_t> entries;
  if (file.size() < 8 || file.compare(0, 4, std::string("II*\0", 4)) != 0) return entries;
  std::vector<uint32_t> pending = {U32(file, 4)};
  std::set<uint32_t> seen;
  while (!pending.empty()) {
    const uint32_t at = pending.back();
    pending.pop_back();
    if (at == 0 || !seen.insert(at).second || at + 2 > file.size()) continue;
    const uint16_t count = U16(file, at);
    const size_t end = at + 2 + size_t{12} * count;
    if (end + 4 > file.size()) continue;
    for (size_t entry = at + 2; entry < end; entry += 12) {
      entries.push_back(entry);
      if (U16(file, entry) == kSubIfds && U16(file, entry + 2) == kLong && U32(file, entry + 4) == 1)
        pending.push_back(U32(file, entry + 8));
    }
    pending.push_back(U32(file, end));
  }
  return entries;
}

}  // namespace

std::string WithTagValue(std::string dng, uint16_t tag, uint32_t value) {
  bool changed = false;
  for (size_t entry : AllEntries(dng)) {
    if (U16(dng, entry) != tag || U32(dng, entry + 4) != 1) continue;
    const uint16_t type = U16(dng, entry + 2);
    if (type == kShort) {
      PutU16(dng, entry + 8, static_cast<uint16_t>(value));
    } else if (type == kLong) {
      PutU32(dng, entry + 8, value);
    } else {
      continue;
    }
    changed = true;
  }
  return changed ? dng : std::string();
}

std::string WithFirstDirectoryAt(std::string dng, uint32_t offset) {
  if (dng.size() < 8) return {};
  PutU32(dng, 4, offset);
  return dng;
}

std::string WithFirstDirectoryEntries(std::string dng, uint16_t count) {
  if (dng.size() < 8 || U32(dng, 4) + 2 > dng.size()) return {};
  PutU16(dng, U32(dng, 4), count);
  return dng;
}

std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 generator(seed);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(generator() & 0xFF);
  return bytes;
}

}  // namespace pictavo::test
