#include "engine/naming.h"

#include <gtest/gtest.h>

namespace pictavo {
namespace {

class NamingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetNamingClock([] {
      std::tm t{};  // 5 March 2024, 09:07:03
      t.tm_year = 124, t.tm_mon = 2, t.tm_mday = 5;
      t.tm_hour = 9, t.tm_min = 7, t.tm_sec = 3;
      return t;
    });
    job.outputFolder = "/Out/";
    job.currentFile = "/In/IMG_0001.CR2";
    job.outputExtension = "png";
    job.sequenceNumber = 1;
  }
  void TearDown() override { SetNamingClock(nullptr); }

  std::string PathFor(const std::string& mask) {
    settings.advanced.filenameMask = mask;
    return BuildOutputPath(settings, job);
  }
  std::string Watermark(const std::string& text) {
    settings.watermark.text = text;
    return ExpandWatermarkText(settings, job);
  }

  Settings settings;
  ConversionJob job;
};

TEST_F(NamingTest, FilenameMaskExamplesGiveTheDocumentedPaths) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "/Out/IMG_0001.png"},
      {"%filename[u]%_%ext[u]%.%ext%", "/Out/IMG_0001_PNG.png"},
      {"%filename[l]%.%ext%", "/Out/img_0001.png"},
      {"%filename[t]%.%ext[t]%", "/Out/Img_0001.Png"},
      {"Photo-%n%.%ext%", "/Out/photo-00001.png"},
      {"%yyyy%-%mm%-%dd%_%filename%.%ext%", "/Out/2024-03-05_IMG_0001.png"},
      {"%hh%%ii%%ss%", "/Out/090703"},
      {"%FILENAME%.%EXT%", "/Out/IMG_0001.png"},
      {"%filename%", "/Out/IMG_0001"},
  };
  for (const auto& [mask, expected] : cases) EXPECT_EQ(PathFor(mask), expected) << mask;
  job.sequenceNumber = 2;
  EXPECT_EQ(PathFor("Photo-%n%.%ext%"), "/Out/photo-00002.png");
}

TEST_F(NamingTest, CaseTokensAndTheMaskChangeEveryLetterNotJustAscii) {
  job.currentFile = "/In/\xC3\xA9t\xC3\xA9 \xC3\x89T\xC3\x89.raw";  // "été ÉTÉ"
  const std::pair<const char*, const char*> cases[] = {
      {"%filename[u]%", "/Out/\xC3\x89T\xC3\x89 \xC3\x89T\xC3\x89"},
      {"%filename[l]%", "/Out/\xC3\xA9t\xC3\xA9 \xC3\xA9t\xC3\xA9"},
      {"%filename[t]%", "/Out/\xC3\x89t\xC3\xA9 \xC3\xA9t\xC3\xA9"},
      {"\xC3\x89T\xC3\x89_%n%", "/Out/\xC3\xA9t\xC3\xA9_00001"},  // literal mask text is lowered
  };
  for (const auto& [mask, expected] : cases) EXPECT_EQ(PathFor(mask), expected) << mask;
  // Bytes that are not UTF-8 pass through as they are.
  job.currentFile = "/In/a\xE9\xFF.raw";
  EXPECT_EQ(PathFor("%filename[u]%"), "/Out/A\xE9\xFF");
}

TEST_F(NamingTest, ImageValuesAndCountersFillTheirTokens) {
  job.outputBpp = 24;
  job.finalWidth = 1920;
  job.finalHeight = 1080;
  job.randomNumber = 42;
  EXPECT_EQ(PathFor("%width%x%height%_%bpp%_%rnd%"), "/Out/1920x1080_24_00042");
  job.randomNumber = 123456;
  EXPECT_EQ(PathFor("%rnd%"), "/Out/12345");
}

TEST_F(NamingTest, TokensInsideTheInputNameAreExpandedByLaterTokens) {
  job.currentFile = "/In/a%n%b.nef";
  job.sequenceNumber = 7;
  EXPECT_EQ(ExpandFilenameMask(settings, job), "a00007b.png");
  settings.advanced.filenameMask = "%filename%";
  EXPECT_EQ(ExpandFilenameMask(settings, job), "a00007b");
  // Only lower-case token text counts as present in the expanded mask.
  job.currentFile = "/In/A%N%B.nef";
  EXPECT_EQ(ExpandFilenameMask(settings, job), "A%N%B");
}

