// The camera's metadata in the converted files of the camera corpus, read
// back with Exiv2 as other programs read it.
#include <gtest/gtest.h>

#include <FreeImage.h>
#include <exiv2/exiv2.hpp>

#include <filesystem>
#include <set>

#include "tools/dng_writer.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

const fs::path kCameraFiles = fs::path(PICTAVO_SOURCE_DIR) / ".." / "shared" / "corpus" / "raw";

// Exif key → value as text; empty for a file Exiv2 cannot read.
std::map<std::string, std::string> ExifOf(const fs::path& file) {
  std::map<std::string, std::string> values;
  try {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    auto image = Exiv2::ImageFactory::open(file.string());
    image->readMetadata();
    for (const Exiv2::Exifdatum& datum : image->exifData()) values.emplace(datum.key(), datum.toString());
  } catch (const std::exception&) {
  }
  return values;
}

// The types of a PNG's chunks before its pixel data.
std::set<std::string> ChunksBeforePixels(const std::string& png) {
  std::set<std::string> types;
  for (size_t at = 8; at + 8 <= png.size();) {
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length = (length << 8) | static_cast<uint8_t>(png[at + i]);
    const std::string type = png.substr(at + 4, 4);
    if (type == "IDAT") break;
    types.insert(type);
    at += 12 + length;
  }
  return types;
}

// What the pixels are, stated on every PNG whether the camera's metadata is
// kept or not, and the EXIF colour space agreeing with it.
TEST(ColourStatement, FollowsThePixelsWithOrWithoutMetadata) {
  test::TempDir dir;
  dng::DngOptions options;  // the writer's files carry a camera make and model
  ASSERT_TRUE(dng::WriteDng(dir.file("photo.dng"), options));
  struct Case {
    std::vector<std::string> options;
    std::set<std::string> chunks;  // colour and metadata chunks before the pixels
    const char* colorSpace;
  };
  const Case cases[] = {
      {{}, {"sRGB", "eXIf"}, "1"},
      {{"--no-metadata"}, {"sRGB"}, nullptr},
      {{"--raw-load-as=48", "--raw-tone-mapping=none"}, {"cHRM", "gAMA", "eXIf"}, nullptr},
      {{"--raw-load-as=48", "--raw-tone-mapping=none", "--greyscale", "--no-metadata"}, {"cHRM", "gAMA"}, nullptr},
      {{"--raw-load-as=48", "--raw-tone-mapping=al"}, {"sRGB", "eXIf"}, "1"},
      {{"--greyscale", "--png-bpp=8"}, {"sRGB", "eXIf"}, "1"},  // a palette of greys
      // The file's bytes read as pixels: no camera metadata describes them.
      {{"--raw-load-as=8"}, {"sRGB"}, nullptr},
  };
  for (const Case& c : cases) {
    test::TempDir out;
    std::vector<std::string> args = {"-q", "-i", dir.file("photo.dng"), "-o", out.path()};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto r = test::RunProgram(args);
    const std::string label = ::testing::PrintToString(c.options);
    ASSERT_EQ(r.exitStatus, 0) << label << r.out << r.err;
    std::set<std::string> chunks = ChunksBeforePixels(test::ReadFile(out.file("photo.png")));
    std::erase_if(chunks, [](const std::string& type) { return type == "IHDR" || type == "pHYs" || type == "PLTE"; });
    EXPECT_EQ(chunks, c.chunks) << label;
    const auto exif = ExifOf(out.file("photo.png"));
    const auto space = exif.find("Exif.Photo.ColorSpace");
    EXPECT_EQ(space == exif.end() ? "(none)" : space->second, c.colorSpace ? c.colorSpace : "(none)") << label;
  }
}

