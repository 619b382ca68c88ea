#include <gtest/gtest.h>

#include "decorations/decorations.h"

namespace pictavo {
namespace {

// A 101 x 51 text watermark on a 640 x 480 picture, offsets 10 and 20.
class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultSettings(settings, 1);
    settings.watermark.doWatermark = WatermarkMode::Text;
    settings.watermark.textXOffset = 10;
    settings.watermark.textYOffset = 20;
  }
  std::pair<int, int> Place(int position) {
    settings.watermark.textPosition = static_cast<WatermarkPosition>(position);
    const WatermarkOrigin at = PlaceWatermark(settings, 640, 480, 101, 51);
    return {at.x, at.y};
  }
  void FrameAround(int left, int right, int top, int bottom) {
    Settings::Frame& f = settings.frame;
    f.doFrame = 1;
    f.solidLeft = left, f.solidRight = right, f.solidTop = top, f.solidBottom = bottom;
  }
  Bitmap Crop(int width, int height) {
    return CropWatermark(settings, Bitmap(FreeImage_Allocate(width, height, 32)), 640, 480);
  }
  static std::pair<unsigned, unsigned> SizeOf(const Bitmap& b) {
    return {FreeImage_GetWidth(b.get()), FreeImage_GetHeight(b.get())};
  }

  Settings settings;
};

using XY = std::pair<int, int>;

TEST_F(PlacementTest, NinePositionsUseOffsetsFromTheirEdgesAndCentreWithoutThem) {
  // Halves cut towards zero: (640 - 101) / 2 = 269, (480 - 51) / 2 = 214.
  const XY expected[] = {{10, 20},  {269, 20},  {529, 20},  {10, 214}, {269, 214},
                         {529, 214}, {10, 409}, {269, 409}, {529, 409}, {0, 0}};
  for (int position = 0; position < 10; ++position) EXPECT_EQ(Place(position), expected[position]) << position;
}

TEST_F(PlacementTest, FrameBoundaryShrinksTheAreaAndShiftsIntoIt) {
  FrameAround(20, 30, 40, 50);  // area 590 x 390 from (20, 40)
  settings.watermark.textBoundary = 1;
  EXPECT_EQ(Place(0), XY(30, 60));
  EXPECT_EQ(Place(8), XY(20 + 590 - 101 - 10, 40 + 390 - 51 - 20));
  EXPECT_EQ(Place(4), XY(20 + 244, 40 + 169));
  EXPECT_EQ(Place(9), XY(20, 40));
  settings.frame.doFrame = 0;
  EXPECT_EQ(Place(8), XY(529, 409));
}

TEST_F(PlacementTest, PictureModeReadsItsOwnPositionOffsetsAndBoundary) {
  Settings::Watermark& w = settings.watermark;
  w.doWatermark = WatermarkMode::Picture;
  w.imagePosition = WatermarkPosition::TopRight;
  w.imageXOffset = 3, w.imageYOffset = 4;
  w.imageBoundary = 1;
  FrameAround(5, 5, 5, 5);
  const WatermarkOrigin at = PlaceWatermark(settings, 640, 480, 100, 50);
  EXPECT_EQ(XY(at.x, at.y), XY(5 + 630 - 100 - 3, 5 + 4));
}

TEST_F(PlacementTest, LinesAlignLeftCentreOrRightInsideThePadding) {
  settings.watermark.textPadding = 6;
  const int expected[] = {6, 36, 66, 0};
  for (uint8_t alignment = 0; alignment < 4; ++alignment) {
    settings.watermark.textAlignment = alignment;
    EXPECT_EQ(AlignX(settings, 40, 112), expected[alignment]) << int{alignment};
  }
}

TEST_F(PlacementTest, CropKeepsWhatFitsFromTheOffsetOn) {
  FIBITMAP* fits = FreeImage_Allocate(630, 460, 32);
  EXPECT_EQ(CropWatermark(settings, Bitmap(fits), 640, 480).get(), fits);
  EXPECT_EQ(SizeOf(Crop(700, 100)), std::make_pair(630u, 100u));
  EXPECT_EQ(SizeOf(Crop(100, 500)), std::make_pair(100u, 460u));
  FrameAround(20, 20, 20, 20);
  settings.watermark.textBoundary = 1;
  EXPECT_EQ(SizeOf(Crop(700, 500)), std::make_pair(590u, 420u));
  settings.watermark.textXOffset = 600;
  EXPECT_FALSE(Crop(50, 50)) << "nothing is left to show";
}

}  // namespace
}  // namespace pictavo
