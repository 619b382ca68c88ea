// The command line read in-process: option forms, keyword tables and
// profiles, checked on the settings they produce.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>

#include "app/cmdline.h"
#include "settings/keywords.h"
#include "base/text_util.h"
#include "app/options.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

class OptionsTest : public ::testing::Test {
 protected:
  // Parses options that do not start a run; returns the exit status, or -1
  // when the desktop would start.
  int Parse(std::vector<std::string> params) {
    std::optional<int> status = ParseCommandLine(params, state);
    return status ? *status : -1;
  }

  Settings settings;
  ConversionJob job;
  ConversionProgress progress;
  InputFiles files;
  FormatTables tables;
  std::vector<std::string> accepted;
  std::vector<std::string> printed;
  Console console{[this](std::string_view line) { printed.emplace_back(line); }};
  ProcessState state{settings, job, progress, files, tables, accepted, console, "pictavo", {}, {}, {}, {}, {}, {}};
};

TEST(Keywords, MapWordsToNumbersAndBack) {
  using K = Keywords;
  EXPECT_EQ(KeywordToNumber(K::Compression, "zlib9"), 3);
  EXPECT_EQ(KeywordToNumber(K::Compression, "RLE"), 1);
  EXPECT_EQ(KeywordToNumber(K::Compression, "best"), 0);
  EXPECT_EQ(KeywordToNumber(K::RawLoadAs, "48HS"), 4);
  EXPECT_EQ(KeywordToNumber(K::WatermarkPosition, "bottomright"), 8);
  EXPECT_EQ(KeywordToNumber(K::FontEffect, "STRIKETHROUGHT"), 2);
  EXPECT_EQ(KeywordToNumber(static_cast<K>(kKeywordTableCount), "AUTO"), 0);
  EXPECT_EQ(KeywordToNumber(K::None, "AUTO"), 0);

  EXPECT_EQ(NumberToKeyword(K::Compression, 3, "png"), "ZLIB9");
  EXPECT_EQ(NumberToKeyword(K::Compression, 1, "tiff"), "CCITTFAX3");
  EXPECT_EQ(NumberToKeyword(K::Compression, 1, "tga"), "RLE");
  EXPECT_EQ(NumberToKeyword(K::Compression, 4, "exr"), "B44");
  EXPECT_EQ(NumberToKeyword(K::Compression, 4, "png"), "");
  EXPECT_EQ(NumberToKeyword(K::Compression, 1, "jpg"), "");
  EXPECT_EQ(NumberToKeyword(K::RawLoadAs, 5), "48");
  EXPECT_EQ(NumberToKeyword(K::Frame, 1), "SOLID");
  EXPECT_EQ(NumberToKeyword(K::FileTimestamp, 9), "");
  // Every word of every table except the shared compression table reads back
  // to itself.
  for (int table = 0; table < kKeywordTableCount; ++table) {
    if (static_cast<K>(table) == K::Compression) continue;
    for (int n = 0; n < 10; ++n) {
      const std::string word = NumberToKeyword(static_cast<K>(table), n);
      if (word.empty()) continue;
      EXPECT_EQ(KeywordToNumber(static_cast<K>(table), word), n) << table << " " << word;
    }
  }
}

TEST(OptionTable, EverySettingOptionHasItsDebugLine) {
  // A new option that writes a setting shows that setting in the console
  // run's debug lines; only the profile's second name of the frame opacity
  // (the same setting as --fr-solid-opacity) has none.
  for (const OptionRow& row : OptionTable()) {
    if (row.action != OptionAction::Setting || row.scope == OptionScope::ProfileOnly) continue;
    EXPECT_NE(row.echoStep, EchoStep::None) << row.names.front();
    EXPECT_NE(row.echoed, nullptr) << row.names.front();
    EXPECT_TRUE(!row.echo.empty() || row.echoJoin) << row.names.front();
  }
}

TEST(OptionTable, EveryPerFormatSettingHasItsDescriptionAndOption) {
  for (const SettingDescriptor& d : SettingTable()) {
    if (std::string_view(d.format).empty()) continue;
    const std::string key = ToUpperAscii(d.key);
    const OptionRow* row = nullptr;
    for (const OptionRow& r : OptionTable())
      if (r.target == &d || (r.echoed == &d && r.form == OptionForm::Flag)) row = &r;
    ASSERT_NE(row, nullptr) << d.key;
    EXPECT_EQ(std::string_view(row->format), std::string_view(d.format)) << d.key;
    EXPECT_EQ(row->echoStep, std::string_view(d.group) == "Input" ? EchoStep::InputFormat : EchoStep::OutputFormat)
        << d.key;
  }
}

TEST_F(OptionsTest, OptionsWithoutInputFallThroughToTheDesktop) {
  EXPECT_EQ(Parse({"-o", "/out", "--jpg-quality=50"}), -1);
  EXPECT_EQ(job.outputFolder, "/out");
  EXPECT_EQ(settings.output.jpgQuality, 50);
  EXPECT_TRUE(printed.empty());
}

