#include "engine/formats.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "base/program.h"

namespace pictavo {
namespace {

TEST(FormatTables, HoldTwentyOutputFormatsAndSeventyNineInputExtensions) {
  FormatTables tables;
  BuildFormatTables(tables);
  EXPECT_EQ(tables.outputFormats.size(), 20u);
  EXPECT_EQ(tables.inputExtensions.size(), 79u);
  BuildFormatTables(tables);  // building again adds nothing
  EXPECT_EQ(tables.outputFormats.size(), 20u);
  EXPECT_EQ(tables.inputExtensions.size(), 79u);

  const OutputFormat& png = tables.outputFormats.at("png");
  EXPECT_EQ(png.formatNumber, FIF_PNG);
  EXPECT_EQ(png.description, "Portable Network Graphics");
  EXPECT_EQ(png.depthList, "1,4,8,24,32,48");
  EXPECT_EQ(tables.outputFormats.at("ppm").formatNumber, FIF_PPM);  // the ASCII variant
  EXPECT_EQ(tables.outputFormats.at("tga").formatNumber, FIF_TARGA);
  EXPECT_EQ(tables.outputFormats.count("dds"), 0u);
  EXPECT_EQ(tables.inputExtensions.at("apm").formatGroup, "wmf");
  EXPECT_EQ(tables.inputExtensions.at("apm").description, "Aldus Placeable Metafile");
  EXPECT_EQ(tables.inputExtensions.at("nef").description, "Nikon Camera RAW Image");
}

TEST(FormatTables, AcceptedExtensionsAreTheFortyEightRawOnes) {
  FormatTables tables;
  BuildFormatTables(tables);
  std::vector<std::string> accepted = BuildAcceptedExtensions(tables.inputExtensions, InputGroups());
  EXPECT_EQ(accepted.size(), 48u);
  EXPECT_EQ(std::set<std::string>(accepted.begin(), accepted.end()).size(), 48u);
  for (const char* ext : {"nef", "cr2", "dng", "raw2", "rwl", "kdc", "qtk"}) EXPECT_NE(std::ranges::find(accepted, ext), accepted.end()) << ext;
  for (const char* ext : {"jpg", "png", "tif", "NEF", ""}) EXPECT_EQ(std::ranges::find(accepted, ext), accepted.end()) << ext;
}

TEST(SaveFlags, FollowThePerFormatSettings) {
  Settings s;
  SetDefaultSettings(s, 1);
  s.output.pngCompression = 3;
  s.output.pngInterlaced = 1;
  EXPECT_EQ(SaveFlagsFor(s, "png"), 0x209);
  EXPECT_EQ(SaveFlagsFor(s, "PNG"), 0);  // extensions are compared exactly
  s.output.pngCompression = 0;
  s.output.pngInterlaced = 0;
  EXPECT_EQ(SaveFlagsFor(s, "png"), PNG_Z_NO_COMPRESSION);
  s.output.pngCompression = 7;  // out of range adds nothing
  EXPECT_EQ(SaveFlagsFor(s, "png"), 0);

  s.output.jpgQuality = 95;
  s.output.jpgChroma = 2;
  s.output.jpgSaveAs = 3;
  EXPECT_EQ(SaveFlagsFor(s, "jpg"), 0x605F);
  s.output.jpgChroma = 0;
  s.output.jpgSaveAs = 1;
  EXPECT_EQ(SaveFlagsFor(s, "jpg"), 95 | JPEG_SUBSAMPLING_444 | JPEG_BASELINE);

  s.output.tiffCompression = 6;
  s.output.tiffColorModel = 1;
  EXPECT_EQ(SaveFlagsFor(s, "tiff"), TIFF_LZW | TIFF_CMYK);
  s.output.exrCompression = 4;
  EXPECT_EQ(SaveFlagsFor(s, "exr"), EXR_B44);
  s.output.tgaCompression = 1;
  EXPECT_EQ(SaveFlagsFor(s, "tga"), TARGA_SAVE_RLE);
  s.output.bmpCompression = 1;
  EXPECT_EQ(SaveFlagsFor(s, "bmp"), BMP_SAVE_RLE);
  EXPECT_EQ(SaveFlagsFor(s, "jxr"), JXR_LOSSLESS);
  EXPECT_EQ(SaveFlagsFor(s, "webp"), WEBP_LOSSLESS);
  EXPECT_EQ(SaveFlagsFor(s, "gif"), 0);
  EXPECT_EQ(SaveFlagsFor(s, "xyz"), 0);
}

TEST(DepthSettings, ExistForEveryOutputFormatAndThreeMore) {
  FormatTables tables;
  BuildFormatTables(tables);
  for (const auto& [ext, format] : tables.outputFormats) EXPECT_NE(DepthSettingFor(ext), nullptr) << ext;
  for (const char* ext : {"dds", "pcx", "psd"}) EXPECT_NE(DepthSettingFor(ext), nullptr) << ext;
  EXPECT_EQ(DepthSettingFor("raw"), nullptr);
  Settings s;
  s.output.pngBpp = 48;
  EXPECT_EQ(SettingAsInt(s, *DepthSettingFor("png")), 48);
}

}  // namespace
}  // namespace pictavo
