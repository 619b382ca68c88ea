#include "decorations/drawing.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstdlib>

#include "decorations/decorations.h"
#include "pixels.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

TEST(ColorWithAlpha, PacksRedGreenBlueAndAlphaFromTheLowByteUp) {
  EXPECT_EQ(ColorWithAlpha("FF8001", 255), 0xFF0180FFu);
  EXPECT_EQ(ColorWithAlpha("ff8001", 0), 0x000180FFu);
  EXPECT_EQ(ColorWithAlpha("FF800", 200), 0xC8000000u);
  EXPECT_EQ(ColorWithAlpha("FF8001", 300), 0xFF0180FFu);
  EXPECT_EQ(ColorWithAlpha("FF8001", -4), 0x000180FFu);
}

TEST(SegmentPath, RelativeLinesFollowTheCursorAndSignRunsMultiplyOut) {
  const auto triangle = draw::ParsePath("M 10 20 l 30 0 l -15 10 Z");
  ASSERT_TRUE(triangle);
  EXPECT_EQ(triangle->boundingRect(), QRectF(10, 20, 30, 10));
  EXPECT_TRUE(triangle->contains(QPointF(25, 24)));
  EXPECT_FALSE(triangle->contains(QPointF(12, 29)));

  // "l --5" is what a side writes for a negative difference: 5 to the right.
  const auto doubled = draw::ParsePath("M 0 0 l 10 0 l --5 10 l -15 0 Z");
  ASSERT_TRUE(doubled);
  EXPECT_EQ(doubled->boundingRect(), QRectF(0, 0, 15, 10));
}

TEST(SegmentPath, MalformedTextIsRefusedAndDrawsNothing) {
  for (const char* text : {"", "M 0", "l 1 1 Z", "Z", "M 0 0 x 1 1", "M 1 - l 1 1", "M 1 2 l 3 4x"}) {
    EXPECT_FALSE(draw::ParsePath(text)) << text;
  }
  QImage layer = draw::NewLayer(4, 4);
  EXPECT_FALSE(draw::FillPath(layer, "M 0 0 l 4", 0xFFFFFFFF));
  EXPECT_EQ(layer.pixel(1, 1), 0u);
}

TEST(LayerHandOff, FreeImageGetsStraightColourAlphaAndTheTopRowFirst) {
  QImage layer = draw::NewLayer(3, 2);
  draw::FillBox(layer, 1, 0, 1, 1, ColorWithAlpha("C08040", 128));
  const Bitmap bitmap = draw::ToBitmap(layer);
  ASSERT_TRUE(bitmap);
  ASSERT_EQ(FreeImage_GetBPP(bitmap.get()), 32u);
  const BYTE* top = FreeImage_GetScanLine(bitmap.get(), 1) + 4;
  EXPECT_NEAR(top[FI_RGBA_RED], 0xC0, 1);
  EXPECT_NEAR(top[FI_RGBA_GREEN], 0x80, 1);
  EXPECT_NEAR(top[FI_RGBA_BLUE], 0x40, 1);
  EXPECT_EQ(top[FI_RGBA_ALPHA], 128);
  EXPECT_EQ(FreeImage_GetScanLine(bitmap.get(), 0)[4 + FI_RGBA_ALPHA], 0);
}

TEST(LayerHandOff, NoLayerForAnEmptySize) {
  EXPECT_TRUE(draw::NewLayer(0, 5).isNull());
  EXPECT_TRUE(draw::NewLayer(5, -1).isNull());
  EXPECT_FALSE(draw::ToBitmap(QImage()));
}

// Frame and JPEG picture watermark on a plain picture; 0 when both were drawn
// and no application object came into being.
int DrawWithoutApplication() {
  test::TempDir dir;
  Settings settings;
  SetDefaultSettings(settings, 1);
  settings.frame.doFrame = 1;
  settings.frame.solidTop = 10;
  settings.frame.solidTopColor = "FF0000";
  settings.watermark.doWatermark = WatermarkMode::Picture;
  settings.watermark.image = dir.file("mark.jpg");
  settings.watermark.imagePosition = WatermarkPosition::MiddleCenter;
  test::WritePicture(settings.watermark.image, FIF_JPEG, 20, 20, [](int, int) { return test::Rgba{0, 0, 255}; });
  ConversionJob job;
  Bitmap image = test::PlainPicture(100, 80, {100, 100, 100});
  image = DrawFrame(settings, std::move(image), 100, 80);
  image = DrawWatermark(settings, job, std::move(image), 100, 80);
  const bool drawn = image && test::PixelAt(image.get(), 50, 2) == test::Rgb{255, 0, 0} &&
                     test::PixelAt(image.get(), 50, 40).b > 240;
  const bool headless = QCoreApplication::instance() == nullptr;
  return drawn && headless ? 0 : 1;
}

// Runs in a fresh process so that no earlier test's application exists.
TEST(DrawingWithoutApplication, FramesAndPictureWatermarksStartNoGuiApplication) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(std::_Exit(DrawWithoutApplication()), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace pictavo