TEST_F(OptionsTest, EveryValueFormWritesItsSetting) {
  EXPECT_EQ(Parse({"--png-compression=zlib9", "--tiff-compression=RLE", "--brightness=-20", "--gamma=1.5",
                   "--png-interlaced=0", "--rotation=$5A", "--raw-load-as=48hs", "--wm-font-style=bolditalic",
                   "--width=800", "--wm-text=Hello", "--wm-image=/a.png", "--no-subfolders", "--invert",
                   "--fr-solid-top=4", "--fr-solid-top-color=FF0000", "--threshold=%1000"}),
            -1);
  EXPECT_EQ(settings.output.pngCompression, 3);
  EXPECT_EQ(settings.output.tiffCompression, 1);
  EXPECT_EQ(settings.adjustment.imageBrightness, -20);
  EXPECT_EQ(settings.adjustment.doImageColorCorrection, 1);
  EXPECT_FLOAT_EQ(settings.adjustment.imageGamma, 1.5f);
  EXPECT_EQ(settings.adjustment.imageInvert, 1);
  EXPECT_EQ(settings.output.pngInterlaced, 1);  // a flag ignores its value
  EXPECT_EQ(settings.transform.doImageRotation, 1);
  EXPECT_EQ(settings.transform.imageRotation, 90);
  EXPECT_EQ(settings.input.rawLoadAs, RawLoadAs::HalfSize48);
  EXPECT_EQ(settings.watermark.fontStyle, 3);
  EXPECT_EQ(settings.transform.doImageResize, 1);
  EXPECT_EQ(settings.transform.imageWidth, 800);
  EXPECT_EQ(settings.transform.imageHeight, 0);
  EXPECT_EQ(settings.watermark.text, "Hello");
  EXPECT_EQ(settings.watermark.doWatermark, WatermarkMode::Picture);  // the later of --wm-text and --wm-image decides
  EXPECT_EQ(settings.advanced.keepSubfolders, 0);
  EXPECT_EQ(settings.frame.doFrame, 1);
  EXPECT_EQ(settings.frame.solidTop, 4);
  EXPECT_EQ(settings.frame.solidTopColor, "FF0000");
  EXPECT_EQ(settings.adjustment.doImageThreshold, 1);
  EXPECT_EQ(settings.adjustment.imageThreshold, 8);
}

TEST_F(OptionsTest, ColourAndOpacityOptionsLeaveTheFrameKindAlone) {
  EXPECT_EQ(Parse({"--fr-solid-left-color=00FF00", "--fr-solid-opacity=128"}), -1);
  EXPECT_EQ(settings.frame.doFrame, 0);
  EXPECT_EQ(settings.frame.solidOpacity, 128);
}

TEST_F(OptionsTest, UnknownWordsAndNumbersGiveZeroWithoutAMessage) {
  EXPECT_EQ(Parse({"--png-compression=best", "--jpg-quality=abc", "--width-unit=inches", "-x", "plain",
                   "-iphoto.raw", "-v"}),
            -1);
  EXPECT_EQ(settings.output.pngCompression, 0);
  EXPECT_EQ(settings.output.jpgQuality, 0);
  EXPECT_FALSE(job.consoleRun);
  EXPECT_TRUE(printed.empty());
}

TEST_F(OptionsTest, GammaReadsInfinitiesAndNaN) {
  Parse({"--gamma=nan"});
  EXPECT_TRUE(std::isnan(settings.adjustment.imageGamma));
  Parse({"--gamma=-Infinity"});
  EXPECT_EQ(settings.adjustment.imageGamma, -INFINITY);
}

TEST_F(OptionsTest, QuotedValuesJoinTheFollowingParameters) {
  EXPECT_EQ(Parse({"--wm-text=\"Copyright", "by", "me\"", "--jpg-quality=7"}), -1);
  EXPECT_EQ(settings.watermark.text, "Copyright by me");
  EXPECT_EQ(settings.output.jpgQuality, 7);  // read after the joined ones
  EXPECT_EQ(Parse({"-o", "\"/my", "photos/\""}), -1);
  EXPECT_EQ(job.outputFolder, "/my photos/");
  // An unterminated quote swallows the rest; joined parameters contribute
  // their value part.
  EXPECT_EQ(Parse({"--filename-mask=\"a", "--jpg-quality=9"}), -1);
  EXPECT_EQ(settings.advanced.filenameMask, "a 9");
  EXPECT_EQ(settings.output.jpgQuality, 95);
  // The conversion type is not joined, only unquoted.
  EXPECT_EQ(Parse({"-c", "\"png", "x\""}), -1);
  EXPECT_EQ(job.outputExtension, "png");
}

