// Malformed files through the built program: each ends as a converted
// picture of a known size or as a clean failure, never as a crash or a hang.
#include <gtest/gtest.h>

#include <FreeImage.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/dng_writer.h"
#include "tests/support/malformed.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

// What a run made of one input file: "not converted", or the size of the PNG.
struct Outcome {
  int exitStatus = -1;
  std::string result;
  std::string output;  // what the program printed, for failure messages
};

Outcome Convert(const std::string& input, const std::string& loadAs, const std::vector<std::string>& env = {}) {
  test::TempDir out;
  const test::ProgramResult run =
      test::RunProgram({"-q", "-i", input, "-o", out.path(), "--raw-load-as=" + loadAs}, env, "", 120);
  Outcome outcome{run.exitStatus, "not converted", run.out + run.err};
  const std::string png = out.file(fs::path(input).stem().string() + ".png");
  if (FIBITMAP* dib = FreeImage_Load(FIF_PNG, png.c_str(), 0)) {
    outcome.result = std::to_string(FreeImage_GetWidth(dib)) + "x" + std::to_string(FreeImage_GetHeight(dib));
    FreeImage_Unload(dib);
  }
  return outcome;
}

// No decoder took the file: its bytes read as 16-bit pixels make a square.
std::string AsPixels(size_t bytes) {
  const long side = std::lround(std::sqrt(bytes / 2.0));
  return std::to_string(side) + "x" + std::to_string(side);
}

const char* const kNotConverted = "not converted";

// Files of the shared corpus that crash or hang the RAW decoder in the
// program's own process (see the corpus manifest). The decode runs apart:
// the file is not converted, and only the load modes whose decode survives
// go on to read the bytes as pixels.
TEST(DecoderFailures, FuzzedCorpusFilesEndCleanly) {
  const fs::path bad = fs::path(PICTAVO_SOURCE_DIR) / ".." / "shared" / "corpus" / "bad";
  if (!fs::is_directory(bad)) GTEST_SKIP() << "malformed corpus not present at " << bad.string();
  struct Case {
    const char* file;
    std::string automatic, display, halfSize, full;  // result per RAW Load As
  };
  const Case cases[] = {
      // FreeImage unpacks the broken thumbnail on every load; Auto develops
      // the RAW data without touching a thumbnail too small to be the photograph.
      {"fuzz_kodak_dc120_unpack_thumb_heap_overflow.kdc", "1301x976", kNotConverted, kNotConverted, kNotConverted},
      {"fuzz_kodak_dc50_unpack_thumb_heap_overflow.kdc", "768x512", kNotConverted, kNotConverted, kNotConverted},
      // Crashes only when asked for its preview.
      {"fuzz_kodak_dc50_preview_only_heap_overflow.kdc", kNotConverted, AsPixels(36464), AsPixels(36464),
       AsPixels(36464)},
      // Loops inside the decoder until the time limit ends it.
      {"fuzz_leaf_credo40_parse_phase_one_hang.iiq", kNotConverted, kNotConverted, kNotConverted, kNotConverted},
  };
  for (const Case& c : cases) {
    const std::string input = (bad / c.file).string();
    ASSERT_TRUE(fs::exists(input)) << input;
    for (const auto& [loadAs, expected] :
         {std::pair{"auto", c.automatic}, {"24", c.display}, {"48HS", c.halfSize}, {"48", c.full}}) {
      const auto start = std::chrono::steady_clock::now();
      const Outcome outcome = Convert(input, loadAs, {"PICTAVO_DECODE_TIMEOUT=5"});
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(120)) << c.file << " " << loadAs;
      EXPECT_EQ(outcome.result, expected) << c.file << " " << loadAs << "\n" << outcome.output;
      EXPECT_EQ(outcome.exitStatus, expected == kNotConverted ? 1 : 0) << c.file << " " << loadAs;
      if (expected == kNotConverted) {
        EXPECT_NE(outcome.output.find("Conversion stopped"), std::string::npos) << c.file << " " << loadAs;
      }
    }
  }
}

