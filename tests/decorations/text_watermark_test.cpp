#include <gtest/gtest.h>
#include <sys/resource.h>

#include <set>

#include "decorations/decorations.h"
#include "decorations/drawing.h"
#include "decorations/watermark_font.h"
#include "pixels.h"

namespace pictavo {
namespace {

using test::Box;
using test::Near;
using test::PixelAt;
using test::Rgb;

constexpr Rgb kGrey{100, 100, 100};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kWhite{255, 255, 255};

// Opaque white text on an opaque blue box at the top-left corner of a grey
// 640 x 480 picture, so every pixel of the block differs from the picture.
class TextWatermarkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetDefaultSettings(settings, 1);
    Settings::Watermark& w = settings.watermark;
    w.doWatermark = WatermarkMode::Text;
    w.text = "Pictavo";
    w.fontColor = "FFFFFF";
    w.backColor = "0000FF";
    w.backOpacity = w.textOpacity = 255;
    w.textPosition = WatermarkPosition::TopLeft;
    w.textXOffset = w.textYOffset = 0;
    ASSERT_TRUE(OpenWatermarkFont(settings));
  }
  void TearDown() override { CloseWatermarkFont(); }

  Bitmap Marked() {
    Bitmap image = DrawWatermark(settings, job, test::PlainPicture(640, 480, kGrey), 640, 480);
    EXPECT_EQ(image ? FreeImage_GetBPP(image.get()) : 0, 24u);
    return image;
  }
  Box BlockOf(const std::string& text) {
    settings.watermark.text = text;
    return test::ChangedArea(Marked().get(), kGrey);
  }
  // Every pixel of the block, row by row.
  template <typename Visit>
  static void ForEachIn(FIBITMAP* image, const Box& box, Visit visit) {
    for (int y = box.top; y < box.bottom; ++y)
      for (int x = box.left; x < box.right; ++x) visit(x, y, PixelAt(image, x, y));
  }

  Settings settings;
  ConversionJob job;
};

TEST_F(TextWatermarkTest, BottomRightBlockEndsAtTheOffsetsAndPaddingSurroundsTheText) {
  const Box plain = BlockOf("Pictavo");
  settings.watermark.textPosition = WatermarkPosition::BottomRight;
  settings.watermark.textXOffset = settings.watermark.textYOffset = 10;
  settings.watermark.textPadding = 4;
  const Bitmap image = Marked();
  const Box block = test::ChangedArea(image.get(), kGrey);
  EXPECT_EQ(block.right, 630);
  EXPECT_EQ(block.bottom, 470);
  EXPECT_EQ(block.width(), plain.width() + 8);
  EXPECT_EQ(block.height(), plain.height() + 8);
  EXPECT_EQ(PixelAt(image.get(), block.left, block.top), kBlue);
  EXPECT_EQ(PixelAt(image.get(), 629, 469), kBlue);
}

TEST_F(TextWatermarkTest, FrameBoundaryStartsTheBlockInsideTheFrame) {
  settings.frame.doFrame = 1;
  settings.frame.solidLeft = settings.frame.solidRight = settings.frame.solidTop = settings.frame.solidBottom = 20;
  settings.watermark.textBoundary = 1;
  const Box block = BlockOf("Pictavo");
  EXPECT_EQ(block.left, 20);
  EXPECT_EQ(block.top, 20);
}

TEST_F(TextWatermarkTest, MarkerInAnyCaseBreaksLinesAndLeadingSpacesThem) {
  settings.watermark.textPadding = 3;
  const Box one = BlockOf("Wide first line");
  const int lineHeight = one.height() - 6;
  const Box two = BlockOf("Wide first line%EOL%ab");
  EXPECT_EQ(two.width(), one.width());
  EXPECT_EQ(two.height(), 2 * lineHeight + 6);
  EXPECT_EQ(BlockOf("a%eol%b%Eol%c").height(), 3 * lineHeight + 6);
  settings.watermark.fontLeading = 5;
  EXPECT_EQ(BlockOf("Wide first line%eol%ab").height(), 2 * lineHeight + 5 + 6);
}

