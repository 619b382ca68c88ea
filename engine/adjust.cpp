#include "engine/adjust.h"

#include <algorithm>

namespace pictavo {

namespace {

// FreeImage's greyscale and threshold conversions do not read 16 bits per
// channel; such pictures go through 24 bits.
Bitmap BelowFortyEightBits(Bitmap image) {
  if (FreeImage_GetBPP(image.get()) > 32) return Bitmap(FreeImage_ConvertTo24Bits(image.get()));
  return image;
}

}  // namespace

Bitmap ApplyColorCorrection(const Settings& settings, Bitmap image) {
  if (!image) return image;
  const Settings::Adjustment& adjustment = settings.adjustment;
  if (!adjustment.doImageColorCorrection) return image;

  // The adjustment curve works on 8-, 24- and 32-bit pixels only. 16-bit
  // (5-6-5) pictures are converted as well; FreeImage would otherwise leave
  // them silently unadjusted.
  const unsigned bpp = FreeImage_GetBPP(image.get());
  if (bpp != 8 && bpp != 24 && bpp != 32) image = Bitmap(FreeImage_ConvertTo24Bits(image.get()));
  if (!image) return image;

  FreeImage_AdjustColors(image.get(), adjustment.imageBrightness, adjustment.imageContrast,
                         static_cast<double>(adjustment.imageGamma), adjustment.imageInvert ? TRUE : FALSE);
  return image;
}

Bitmap ApplyGreyscale(const Settings& settings, Bitmap image) {
  if (!image || !settings.adjustment.doImageGreyscale) return image;
  image = BelowFortyEightBits(std::move(image));
  if (!image) return image;
  return Bitmap(FreeImage_ConvertToGreyscale(image.get()));
}

Bitmap ApplyThreshold(const Settings& settings, Bitmap image) {
  if (!image || !settings.adjustment.doImageThreshold) return image;
  image = BelowFortyEightBits(std::move(image));
  if (!image) return image;
  // A level beyond the byte range means "everything black" (or white), not
  // the level's low eight bits.
  const BYTE level = static_cast<BYTE>(std::clamp(settings.adjustment.imageThreshold, 0, 255));
  return Bitmap(FreeImage_Threshold(image.get(), level));
}

}  // namespace pictavo
