// Real camera files and malformed inputs, run through the built program.
// The corpus lives outside the repository; these tests skip without it.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <chrono>
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

// Manifest rows by file name: the preview-load and full-load sizes.
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
    rows[cells[0]] = {ParseSize(cells[7]), ParseSize(cells[6])};
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
