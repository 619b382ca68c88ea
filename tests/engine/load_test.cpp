#include "engine/load.h"
#include "engine/raw_photograph.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "tools/dng_writer.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

Settings Input(int rawLoadAs, int headerSize = 0, int width = 0, int height = 0) {
  Settings settings;
  settings.input.rawLoadAs = static_cast<RawLoadAs>(rawLoadAs);
  settings.input.rawHeaderSize = headerSize;
  settings.input.rawImageWidth = width;
  settings.input.rawImageHeight = height;
  return settings;
}

std::string Bytes(size_t count) {
  std::string bytes(count, '\0');
  for (size_t i = 0; i < count; ++i) bytes[i] = static_cast<char>(i % 251 + 1);
  return bytes;
}

// Written as the corpus manifest writes it: "96x64 bpp=48".
std::string ShapeOf(FIBITMAP* dib) {
  if (!dib) return "none";
  return std::to_string(FreeImage_GetWidth(dib)) + "x" + std::to_string(FreeImage_GetHeight(dib)) +
         " bpp=" + std::to_string(FreeImage_GetBPP(dib));
}

std::string ShapeOf(const Bitmap& image) { return ShapeOf(image.get()); }

// Row `y` counted from the top, as bytes.
std::string TopRow(FIBITMAP* dib, unsigned y) {
  const BYTE* row = FreeImage_GetScanLine(dib, FreeImage_GetHeight(dib) - 1 - y);
  return std::string(reinterpret_cast<const char*>(row), FreeImage_GetLine(dib));
}

// Colour at a position relative to the top left, 0..1 per channel, from a
// 24-bit or 48-bit picture.
std::array<double, 3> ColourAt(FIBITMAP* dib, std::array<double, 2> where) {
  const unsigned x = static_cast<unsigned>(where[0] * FreeImage_GetWidth(dib));
  const BYTE* row = FreeImage_GetScanLine(dib, FreeImage_GetHeight(dib) - 1 -
                                                   static_cast<unsigned>(where[1] * FreeImage_GetHeight(dib)));
  if (FreeImage_GetImageType(dib) == FIT_RGB16) {
    const FIRGB16& p = reinterpret_cast<const FIRGB16*>(row)[x];
    return {p.red / 65535.0, p.green / 65535.0, p.blue / 65535.0};
  }
  const BYTE* p = row + x * 3;
  return {p[FI_RGBA_RED] / 255.0, p[FI_RGBA_GREEN] / 255.0, p[FI_RGBA_BLUE] / 255.0};
}

// The picture shows the writer's scene, right way up: the red, green and blue
// patches dominated by their primary, the grey ramp brightening to the right.
void ExpectColourPatches(const Bitmap& image) {
  ASSERT_NE(image, nullptr);
  for (int primary = 0; primary < 3; ++primary) {
    const auto colour = ColourAt(image.get(), dng::PatchCentre(primary));
    for (int other : {(primary + 1) % 3, (primary + 2) % 3})
      EXPECT_GT(colour[primary], 3 * colour[other]) << "patch " << primary;
  }
  EXPECT_GT(ColourAt(image.get(), {0.9, 0.85})[1], ColourAt(image.get(), {0.1, 0.85})[1] + 0.3);
}

