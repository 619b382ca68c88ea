#include "engine/geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pictavo {

namespace {

// Nearest integer, halves away from zero, held inside int so that absurd
// settings cannot overflow.
int NearestInt(double value) {
  if (std::isnan(value)) return 0;
  const double limited = std::clamp(std::round(value), static_cast<double>(std::numeric_limits<int>::min()),
                                    static_cast<double>(std::numeric_limits<int>::max()));
  return static_cast<int>(limited);
}

}  // namespace

Bitmap RotateImage(const Settings& settings, Bitmap image) {
  if (!image) return image;
  const Settings::Transform& transform = settings.transform;
  if (!transform.doImageRotation) return image;
  // 0 and 360 leave the picture exactly as it is, without even a depth change.
  if (transform.imageRotation < 1 || transform.imageRotation > 359) return image;

  const double width = FreeImage_GetWidth(image.get());
  const double height = FreeImage_GetHeight(image.get());
  const unsigned bpp = FreeImage_GetBPP(image.get());
  // FreeImage rotates 24- and 32-bit pictures with a background colour; palettes,
  // 16-bit and 48-bit pictures go through 24 bits.
  if (bpp <= 16 || bpp > 32) image = Bitmap(FreeImage_ConvertTo24Bits(image.get()));
  if (!image) return image;

  const double angle = transform.imageRotation;
  switch (transform.imageRotationType) {
    case 0: {
      const int32_t rgb = ColorFromHex(transform.imageRotationBackColor);
      RGBQUAD back{};
      back.rgbRed = static_cast<BYTE>(rgb & 0xFF);
      back.rgbGreen = static_cast<BYTE>((rgb >> 8) & 0xFF);
      back.rgbBlue = static_cast<BYTE>((rgb >> 16) & 0xFF);
      back.rgbReserved = 0;
      return Bitmap(FreeImage_Rotate(image.get(), angle, &back));
    }
    case 1:
      // Turns about the centre on a canvas of the same size; FreeImage fills
      // the uncovered corners by mirroring the picture.
      return Bitmap(FreeImage_RotateEx(image.get(), angle, 0.0, 0.0, width / 2.0, height / 2.0, FALSE));
    default:
      return image;
  }
}

int TargetSize(int32_t value, int unit, int dimension) {
  switch (unit) {
    case 0: return value;
    case 1: return NearestInt(value / 100.0 * dimension);
    default: return 0;
  }
}

FREE_IMAGE_FILTER ResizeFilter(const Settings& settings) {
  // The preferences list has its own order, not FreeImage's numbering.
  switch (settings.transform.imageResizeAlgorithm) {
    case 0: return FILTER_BOX;
    case 1: return FILTER_BILINEAR;
    case 2: return FILTER_BSPLINE;
    case 3: return FILTER_BICUBIC;
    case 4: return FILTER_CATMULLROM;
    case 5: return FILTER_LANCZOS3;
    default: return FILTER_BICUBIC;
  }
}

Bitmap ResizeImage(const Settings& settings, Bitmap image, int width, int height) {
  if (!image) return image;
  const Settings::Transform& transform = settings.transform;
  if (!transform.doImageResize) return image;

  const int targetWidth = TargetSize(transform.imageWidth, transform.imageWidthUnit, width);
  const int targetHeight = TargetSize(transform.imageHeight, transform.imageHeightUnit, height);
  if (targetWidth < 1 || targetHeight < 1) return image;
  if (width == targetWidth && height == targetHeight) return image;
  // "Large Images": only pictures that reach the target in at least one side.
  if (transform.imageResizeType == 1 && width < targetWidth && height < targetHeight) return image;

  int resultWidth = targetWidth;
  int resultHeight = targetHeight;
  if (transform.keepAspectRatio) {
    if (width >= height) {
      const float ratio = static_cast<float>(width) / static_cast<float>(height);
      resultHeight = NearestInt(targetWidth / static_cast<double>(ratio));
    } else {
      const float ratio = static_cast<float>(height) / static_cast<float>(width);
      resultWidth = NearestInt(targetHeight / static_cast<double>(ratio));
    }
    // A long, thin picture may round its short side to nothing; FreeImage
    // would then refuse and the photograph would be lost.
    resultWidth = std::max(resultWidth, 1);
    resultHeight = std::max(resultHeight, 1);
  }
  return Bitmap(FreeImage_Rescale(image.get(), resultWidth, resultHeight, ResizeFilter(settings)));
}

void FlipImage(const Settings& settings, FIBITMAP* image) {
  if (!image) return;
  if (settings.transform.doImageFlipHorizontal) FreeImage_FlipHorizontal(image);
  if (settings.transform.doImageFlipVertical) FreeImage_FlipVertical(image);
}

}  // namespace pictavo
