#include "engine/depth.h"

#include <charconv>
#include <string>

namespace pictavo {

namespace {

bool SavesGreyscaleAtEightBits(std::string_view extension) {
  return extension == "j2k" || extension == "jp2" || extension == "jpg" || extension == "jxr";
}

// FreeImage's palette conversions and dithering only read standard bitmaps:
// given a 48-bit RAW load they fail, or hand the picture back unchanged, so
// such pictures are brought to 24 bits first.
Bitmap StandardBitmap(Bitmap image) {
  if (!image || FreeImage_GetImageType(image.get()) == FIT_BITMAP) return image;
  return Bitmap(FreeImage_ConvertTo24Bits(image.get()));
}

}  // namespace

int AutoDepth(const OutputFormatMap& formats, std::string_view extension, int sourceBpp) {
  const auto format = formats.find(std::string(extension));
  if (format == formats.end()) return 0;
  const std::string& list = format->second.depthList;
  int last = 0;
  for (size_t start = 0; start < list.size();) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    int depth = 0;
    if (std::from_chars(list.data() + start, list.data() + end, depth).ec == std::errc()) {
      if (depth >= sourceBpp) return depth;
      last = depth;
    }
    start = end + 1;
  }
  return last;
}

Bitmap ConvertColorDepth(const ConversionJob& job, Bitmap image) {
  if (!image) return image;
  const int target = job.outputBpp;
  const int current = static_cast<int>(FreeImage_GetBPP(image.get()));
  if (current == target) return image;

  // Every conversion makes a new bitmap; the one it was made from is
  // released when `image` is replaced or goes out of scope.
  switch (target) {
    case 96: return Bitmap(FreeImage_ConvertToRGBF(image.get()));
    case 48: return Bitmap(FreeImage_ConvertToRGB16(image.get()));
    case 32: return Bitmap(FreeImage_ConvertTo32Bits(image.get()));
    case 24: return Bitmap(FreeImage_ConvertTo24Bits(image.get()));
    case 16: {
      // FreeImage's 16-bit conversions do not read 48- or 64-bit pictures.
      if (current > 32) image = Bitmap(FreeImage_ConvertTo24Bits(image.get()));
      if (!image) return image;
      const bool fiveFiveFive = job.outputExtension == "ico" || job.outputExtension == "tga";
      return Bitmap(fiveFiveFive ? FreeImage_ConvertTo16Bits555(image.get())
                                  : FreeImage_ConvertTo16Bits565(image.get()));
    }
    case 8: {
      image = StandardBitmap(std::move(image));
      if (!image) return image;
      if (SavesGreyscaleAtEightBits(job.outputExtension)) return Bitmap(FreeImage_ConvertTo8Bits(image.get()));
      // A palette of the picture's own colours, which needs 24-bit input.
      if (current != 24) image = Bitmap(FreeImage_ConvertTo24Bits(image.get()));
      if (!image) return image;
      return Bitmap(FreeImage_ColorQuantizeEx(image.get(), FIQ_WUQUANT, 256, 0, nullptr));
    }
    case 4:
      image = StandardBitmap(std::move(image));
      return image ? Bitmap(FreeImage_ConvertTo4Bits(image.get())) : nullptr;
    case 1:
      image = StandardBitmap(std::move(image));
      return image ? Bitmap(FreeImage_Dither(image.get(), FID_FS)) : nullptr;
    default: return nullptr;
  }
}

}  // namespace pictavo
