#include <gtest/gtest.h>

#include "decorations/decorations.h"
#include "pixels.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

using test::Box;
using test::PixelAt;
using test::Rgb;
using test::Rgba;

constexpr Rgb kGrey{100, 100, 100};
constexpr Rgb kRed{255, 0, 0};

// Picture watermarks at the top-left corner of a grey 640 x 480 picture.
class PictureWatermarkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultSettings(settings, 1);
    Settings::Watermark& w = settings.watermark;
    w.doWatermark = WatermarkMode::Picture;
    w.image = dir.file("mark.png");
    w.imagePosition = WatermarkPosition::TopLeft;
    w.imageXOffset = w.imageYOffset = 0;
  }
  Bitmap Marked() {
    Bitmap image = DrawWatermark(settings, job, test::PlainPicture(640, 480, kGrey), 640, 480);
    EXPECT_EQ(image ? FreeImage_GetBPP(image.get()) : 0, 24u);
    return image;
  }
  // 100 x 60: the left half fully transparent (red underneath), the right
  // half opaque red.
  void WriteHalfTransparent() {
    ASSERT_TRUE(test::WritePicture(settings.watermark.image, FIF_PNG, 100, 60, [](int x, int) {
      return Rgba{255, 0, 0, x < 50 ? 0 : 255};
    }));
  }

  test::TempDir dir;
  Settings settings;
  ConversionJob job;
};

TEST_F(PictureWatermarkTest, PictureLargerThanTheImageIsCutToWhatFitsFromItsOffset) {
  const auto red = [](int, int) { return Rgba{255, 0, 0}; };
  ASSERT_TRUE(test::WritePicture(settings.watermark.image, FIF_PNG, 800, 600, red));
  settings.watermark.imageXOffset = 10;
  settings.watermark.imageYOffset = 12;
  const Bitmap image = Marked();
  const Box changed = test::ChangedArea(image.get(), kGrey);
  EXPECT_EQ(changed.left, 10);
  EXPECT_EQ(changed.top, 12);
  EXPECT_EQ(changed.right, 640);
  EXPECT_EQ(changed.bottom, 480);
  EXPECT_EQ(PixelAt(image.get(), 639, 479), kRed);
}

TEST_F(PictureWatermarkTest, TransparentAreasStayTransparentInColourAndInGrey) {
  WriteHalfTransparent();
  for (uint8_t grey : {0, 1}) {
    SCOPED_TRACE(grey);
    settings.watermark.imageGreyscale = grey;
    const Bitmap image = Marked();
    const Box changed = test::ChangedArea(image.get(), kGrey);
    EXPECT_EQ(changed.left, 50);
    EXPECT_EQ(changed.right, 100);
    EXPECT_EQ(changed.bottom, 60);
    // Grey of pure red: 77 * 255 / 256.
    EXPECT_EQ(PixelAt(image.get(), 75, 30), grey ? (Rgb{76, 76, 76}) : kRed);
  }
}

TEST_F(PictureWatermarkTest, OpacityShowsAJpegPicturePartly) {
  settings.watermark.image = dir.file("mark.jpg");
  ASSERT_TRUE(test::WritePicture(settings.watermark.image, FIF_JPEG, 40, 30, [](int, int) { return Rgba{0, 0, 250}; }));
  settings.watermark.imageOpacity = 128;
  const Bitmap image = Marked();
  EXPECT_EQ(test::ChangedArea(image.get(), kGrey).right, 40);
  EXPECT_TRUE(test::Near(PixelAt(image.get(), 20, 15), Rgb{50, 50, 175}, 3)) << PixelAt(image.get(), 20, 15);
}

TEST_F(PictureWatermarkTest, RotationTurnsThePictureAndKeepsItsAlpha) {
  WriteHalfTransparent();
  settings.watermark.imageRotation = 90;
  const Box changed = test::ChangedArea(Marked().get(), kGrey);
  // 60 x 100 once turned, of which the opaque half shows.
  EXPECT_EQ(changed.width(), 60);
  EXPECT_EQ(changed.height(), 50);
}

// A picture that cannot be read is a watermark that cannot be drawn: the
// file is not converted, rather than saved without what was asked for.
TEST_F(PictureWatermarkTest, AnUnreadablePictureFailsTheFile) {
  test::WriteFile(settings.watermark.image, "not a picture");
  EXPECT_EQ(DrawWatermark(settings, job, test::PlainPicture(64, 48, kGrey, 48), 64, 48), nullptr);
  settings.watermark.image = dir.file("missing.png");
  EXPECT_EQ(DrawWatermark(settings, job, test::PlainPicture(64, 48, kGrey, 48), 64, 48), nullptr);
}

}  // namespace
}  // namespace pictavo