TEST_F(TextWatermarkTest, ShortLineSitsByTheAlignment) {
  settings.watermark.text = "Wide first line%EOL%ab";
  settings.watermark.textPadding = 8;
  for (uint8_t alignment : {0, 1, 2}) {
    SCOPED_TRACE(alignment);
    settings.watermark.textAlignment = alignment;
    const Bitmap image = Marked();
    const Box block = test::ChangedArea(image.get(), kGrey);
    const Box ink = test::BoundsWhere(image.get(), [&](int, int y, Rgb c) {
      return y >= block.top + block.height() / 2 && Near(c, kWhite, 40);
    });
    ASSERT_FALSE(ink.empty());
    // Glyph bearings keep the ink a pixel or two inside the line's advance.
    const int leftGap = ink.left - block.left, rightGap = block.right - ink.right;
    const int miss[] = {leftGap - 8, rightGap - leftGap, rightGap - 8};
    EXPECT_LE(std::abs(miss[alignment]), 3) << "gaps " << leftGap << " and " << rightGap;
  }
}

TEST_F(TextWatermarkTest, ItalicInkIsNeverCutAtTheBlockEdges) {
  // The red channel counts the white text only (the box is blue). With a
  // wide padding nothing can be cut; without padding the block must still
  // hold every bit of ink that leans out of the text's cell.
  const auto inkOf = [&](int padding) {
    settings.watermark.textPadding = padding;
    const Bitmap image = Marked();
    const Box block = test::ChangedArea(image.get(), kGrey);
    int64_t ink = 0;
    ForEachIn(image.get(), block, [&](int, int, Rgb c) { ink += c.r; });
    return ink;
  };
  settings.watermark.text = "ff text//";
  settings.watermark.fontSize = 40;
  for (uint8_t style : {2, 3}) {
    for (uint8_t antialiasing : {0, 1}) {
      settings.watermark.fontStyle = style;
      settings.watermark.textAntialiasing = antialiasing;
      ASSERT_TRUE(OpenWatermarkFont(settings));
      EXPECT_EQ(inkOf(0), inkOf(30)) << "style " << int{style} << ", antialiasing " << int{antialiasing};
    }
  }
  // Upright letters that stay inside their cell keep the block's own size.
  settings.watermark.fontStyle = 0;
  settings.watermark.textAntialiasing = 0;
  settings.watermark.textPadding = 0;
  ASSERT_TRUE(OpenWatermarkFont(settings));
  EXPECT_EQ(BlockOf("HIH").width(), draw::MeasureRasterText(*OpenedWatermarkFont(), QStringLiteral("HIH")).width);
}

TEST_F(TextWatermarkTest, TokensAreExpandedBeforeMeasuring) {
  job.finalWidth = 640;
  const int expanded = BlockOf("%WIDTH% px").width();
  EXPECT_EQ(expanded, BlockOf("640 px").width());
  EXPECT_NE(expanded, BlockOf("%WIDTH px").width());
}

TEST_F(TextWatermarkTest, RasterTextReplacesTheBoxPixelsWithTheTextColourAndAlpha) {
  // Underlined, so that lines are drawn as well as glyphs.
  settings.watermark.fontEffect = 1;
  ASSERT_TRUE(OpenWatermarkFont(settings));
  const Bitmap opaque = Marked();
  const Box block = test::ChangedArea(opaque.get(), kGrey);
  int textPixels = 0, smoothed = 0, run = 0, longestRun = 0;
  ForEachIn(opaque.get(), block, [&](int x, int, Rgb c) {
    smoothed += c != kBlue && c != kWhite;
    textPixels += c == kWhite;
    run = c != kWhite ? 0 : x == block.left ? 1 : run + 1;
    longestRun = std::max(longestRun, run);
  });
  EXPECT_EQ(smoothed, 0);
  EXPECT_GT(textPixels, 20);
  EXPECT_GE(longestRun, block.width() - 1) << "the underline spans the text";

  // Half-transparent text shows the picture through it, not the box.
  settings.watermark.textOpacity = 128;
  const Bitmap half = Marked();
  int mixed = 0, other = 0;
  ForEachIn(half.get(), block, [&](int, int, Rgb c) {
    mixed += Near(c, Rgb{177, 177, 177}, 2);
    other += c != kBlue && !Near(c, Rgb{177, 177, 177}, 2);
  });
  EXPECT_EQ(mixed, textPixels);
  EXPECT_EQ(other, 0);
}

