// Replays the theme.cfg fuzzer's seeds and every input it ever failed on
// through its entry point, so that a regression shows without clang.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/theme_value_entry.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

TEST(ThemeValueRegressions, ValuesStayWithinOneLineOfTheText) {
  std::vector<fs::path> inputs;
  for (const char* kind : {"corpus", "regressions"}) {
    const fs::path folder = fs::path(PICTAVO_SOURCE_DIR) / "fuzz" / kind / "theme_value";
    if (!fs::is_directory(folder)) continue;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
      if (entry.is_regular_file()) inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  ASSERT_FALSE(inputs.empty()) << "no inputs in fuzz/corpus/theme_value";
  for (const fs::path& input : inputs) {
    std::ifstream in(input, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(fuzz::ThemeConfigValue(bytes), "") << input;
  }
}

}  // namespace
}  // namespace pictavo
