#include "engine/adjust.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <tuple>
#include <utility>

namespace pictavo {
namespace {

// A picture of one row whose pixels are the given grey levels.
Bitmap GreyRow(std::initializer_list<BYTE> levels, unsigned bpp = 24) {
  const unsigned width = static_cast<unsigned>(levels.size());
  if (bpp == 48) {
    Bitmap image(FreeImage_AllocateT(FIT_RGB16, width, 1));
    auto* line = reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(image.get(), 0));
    for (BYTE level : levels) *line++ = {static_cast<WORD>(level * 257), static_cast<WORD>(level * 257), static_cast<WORD>(level * 257)};
    return image;
  }
  Bitmap image = bpp == 16 ? Bitmap(FreeImage_Allocate(width, 1, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK))
                           : Bitmap(FreeImage_Allocate(width, 1, bpp));
  if (bpp <= 8) {  // a palette running from black to white
    const unsigned colours = FreeImage_GetColorsUsed(image.get());
    RGBQUAD* palette = FreeImage_GetPalette(image.get());
    for (unsigned i = 0; i < colours; ++i) {
      const BYTE grey = static_cast<BYTE>(i * 255 / (colours - 1));
      palette[i] = {grey, grey, grey, 0};
    }
  }
  unsigned x = 0;
  for (BYTE level : levels) {
    if (bpp == 16) {
      // 5-6-5 holds only some levels exactly; the tests use 0 and 255.
      reinterpret_cast<WORD*>(FreeImage_GetScanLine(image.get(), 0))[x++] = level ? 0xFFFF : 0;
    } else if (bpp <= 8) {
      BYTE index = bpp == 8 ? level : bpp == 4 ? level / 17 : level / 255;
      FreeImage_SetPixelIndex(image.get(), x++, 0, &index);
    } else {
      RGBQUAD colour{level, level, level, 255};
      FreeImage_SetPixelColor(image.get(), x++, 0, &colour);
    }
  }
  return image;
}

// Grey level of a pixel, through the palette where there is one.
int Level(FIBITMAP* image, unsigned x) {
  if (FreeImage_GetBPP(image) <= 8) {
    BYTE index = 0;
    FreeImage_GetPixelIndex(image, x, 0, &index);
    return FreeImage_GetPalette(image)[index].rgbRed;
  }
  RGBQUAD colour{};
  FreeImage_GetPixelColor(image, x, 0, &colour);
  return colour.rgbRed;
}

Settings Correction(int brightness, int contrast, float gamma, bool invert) {
  Settings s;
  s.adjustment.doImageColorCorrection = 1;
  s.adjustment.imageBrightness = brightness;
  s.adjustment.imageContrast = contrast;
  s.adjustment.imageGamma = gamma;
  s.adjustment.imageInvert = invert;
  return s;
}

Settings Threshold(int level) {
  Settings s;
  s.adjustment.doImageThreshold = 1;
  s.adjustment.imageThreshold = level;
  return s;
}

TEST(ColorCorrection, NeutralSettingsLeaveThePixelsAsTheyAre) {
  Bitmap image = GreyRow({0, 60, 100, 200, 255});
  FIBITMAP* given = image.get();
  image = ApplyColorCorrection(Correction(0, 0, 1.0f, false), std::move(image));
  EXPECT_EQ(image.get(), given);
  for (auto [x, level] : {std::pair{0u, 0}, {1u, 60}, {2u, 100}, {3u, 200}, {4u, 255}}) EXPECT_EQ(Level(given, x), level);
}

TEST(ColorCorrection, EachSettingMovesThePixelsTheRightWay) {
  auto Corrected = [](const Settings& s) {
    Bitmap image = ApplyColorCorrection(s, GreyRow({60, 100, 200}));
    return std::tuple{Level(image.get(), 0), Level(image.get(), 1), Level(image.get(), 2)};
  };
  EXPECT_GT(std::get<1>(Corrected(Correction(40, 0, 1.0f, false))), 100);
  EXPECT_LT(std::get<1>(Corrected(Correction(-40, 0, 1.0f, false))), 100);
  const auto [dark, mid, light] = Corrected(Correction(0, 50, 1.0f, false));
  EXPECT_LT(dark, 60);
  EXPECT_GT(light, 200);
  EXPECT_GT(std::get<1>(Corrected(Correction(0, 0, 2.0f, false))), 100);
  EXPECT_LT(std::get<1>(Corrected(Correction(0, 0, 0.5f, false))), 100);
  EXPECT_EQ(Corrected(Correction(0, 0, 1.0f, true)), std::tuple(195, 155, 55));
}

TEST(ColorCorrection, DepthsTheCurveCannotReadAreBroughtToTwentyFourBits) {
  // 48 bits: converted even when nothing is to change.
  Bitmap neutral = ApplyColorCorrection(Correction(0, 0, 1.0f, false), GreyRow({100}, 48));
  ASSERT_TRUE(neutral);
  EXPECT_EQ(FreeImage_GetBPP(neutral.get()), 24u);
  EXPECT_EQ(Level(neutral.get(), 0), 100);

  for (unsigned bpp : {1u, 4u, 16u, 48u}) {
    Bitmap image = ApplyColorCorrection(Correction(0, 0, 1.0f, true), GreyRow({0, 255}, bpp));
    ASSERT_TRUE(image) << bpp;
    EXPECT_EQ(FreeImage_GetBPP(image.get()), 24u) << bpp;
    EXPECT_EQ(Level(image.get(), 0), 255) << bpp;  // inverted after the conversion
    EXPECT_EQ(Level(image.get(), 1), 0) << bpp;
  }
  for (unsigned bpp : {8u, 32u}) {
    Bitmap image = GreyRow({0, 255}, bpp);
    FIBITMAP* given = image.get();
    image = ApplyColorCorrection(Correction(0, 0, 1.0f, true), std::move(image));
    EXPECT_EQ(image.get(), given) << bpp;
    EXPECT_EQ(Level(given, 0), 255) << bpp;
  }
}

TEST(Greyscale, GivesAnEightBitGreyPictureFromEveryDepth) {
  for (unsigned bpp : {1u, 8u, 16u, 24u, 32u, 48u}) {
    Settings s;
    s.adjustment.doImageGreyscale = 1;
    Bitmap image = ApplyGreyscale(s, GreyRow({0, 255}, bpp));
    ASSERT_TRUE(image) << bpp;
    EXPECT_EQ(FreeImage_GetBPP(image.get()), 8u) << bpp;
    EXPECT_EQ(FreeImage_GetColorType(image.get()), FIC_MINISBLACK) << bpp;
    EXPECT_EQ(Level(image.get(), 0), 0) << bpp;
    EXPECT_EQ(Level(image.get(), 1), 255) << bpp;
  }
}

TEST(Threshold, AlwaysGivesOneBitWhateverTheDepth) {
  for (unsigned bpp : {1u, 4u, 8u, 16u, 24u, 32u, 48u}) {
    Bitmap image = ApplyThreshold(Threshold(128), GreyRow({0, 255}, bpp));
    ASSERT_TRUE(image) << bpp;
    EXPECT_EQ(FreeImage_GetBPP(image.get()), 1u) << bpp;
    EXPECT_EQ(Level(image.get(), 0), 0) << bpp;
    EXPECT_EQ(Level(image.get(), 1), 255) << bpp;
  }
}

TEST(Threshold, PixelsAtOrAboveTheLevelTurnWhiteAndTheRestBlack) {
  Bitmap image = ApplyThreshold(Threshold(100), GreyRow({99, 100, 101}, 8));
  EXPECT_EQ(Level(image.get(), 0), 0);
  EXPECT_EQ(Level(image.get(), 1), 255);
  EXPECT_EQ(Level(image.get(), 2), 255);
  // Levels beyond the byte range hold at its ends rather than wrapping around.
  image = ApplyThreshold(Threshold(300), GreyRow({254, 255}, 8));
  EXPECT_EQ(Level(image.get(), 0), 0);
  EXPECT_EQ(Level(image.get(), 1), 255);
  image = ApplyThreshold(Threshold(-5), GreyRow({0}, 8));
  EXPECT_EQ(Level(image.get(), 0), 255);
}

TEST(Adjustments, GreyscaleThenThresholdOnADeepPictureEndsAtOneBit) {
  Settings s = Threshold(128);
  s.adjustment.doImageGreyscale = 1;
  Bitmap image = ApplyThreshold(s, ApplyGreyscale(s, GreyRow({10, 250}, 48)));
  ASSERT_TRUE(image);
  EXPECT_EQ(FreeImage_GetBPP(image.get()), 1u);
  EXPECT_EQ(Level(image.get(), 0), 0);
  EXPECT_EQ(Level(image.get(), 1), 255);
}

TEST(Adjustments, StepsSwitchedOffHandBackTheSamePictureAndNullStaysNull) {
  Settings off = Correction(50, 50, 2.0f, true);
  off.adjustment.doImageColorCorrection = 0;
  off.adjustment.imageThreshold = 128;
  Bitmap image = GreyRow({100}, 48);
  FIBITMAP* given = image.get();
  image = ApplyThreshold(off, ApplyGreyscale(off, ApplyColorCorrection(off, std::move(image))));
  EXPECT_EQ(image.get(), given);
  EXPECT_EQ(FreeImage_GetBPP(given), 48u);

  Settings on = Correction(50, 50, 2.0f, true);
  on.adjustment.doImageGreyscale = on.adjustment.doImageThreshold = 1;
  EXPECT_FALSE(ApplyColorCorrection(on, nullptr));
  EXPECT_FALSE(ApplyGreyscale(on, nullptr));
  EXPECT_FALSE(ApplyThreshold(on, nullptr));
}

}  // namespace
}  // namespace pictavo
