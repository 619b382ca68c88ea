// Small picture helpers for the picture tests. Coordinates count from the
// top-left corner, as the decorations place things.
#pragma once

#include <FreeImage.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <ostream>
#include <string>

#include "engine/bitmap.h"

namespace pictavo::test {

struct Rgb {
  int r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}
inline bool Near(const Rgb& a, const Rgb& b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// 24 bits, or 48 when asked.
inline Bitmap PlainPicture(int width, int height, Rgb color, int bpp = 24) {
  Bitmap image(FreeImage_Allocate(width, height, 24));
  RGBQUAD quad{static_cast<BYTE>(color.b), static_cast<BYTE>(color.g), static_cast<BYTE>(color.r), 0};
  FreeImage_FillBackground(image.get(), &quad);
  return bpp == 48 ? Bitmap(FreeImage_ConvertToRGB16(image.get())) : std::move(image);
}

// A 24-bit picture's pixel.
inline Rgb PixelAt(FIBITMAP* image, int x, int y) {
  const BYTE* line = FreeImage_GetScanLine(image, static_cast<int>(FreeImage_GetHeight(image)) - 1 - y);
  return {line[3 * x + FI_RGBA_RED], line[3 * x + FI_RGBA_GREEN], line[3 * x + FI_RGBA_BLUE]};
}

// Bounds of the pixels that match; right and bottom exclusive, all zero when
// none does.
struct Box {
  int left = 0, top = 0, right = 0, bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
};
inline Box BoundsWhere(FIBITMAP* image, const std::function<bool(int x, int y, Rgb)>& match) {
  const int width = static_cast<int>(FreeImage_GetWidth(image));
  const int height = static_cast<int>(FreeImage_GetHeight(image));
  Box box{width, height, 0, 0};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (match(x, y, PixelAt(image, x, y)))
        box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
  return box.empty() ? Box{} : box;
}
// The same size, and every pixel the same.
inline bool SamePixels(FIBITMAP* a, FIBITMAP* b) {
  if (FreeImage_GetWidth(a) != FreeImage_GetWidth(b) || FreeImage_GetHeight(a) != FreeImage_GetHeight(b)) return false;
  for (int y = 0; y < static_cast<int>(FreeImage_GetHeight(a)); ++y)
    for (int x = 0; x < static_cast<int>(FreeImage_GetWidth(a)); ++x)
      if (!Near(PixelAt(a, x, y), PixelAt(b, x, y), 0)) return false;
  return true;
}

inline Box ChangedArea(FIBITMAP* image, Rgb background) {
  return BoundsWhere(image, [background](int, int, Rgb c) { return c != background; });
}

// Writes a picture file whose pixels come from `pixel(x, y)`; 32 bits deep
// for PNG, 24 for other formats.
struct Rgba {
  int r = 0, g = 0, b = 0, a = 255;
};
template <typename PixelFunction>
bool WritePicture(const std::string& path, FREE_IMAGE_FORMAT format, int width, int height, PixelFunction pixel) {
  const int step = format == FIF_PNG ? 4 : 3;
  Bitmap image(FreeImage_Allocate(width, height, 8 * step));
  for (int y = 0; y < height; ++y) {
    BYTE* line = FreeImage_GetScanLine(image.get(), height - 1 - y);
    for (int x = 0; x < width; ++x, line += step) {
      const Rgba c = pixel(x, y);
      line[FI_RGBA_RED] = static_cast<BYTE>(c.r);
      line[FI_RGBA_GREEN] = static_cast<BYTE>(c.g);
      line[FI_RGBA_BLUE] = static_cast<BYTE>(c.b);
      if (step == 4) line[FI_RGBA_ALPHA] = static_cast<BYTE>(c.a);
    }
  }
  return FreeImage_Save(format, image.get(), path.c_str(), format == FIF_JPEG ? JPEG_QUALITYSUPERB : 0);
}

// A comment as FreeImage keeps one (written into a PNG as a text chunk).
inline void SetComment(FIBITMAP* image, const char* text) {
  FITAG* tag = FreeImage_CreateTag();
  const auto length = static_cast<DWORD>(std::char_traits<char>::length(text) + 1);
  FreeImage_SetTagKey(tag, "Comment");
  FreeImage_SetTagType(tag, FIDT_ASCII);
  FreeImage_SetTagCount(tag, length);
  FreeImage_SetTagLength(tag, length);
  FreeImage_SetTagValue(tag, text);
  FreeImage_SetMetadata(FIMD_COMMENTS, image, "Comment", tag);
  FreeImage_DeleteTag(tag);
}

}  // namespace pictavo::test