TEST_F(OptionsTest, WrongValuesStopTheReadingWithTheParameterError) {
  for (const std::vector<std::string>& params : std::vector<std::vector<std::string>>{
           {"--jpg-quality"}, {"--output="}, {"-o", "-x"}, {"--brightness"}, {"--wm-text=--x"}, {"-c"}}) {
    printed.clear();
    EXPECT_EQ(Parse(params), 2) << params[0];
    EXPECT_EQ(printed, std::vector<std::string>{"Error: Incorrect number of parameters"}) << params[0];
  }
  printed.clear();
  EXPECT_EQ(Parse({"--jpg-quality=50", "--width", "--height=10"}), 2);
  EXPECT_EQ(settings.output.jpgQuality, 50);    // left of the error: applied
  EXPECT_EQ(settings.transform.imageHeight, 0);  // right of it: never read
  EXPECT_EQ(Parse({"--brightness=-20"}), -1);    // a single "-" is a value
}

TEST_F(OptionsTest, AnInputOptionWithoutAValueStillMarksAConsoleRun) {
  EXPECT_EQ(Parse({"-q", "-i"}), 2);
  EXPECT_TRUE(job.consoleRun);
  EXPECT_EQ(printed, std::vector<std::string>{"Error: Incorrect number of parameters"});
}

TEST_F(OptionsTest, ProfilesFollowTheirOwnRules) {
  test::TempDir dir;
  test::WriteFile(dir.file("p.ini"),
                  "[cli]\r\n"
                  "--jpg-quality = 90\r\n"
                  "--png-compression = ZLIB9\r\n"
                  "--wm-text = \"Quoted Sample\"\r\n"
                  "--filename-mask = \"%n%.%ext%\"\r\n"
                  "--png-interlaced = 0\r\n"
                  "--wm-solid-opacity = 128\r\n"
                  "--width =\r\n"
                  "-i = /etc/passwd.raw\r\n"
                  "--quiet = 1\r\n"
                  "--unknown = 5\r\n"
                  "[Other]\r\n--jpg-quality = 1\r\n");
  EXPECT_EQ(Parse({"--profile=" + dir.file("p.ini"), "--rotation=3"}), -1);
  EXPECT_EQ(settings.output.jpgQuality, 90);
  EXPECT_EQ(settings.output.pngCompression, 3);
  EXPECT_EQ(settings.watermark.doWatermark, WatermarkMode::Text);
  EXPECT_EQ(settings.watermark.text, "\"Quoted Sample\"");  // quotes kept
  EXPECT_EQ(settings.advanced.filenameMask, "%n%.%ext%");   // except around the mask
  EXPECT_EQ(settings.output.pngInterlaced, 1);
  EXPECT_EQ(settings.frame.solidOpacity, 128);
  EXPECT_EQ(settings.transform.doImageResize, 1);  // an empty value is used as it is
  EXPECT_EQ(settings.transform.imageWidth, 0);
  EXPECT_FALSE(job.consoleRun);      // general options are not profile keys
  EXPECT_EQ(job.inputPath, "");
  EXPECT_EQ(settings.transform.imageRotation, 3);  // options after the profile still apply

  test::WriteFile(dir.file("fr.ini"), "[CLI]\n--fr-solid-opacity = 128\n");
  EXPECT_EQ(Parse({"--profile=" + dir.file("fr.ini")}), -1);
  EXPECT_EQ(settings.frame.solidOpacity, 255);  // the command-line name means nothing there

  test::WriteFile(dir.file("empty.ini"), "");
  EXPECT_EQ(Parse({"--profile=" + dir.file("empty.ini")}), -1);
}

TEST_F(OptionsTest, AProfileThatCannotBeReadIsAnError) {
  // Missing, a folder, endless, and a FIFO nobody writes to (refused at
  // once rather than waited on).
  test::TempDir dir;
  const std::string fifo = dir.file("profile.ini");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& profile : {std::string("/no/such/profile.ini"), std::string("/tmp"),
                                     std::string("/dev/zero"), fifo}) {
    printed.clear();
    EXPECT_EQ(Parse({"--jpg-quality=5", "--profile=" + profile, "--png-bpp=8"}), 2) << profile;
    EXPECT_EQ(printed, std::vector<std::string>{"Error: Invalid profile file"}) << profile;
    EXPECT_EQ(settings.output.jpgQuality, 5);
    EXPECT_EQ(settings.output.pngBpp, 0);
  }
}

TEST_F(OptionsTest, LaterOptionsOverwriteEarlierOnes) {
  EXPECT_EQ(Parse({"--wm-image=/a.png", "--wm-text=x", "--jpg-quality=1", "--JPG-QUALITY=2"}), -1);
  EXPECT_EQ(settings.watermark.doWatermark, WatermarkMode::Text);
  EXPECT_EQ(settings.output.jpgQuality, 2);
}

}  // namespace
}  // namespace pictavo