TEST(HeaderlessRaw, MakesASquareOfTheFileWithTheFirstBytesOnTop) {
  test::TempDir dir;
  test::WriteFile(dir.file("million"), Bytes(1'000'000));
  test::WriteFile(dir.file("thirty"), Bytes(30'000));
  test::WriteFile(dir.file("ten"), Bytes(10));

  Bitmap sixteen = LoadHeaderlessRaw(Settings{}, dir.file("million"), 2);
  EXPECT_EQ(ShapeOf(sixteen), "707x707 bpp=16");
  EXPECT_EQ(FreeImage_GetRedMask(sixteen.get()), FI16_565_RED_MASK);
  EXPECT_EQ(FreeImage_GetGreenMask(sixteen.get()), FI16_565_GREEN_MASK);
  EXPECT_EQ(ShapeOf(LoadHeaderlessRaw(Settings{}, dir.file("thirty"), 1)), "173x173 bpp=8");

  Bitmap tiny = LoadHeaderlessRaw(Settings{}, dir.file("ten"), 2);  // side 2: 8 of the 10 bytes
  ASSERT_EQ(ShapeOf(tiny), "2x2 bpp=16");
  EXPECT_EQ(TopRow(tiny.get(), 0), Bytes(4));
  EXPECT_EQ(TopRow(tiny.get(), 1), Bytes(8).substr(4));
}

TEST(HeaderlessRaw, SkipsTheHeaderAndLeavesMissingRowsBlack) {
  test::TempDir dir;
  const std::string data = Bytes(50);
  test::WriteFile(dir.file("short"), std::string(100, '\xEE') + data);

  Bitmap image = LoadHeaderlessRaw(Input(0, 100, 10, 10), dir.file("short"), 1);
  ASSERT_EQ(ShapeOf(image), "10x10 bpp=8");
  for (unsigned y = 0; y < 10; ++y)
    EXPECT_EQ(TopRow(image.get(), y), y < 5 ? data.substr(10 * y, 10) : std::string(10, '\0')) << "row " << y;
}

TEST(HeaderlessRaw, ImpossibleSizesFailInsteadOfAllocating) {
  test::TempDir dir;
  test::WriteFile(dir.file("small"), Bytes(150));
  const std::pair<const char*, Settings> cases[] = {
      {"negative header", Input(0, -1)},
      {"header past the end", Input(0, 151, 10, 10)},
      {"nothing after the header", Input(0, 150)},
      {"negative width", Input(0, 0, -10, 10)},
      {"negative height", Input(0, 0, 10, -10)},
      {"side beyond any picture", Input(0, 0, 2'000'000, 1)},
      {"gigabytes of pixels", Input(0, 0, 40'000, 40'000)},
      {"32-bit overflow", Input(0, 0, INT_MAX, INT_MAX)},
  };
  for (const auto& [name, settings] : cases)
    for (int mode : {1, 2}) EXPECT_EQ(LoadHeaderlessRaw(settings, dir.file("small"), mode), nullptr) << name;
  EXPECT_EQ(LoadHeaderlessRaw(Settings{}, dir.file("missing"), 2), nullptr);
  EXPECT_EQ(LoadHeaderlessRaw(Settings{}, dir.path(), 2), nullptr);
}

// A decoder that records its calls and gives a picture for one of them.
class DecoderCalls : public ::testing::Test {
 protected:
  using Calls = std::vector<std::pair<FREE_IMAGE_FORMAT, int>>;
  void SetUp() override {
    SetDecoder([this](FREE_IMAGE_FORMAT format, const std::string&, int flags) {
      calls.emplace_back(format, flags);
      return Bitmap(std::pair(format, flags) == answer ? FreeImage_Allocate(3, 3, 24) : nullptr);
    });
    test::WriteFile(path, Bytes(2000));
  }
  void TearDown() override { SetDecoder(nullptr); }
  Calls Load(const Settings& settings, const std::string& expectedShape) {
    calls.clear();
    EXPECT_EQ(ShapeOf(LoadImage(settings, path)), expectedShape);
    return calls;
  }

  test::TempDir dir;
  const std::string path = dir.file("unknown.nef");
  Calls calls;
  std::pair<FREE_IMAGE_FORMAT, int> answer{FIF_UNKNOWN, 0};
};

TEST_F(DecoderCalls, EachLoadModeTriesItsRawFlagsThenJpegThenHeaderlessPixels) {
  // 2000 bytes as 5-6-5 pixels: a 32 x 32 square.
  EXPECT_EQ(Load(Input(0), "32x32 bpp=16"), (Calls{{FIF_RAW, kRawPhotographFlags}, {FIF_JPEG, 10}}));
  EXPECT_EQ(Load(Input(3), "32x32 bpp=16"), (Calls{{FIF_RAW, RAW_DISPLAY}, {FIF_JPEG, 10}}));
  EXPECT_EQ(Load(Input(4), "32x32 bpp=16"), (Calls{{FIF_RAW, RAW_HALFSIZE}, {FIF_JPEG, 10}}));
  EXPECT_EQ(Load(Input(5), "32x32 bpp=16"), (Calls{{FIF_RAW, RAW_DEFAULT}, {FIF_JPEG, 10}}));
  // Forced headerless reading comes first; when it fails, a full decode follows.
  EXPECT_EQ(Load(Input(1), "45x45 bpp=8"), Calls{});
  EXPECT_EQ(Load(Input(2, 5000), "none"), (Calls{{FIF_RAW, RAW_DEFAULT}, {FIF_JPEG, 10}}));
  EXPECT_EQ(RawLoadFlags(Input(3), "jpg"), 0);
}

TEST_F(DecoderCalls, FirstPictureEndsTheChain) {
  answer = {FIF_RAW, kRawPhotographFlags};
  EXPECT_EQ(Load(Input(0), "3x3 bpp=24"), (Calls{{FIF_RAW, kRawPhotographFlags}}));
  answer = {FIF_JPEG, 10};
  EXPECT_EQ(Load(Input(5), "3x3 bpp=24"), (Calls{{FIF_RAW, RAW_DEFAULT}, {FIF_JPEG, 10}}));
}

// The real decoders on files of the DNG writer (96 x 64, preview 40 x 30).
class DngLoad : public ::testing::Test {
 protected:
  std::string Dng(dng::DngPreview preview, int previewWidth = 40, int previewHeight = 30, int orientation = 1) {
    dng::DngOptions options;
    options.preview = preview;
    options.previewWidth = previewWidth;
    options.previewHeight = previewHeight;
    options.orientation = orientation;
    const std::string path = dir.file("photo" + std::to_string(++written) + ".dng");
    EXPECT_TRUE(dng::WriteDng(path, options));
    return path;
  }
  test::TempDir dir;
  int written = 0;
};

TEST_F(DngLoad, EachLoadModeGivesItsSizeAndDepth) {
  const std::string path = Dng(dng::DngPreview::kJpeg);
  Bitmap full = LoadImage(Input(5), path);
  EXPECT_EQ(ShapeOf(full), "96x64 bpp=48");
  EXPECT_EQ(FreeImage_GetImageType(full.get()), FIT_RGB16);
  ExpectColourPatches(full);
  Bitmap display = LoadImage(Input(3), path);
  EXPECT_EQ(ShapeOf(display), "96x64 bpp=24");
  ExpectColourPatches(display);
  EXPECT_EQ(ShapeOf(LoadImage(Input(4), path)), "48x32 bpp=48");
}

TEST_F(DngLoad, AutoTakesThePreviewOnlyWhenItHoldsTheWholePicture) {
  using dng::DngPreview;
  struct Case {
    DngPreview preview;
    int width, height;
    const char* expected;  // the preview's size, or the mosaic's when rendered
  };
  // 90 % of the 96 x 64 mosaic is 86.4 x 57.6.
  const Case cases[] = {
      {DngPreview::kJpeg, 87, 58, "87x58 bpp=24"},
      {DngPreview::kRgb, 87, 58, "87x58 bpp=24"},
      {DngPreview::kJpeg, 86, 58, "96x64 bpp=24"},
      {DngPreview::kRgb, 87, 57, "96x64 bpp=24"},
      {DngPreview::kJpeg, 40, 30, "96x64 bpp=24"},
      {DngPreview::kUnreadable, 96, 64, "96x64 bpp=24"},
      {DngPreview::kNone, 0, 0, "96x64 bpp=24"},
  };
  for (const Case& c : cases) {
    Bitmap image = LoadImage(Input(0), Dng(c.preview, c.width, c.height));
    EXPECT_EQ(ShapeOf(image), c.expected) << c.width << "x" << c.height;
    ExpectColourPatches(image);
  }
}

// The writer stores the scene as the sensor saw it; orientation 6 says the
// camera was turned right, so the upright picture shows it a quarter turn
// to the right: portrait, with the scene's top-left corner at the top right.
TEST_F(DngLoad, EveryLoadModeTurnsAPortraitUpright) {
  using dng::DngPreview;
  struct Case {
    DngPreview preview;
    int width;
    const char* automatic;  // Auto's size: the preview turned, or the rendering
  };
  const Case cases[] = {{DngPreview::kNone, 0, "64x96"},
                        {DngPreview::kJpeg, 87, "58x87"},
                        {DngPreview::kRgb, 87, "58x87"},
                        {DngPreview::kRgb, 40, "64x96"}};
  auto turned = [](std::array<double, 2> at) { return std::array<double, 2>{1 - at[1], at[0]}; };
  for (const auto& [preview, width, automatic] : cases) {
    const std::string path = Dng(preview, width, width * 2 / 3, 6);
    for (int loadAs : {0, 3, 4, 5}) {
      Bitmap image = LoadImage(Input(loadAs), path);
      ASSERT_NE(image, nullptr);
      EXPECT_LT(FreeImage_GetWidth(image.get()), FreeImage_GetHeight(image.get())) << width << ", " << loadAs;
      if (loadAs == 0) EXPECT_EQ(ShapeOf(image).substr(0, 5), automatic) << width;
      for (int primary = 0; primary < 3; ++primary) {
        const auto colour = ColourAt(image.get(), turned(dng::PatchCentre(primary)));
        EXPECT_GT(colour[primary], 2 * colour[(primary + 1) % 3]) << width << ", " << loadAs << ", " << primary;
      }
    }
  }
}

TEST_F(DngLoad, JpegUnderARawNameLoadsThroughTheJpegDecoder) {
  const std::string path = dir.file("photo.nef");
  test::WriteFile(path, dng::MakeJpeg(dng::ColorPatches, 60, 45));
  ExpectColourPatches(LoadImage(Input(0), path));
  for (int loadAs : {0, 3, 5}) EXPECT_EQ(ShapeOf(LoadImage(Input(loadAs), path)), "60x45 bpp=24") << loadAs;
}

TEST(ToneMap, OnlyChangesFortyEightBitLoadsWhenAsked) {
  // FreeImage's gradient-domain operator wants at least 32 pixels a side.
  auto gradient = [] {
    Bitmap image(FreeImage_AllocateT(FIT_RGB16, 64, 48));
    for (unsigned y = 0; y < 48; ++y) {
      auto* row = reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(image.get(), y));
      for (unsigned x = 0; x < 64; ++x) row[x] = {WORD(500 + x * 1000), WORD(500 + y * 1300), WORD(30000)};
    }
    return image;
  };
  EXPECT_EQ(ToneMap(Settings{}, nullptr), nullptr);
  for (const auto& [loadAs, mapping] : {std::pair(3, 2), std::pair(5, 0), std::pair(5, 5)}) {
    Bitmap image = gradient();
    FIBITMAP* original = image.get();
    Settings settings = Input(loadAs);
    settings.input.rawToneMapping = mapping;
    EXPECT_EQ(ToneMap(settings, std::move(image)).get(), original) << loadAs << ", " << mapping;
  }
  for (int loadAs : {4, 5}) {
    for (int mapping : {1, 2, 3, 4}) {
      Settings settings = Input(loadAs);
      settings.input.rawToneMapping = mapping;
      EXPECT_EQ(ShapeOf(ToneMap(settings, gradient())), "64x48 bpp=24") << loadAs << ", " << mapping;
    }
  }
}

// The shared corpus of camera files, when this machine has it; its manifest
// lists each file's size and depth per load mode.
TEST(CameraFiles, LoadAtTheSizesOfTheManifest) {
  const std::filesystem::path corpus = std::filesystem::path(PICTAVO_SOURCE_DIR) / ".." / "shared" / "corpus";
  std::ifstream manifest(corpus / "MANIFEST.tsv");
  if (!std::filesystem::is_directory(corpus / "raw") || !manifest)
    GTEST_SKIP() << "no camera corpus at " << corpus.string();
  int checked = 0;
  for (std::string line; std::getline(manifest, line);) {
    std::vector<std::string> column;
    std::stringstream fields(line);
    for (std::string field; std::getline(fields, field, '\t');) column.push_back(field);
    if (column.size() < 10 || column[0].rfind("raw/", 0) != 0) continue;
    const std::string path = (corpus / column[0]).string();
    // Auto gives the whole photograph, at the display load's size.
    for (const auto& [loadAs, expected] : {std::pair(5, column[6]), std::pair(0, column[8]),
                                           std::pair(3, column[8]), std::pair(4, column[9])})
      EXPECT_EQ(ShapeOf(LoadImage(Input(loadAs), path)), expected) << column[0] << ", RAW Load As " << loadAs;
    ++checked;
  }
  EXPECT_GT(checked, 0) << "the manifest lists no camera files";
}

}  // namespace
}  // namespace pictavo