TEST(CameraMetadata, EveryCameraFileKeepsItsExifTellingTheTruth) {
  if (!fs::exists(kCameraFiles)) GTEST_SKIP() << "camera corpus not present at " << kCameraFiles;
  int withExif = 0;
  for (const auto& entry : fs::directory_iterator(kCameraFiles)) {
    const std::string name = entry.path().filename().string();
    test::TempDir out;
    fs::create_directory(out.file("plain"));
    for (const auto& [folder, extra] : {std::pair{out.path(), ""}, {out.file("plain"), "--no-metadata"}}) {
      std::vector<std::string> args = {"-q", "-i", entry.path().string(), "-o", folder};
      if (*extra) args.push_back(extra);
      const auto r = test::RunProgram(args, {}, "", 300);
      ASSERT_EQ(r.exitStatus, 0) << name << " " << extra << r.out << r.err;
    }
    const std::string png = out.file(entry.path().stem().string() + ".png");
    const std::string plain = out.file("plain/" + entry.path().stem().string() + ".png");
    const auto check = test::RunProgram({"-q", png}, {}, "", 60, "/usr/bin/pngcheck");
    EXPECT_EQ(check.exitStatus, 0) << name << " " << check.out;
    // The camera's clock is local time, which a tIME chunk would call UTC.
    // FreeImage's own loads of a CRW file carry it from the embedded JPEG.
    std::vector<std::string> pngs = {png, plain};
    if (name == "canon_powershot_g2.crw") {
      fs::create_directory(out.file("display"));
      ASSERT_EQ(test::RunProgram({"-q", "-i", entry.path().string(), "-o", out.file("display"), "--raw-load-as=24"})
                    .exitStatus,
                0);
      pngs.push_back(out.file("display/canon_powershot_g2.png"));
    }
    for (const std::string& file : pngs) {
      const auto chunks = ChunksBeforePixels(test::ReadFile(file));
      EXPECT_TRUE(chunks.contains("sRGB")) << file;
      EXPECT_FALSE(chunks.contains("tIME")) << file;
    }

    const auto source = ExifOf(entry.path());
    const auto kept = ExifOf(png);
    if (source.empty()) {
      // Nothing to keep: the file is the one it always was.
      EXPECT_TRUE(kept.empty()) << name;
      EXPECT_EQ(test::ReadFile(png), test::ReadFile(plain)) << name;
      continue;
    }
    ++withExif;
    for (const char* key : {"Exif.Image.Make", "Exif.Image.Model", "Exif.Photo.ExposureTime", "Exif.Photo.ISOSpeedRatings"}) {
      const auto from = source.find(key);
      if (from == source.end()) continue;
      ASSERT_TRUE(kept.contains(key)) << name << " " << key;
      EXPECT_EQ(kept.at(key), from->second) << name << " " << key;
    }
    FIBITMAP* picture = FreeImage_Load(FIF_PNG, png.c_str(), 0);
    ASSERT_NE(picture, nullptr) << name;
    EXPECT_EQ(kept.at("Exif.Photo.PixelXDimension"), std::to_string(FreeImage_GetWidth(picture))) << name;
    EXPECT_EQ(kept.at("Exif.Photo.PixelYDimension"), std::to_string(FreeImage_GetHeight(picture))) << name;
    FreeImage_Unload(picture);
    EXPECT_EQ(kept.at("Exif.Image.Orientation"), "1") << name;
    EXPECT_EQ(kept.at("Exif.Photo.ColorSpace"), "1") << name;
    // Exposure data from wherever the camera kept it: Kodak's main
    // directory, Canon's own records (ISO and focal length).
    std::vector<std::string> exposure;
    if (name.starts_with("kodak_")) exposure = {"ExposureTime", "FNumber", "FocalLength"};
    if (name.starts_with("canon_powershot_")) exposure = {"ExposureTime", "FNumber", "FocalLength", "ISOSpeedRatings"};
    for (const std::string& tag : exposure) EXPECT_TRUE(kept.contains("Exif.Photo." + tag)) << name << " " << tag;
    EXPECT_TRUE(ExifOf(plain).empty()) << name << ": --no-metadata";
  }
  EXPECT_GT(withExif, 0);
}

}  // namespace
}  // namespace pictavo
