// Uncompressed PNGs without FreeImage's row filters.
//
// FreeImage's PNG writer lets libpng try several filters on every row even
// when nothing is compressed, where no filter can make the file smaller; for
// a 12-megapixel photograph that search costs about a third of the whole
// rendering. This writer stores the rows unfiltered and takes every other
// chunk (header, palette, transparency, background, resolution, profile,
// text) from FreeImage's own save of a one-pixel copy of the picture, so the
// file says what FreeImage's would say, about the same pixels.
#pragma once

#include <FreeImage.h>

#include <cstddef>
#include <functional>

namespace pictavo {

enum class StoredPngResult {
  kWritten,
  kFailed,     // the sink or zlib failed part-way
  kNotSuited,  // nothing was sent: compressed or interlaced, or a kind of
               // picture this writer does not know; FreeImage saves it
};

using ByteSink = std::function<bool(const char* data, size_t size)>;

// Writes `image` as FreeImage_Save(FIF_PNG, image, ..., flags) would, with
// unfiltered rows, when `flags` ask for no compression.
StoredPngResult SaveStoredPng(FIBITMAP* image, int flags, const ByteSink& sink);

}  // namespace pictavo
