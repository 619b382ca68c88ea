// The tags pictavo-exif hands over, as a metadata reader taken over by a
// hostile file might leave them, and the EXIF block built from them.
#pragma once

#include <string>
#include <string_view>

#include "engine/exif.h"
#include "fuzz/fuzz_support.h"

namespace pictavo::fuzz {

inline std::string ExifTags(std::string_view input) {
  std::vector<exif::Tag> tags;
  if (!exif::ReadExifTags(input, tags)) return tags.empty() ? "" : "tags left after a refused result";
  const std::string block = BuildExifBlock(tags, 640, 480, ColorStatement::kSrgb);
  if (tags.empty()) return block.empty() ? "" : "a block without tags";
  if (block.substr(0, 4) != std::string_view("II*\0", 4)) return "not a little-endian TIFF block";
  // Each tag at most once, its value once, and the few tags of our own.
  if (block.size() > input.size() + 12 * tags.size() + 1024) return "the block grew beyond its tags";
  return "";
}

}  // namespace pictavo::fuzz
