// Real camera files and malformed inputs, run through the built program.
// The corpus lives outside the repository; these tests skip without it.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(PICTAVO_SOURCE_DIR) / ".." / "shared" / "corpus";

struct Expected {
  int width = 0;
  int height = 0;
};

// "2312x1720 bpp=48" (possibly after "ok ") → 2312 × 1720.
Expected ParseSize(const std::string& cell) {
  Expected e;
  std::string text = cell.rfind("ok ", 0) == 0 ? cell.substr(3) : cell;
  if (sscanf(text.c_str(), "%dx%d", &e.width, &e.height) != 2) return {};
  return e;
}

// Manifest rows by file name: the display-load and full-load sizes.
std::map<std::string, std::pair<Expected, Expected>> ReadManifest() {
  std::map<std::string, std::pair<Expected, Expected>> rows;
  std::ifstream in(kCorpus / "MANIFEST.tsv");
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    std::vector<std::string> cells;
    std::stringstream stream(line);
    for (std::string cell; std::getline(stream, cell, '\t');) cells.push_back(cell);
    if (cells.size() < 8) continue;
    // Auto gives the whole photograph, at the size of the display load.
    rows[cells[0]] = {ParseSize(cells[8]), ParseSize(cells[6])};
  }
  return rows;
}

Expected PngSize(const std::string& path) {
  FIBITMAP* png = FreeImage_Load(FIF_PNG, path.c_str(), 0);
  if (!png) return {};
  Expected e{static_cast<int>(FreeImage_GetWidth(png)), static_cast<int>(FreeImage_GetHeight(png))};
  FreeImage_Unload(png);
  return e;
}

TEST(CameraCorpus, EveryFileConvertsAtTheSizeTheDecoderGives) {
  if (!fs::exists(kCorpus / "raw")) GTEST_SKIP() << "camera corpus not present at " << kCorpus;
  const auto manifest = ReadManifest();
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(kCorpus / "raw")) {
    const std::string name = entry.path().filename().string();
    const auto row = manifest.find("raw/" + name);
    ASSERT_NE(row, manifest.end()) << name;
    test::TempDir out;
    for (const auto& [option, expected] :
         {std::pair{std::string("--raw-load-as=auto"), row->second.first}, {"--raw-load-as=48", row->second.second}}) {
      auto r = test::RunProgram({"-q", "-i", entry.path().string(), "-o", out.path(), option}, {}, "", 300);
      EXPECT_EQ(r.exitStatus, 0) << name << " " << option << "\n" << r.out << r.err;
      const std::string png = out.file(entry.path().stem().string() + ".png");
      const Expected got = PngSize(png);
      EXPECT_EQ(got.width, expected.width) << name << " " << option;
      EXPECT_EQ(got.height, expected.height) << name << " " << option;
      fs::remove(png);
      ++checked;
    }
  }
  EXPECT_GT(checked, 0);
}

// A 24-bit picture as rows of bytes, top row first, red-green-blue.
struct Pixels {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;
  uint8_t at(int x, int y, int channel) const { return rgb[(static_cast<size_t>(y) * width + x) * 3 + channel]; }
};

Pixels ReadPixels(const std::string& path) {
  Pixels p;
  FIBITMAP* loaded = FreeImage_Load(FIF_PNG, path.c_str(), 0);
  if (!loaded) return p;
  FIBITMAP* rgb = FreeImage_ConvertTo24Bits(loaded);
  FreeImage_Unload(loaded);
  if (!rgb) return p;
  p.width = static_cast<int>(FreeImage_GetWidth(rgb));
  p.height = static_cast<int>(FreeImage_GetHeight(rgb));
  for (int y = 0; y < p.height; ++y) {
    const BYTE* row = FreeImage_GetScanLine(rgb, p.height - 1 - y);
    for (int x = 0; x < p.width; ++x)
      for (int channel : {FI_RGBA_RED, FI_RGBA_GREEN, FI_RGBA_BLUE}) p.rgb.push_back(row[3 * x + channel]);
  }
  FreeImage_Unload(rgb);
  return p;
}

// dcraw_emu's 8-bit output: "P6 width height 255" and the samples.
Pixels ReadPpm(const std::string& path) {
  Pixels p;
  const std::string bytes = test::ReadFile(path);
  std::istringstream header(bytes);
  std::string magic;
  int maximum = 0;
  header >> magic >> p.width >> p.height >> maximum;
  const size_t size = static_cast<size_t>(p.width) * p.height * 3;
  const auto start = static_cast<size_t>(header.tellg()) + 1;  // one whitespace byte ends the header
  if (magic != "P6" || maximum != 255 || !header || bytes.size() != start + size) return {};
  p.rgb.assign(bytes.begin() + static_cast<std::ptrdiff_t>(start), bytes.end());
  return p;
}

double MeanBrightness(const Pixels& p) {
  double sum = 0;
  for (uint8_t v : p.rgb) sum += v;
  return p.rgb.empty() ? 0 : sum / p.rgb.size() / 255.0;
}

