#include <gtest/gtest.h>

#include <optional>

#include "decorations/decorations.h"
#include "pixels.h"

namespace pictavo {
namespace {

using test::PixelAt;
using test::Rgb;

constexpr Rgb kGrey{100, 100, 100};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kYellow{255, 255, 0};

// A 20-pixel frame, red at the top, then clockwise green, blue and yellow,
// on a grey 200 x 100 picture.
class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultSettings(settings, 1);
    Settings::Frame& f = settings.frame;
    f.doFrame = 1;
    f.solidLeft = f.solidRight = f.solidTop = f.solidBottom = 20;
    f.solidTopColor = "FF0000";
    f.solidRightColor = "00ff00";
    f.solidBottomColor = "0000FF";
    f.solidLeftColor = "FFFF00";
  }
  Bitmap Framed(int bpp = 24) {
    Bitmap image = DrawFrame(settings, test::PlainPicture(200, 100, kGrey, bpp), 200, 100);
    EXPECT_EQ(image ? FreeImage_GetBPP(image.get()) : 0, 24u);
    return image;
  }

  Settings settings;
};

// The colour at (x, y) outside the corner squares.
std::optional<Rgb> BandColour(int x, int y) {
  if ((x < 20 || x >= 180) && (y < 20 || y >= 80)) return std::nullopt;
  if (y < 20) return kRed;
  if (x >= 180) return kGreen;
  if (y >= 80) return kBlue;
  return x < 20 ? kYellow : kGrey;
}

TEST_F(FrameTest, EachSideFillsExactlyItsBand) {
  const Bitmap image = Framed();
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 200; ++x)
      if (const std::optional<Rgb> expected = BandColour(x, y)) {
        ASSERT_EQ(PixelAt(image.get(), x, y), *expected) << x << "," << y;
      }
}

TEST_F(FrameTest, CornersAreSplitAlongTheirDiagonalsWithoutGaps) {
  const Bitmap image = Framed();
  FIBITMAP* p = image.get();
  for (int t = 0; t < 18; ++t) {
    SCOPED_TRACE(t);
    // Two pixels either side of each diagonal.
    EXPECT_EQ(PixelAt(p, t + 2, t), kRed);
    EXPECT_EQ(PixelAt(p, t, t + 2), kYellow);
    EXPECT_EQ(PixelAt(p, 197 - t, t), kRed);
    EXPECT_EQ(PixelAt(p, 199 - t, t + 2), kGreen);
    EXPECT_EQ(PixelAt(p, 199 - t, 97 - t), kGreen);
    EXPECT_EQ(PixelAt(p, 197 - t, 99 - t), kBlue);
    EXPECT_EQ(PixelAt(p, t + 2, 99 - t), kBlue);
    EXPECT_EQ(PixelAt(p, t, 97 - t), kYellow);
    // On the diagonal only the two sides mix, never the picture: red and
    // yellow share full red and no blue, green and blue share no red.
    const Rgb topLeft = PixelAt(p, t, t);
    EXPECT_TRUE(topLeft.r == 255 && topLeft.b == 0) << topLeft;
    EXPECT_EQ(PixelAt(p, 199 - t, 99 - t).r, 0);
  }
}

TEST_F(FrameTest, OpacityMixesTheBorderWithThePicture) {
  settings.frame.solidOpacity = 128;
  const Bitmap image = Framed();
  EXPECT_TRUE(test::Near(PixelAt(image.get(), 100, 10), Rgb{177, 50, 50}, 3)) << PixelAt(image.get(), 100, 10);
  EXPECT_EQ(PixelAt(image.get(), 100, 50), kGrey);
}

TEST_F(FrameTest, SidesOfWidthZeroOrLessAddNothing) {
  settings.frame.solidLeft = 0;
  settings.frame.solidRight = -30;
  settings.frame.solidBottom = 0;
  settings.frame.solidTop = 50;
  const Bitmap image = Framed();
  const test::Box changed = test::ChangedArea(image.get(), kGrey);
  EXPECT_EQ(changed.left, 0);
  EXPECT_EQ(changed.top, 0);
  EXPECT_EQ(changed.right, 200);
  EXPECT_EQ(changed.bottom, 50);
  EXPECT_EQ(PixelAt(image.get(), 199, 49), kRed);
}

TEST_F(FrameTest, AColourThatIsNotSixCharactersLongIsBlack) {
  settings.frame.solidTopColor = "FF000";
  EXPECT_EQ(PixelAt(Framed().get(), 100, 5), (Rgb{0, 0, 0}));
}

TEST_F(FrameTest, AnyFrameKindLeavesTheStepAt24Bits) {
  EXPECT_EQ(PixelAt(Framed(48).get(), 100, 5), kRed);
  settings.frame.doFrame = 2;  // converted, but nothing drawn
  EXPECT_TRUE(test::ChangedArea(Framed(48).get(), kGrey).empty());
  settings.frame.doFrame = 0;
  EXPECT_EQ(FreeImage_GetBPP(DrawFrame(settings, test::PlainPicture(200, 100, kGrey, 48), 200, 100).get()), 48u);
}

}  // namespace
}  // namespace pictavo
