// Replays the fuzzers' seeds and every input they ever failed on through the
// fuzz entry points, so that a regression shows without clang. A failed check
// names the input; a crash takes the test down.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/command_line_entry.h"
#include "fuzz/exif_tags_entry.h"
#include "fuzz/headerless_entry.h"
#include "fuzz/naming_entry.h"
#include "fuzz/preferences_entry.h"
#include "fuzz/profile_entry.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsOf(std::string_view target) {
  std::vector<fs::path> inputs;
  for (const char* kind : {"corpus", "regressions"}) {
    const fs::path folder = fs::path(PICTAVO_SOURCE_DIR) / "fuzz" / kind / target;
    if (!fs::is_directory(folder)) continue;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Replay(std::string_view target, std::string (*entry)(std::string_view)) {
  const std::vector<fs::path> inputs = InputsOf(target);
  ASSERT_FALSE(inputs.empty()) << "no inputs in fuzz/corpus/" << target;
  for (const fs::path& input : inputs) EXPECT_EQ(entry(ReadBytes(input)), "") << input;
}

TEST(FuzzRegressions, PreferencesReadBackAndLoadAsConfiguration) { Replay("preferences", fuzz::Preferences); }

TEST(FuzzRegressions, CommandLinesWithoutInputNeverStartARun) { Replay("command_line", fuzz::CommandLine); }

TEST(FuzzRegressions, ProfilesNeitherStartARunNorFail) { Replay("profile", fuzz::Profile); }

TEST(FuzzRegressions, FileNamesNeverLeadOutOfTheOutputFolder) { Replay("naming", fuzz::Naming); }

TEST(FuzzRegressions, HeaderlessDataGivesThePictureAskedForOrNothing) { Replay("headerless", fuzz::Headerless); }


TEST(FuzzRegressions, MetadataTagsGiveAnExifBlockOrNothing) { Replay("exif_tags", fuzz::ExifTags); }

}  // namespace
}  // namespace pictavo
