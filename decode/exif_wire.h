// How pictavo-exif hands the camera's EXIF tags to the program: a file the
// program creates (descriptor 3 in the helper) holding
//
//   8 bytes magic "PCTVEXF1", u32 tag count, then per tag:
//   u8 directory (0 main image, 1 EXIF, 2 GPS), u16 tag, u16 TIFF type,
//   u32 value count, u32 value size, then that many value bytes,
//   little-endian as TIFF stores them.
//
// The program trusts nothing in it: ReadExifTags checks every size against
// the type and the file and refuses what does not hold together.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pictavo::exif {

inline constexpr char kMagic[8] = {'P', 'C', 'T', 'V', 'E', 'X', 'F', '1'};

// The helper's result file, and the counter (an eventfd) it adds 1 to once
// the result is complete, just before it ends.
inline constexpr int kResultFd = 3;
inline constexpr int kDoneFd = 4;

enum Directory : uint8_t { kMainImage = 0, kExif = 1, kGps = 2 };

struct Tag {
  uint8_t directory = kMainImage;
  uint16_t id = 0;
  uint16_t type = 0;  // TIFF field type, 1 to 12
  uint32_t count = 0;
  std::string value;  // count × the type's size, little-endian
};

// Bytes of one value of a TIFF field type; 0 for a type TIFF does not have.
inline uint32_t TypeSize(uint16_t type) {
  static const uint32_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
  return type < sizeof kSizes / sizeof kSizes[0] ? kSizes[type] : 0;
}

// No camera writes more; anything beyond is not a camera's EXIF.
inline constexpr uint32_t kMaxTags = 4096;
inline constexpr uint32_t kMaxValueBytes = 1 << 20;

inline void PutLe(std::string& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

inline std::string WriteExifTags(const std::vector<Tag>& tags) {
  std::string out(kMagic, sizeof kMagic);
  PutLe(out, tags.size(), 4);
  for (const Tag& tag : tags) {
    PutLe(out, tag.directory, 1);
    PutLe(out, tag.id, 2);
    PutLe(out, tag.type, 2);
    PutLe(out, tag.count, 4);
    PutLe(out, tag.value.size(), 4);
    out += tag.value;
  }
  return out;
}

// The tags of `bytes`, or false (and no tags) when they do not hold together.
inline bool ReadExifTags(std::string_view bytes, std::vector<Tag>& result) {
  result.clear();
  std::vector<Tag> tags;
  size_t at = 0;
  auto take = [&](int size, uint64_t& value) {
    if (bytes.size() - at < static_cast<size_t>(size)) return false;
    value = 0;
    for (int i = 0; i < size; ++i) value |= uint64_t{static_cast<uint8_t>(bytes[at + i])} << (8 * i);
    at += static_cast<size_t>(size);
    return true;
  };
  if (bytes.size() < sizeof kMagic || bytes.substr(0, sizeof kMagic) != std::string_view(kMagic, sizeof kMagic))
    return false;
  at = sizeof kMagic;
  uint64_t count = 0;
  if (!take(4, count) || count > kMaxTags) return false;
  uint64_t total = 0;
  for (uint64_t i = 0; i < count; ++i) {
    uint64_t directory, id, type, values, size;
    if (!take(1, directory) || !take(2, id) || !take(2, type) || !take(4, values) || !take(4, size)) return false;
    if (directory > kGps || TypeSize(static_cast<uint16_t>(type)) == 0 ||
        size != values * TypeSize(static_cast<uint16_t>(type)) || size > bytes.size() - at)
      return false;
    total += size;
    if (total > kMaxValueBytes) return false;
    tags.push_back({static_cast<uint8_t>(directory), static_cast<uint16_t>(id), static_cast<uint16_t>(type),
                    static_cast<uint32_t>(values), std::string(bytes.substr(at, size))});
    at += size;
  }
  if (at != bytes.size()) return false;
  result = std::move(tags);
  return true;
}

}  // namespace pictavo::exif
