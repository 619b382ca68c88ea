// The uncompressed PNG writer against FreeImage's own: the same chunks but
// the image data, and the same pixels read back, for every kind of picture
// the program saves.
#include "engine/stored_png.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "engine/bitmap.h"
#include "tests/decorations/pixels.h"

namespace pictavo {
namespace {

struct Kind {
  const char* name;
  FREE_IMAGE_TYPE type;
  int bpp;
  int width, height;
  std::function<void(FIBITMAP*)> dress;  // palette, alpha, metadata
};

void Grey(FIBITMAP* image, bool whiteFirst) {
  const unsigned colors = FreeImage_GetColorsUsed(image);
  RGBQUAD* palette = FreeImage_GetPalette(image);
  for (unsigned i = 0; i < colors; ++i) {
    const auto level = static_cast<BYTE>((whiteFirst ? colors - 1 - i : i) * 255 / (colors - 1));
    palette[i] = {level, level, level, 0};
  }
}

void Colored(FIBITMAP* image) {
  RGBQUAD* palette = FreeImage_GetPalette(image);
  for (unsigned i = 0; i < FreeImage_GetColorsUsed(image); ++i)
    palette[i] = {static_cast<BYTE>(i * 7), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 13), 0};
}

// Every alpha opaque, but for one pixel far from the top left when `translucent`.
void Alpha(FIBITMAP* image, bool translucent) {
  for (unsigned y = 0; y < FreeImage_GetHeight(image); ++y)
    for (unsigned x = 0; x < FreeImage_GetWidth(image); ++x) FreeImage_GetScanLine(image, y)[4 * x + FI_RGBA_ALPHA] = 0xFF;
  if (translucent) FreeImage_GetScanLine(image, 0)[4 * 3 + FI_RGBA_ALPHA] = 0x80;
}

// The smallest RGB display profile libpng takes: a header without tags.
std::string MinimalProfile() {
  std::string profile(132, '\0');
  auto put = [&](size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) profile[at + i] = static_cast<char>(value >> (24 - 8 * i));
  };
  put(0, 132);
  put(8, 0x02100000);
  profile.replace(12, 4, "mntr");
  profile.replace(16, 4, "RGB ");
  profile.replace(20, 4, "XYZ ");
  profile.replace(36, 4, "acsp");
  put(68, 0x0000F6D6);  // D50
  put(72, 0x00010000);
  put(76, 0x0000D32D);
  return profile;
}
const std::string kProfile = MinimalProfile();

void Described(FIBITMAP* image) {
  FreeImage_SetDotsPerMeterX(image, 11811);
  FreeImage_SetDotsPerMeterY(image, 5905);
  test::SetComment(image, "a comment");
}

std::vector<std::pair<std::string, std::string>> ChunksBesideData(const std::string& png) {
  std::vector<std::pair<std::string, std::string>> chunks;
  for (size_t at = 8; at + 12 <= png.size();) {
    const auto* p = reinterpret_cast<const unsigned char*>(png.data() + at);
    const size_t length = (size_t{p[0]} << 24) | (size_t{p[1]} << 16) | (size_t{p[2]} << 8) | p[3];
    const std::string type = png.substr(at + 4, 4);
    if (type != "IDAT") chunks.emplace_back(type, png.substr(at, length + 12));
    at += length + 12;
  }
  return chunks;
}

std::string FreeImageSaves(FIBITMAP* image, int flags) {
  MemoryStream memory(FreeImage_OpenMemory());
  EXPECT_TRUE(FreeImage_SaveToMemory(FIF_PNG, image, memory.get(), flags));
  BYTE* data = nullptr;
  DWORD size = 0;
  FreeImage_AcquireMemory(memory.get(), &data, &size);
  return std::string(reinterpret_cast<const char*>(data), size);
}

Bitmap Read(const std::string& png) {
  MemoryStream memory(FreeImage_OpenMemory(reinterpret_cast<BYTE*>(const_cast<char*>(png.data())),
                                           static_cast<DWORD>(png.size())));
  return Bitmap(FreeImage_LoadFromMemory(FIF_PNG, memory.get(), 0));
}

void ExpectSamePixels(FIBITMAP* a, FIBITMAP* b) {
  ASSERT_TRUE(a && b);
  ASSERT_EQ(FreeImage_GetImageType(a), FreeImage_GetImageType(b));
  ASSERT_EQ(FreeImage_GetBPP(a), FreeImage_GetBPP(b));
  ASSERT_EQ(FreeImage_GetWidth(a), FreeImage_GetWidth(b));
  ASSERT_EQ(FreeImage_GetHeight(a), FreeImage_GetHeight(b));
  if (FreeImage_GetColorsUsed(a) > 0) {
    EXPECT_EQ(0, std::memcmp(FreeImage_GetPalette(a), FreeImage_GetPalette(b), FreeImage_GetColorsUsed(a) * sizeof(RGBQUAD)));
  }
  for (unsigned y = 0; y < FreeImage_GetHeight(a); ++y)
    ASSERT_EQ(0, std::memcmp(FreeImage_GetScanLine(a, y), FreeImage_GetScanLine(b, y), FreeImage_GetLine(a))) << "row " << y;
}