TEST_F(TextWatermarkTest, AntialiasedTextIsSmoothedAndTheOpacitiesApplyPerLayer) {
  settings.watermark.textAntialiasing = 1;
  const Bitmap opaque = Marked();
  const Box block = test::ChangedArea(opaque.get(), kGrey);
  std::set<int> reds;
  ForEachIn(opaque.get(), block, [&](int, int, Rgb c) { reds.insert(c.r); });
  EXPECT_GT(reds.size(), 5u);

  // Text layer at half opacity over the opaque box: white turns half blue.
  settings.watermark.textOpacity = 128;
  const Bitmap half = Marked();
  int brightest = 0;
  ForEachIn(half.get(), block, [&](int, int, Rgb c) { brightest = std::max(brightest, c.r); });
  EXPECT_NEAR(brightest, 128, 3);
}

TEST_F(TextWatermarkTest, BoxOpacityMixesTheBoxWithThePictureInBothModes) {
  settings.watermark.backOpacity = 128;
  settings.watermark.textPadding = 2;
  for (uint8_t antialiasing : {0, 1}) {
    settings.watermark.textAntialiasing = antialiasing;
    const Rgb corner = PixelAt(Marked().get(), 0, 0);
    EXPECT_TRUE(Near(corner, Rgb{50, 50, 177}, 2)) << corner << " antialiasing " << int{antialiasing};
  }
}

TEST_F(TextWatermarkTest, RotationByNinetyDegreesSwapsTheBlockSides) {
  const Box upright = BlockOf("A longer watermark line");
  settings.watermark.textRotation = 90;
  const Box turned = BlockOf("A longer watermark line");
  EXPECT_EQ(turned.width(), upright.height());
  EXPECT_EQ(turned.height(), upright.width());
  settings.watermark.textRotation = 360;
  EXPECT_EQ(BlockOf("A longer watermark line").width(), upright.width());
}

TEST_F(TextWatermarkTest, BoldAndSizeComeFromTheOpenedFont) {
  const int regular = BlockOf("Watermark text").width();
  settings.watermark.fontStyle = 1;
  ASSERT_TRUE(OpenWatermarkFont(settings));
  EXPECT_GT(BlockOf("Watermark text").width(), regular);
  settings.watermark.fontStyle = 0;
  settings.watermark.fontSize = 28;
  ASSERT_TRUE(OpenWatermarkFont(settings));
  EXPECT_NEAR(BlockOf("Watermark text").width(), 2 * regular, regular / 10);
}

// Without text, or placed where it cannot be pasted, there is no block and
// the picture stays as it was; without its font the watermark cannot be
// drawn, and the picture is not one to save.
TEST_F(TextWatermarkTest, NoBlockWithoutTextOrWhereItCannotBePastedAndNoPictureWithoutItsFont) {
  EXPECT_TRUE(BlockOf("").empty());
  settings.watermark.textXOffset = -5;
  EXPECT_TRUE(BlockOf("Pictavo").empty());
  CloseWatermarkFont();
  settings.watermark.text = "Pictavo";
  EXPECT_EQ(DrawWatermark(settings, job, test::PlainPicture(640, 480, kGrey), 640, 480), nullptr);
  ASSERT_TRUE(OpenWatermarkFont(settings));
}

// Only what can fall on the picture is laid out: a text far longer than
// the picture shows as its visible start would, from the end its position
// anchors, and costs what that costs.
TEST_F(TextWatermarkTest, AVeryLongTextIsLaidOutOnlyAsFarAsThePictureReaches) {
  const std::string tail(4000, 'x');
  for (const WatermarkPosition position : {WatermarkPosition::TopLeft, WatermarkPosition::BottomRight}) {
    settings.watermark.textPosition = position;
    settings.watermark.text = position == WatermarkPosition::TopLeft ? "A" + tail : tail + "Z";
    const Bitmap visible = Marked();
    settings.watermark.text = position == WatermarkPosition::TopLeft ? "A" + tail + std::string(1 << 20, 'x') : std::string(1 << 20, 'x') + tail + "Z";
    const Bitmap whole = Marked();
    ASSERT_TRUE(visible && whole);
    EXPECT_TRUE(test::SamePixels(visible.get(), whole.get())) << static_cast<int>(position);
  }
  // Laid out whole, the megabyte of text took gigabytes.
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  EXPECT_LT(usage.ru_maxrss, 1L << 20) << "KiB at the peak";
}

}  // namespace
}  // namespace pictavo