TEST_F(NamingTest, ExpandTokenInsertsAValueContainingItsTokenOnlyOnce) {
  job.currentFile = "/In/x%filename%y.cr2";
  EXPECT_EQ(ExpandToken("<%FileName%|%filename%>", "%filename%", job),
            "<x%filename%y|x%filename%y>");
  EXPECT_EQ(ExpandToken("no token", "%n%", job), "no token");
}

TEST_F(NamingTest, KeepSubfoldersAddsTheRelativeFolderWhenThereIsOne) {
  settings.advanced.keepSubfolders = 1;
  EXPECT_EQ(PathFor(""), "/Out/IMG_0001.png");
  job.relativeFolder = "2024/trip/";
  EXPECT_EQ(PathFor(""), "/Out/2024/trip/IMG_0001.png");
  settings.advanced.keepSubfolders = 0;
  EXPECT_EQ(PathFor(""), "/Out/IMG_0001.png");
}

TEST(StripExtension, RemovesOnlyTheLastDotAndWhatFollows) {
  EXPECT_EQ(StripExtension("photo.2020.nef"), "photo.2020");
  EXPECT_EQ(StripExtension("archive."), "archive");
  EXPECT_EQ(StripExtension("README"), "README");
  EXPECT_EQ(StripExtension(""), "");
}

TEST_F(NamingTest, WatermarkTextKeepsItsCaseAroundExpandedTokens) {
  job.sequenceNumber = 3;
  job.outputBpp = 8;
  job.finalWidth = 800;
  job.finalHeight = 600;
  EXPECT_EQ(Watermark("Shot %n% of %FileName%"), "Shot 00003 of IMG_0001");
  EXPECT_EQ(Watermark("%Width% x %HEIGHT% @ %bpp% Bit"), "800 x 600 @ 8 Bit");
  EXPECT_EQ(Watermark("100% Mine %n"), "100% Mine %n");
}

TEST_F(NamingTest, WatermarkTokensComeFromTheTextAsTyped) {
  job.currentFile = "/In/a%n%b.nef";
  job.sequenceNumber = 7;
  EXPECT_EQ(Watermark("%filename%"), "a%n%b");
  EXPECT_EQ(Watermark("%filename% %n%"), "a00007b 00007");
  EXPECT_EQ(Watermark("%filename"), "%filename");
  EXPECT_EQ(Watermark("Save 50%"), "Save 50%");
}

TEST_F(NamingTest, NamesThatFollowEarlierFilesAreTold) {
  InputFiles files{{"/In/IMG_0001.CR2", {1, ""}}, {"/In/IMG_0002.CR2", {1, ""}}};
  struct Case {
    const char* mask;
    int watermark;  // Do Watermark: 1 text, 2 picture
    const char* text;
    bool depends;
  };
  const Case cases[] = {
      {"%filename%.%ext%", 0, "", false},
      {"%filename%-%N%.%ext%", 0, "", true},
      {"%Rnd%.%ext%", 0, "", true},
      {"%yyyy%-%width%x%height%-%bpp%.%ext%", 0, "", false},
      {"%filename%.%ext%", 1, "Shot %n%", true},
      {"%filename%.%ext%", 2, "Shot %n%", false},  // the text is not drawn
      {"%filename%.%ext%", 1, "Shot %width%", false},
  };
  for (const Case& c : cases) {
    settings.advanced.filenameMask = c.mask;
    settings.watermark.doWatermark = static_cast<WatermarkMode>(c.watermark);
    settings.watermark.text = c.text;
    EXPECT_EQ(NamesDependOnEarlierFiles(settings, job, files), c.depends) << c.mask << " " << c.text;
  }
  // A file's own name may carry the token, which the mask then expands.
  settings.advanced.filenameMask = "%filename%.%ext%";
  settings.watermark.doWatermark = WatermarkMode::None;
  files["/In/take %n%.CR2"] = {1, ""};
  EXPECT_TRUE(NamesDependOnEarlierFiles(settings, job, files));
}

}  // namespace
}  // namespace pictavo