// The project's own malformed cases, made from the DNG writer's files.
TEST(MalformedFiles, EndConvertedAtAKnownSizeOrNotAtAll) {
  const std::string dng = dng::MakeDng({});  // 96 x 64, no preview
  dng::DngOptions withPreview;
  withPreview.preview = dng::DngPreview::kJpeg;  // 40 x 30
  const std::string previewed = dng::MakeDng(withPreview);
  ASSERT_FALSE(dng.empty());
  ASSERT_FALSE(previewed.empty());
  constexpr uint16_t kWidth = 256, kHeight = 257, kBitsPerSample = 258, kStripOffsets = 273, kStripBytes = 279;

  struct Case {
    const char* name;
    const char* file;
    std::string bytes;
    std::string automatic;  // RAW Load As "auto"
    std::string full;       // RAW Load As "48"
  };
  std::vector<Case> cases = {
      // Cut short: the decoder gives up, the bytes become pixels.
      {"header only", "a.dng", dng.substr(0, 8), AsPixels(8), AsPixels(8)},
      {"cut inside the first directory", "b.dng", dng.substr(0, 100), AsPixels(100), AsPixels(100)},
      {"cut after the directories", "c.dng", dng.substr(0, 300), AsPixels(300), AsPixels(300)},
      {"half the samples", "d.dng", dng.substr(0, dng.size() / 2), AsPixels(dng.size() / 2),
       AsPixels(dng.size() / 2)},
      {"all but the last byte", "e.dng", dng.substr(0, dng.size() - 1), AsPixels(dng.size() - 1),
       AsPixels(dng.size() - 1)},
      // The mosaic before a preview cut short is whole.
      {"preview cut short", "f.dng", previewed.substr(0, previewed.size() - 100), "96x64", "96x64"},
      // Sizes that cannot be: refused, never allocated.
      {"width 65535", "g.dng", test::WithTagValue(dng, kWidth, 65535), AsPixels(dng.size()), AsPixels(dng.size())},
      {"height 65535", "h.dng", test::WithTagValue(dng, kHeight, 65535), AsPixels(dng.size()),
       AsPixels(dng.size())},
      {"two billion a side", "i.dng",
       test::WithTagValue(test::WithTagValue(dng, kWidth, 0x7FFFFFFF), kHeight, 0x7FFFFFFF), AsPixels(dng.size()),
       AsPixels(dng.size())},
      {"width 0", "j.dng", test::WithTagValue(dng, kWidth, 0), AsPixels(dng.size()), AsPixels(dng.size())},
      {"64 bits a sample", "k.dng", test::WithTagValue(dng, kBitsPerSample, 64), AsPixels(dng.size()),
       AsPixels(dng.size())},
      {"65535 directory entries", "l.dng", test::WithFirstDirectoryEntries(dng, 65535), AsPixels(dng.size()),
       AsPixels(dng.size())},
      {"no directory", "m.dng", test::WithFirstDirectoryAt(dng, 0), AsPixels(dng.size()), AsPixels(dng.size())},
      {"preview's sub-directory past the end", "n.dng", test::WithTagValue(previewed, 330, 0xFFFFFFF0),
       AsPixels(previewed.size()), AsPixels(previewed.size())},
      // Offsets past the end: the decoder reads what is there and keeps the
      // declared size.
      {"samples past the end", "o.dng", test::WithTagValue(dng, kStripOffsets, 0xFFFFFFF0), "96x64", "96x64"},
      {"four gigabytes of samples", "p.dng", test::WithTagValue(dng, kStripBytes, 0xFFFFFFF0), "96x64", "96x64"},
      // Only the extension says RAW.
      {"zeros", "zeros.nef", std::string(100000, '\0'), "224x224", "224x224"},
      {"a few zeros", "zeros.cr2", std::string(12345, '\0'), "79x79", "79x79"},
      {"noise", "noise.dng", test::RandomBytes(100000, 1), "224x224", "224x224"},
      {"more noise", "noise.raf", test::RandomBytes(54321, 7), "165x165", "165x165"},
      // An empty file is not even queued.
      {"empty", "empty.nef", "", kNotConverted, kNotConverted},
  };

  test::TempDir dir;
  for (const Case& c : cases) {
    ASSERT_TRUE(!c.bytes.empty() || std::string(c.name) == "empty") << c.name << ": the case was not made";
    const std::string input = dir.file(c.file);
    test::WriteFile(input, c.bytes);
    for (const auto& [loadAs, expected] : {std::pair{"auto", c.automatic}, {"48", c.full}}) {
      const Outcome outcome = Convert(input, loadAs);
      EXPECT_EQ(outcome.result, expected) << c.name << ", " << loadAs << "\n" << outcome.output;
      EXPECT_EQ(outcome.exitStatus, expected == kNotConverted ? 1 : 0) << c.name << ", " << loadAs;
    }
  }
}

// A decode that outlasts its time costs the copy of the program that runs
// it, not the run: the run stops with its message and status, and neither
// the picture nor a file half-written is left. A full decode of 24
// megapixels takes this machine well over the one second allowed here.
TEST(DecoderFailures, ADecodeOutOfTimeEndsItsCopyAndTheRunStops) {
  test::TempDir dir;
  const std::string large = dir.file("large.dng");
  dng::DngOptions options;
  options.width = 6000;
  options.height = 4000;
  ASSERT_TRUE(dng::WriteDng(large, options));
  const std::string out = dir.file("out");
  fs::create_directory(out);
  const test::ProgramResult run =
      test::RunProgram({"-i", large, "-o", out, "--raw-load-as=48"}, {"PICTAVO_DECODE_TIMEOUT=1"}, "", 120);
  EXPECT_EQ(run.exitStatus, 1) << run.out << run.err;
  EXPECT_NE(run.out.find("Conversion stopped"), std::string::npos) << run.out;
  EXPECT_TRUE(fs::is_empty(out));
}

}  // namespace
}  // namespace pictavo
