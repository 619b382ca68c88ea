#include "engine/depth.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <utility>

namespace pictavo {
namespace {

// 32 x 32 at 24 bits with many hues: red across, green down.
Bitmap Colourful() {
  Bitmap image(FreeImage_Allocate(32, 32, 24));
  for (unsigned y = 0; y < 32; ++y) {
    BYTE* row = FreeImage_GetScanLine(image.get(), y);
    for (unsigned x = 0; x < 32; ++x) {
      row[3 * x + FI_RGBA_RED] = static_cast<BYTE>(x * 8);
      row[3 * x + FI_RGBA_GREEN] = static_cast<BYTE>(y * 8);
      row[3 * x + FI_RGBA_BLUE] = 96;
    }
  }
  return image;
}

Bitmap FortyEightBit() { return Bitmap(FreeImage_ConvertToRGB16(Colourful().get())); }

Bitmap ToDepth(const char* extension, int bpp, Bitmap image) {
  ConversionJob job;
  job.outputExtension = extension;
  job.outputBpp = bpp;
  return ConvertColorDepth(job, std::move(image));
}

TEST(AutoDepth, PicksTheFirstDepthNotBelowTheSourceOrElseTheDeepest) {
  OutputFormatMap formats;
  BuildOutputFormats(formats);
  EXPECT_EQ(AutoDepth(formats, "png", 24), 24);
  EXPECT_EQ(AutoDepth(formats, "png", 48), 48);
  EXPECT_EQ(AutoDepth(formats, "png", 96), 48);
  EXPECT_EQ(AutoDepth(formats, "png", 16), 24);
  EXPECT_EQ(AutoDepth(formats, "jpg", 32), 24);
  EXPECT_EQ(AutoDepth(formats, "bmp", 48), 32);
  EXPECT_EQ(AutoDepth(formats, "unknown", 24), 0);
}

TEST(ConvertColorDepth, PassesAPictureAlreadyAtTheDepthOnUntouched) {
  Bitmap image = Colourful();
  FIBITMAP* original = image.get();
  EXPECT_EQ(ToDepth("png", 24, std::move(image)).get(), original);
  // An 8-bit grey picture is not quantized into a new palette.
  Bitmap grey(FreeImage_ConvertToGreyscale(Colourful().get()));
  original = grey.get();
  EXPECT_EQ(ToDepth("png", 8, std::move(grey)).get(), original);
  EXPECT_EQ(ToDepth("png", 24, nullptr), nullptr);
}

TEST(ConvertColorDepth, ReachesEveryDepthOfTheTable) {
  const std::pair<int, FREE_IMAGE_TYPE> trueColour[] = {{96, FIT_RGBF}, {48, FIT_RGB16}, {32, FIT_BITMAP}};
  for (const auto& [bpp, type] : trueColour)
    EXPECT_EQ(FreeImage_GetImageType(ToDepth("tiff", bpp, Colourful()).get()), type) << bpp;
  EXPECT_EQ(FreeImage_GetBPP(ToDepth("tiff", 24, FortyEightBit()).get()), 24u);
  EXPECT_EQ(FreeImage_GetBPP(ToDepth("png", 4, Colourful()).get()), 4u);
  for (int bpp : {0, 2, 12, 64}) EXPECT_EQ(ToDepth("png", bpp, Colourful()), nullptr) << bpp;
}

TEST(ConvertColorDepth, EightBitsAreAColourPaletteExceptForTheJpegFamily) {
  for (auto source : {Colourful, FortyEightBit}) {
    Bitmap image = ToDepth("png", 8, source());
    ASSERT_EQ(FreeImage_GetColorType(image.get()), FIC_PALETTE);
    const RGBQUAD* palette = FreeImage_GetPalette(image.get());
    int chromatic = 0;
    for (unsigned i = 0; i < FreeImage_GetColorsUsed(image.get()); ++i)
      chromatic += palette[i].rgbRed != palette[i].rgbGreen || palette[i].rgbGreen != palette[i].rgbBlue;
    EXPECT_GT(chromatic, 100);
  }
  for (const char* extension : {"jpg", "j2k", "jp2", "jxr"}) {
    Bitmap image = ToDepth(extension, 8, Colourful());
    EXPECT_EQ(FreeImage_GetBPP(image.get()), 8u) << extension;
    EXPECT_EQ(FreeImage_GetColorType(image.get()), FIC_MINISBLACK) << extension;
  }
}

TEST(ConvertColorDepth, SixteenBitsAre565ButIconsAndTargasAre555) {
  const std::pair<const char*, unsigned> cases[] = {
      {"bmp", FI16_565_GREEN_MASK}, {"png", FI16_565_GREEN_MASK},
      {"tga", FI16_555_GREEN_MASK}, {"ico", FI16_555_GREEN_MASK}};
  for (const auto& [extension, greenMask] : cases) {
    for (auto source : {Colourful, FortyEightBit}) {
      Bitmap image = ToDepth(extension, 16, source());
      EXPECT_EQ(FreeImage_GetBPP(image.get()), 16u) << extension;
      EXPECT_EQ(FreeImage_GetGreenMask(image.get()), greenMask) << extension;
    }
  }
}

TEST(ConvertColorDepth, LowDepthsAreReachedFromFortyEightBitLoadsToo) {
  // FreeImage alone fails these from 48 bits, or hands the picture back.
  EXPECT_EQ(FreeImage_GetBPP(ToDepth("png", 4, FortyEightBit()).get()), 4u);
  EXPECT_EQ(FreeImage_GetBPP(ToDepth("png", 1, FortyEightBit()).get()), 1u);
  Bitmap grey = ToDepth("jpg", 8, FortyEightBit());
  EXPECT_EQ(FreeImage_GetBPP(grey.get()), 8u);
  EXPECT_EQ(FreeImage_GetColorType(grey.get()), FIC_MINISBLACK);
}

TEST(ConvertColorDepth, OneBitDithersGreyIntoBlackAndWhite) {
  Bitmap grey(FreeImage_Allocate(32, 32, 24));
  RGBQUAD middle{128, 128, 128, 0};
  FreeImage_FillBackground(grey.get(), &middle);
  Bitmap image = ToDepth("png", 1, std::move(grey));
  ASSERT_EQ(FreeImage_GetBPP(image.get()), 1u);
  int white = 0;
  for (unsigned y = 0; y < 32; ++y) {
    for (unsigned x = 0; x < 32; ++x) {
      BYTE index = 0;
      FreeImage_GetPixelIndex(image.get(), x, y, &index);
      white += index;
    }
  }
  // A threshold would make the even grey one colour; dithering mixes them.
  EXPECT_GT(white, 1024 / 3);
  EXPECT_LT(white, 1024 * 2 / 3);
}

}  // namespace
}  // namespace pictavo
