// Loading a file into one bitmap: the RAW decoder (Auto's photograph or
// FreeImage's), then FreeImage's JPEG decoder, then the bytes read as
// headerless pixel data. Also the tone
// mapping of 48-bit RAW loads.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/bitmap.h"
#include "settings/settings.h"

namespace pictavo {

// The decoder attempts (RAW and JPEG through FreeImage) go through this one
// function, so that limits can be put around them without touching the
// loading rules. Null when the decoder gives no picture.
Bitmap DecodeWithFreeImage(FREE_IMAGE_FORMAT format, const std::string& path, int flags);

// Replaces the decoder function (tests, decoding under limits); nullptr
// restores DecodeWithFreeImage. Null when the decoder gives no picture.
using Decoder = std::function<Bitmap(FREE_IMAGE_FORMAT format, const std::string& path, int flags)>;
void SetDecoder(Decoder decoder);

// Load flags of an input group; only "raw" has any. Auto gives
// kRawPhotographFlags (engine/raw_photograph.h), every other mode
// FreeImage's own flags.
int RawLoadFlags(const Settings& settings, std::string_view group);

// The file's bytes after `RAW Header Size` as pixels: mode 1 is 8 bits per
// pixel, mode 2 is 16-bit 5-6-5. Null when nothing can be read.
Bitmap LoadHeaderlessRaw(const Settings& settings, const std::string& path, int mode);

// Every load attempt in order until one gives a picture. `decoded`, when
// given, tells
// whether the picture came from a decoder (the photograph itself, which its
// metadata describes) rather than from reading the bytes as pixels.
Bitmap LoadImage(const Settings& settings, const std::string& path, bool* decoded = nullptr);

// Brings 48-bit RAW loads to a displayable picture when asked to; the same
// bitmap otherwise.
Bitmap ToneMap(const Settings& settings, Bitmap image);

}  // namespace pictavo
