#include "engine/geometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <utility>

namespace pictavo {
namespace {

Bitmap Picture(unsigned width, unsigned height, unsigned bpp = 24) {
  if (bpp == 48) return Bitmap(FreeImage_AllocateT(FIT_RGB16, width, height));
  if (bpp == 16) return Bitmap(FreeImage_Allocate(width, height, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK));
  return Bitmap(FreeImage_Allocate(width, height, bpp));
}

Bitmap Filled(unsigned width, unsigned height, RGBQUAD colour, unsigned bpp = 24) {
  Bitmap image = Picture(width, height, bpp);
  for (unsigned y = 0; y < height; ++y)
    for (unsigned x = 0; x < width; ++x) FreeImage_SetPixelColor(image.get(), x, y, &colour);
  return image;
}

Bitmap Noise(unsigned width, unsigned height, unsigned bpp, unsigned seed) {
  Bitmap image = Picture(width, height, bpp);
  std::mt19937 random(seed);
  for (unsigned y = 0; y < height; ++y) {
    BYTE* line = FreeImage_GetScanLine(image.get(), y);
    for (unsigned i = 0; i < FreeImage_GetLine(image.get()); ++i) line[i] = static_cast<BYTE>(random());
  }
  return image;
}

bool SamePixels(FIBITMAP* a, FIBITMAP* b) {
  if (FreeImage_GetWidth(a) != FreeImage_GetWidth(b) || FreeImage_GetHeight(a) != FreeImage_GetHeight(b) ||
      FreeImage_GetBPP(a) != FreeImage_GetBPP(b))
    return false;
  for (unsigned y = 0; y < FreeImage_GetHeight(a); ++y)
    if (!std::equal(FreeImage_GetScanLine(a, y), FreeImage_GetScanLine(a, y) + FreeImage_GetLine(a), FreeImage_GetScanLine(b, y)))
      return false;
  return true;
}

RGBQUAD At(FIBITMAP* image, unsigned x, unsigned y) {
  RGBQUAD colour{};
  FreeImage_GetPixelColor(image, x, y, &colour);
  return colour;
}

std::pair<unsigned, unsigned> SizeOf(const Bitmap& image) {
  return {FreeImage_GetWidth(image.get()), FreeImage_GetHeight(image.get())};
}

Settings Rotation(int angle, int type = 0, const char* back = "000000") {
  Settings s;
  s.transform.doImageRotation = 1;
  s.transform.imageRotation = angle;
  s.transform.imageRotationType = static_cast<uint8_t>(type);
  s.transform.imageRotationBackColor = back;
  return s;
}

TEST(Rotation, SimpleQuarterTurnsSwapTheSidesAndHalfTurnsKeepThem) {
  EXPECT_EQ(SizeOf(RotateImage(Rotation(90), Picture(40, 30))), std::make_pair(30u, 40u));
  EXPECT_EQ(SizeOf(RotateImage(Rotation(270), Picture(40, 30))), std::make_pair(30u, 40u));
  EXPECT_EQ(SizeOf(RotateImage(Rotation(180), Picture(40, 30))), std::make_pair(40u, 30u));
}

TEST(Rotation, FourQuarterTurnsGiveTheOriginalPixelsBack) {
  for (unsigned bpp : {24u, 32u})
    for (auto [width, height] : {std::pair{7u, 5u}, std::pair{16u, 9u}, std::pair{1u, 13u}}) {
      Bitmap original = Noise(width, height, bpp, width * 31 + bpp);
      Bitmap image(FreeImage_Clone(original.get()));
      for (int turn = 0; turn < 4; ++turn) image = RotateImage(Rotation(90), std::move(image));
      EXPECT_TRUE(SamePixels(image.get(), original.get())) << bpp << " bits, " << width << "x" << height;
    }
}

TEST(Rotation, SimpleRotationGrowsTheCanvasAndPaintsTheCornersInTheBackColour) {
  Bitmap image = RotateImage(Rotation(45, 0, "FF8010"), Filled(40, 30, {200, 200, 200, 255}));
  ASSERT_TRUE(image);
  EXPECT_GT(FreeImage_GetWidth(image.get()), 40u);
  EXPECT_GT(FreeImage_GetHeight(image.get()), 30u);
  const RGBQUAD corner = At(image.get(), 0, 0);
  EXPECT_EQ(corner.rgbRed, 0xFF);
  EXPECT_EQ(corner.rgbGreen, 0x80);
  EXPECT_EQ(corner.rgbBlue, 0x10);
  const RGBQUAD centre = At(image.get(), FreeImage_GetWidth(image.get()) / 2, FreeImage_GetHeight(image.get()) / 2);
  EXPECT_EQ(centre.rgbRed, 200);
}

TEST(Rotation, AdvancedRotationTurnsAboutTheCentreOnACanvasOfTheSameSize) {
  // Left half black, right half white: half a turn swaps the halves in place.
  Bitmap image = Filled(40, 30, {255, 255, 255, 255});
  RGBQUAD black{0, 0, 0, 255};
  for (unsigned y = 0; y < 30; ++y)
    for (unsigned x = 0; x < 20; ++x) FreeImage_SetPixelColor(image.get(), x, y, &black);
  image = RotateImage(Rotation(180, 1, "FF0000"), std::move(image));
  ASSERT_EQ(SizeOf(image), std::make_pair(40u, 30u));
  EXPECT_EQ(At(image.get(), 5, 15).rgbRed, 255);
  EXPECT_EQ(At(image.get(), 34, 15).rgbRed, 0);

  // The back colour belongs to simple rotation; the corners here are not painted with it.
  image = RotateImage(Rotation(30, 1, "FF0000"), Filled(40, 30, {90, 90, 90, 255}));
  ASSERT_EQ(SizeOf(image), std::make_pair(40u, 30u));
  EXPECT_NE(At(image.get(), 0, 0).rgbRed, 0xFF);
}

TEST(Rotation, PicturesOutsideTwentyFourAndThirtyTwoBitsAreRotatedAtTwentyFour) {
  for (unsigned bpp : {1u, 8u, 16u, 48u}) {
    Bitmap image = RotateImage(Rotation(90), Picture(40, 30, bpp));
    ASSERT_TRUE(image) << bpp;
    EXPECT_EQ(FreeImage_GetBPP(image.get()), 24u) << bpp;
    EXPECT_EQ(SizeOf(image), std::make_pair(30u, 40u)) << bpp;
  }
  EXPECT_EQ(FreeImage_GetBPP(RotateImage(Rotation(90), Picture(40, 30, 32)).get()), 32u);
  // An unknown rotation type still makes the depth change but does not rotate.
  Bitmap unknown = RotateImage(Rotation(90, 2), Picture(40, 30, 48));
  EXPECT_EQ(FreeImage_GetBPP(unknown.get()), 24u);
  EXPECT_EQ(SizeOf(unknown), std::make_pair(40u, 30u));
}

TEST(Rotation, NoTurnAndSwitchedOffHandBackTheSamePictureUnconverted) {
  for (int angle : {0, 360, -90, 400}) {
    Bitmap image = Picture(40, 30, 48);
    FIBITMAP* given = image.get();
    image = RotateImage(Rotation(angle), std::move(image));
    EXPECT_EQ(image.get(), given) << angle;
  }
  Settings off = Rotation(90);
  off.transform.doImageRotation = 0;
  Bitmap image = Picture(40, 30);
  FIBITMAP* given = image.get();
  EXPECT_EQ(RotateImage(off, std::move(image)).get(), given);
  EXPECT_FALSE(RotateImage(Rotation(90), nullptr));
}

TEST(TargetSize, PixelsPassPercentRoundsToTheNearestPixelAndOtherUnitsGiveZero) {
  EXPECT_EQ(TargetSize(1024, 0, 4000), 1024);
  EXPECT_EQ(TargetSize(50, 1, 4000), 2000);
  EXPECT_EQ(TargetSize(50, 1, 3001), 1501);
  EXPECT_EQ(TargetSize(33, 1, 100), 33);
  EXPECT_EQ(TargetSize(50, 2, 4000), 0);
  EXPECT_EQ(TargetSize(INT_MAX, 1, INT_MAX), INT_MAX);  // held in range, no overflow
}

Settings Resize(int width, int height, bool keepAspect, int type = 0) {
  Settings s;
  s.transform.doImageResize = 1;
  s.transform.imageWidth = width;
  s.transform.imageHeight = height;
  s.transform.keepAspectRatio = keepAspect;
  s.transform.imageResizeType = static_cast<uint8_t>(type);
  s.transform.imageResizeAlgorithm = 0;  // box: quick on large pictures
  return s;
}

std::pair<unsigned, unsigned> Resized(const Settings& s, unsigned width, unsigned height) {
  Bitmap image = ResizeImage(s, Picture(width, height, 8), static_cast<int>(width), static_cast<int>(height));
  return image ? SizeOf(image) : std::pair{0u, 0u};
}

TEST(Resize, TargetsInPixelsAndPercent) {
  Settings half = Resize(50, 50, false);
  half.transform.imageWidthUnit = half.transform.imageHeightUnit = 1;
  EXPECT_EQ(Resized(half, 4000, 3000), std::make_pair(2000u, 1500u));
  EXPECT_EQ(Resized(Resize(100, 100, false), 400, 300), std::make_pair(100u, 100u));
}

TEST(Resize, KeepAspectRatioLetsTheLongerSideOfTheSourceDecide) {
  EXPECT_EQ(Resized(Resize(1024, 1024, true), 4000, 3000), std::make_pair(1024u, 768u));
  EXPECT_EQ(Resized(Resize(1024, 1024, true), 3000, 4000), std::make_pair(768u, 1024u));
  EXPECT_EQ(Resized(Resize(1024, 50, true), 4000, 3000), std::make_pair(1024u, 768u));
  EXPECT_EQ(Resized(Resize(1024, 1024, true), 3000, 3000), std::make_pair(1024u, 1024u));
  // A thin strip keeps at least one pixel on its short side instead of failing.
  EXPECT_EQ(Resized(Resize(100, 100, true), 4000, 2), std::make_pair(100u, 1u));
}

TEST(Resize, LargeImagesOnlyResizesPicturesThatReachTheTargetOnOneSide) {
  EXPECT_EQ(Resized(Resize(1024, 1024, true, 1), 800, 600), std::make_pair(800u, 600u));
  EXPECT_EQ(Resized(Resize(1024, 1024, true, 1), 1200, 600), std::make_pair(1024u, 512u));
  EXPECT_EQ(Resized(Resize(1024, 1024, true, 0), 800, 600), std::make_pair(1024u, 768u));
}

TEST(Resize, NoUsableOrDifferentTargetHandsBackTheSamePicture) {
  Settings off = Resize(100, 100, false);
  off.transform.doImageResize = 0;
  Settings otherUnit = Resize(100, 100, false);
  otherUnit.transform.imageWidthUnit = 2;
  for (const Settings& s : {Resize(400, 300, false), Resize(0, 100, false), Resize(100, 0, false),
                            Resize(0, 0, true), otherUnit, off}) {
    Bitmap image = Picture(400, 300);
    FIBITMAP* given = image.get();
    EXPECT_EQ(ResizeImage(s, std::move(image), 400, 300).get(), given);
  }
  EXPECT_FALSE(ResizeImage(Resize(100, 100, false), nullptr, 400, 300));
}

TEST(ResizeFilter, FollowsTheOrderOfThePreferencesList) {
  const FREE_IMAGE_FILTER expected[] = {FILTER_BOX,    FILTER_BILINEAR,   FILTER_BSPLINE,
                                        FILTER_BICUBIC, FILTER_CATMULLROM, FILTER_LANCZOS3};
  Settings s;
  for (uint8_t algorithm = 0; algorithm < 6; ++algorithm) {
    s.transform.imageResizeAlgorithm = algorithm;
    EXPECT_EQ(ResizeFilter(s), expected[algorithm]) << int(algorithm);
  }
  for (uint8_t unknown : {6, 255}) {
    s.transform.imageResizeAlgorithm = unknown;
    EXPECT_EQ(ResizeFilter(s), FILTER_BICUBIC);
  }
}

TEST(Resize, TheChosenFilterIsUsed) {
  // A black and a white pixel doubled in width: the box filter keeps the hard
  // edge, bilinear blends it.
  auto Doubled = [](uint8_t algorithm) {
    Bitmap image = Filled(2, 1, {0, 0, 0, 255});
    RGBQUAD white{255, 255, 255, 255};
    FreeImage_SetPixelColor(image.get(), 1, 0, &white);
    Settings s = Resize(4, 1, false);
    s.transform.imageResizeAlgorithm = algorithm;
    image = ResizeImage(s, std::move(image), 2, 1);
    return At(image.get(), 1, 0).rgbRed;
  };
  EXPECT_EQ(Doubled(0), 0);
  const BYTE blended = Doubled(1);
  EXPECT_GT(blended, 0);
  EXPECT_LT(blended, 255);
}

TEST(Flip, MovesAMarkedPixelToTheMirroredCorner) {
  RGBQUAD mark{0, 0, 255, 255};
  const std::pair<std::pair<int, int>, std::pair<unsigned, unsigned>> cases[] = {
      {{0, 0}, {0, 0}}, {{1, 0}, {4, 0}}, {{0, 1}, {0, 3}}, {{1, 1}, {4, 3}}};
  for (const auto& [flags, where] : cases) {
    Settings s;
    s.transform.doImageFlipHorizontal = static_cast<uint8_t>(flags.first);
    s.transform.doImageFlipVertical = static_cast<uint8_t>(flags.second);
    Bitmap image = Filled(5, 4, {0, 0, 0, 255});
    FreeImage_SetPixelColor(image.get(), 0, 0, &mark);
    FlipImage(s, image.get());
    EXPECT_EQ(At(image.get(), where.first, where.second).rgbRed, 255) << flags.first << flags.second;
  }
  Settings both;
  both.transform.doImageFlipHorizontal = both.transform.doImageFlipVertical = 1;
  FlipImage(both, nullptr);  // nothing to flip, and no crash
}

}  // namespace
}  // namespace pictavo
