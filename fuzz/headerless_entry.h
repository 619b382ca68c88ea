// Headerless pixel data. Input: one byte choosing the mode (8-bit or 5-6-5),
// then RAW Header Size, RAW Image Width and RAW Image Height as 32-bit
// little-endian numbers, then the file's contents.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/load.h"
#include "fuzz/fuzz_support.h"

namespace pictavo::fuzz {

inline std::string Headerless(std::string_view input) {
  if (input.size() < 13) return "";
  auto number = [&](size_t at) {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(input[at + i])) << (8 * i);
    return static_cast<int32_t>(v);
  };
  const int mode = 1 + (static_cast<uint8_t>(input[0]) & 1);
  Settings settings;
  settings.input.rawHeaderSize = number(1);
  settings.input.rawImageWidth = number(5);
  settings.input.rawImageHeight = number(9);
  const std::string path = ScratchFile::Get().Write(input.substr(13));
  if (path.empty()) return "cannot write the scratch file";

  const Bitmap image = LoadHeaderlessRaw(settings, path, mode);
  if (!image) return "";
  const unsigned bpp = FreeImage_GetBPP(image.get());
  if (bpp != (mode == 1 ? 8u : 16u)) return "wrong depth " + std::to_string(bpp) + " for mode " + std::to_string(mode);
  const int64_t width = FreeImage_GetWidth(image.get());
  const int64_t height = FreeImage_GetHeight(image.get());
  if (settings.input.rawImageWidth != 0 && settings.input.rawImageHeight != 0) {
    if (width != settings.input.rawImageWidth || height != settings.input.rawImageHeight)
      return "the picture does not have the size asked for";
  } else if (width != height) {
    return "a picture without a given size is not square";
  }
  return "";
}

}  // namespace pictavo::fuzz
