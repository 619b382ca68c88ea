// The camera's metadata in the converted files of the camera corpus, read
// back with Exiv2 as other programs read it.
#include <gtest/gtest.h>

#include <FreeImage.h>
#include <exiv2/exiv2.hpp>

#include <filesystem>

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
    EXPECT_TRUE(ExifOf(plain).empty()) << name << ": --no-metadata";
  }
  EXPECT_GT(withExif, 0);
}

}  // namespace
}  // namespace pictavo
