// The solid frame: four coloured sides along the inside edges of the
// picture, mitred at the corners, composited with one opacity.
#include <algorithm>
#include <cstdint>
#include <string>

#include "decorations/decorations.h"
#include "decorations/drawing.h"
#include "decorations/frame_sides.h"

namespace pictavo {

namespace {

// Side widths are whatever the user typed; differences are taken in 64 bits.
std::string Number(int64_t value) { return std::to_string(value); }

// Each side is a trapezoid from the picture's edge to the inner corners. The
// differences are written after a "-" as they are; a negative one gives "--",
// which the path reader multiplies out to the intended point.
std::string TopPath(int w, int, const FrameSides& s) {
  return "M 0 0 l " + Number(w) + " 0 l -" + Number(s.right) + " " + Number(s.top) + " l -" +
         Number(int64_t{w} - s.right - s.left) + " 0 Z";
}
std::string RightPath(int w, int h, const FrameSides& s) {
  return "M " + Number(w) + " 0 l 0 " + Number(h) + " l -" + Number(s.right) + " -" + Number(s.bottom) +
         " l 0 -" + Number(int64_t{h} - s.bottom - s.top) + " Z";
}
std::string BottomPath(int w, int h, const FrameSides& s) {
  return "M " + Number(w) + " " + Number(h) + " l -" + Number(w) + " 0 l " + Number(s.left) + " -" +
         Number(s.bottom) + " l " + Number(int64_t{w} - s.right - s.left) + " 0 Z";
}
std::string LeftPath(int, int h, const FrameSides& s) {
  return "M 0 " + Number(h) + " l 0 -" + Number(h) + " l " + Number(s.left) + " " + Number(s.top) + " l 0 " +
         Number(int64_t{h} - s.bottom - s.top) + " Z";
}

}  // namespace

FrameSides FrameSidesOf(const Settings& settings) {
  // A negative width would turn a side inside out; it draws nothing instead.
  const Settings::Frame& f = settings.frame;
  return {std::max(f.solidLeft, 0), std::max(f.solidRight, 0), std::max(f.solidTop, 0),
          std::max(f.solidBottom, 0)};
}

Bitmap DrawFrame(const Settings& settings, Bitmap image, int width, int height) {
  const Settings::Frame& f = settings.frame;
  if (!FrameStepActive(settings) || !image) return image;
  if (FreeImage_GetBPP(image.get()) != 24) image = Bitmap(FreeImage_ConvertTo24Bits(image.get()));
  if (f.doFrame != 1 || !image) return image;

  Bitmap border;
  {
    QImage layer = draw::NewLayer(width, height);
    if (layer.isNull()) return image;
    const FrameSides s = FrameSidesOf(settings);
    const uint32_t top = ColorWithAlpha(f.solidTopColor, 255);
    const uint32_t right = ColorWithAlpha(f.solidRightColor, 255);
    const uint32_t bottom = ColorWithAlpha(f.solidBottomColor, 255);
    const uint32_t left = ColorWithAlpha(f.solidLeftColor, 255);

    // The corner squares lie under the mitred sides, so the antialiased
    // diagonals never let the picture show through between two sides.
    draw::FillBox(layer, 0, 0, s.left, s.top, top);
    draw::FillBox(layer, width - s.right, 0, s.right, s.top, right);
    draw::FillBox(layer, width - s.right, height - s.bottom, s.right, s.bottom, bottom);
    draw::FillBox(layer, 0, height - s.bottom, s.left, s.bottom, left);
    draw::FillPath(layer, TopPath(width, height, s), top);
    draw::FillPath(layer, RightPath(width, height, s), right);
    draw::FillPath(layer, BottomPath(width, height, s), bottom);
    draw::FillPath(layer, LeftPath(width, height, s), left);

    QImage faded = draw::NewLayer(width, height);
    if (faded.isNull()) return image;
    draw::DrawLayer(faded, layer, f.solidOpacity);
    layer = QImage();
    border = draw::ToBitmap(faded);
  }
  if (!border) return image;

  // The composite needs both at the same size; when it fails the picture
  // goes on unframed rather than being lost.
  Bitmap framed(FreeImage_Composite(border.get(), FALSE, nullptr, image.get()));
  return framed ? std::move(framed) : std::move(image);
}

}  // namespace pictavo