TEST(StoredPng, SaysWhatFreeImageSaysAboutTheSamePixels) {
  const std::vector<Kind> kinds = {
      {"1-bit black first", FIT_BITMAP, 1, 37, 5, [](FIBITMAP* i) { Grey(i, false); }},
      {"1-bit white first", FIT_BITMAP, 1, 37, 5, [](FIBITMAP* i) { Grey(i, true); }},
      {"1-bit white first, transparent", FIT_BITMAP, 1, 37, 5,
       [](FIBITMAP* i) {
         Grey(i, true);
         BYTE table[2] = {0, 255};
         FreeImage_SetTransparencyTable(i, table, 2);
       }},
      {"4-bit palette", FIT_BITMAP, 4, 37, 5, Colored},
      {"8-bit grey, described", FIT_BITMAP, 8, 37, 5,
       [](FIBITMAP* i) {
         Grey(i, false);
         Described(i);
       }},
      {"8-bit white first", FIT_BITMAP, 8, 37, 5, [](FIBITMAP* i) { Grey(i, true); }},
      {"8-bit palette, transparent, background", FIT_BITMAP, 8, 37, 5,
       [](FIBITMAP* i) {
         Colored(i);
         BYTE table[3] = {0, 128, 255};
         FreeImage_SetTransparencyTable(i, table, 3);
         RGBQUAD background = {1, 2, 3, 4};
         FreeImage_SetBackgroundColor(i, &background);
       }},
      {"24-bit, several data chunks, profile", FIT_BITMAP, 24, 701, 301,
       [](FIBITMAP* i) {
         FreeImage_CreateICCProfile(i, const_cast<char*>(kProfile.data()), static_cast<long>(kProfile.size()));
       }},
      {"32-bit opaque", FIT_BITMAP, 32, 37, 5, [](FIBITMAP* i) { Alpha(i, false); }},
      {"32-bit translucent", FIT_BITMAP, 32, 37, 5, [](FIBITMAP* i) { Alpha(i, true); }},
      {"16-bit grey", FIT_UINT16, 16, 37, 5, Described},
      {"48-bit", FIT_RGB16, 48, 37, 5, nullptr},
      {"64-bit", FIT_RGBA16, 64, 37, 5, nullptr},
  };
  std::mt19937 random(7);
  for (const Kind& kind : kinds) {
    SCOPED_TRACE(kind.name);
    Bitmap image(FreeImage_AllocateT(kind.type, kind.width, kind.height, kind.bpp));
    ASSERT_TRUE(image);
    for (unsigned y = 0; y < FreeImage_GetHeight(image.get()); ++y)
      for (unsigned x = 0; x < FreeImage_GetLine(image.get()); ++x)
        FreeImage_GetScanLine(image.get(), y)[x] = static_cast<BYTE>(random());
    if (kind.dress) kind.dress(image.get());

    std::string ours;
    ASSERT_EQ(SaveStoredPng(image.get(), PNG_Z_NO_COMPRESSION,
                            [&](const char* data, size_t size) {
                              ours.append(data, size);
                              return true;
                            }),
              StoredPngResult::kWritten);
    const std::string theirs = FreeImageSaves(image.get(), PNG_Z_NO_COMPRESSION);
    EXPECT_EQ(ChunksBesideData(ours), ChunksBesideData(theirs));
    ExpectSamePixels(Read(ours).get(), Read(theirs).get());
  }
}

TEST(StoredPng, LeavesCompressedAndInterlacedFilesToFreeImageAndReportsAFailingSink) {
  Bitmap image(FreeImage_Allocate(64, 64, 24));
  for (const int flags : {0, PNG_Z_BEST_SPEED, PNG_Z_BEST_COMPRESSION | PNG_Z_NO_COMPRESSION,
                          PNG_Z_NO_COMPRESSION | PNG_INTERLACED}) {
    bool called = false;
    EXPECT_EQ(SaveStoredPng(image.get(), flags,
                            [&](const char*, size_t) {
                              called = true;
                              return true;
                            }),
              StoredPngResult::kNotSuited)
        << flags;
    EXPECT_FALSE(called);
  }
  int calls = 0;
  EXPECT_EQ(SaveStoredPng(image.get(), PNG_Z_NO_COMPRESSION, [&](const char*, size_t) { return ++calls < 2; }),
            StoredPngResult::kFailed);
}

}  // namespace
}  // namespace pictavo