// No camera file of the corpus embeds a preview as large as its picture, so
// Auto develops each one: it must be what LibRaw's own developer makes of it
// with the camera's white balance (dcraw_emu -w, package libraw-bin).
TEST(CameraCorpus, DefaultConversionIsDevelopedAsLibRawDevelopsIt) {
  if (!fs::exists(kCorpus / "raw")) GTEST_SKIP() << "camera corpus not present at " << kCorpus;
  const std::string developer = "/usr/bin/dcraw_emu";
  if (!fs::exists(developer)) GTEST_SKIP() << developer << " not installed (package libraw-bin)";
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(kCorpus / "raw")) {
    const std::string name = entry.path().filename().string();
    test::TempDir out;
    ASSERT_EQ(test::RunProgram({"-q", "-i", entry.path().string(), "-o", out.path()}, {}, "", 300).exitStatus, 0)
        << name;
    const std::string ppm = out.file("developed.ppm");
    ASSERT_EQ(test::RunProgram({"-w", "-Z", ppm, entry.path().string()}, {}, "", 300, developer).exitStatus, 0) << name;
    const Pixels ours = ReadPixels(out.file(entry.path().stem().string() + ".png"));
    const Pixels theirs = ReadPpm(ppm);
    ASSERT_EQ(ours.width, theirs.width) << name;
    ASSERT_EQ(ours.height, theirs.height) << name;
    EXPECT_NEAR(MeanBrightness(ours), MeanBrightness(theirs), 0.03) << name;
    double difference = 0;
    for (size_t i = 0; i < ours.rgb.size(); ++i) difference += std::abs(ours.rgb[i] - theirs.rgb[i]);
    EXPECT_LT(difference / ours.rgb.size(), 1.0) << name << ": mean difference per sample";
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

// A copy of a Kodak file whose main directory says it was shot with the
// camera turned right (TIFF orientation 6).
std::string TurnedKodakFile(const test::TempDir& dir) {
  std::string bytes = test::ReadFile((kCorpus / "raw" / "kodak_dc50.kdc").string());
  auto big16 = [&bytes](size_t at) { return static_cast<uint16_t>((uint8_t(bytes[at]) << 8) | uint8_t(bytes[at + 1])); };
  EXPECT_EQ(bytes.substr(0, 4), std::string("MM\0*", 4));
  const size_t ifd = (size_t(uint8_t(bytes[4])) << 24) | (uint8_t(bytes[5]) << 16) | (uint8_t(bytes[6]) << 8) |
                     uint8_t(bytes[7]);
  for (size_t entry = ifd + 2; entry < ifd + 2 + 12 * big16(ifd); entry += 12)
    if (big16(entry) == 0x0112) bytes[entry + 9] = 6;  // a SHORT, first in the value field
  const std::string path = dir.file("turned.kdc");
  test::WriteFile(path, bytes);
  return path;
}

TEST(CameraCorpus, APortraitStandsUprightInEveryLoadMode) {
  if (!fs::exists(kCorpus / "raw")) GTEST_SKIP() << "camera corpus not present at " << kCorpus;
  test::TempDir dir;
  const std::string turned = TurnedKodakFile(dir);
  for (const char* loadAs : {"auto", "24", "48HS", "48"}) {
    test::TempDir out;
    for (const std::string& input : {turned, (kCorpus / "raw" / "kodak_dc50.kdc").string()})
      ASSERT_EQ(test::RunProgram({"-q", "-i", input, "-o", out.path(), std::string("--raw-load-as=") + loadAs}).exitStatus,
                0)
          << loadAs;
    const Pixels upright = ReadPixels(out.file("turned.png"));
    const Pixels level = ReadPixels(out.file("kodak_dc50.png"));
    ASSERT_EQ(upright.width, level.height) << loadAs;
    ASSERT_EQ(upright.height, level.width) << loadAs;
    // The same picture a quarter turn to the right: the level one's top row
    // is the portrait's right-hand column.
    int same = 0;
    for (int x = 0; x < level.width; ++x) same += level.at(x, 0, 1) == upright.at(upright.width - 1, x, 1);
    EXPECT_GT(same, level.width * 9 / 10) << loadAs;
  }
}

TEST(MalformedCorpus, EveryFileEndsConvertedOrCleanlyFailed) {
  if (!fs::exists(kCorpus / "bad")) GTEST_SKIP() << "malformed corpus not present at " << kCorpus;
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(kCorpus / "bad")) {
    const std::string name = entry.path().filename().string();
    test::TempDir out;
    const auto start = std::chrono::steady_clock::now();
    // A short decode limit keeps the file that hangs the decoder from
    // costing a minute; the limit itself is what ends it.
    auto r = test::RunProgram({"-q", "-i", entry.path().string(), "-o", out.path()}, {"PICTAVO_DECODE_TIMEOUT=10"},
                              "", 120);
    // Whatever the metadata reader makes of the file, it ends as it does
    // without it.
    fs::create_directory(out.file("plain"));
    const auto plain = test::RunProgram({"-q", "-i", entry.path().string(), "-o", out.file("plain"), "--no-metadata"},
                                        {"PICTAVO_DECODE_TIMEOUT=10"}, "", 120);
    EXPECT_EQ(r.exitStatus, plain.exitStatus) << name;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start);
    // 0: converted; 1: the run stopped. A crash or a kill shows as -1.
    EXPECT_TRUE(r.exitStatus == 0 || r.exitStatus == 1) << name << " exit " << r.exitStatus << "\n" << r.err;
    EXPECT_LT(seconds.count(), 120) << name;
    if (r.exitStatus == 0) {
      EXPECT_GT(PngSize(out.file(entry.path().stem().string() + ".png")).width, 0) << name;
    }
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace pictavo
