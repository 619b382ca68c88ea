// Frame and watermark: drawn with a small 2D layer on Qt Gui into 32-bit
// layers that are composited onto the picture.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/bitmap.h"
#include "engine/drawing_port.h"
#include "engine/job.h"
#include "settings/settings.h"

namespace pictavo {

// The text watermark's font is opened once per run, before the worker
// starts, and closed after it. False when the family cannot be provided
// (an unknown name that fontconfig would silently replace counts as
// missing). Creates an offscreen GUI application when the process has none,
// so console runs need no display; call it on the main thread. The
// application is kept for the life of the process.
bool OpenWatermarkFont(const Settings& settings);
void CloseWatermarkFont();
bool WatermarkFontIsOpen();

// The frame step: unchanged for no frame; otherwise the picture at 24 bits
// with the border composited over its outer pixels.
Bitmap DrawFrame(const Settings& settings, Bitmap image, int width, int height);

// The watermark step: unchanged for no watermark; otherwise the picture at 24
// bits with the text block or picture composited at its position.
Bitmap DrawWatermark(const Settings& settings, const ConversionJob& job, Bitmap image, int width, int height);

// A colour string "RRGGBB" and an alpha as one value:
// red + green * 256 + blue * 65536 + alpha * 16777216. A string of another
// length gives black; the alpha is clamped to 0..255.
uint32_t ColorWithAlpha(std::string_view hex, int alpha);

// Left edge of a text line in the watermark block, by `Text Alignment`.
int AlignX(const Settings& settings, int lineWidth, int blockWidth);

// The watermark cut to what fits from its offset on inside the reference area
// (the picture, or the inside of the frame when bound to it). The same bitmap
// when it fits; null when nothing of it fits.
Bitmap CropWatermark(const Settings& settings, Bitmap watermark, int width, int height);

// Top-left corner of the watermark in the picture for the mode's position,
// offsets and boundary.
struct WatermarkOrigin {
  int x = 0;
  int y = 0;
};
WatermarkOrigin PlaceWatermark(const Settings& settings, int width, int height, int watermarkWidth,
                               int watermarkHeight);

}  // namespace pictavo
