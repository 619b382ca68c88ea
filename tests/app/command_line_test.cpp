#include <gtest/gtest.h>

#include "app/cmdline.h"
#include "tests/support/run_program.h"

namespace pictavo {
namespace {

using test::RunProgram;

TEST(VersionDisplay, PrintsTheVersionInAnyLetterCase) {
  for (const char* option : {"-v", "-V", "--version", "--VERSION", " -v "}) {
    auto result = RunProgram({option, "-q", "-p"});
    EXPECT_EQ(result.exitStatus, 0) << option;
    EXPECT_EQ(result.out, "2.8\n") << option;
  }
}

TEST(HelpDisplay, PrintsTheThirtyNineLinesWithTheProgramName) {
  for (const char* option : {"-h", "-?", "--help", "--HELP"}) {
    auto result = RunProgram({option});
    EXPECT_EQ(result.exitStatus, 0);
    ASSERT_EQ(result.lines.size(), 39u) << option;
    EXPECT_EQ(result.lines[0], " ");
    EXPECT_EQ(result.lines[1], "Usage: pictavo -i <filename> [options]");
    EXPECT_EQ(result.lines[3], "  pictavo -i example.raw");
    EXPECT_EQ(result.lines[6], "  pictavo -i /tmp/example.raw -o ~/converted --png-compression=zlib6");
    EXPECT_EQ(result.lines[7], "  pictavo -i ~/photos -o ~/converted --parallel=2");
    EXPECT_EQ(result.lines[12], "  -i PATH, --input=PATH     Set input file, or a folder of them");
    EXPECT_EQ(result.lines[14], "  -c STR, --conversion=STR  Set output extension, STR = (png)");
    EXPECT_EQ(result.lines[29], "  --no-metadata             Don't copy the camera's metadata (EXIF) into the output");
    EXPECT_EQ(result.lines[30], "  --parallel=NUM            Convert NUM files at once, 0 = one per core");
    EXPECT_EQ(result.lines[31], "    ...                     Refer documentation for all available options");
    EXPECT_EQ(result.lines[38], "  -v, --version             Display version information and exit");
  }
}

TEST(OptionNames, AreUpperCasedAndStopAtTheEqualsSign) {
  std::vector<std::string> p{"--jpg-quality=95", "-i", "-iphoto.raw", "photo.raw", "  --output=/Out/Dir  ", "--x=a=b"};
  EXPECT_EQ(OptionName(p, 0), "--JPG-QUALITY");
  EXPECT_EQ(OptionValue(p, 0), "95");
  EXPECT_EQ(OptionName(p, 1), "-I");
  EXPECT_EQ(OptionValue(p, 1), "-i");
  EXPECT_EQ(OptionName(p, 2), "-IPHOTO.RAW");
  EXPECT_EQ(OptionName(p, 3), "");
  EXPECT_EQ(OptionValue(p, 3), "photo.raw");
  EXPECT_EQ(OptionName(p, 4), "--OUTPUT");
  EXPECT_EQ(OptionValue(p, 4), "/Out/Dir");
  EXPECT_EQ(OptionValue(p, 5), "a=b");
  EXPECT_EQ(OptionName(p, 99), "");
  EXPECT_EQ(OptionValue(p, 99), "");
}

TEST(WindowStart, WithoutADisplayExplainsItselfAndExitsWithTwo) {
  const std::string line = "pictavo: no display for the window; convert with -i FILE, see pictavo --help\n";
  // No display at all, and a display that does not answer.
  const std::vector<std::vector<std::string>> environments = {
      {"QT_QPA_PLATFORM=", "DISPLAY=", "WAYLAND_DISPLAY="},
      {"QT_QPA_PLATFORM=", "DISPLAY=:4321", "WAYLAND_DISPLAY="},
  };
  for (const auto& env : environments) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"--helpp"}, {"-T", "/tmp"}}) {
      const auto r = RunProgram(args, env, "", 60);
      EXPECT_EQ(r.exitStatus, 2) << env[1] << " " << args.size();
      EXPECT_EQ(r.err, line) << env[1] << " " << args.size();
    }
  }
}

}  // namespace
}  // namespace pictavo
