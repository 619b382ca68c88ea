#include "settings/config.h"

#include <gtest/gtest.h>
#include "settings/preferences_file.h"
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

unsigned ModeOf(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetPrimaryScreenProvider([] { return ScreenSize{1920, 1080}; });
    settings.configPath = dir.file("config.ini");
  }
  void TearDown() override { SetPrimaryScreenProvider(nullptr); }

  Settings LoadFrom(const std::string& bytes) {
    test::WriteFile(settings.configPath, bytes);
    Settings loaded;
    loaded.configPath = settings.configPath;
    LoadConfig(loaded);
    return loaded;
  }

  test::TempDir dir;
  Settings settings;
};

const char* const kDefaultFile =
    "\xEF\xBB\xBF\r\n"
    "[General]\r\nCFG = 17\r\nLanguage = en\r\nUpdate Range = 2\r\nUpdate Date = 1600000000\r\nSave Window Position = 1\r\n; \r\n"
    "[Window]\r\nIsMaximized = 0\r\nWidth = 510\r\nHeight = 260\r\nX = 705\r\nY = 410\r\n; \r\n"
    "[Interface]\r\nUI Theme = handdrawn\r\nUI Size = 2\r\n; \r\n"
    "[Input]\r\nFormat = raw\r\nRAW Load As = 0\r\nRAW Header Size = 0\r\nRAW Image Width = 0\r\nRAW Image Height = 0\r\n"
    "RAW Tone Mapping = 2\r\n; \r\n"
    "[Output]\r\nFormat = png\r\nPNG BPP = 0\r\nPNG Compression = 0\r\nPNG Interlaced = 0\r\n; \r\n"
    "[Transform]\r\nDo Image Rotation = 0\r\nImage Rotation Type = 0\r\nImage Rotation = 0\r\n"
    "Image Rotation Back Color = 000000\r\nDo Image Resize = 0\r\nImage Width = 0\r\nImage Width Unit = 0\r\n"
    "Image Height = 0\r\nImage Height Unit = 0\r\nKeep Aspect Ratio = 1\r\nImage Resize Type = 0\r\n"
    "Image Resize Algorithm = 3\r\nDo Image Flip Horizontal = 0\r\nDo Image Flip Vertical = 0\r\n; \r\n"
    "[Adjustment]\r\nDo Image Color Correction = 0\r\nImage Brightness = 0\r\nImage Contrast = 0\r\n"
    "Image Gamma = 1.000000\r\nImage Invert = 0\r\nDo Image Greyscale = 0\r\nDo Image Threshold = 0\r\n"
    "Image Threshold = 0\r\n; \r\n"
    "[Frame]\r\nDo Frame = 0\r\nSolid Left = 0\r\nSolid Right = 0\r\nSolid Top = 0\r\nSolid Bottom = 0\r\n"
    "Solid Left Color = 000000\r\nSolid Right Color = 000000\r\nSolid Top Color = 000000\r\n"
    "Solid Bottom Color = 000000\r\nSolid Opacity = 255\r\n; \r\n"
    "[Watermark]\r\nDo Watermark = 0\r\nText = Converted with Pictavo\r\nFonts = Arial,Tahoma,Verdana\r\n"
    "Font = Arial\r\nFont Size = 14\r\nFont Leading = 0\r\n"
    "Font Colors = 000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF\r\nFont Color = FFFFFF\r\n"
    "Font Style = 0\r\nFont Effect = 0\r\nText Antialiasing = 0\r\nText Alignment = 0\r\nText Padding = 0\r\n"
    "Text Opacity = 255\r\nBack Colors = 000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF\r\n"
    "Back Color = 000000\r\nBack Opacity = 1\r\nText Boundary = 0\r\nText Position = 8\r\nText X Offset = 10\r\n"
    "Text Y Offset = 10\r\nText Rotation = 0\r\nText Size = 0\r\nText Scale = 10\r\nImage = \r\n"
    "Image Greyscale = 0\r\nImage Opacity = 255\r\nImage Boundary = 0\r\nImage Position = 8\r\n"
    "Image X Offset = 10\r\nImage Y Offset = 10\r\nImage Rotation = 0\r\nImage Size = 0\r\nImage Scale = 10\r\n; \r\n"
    "[Advanced]\r\nFilename Mask = %filename%.%ext%\r\nFile Timestamp = 0\r\nCustom Timestamp = 1600000001\r\n"
    "Out Folders History = 1\r\nOut Folders Number = 5\r\nKeep Subfolders = 1\r\nKeep Metadata = 1\r\n"
    "Parallel Conversions = 0\r\n; \r\n"
    "[File]\r\nRecent Out Folders = \r\nRecent Files = \r\n; \r\n"
    "[Privacy]\r\nClean Recent Files = 0\r\n; \r\n";

TEST_F(ConfigTest, DefaultsAreSavedInTheExactLayout) {
  SetDefaultSettings(settings, 0);
  settings.general.updateDate = 1600000000;
  settings.advanced.customTimestamp = 1600000001;
  ASSERT_TRUE(SaveConfig(settings));
  EXPECT_EQ(test::ReadFile(settings.configPath), kDefaultFile);
}

TEST_F(ConfigTest, SavedSettingsLoadBackEqual) {
  SetDefaultSettings(settings, 0);
  settings.general.updateDate = 123;
  settings.output.pngCompression = 3;
  settings.adjustment.imageGamma = 2.25f;
  settings.watermark.text = "caf\xC3\xA9";
  settings.transform.keepAspectRatio = 0;
  settings.advanced.filenameMask = "%n%_%filename%.%ext%";
  settings.file.recentOutFolders = "/a/\t/b/";
  ASSERT_TRUE(SaveConfig(settings));
  Settings loaded;
  loaded.configPath = settings.configPath;
  LoadConfig(loaded);
  for (const SettingDescriptor& d : SettingTable()) {
    if (d.writeRule == WriteRule::WhenFormatListed && std::string_view(d.format) != "png" &&
        std::string_view(d.format) != "raw")
      continue;  // not written: read back as defaults
    EXPECT_EQ(SettingAsText(loaded, d), SettingAsText(settings, d)) << d.group << "/" << d.key;
  }
}

TEST_F(ConfigTest, MissingOrUnreadableFileGivesWindowDefaults) {
  mkdir(dir.file("folder.ini").c_str(), 0700);
  // Valid lines, but more than any real configuration: read as unreadable.
  test::WriteFile(dir.file("huge.ini"), "[Adjustment]\r\nImage Gamma = 2.5\r\n" + std::string(1 << 20, ';'));
  for (const std::string& path : {dir.file("none.ini"), dir.file("folder.ini"), dir.file("huge.ini")}) {
    Settings loaded;
    loaded.configPath = path;
    LoadConfig(loaded);
    EXPECT_EQ(loaded.general.cfg, 17) << path;
    EXPECT_EQ(loaded.transform.keepAspectRatio, 1) << path;
    EXPECT_EQ(loaded.window.x, 705) << path;
    EXPECT_EQ(loaded.adjustment.imageGamma, 1.0f) << path;
    EXPECT_EQ(loaded.advanced.filenameMask, "%filename%.%ext%") << path;
  }
}

TEST_F(ConfigTest, FilesOfOldLayoutsAreUpgraded) {
  Settings old = LoadFrom("[Advanced]\r\nFilename Mask = %filename%\r\n[Input]\r\nRAW Load As = 1\r\n");
  EXPECT_EQ(old.general.cfg, 0);  // absent CFG reads as 0
  EXPECT_EQ(old.advanced.filenameMask, "%filename%.%ext%");
  EXPECT_EQ(old.input.rawLoadAs, RawLoadAs::Display24);

  Settings v14 = LoadFrom("[General]\r\nCFG = 14\r\n[Input]\r\nRAW Load As = 1\r\n[Advanced]\r\nFilename Mask = %filename%\r\n");
  EXPECT_EQ(v14.input.rawLoadAs, RawLoadAs::Headerless8);
  EXPECT_EQ(v14.advanced.filenameMask, "%filename%");

  Settings v10 = LoadFrom("[General]\r\nCFG = 10\r\n[Advanced]\r\nFilename Mask = %n%.%ext%\r\n[Input]\r\nRAW Load As = 0\r\n");
  EXPECT_EQ(v10.advanced.filenameMask, "%n%.%ext%");  // already has the token
  EXPECT_EQ(v10.input.rawLoadAs, RawLoadAs::Auto);                 // 0 stays 0
}

TEST_F(ConfigTest, ValuesAreReadAsTheKindsSay) {
  Settings s = LoadFrom(
      "[general]\r\ncfg = 17\r\n[Output]\r\nJPG Quality = 80abc\r\nPNG Compression =\r\n"
      "[Advanced]\r\nOut Folders Number = 300\r\n[Transform]\r\nDo Image Resize = -1\r\n"
      "[Watermark]\r\nText =   spaced out \t\r\n");
  EXPECT_EQ(s.general.cfg, 17);
  EXPECT_EQ(s.output.jpgQuality, 80);
  EXPECT_EQ(s.output.pngCompression, 0);
  EXPECT_EQ(s.advanced.outFoldersNumber, 44);
  EXPECT_EQ(s.transform.doImageResize, 255);
  EXPECT_EQ(s.watermark.text, "spaced out");
  // Absent keys take their defaults, and the absent ones that differ.
  EXPECT_EQ(s.output.bmpBpp, 0);
  EXPECT_EQ(s.transform.keepAspectRatio, 1);
  EXPECT_EQ(s.window.x, 100);
  EXPECT_EQ(s.window.y, 100);
  EXPECT_EQ(s.window.width, 510);
  EXPECT_EQ(s.window.height, 260);
  EXPECT_NEAR(s.advanced.customTimestamp, LocalNowSeconds(), 2);

  Settings missingQuality = LoadFrom("[Output]\r\n");
  EXPECT_EQ(missingQuality.output.jpgQuality, 95);

  ASSERT_TRUE(SaveConfig(s));
  const std::string saved = test::ReadFile(settings.configPath);
  EXPECT_NE(saved.find("Out Folders Number = 44\r\n"), std::string::npos);
  EXPECT_NE(saved.find("Do Image Resize = -1\r\n"), std::string::npos);  // signed 8-bit form
}

TEST_F(ConfigTest, GammaIsWrittenWithSixDecimals) {
  SetDefaultSettings(settings, 0);
  settings.adjustment.imageGamma = 1.5f;
  ASSERT_TRUE(SaveConfig(settings));
  EXPECT_NE(test::ReadFile(settings.configPath).find("\r\nImage Gamma = 1.500000\r\n"), std::string::npos);
}

TEST_F(ConfigTest, WindowKeysAreWrittenOnlyWhenPositionIsSaved) {
  SetDefaultSettings(settings, 0);
  settings.general.saveWindowPosition = 0;
  settings.window.x = 5;
  ASSERT_TRUE(SaveConfig(settings));
  const std::string saved = test::ReadFile(settings.configPath);
  EXPECT_NE(saved.find("[Window]\r\n; \r\n[Interface]"), std::string::npos);
  Settings next;
  next.configPath = settings.configPath;
  LoadConfig(next);
  EXPECT_EQ(next.window.x, 100);
  EXPECT_EQ(next.window.y, 100);
  EXPECT_EQ(next.window.width, 510);
  EXPECT_EQ(next.window.height, 260);
}

TEST_F(ConfigTest, HandAddedKeysAndGroupsAreDroppedAtTheNextSave) {
  Settings s = LoadFrom("[General]\r\nCFG = 17\r\nFoo = 1\r\n; my note\r\n[Mine]\r\nBar = 2\r\n[Output]\r\nBMP BPP = 24\r\n");
  EXPECT_EQ(s.output.bmpBpp, 24);  // read although never written
  ASSERT_TRUE(SaveConfig(s));
  const std::string saved = test::ReadFile(settings.configPath);
  EXPECT_EQ(saved.find("Foo"), std::string::npos);
  EXPECT_EQ(saved.find("[Mine]"), std::string::npos);
  EXPECT_EQ(saved.find("my note"), std::string::npos);
  EXPECT_EQ(saved.find("BMP BPP"), std::string::npos);
}

TEST_F(ConfigTest, FailedSaveKeepsTheOldFile) {
  test::WriteFile(settings.configPath, "old contents");
  SetDefaultSettings(settings, 0);
  {
    // The disk fills up part way through the new contents.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = SaveConfig(settings);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(saved_ok);
  }
  EXPECT_EQ(test::ReadFile(settings.configPath), "old contents");
  // The folder refuses new files (a missing folder for root, who writes
  // into read-only ones).
  ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  Settings elsewhere = settings;
  if (geteuid() == 0) elsewhere.configPath = dir.file("missing/config.ini");
  EXPECT_FALSE(SaveConfig(elsewhere));
  chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(test::ReadFile(settings.configPath), "old contents");
  EXPECT_EQ(FilesIn(dir.path()), std::vector<std::string>{"config.ini"});  // no temporary left
}

// A configuration the reader refuses (too large, not a plain file) is never
// replaced by defaults, and no save writes one the reader would refuse.
TEST_F(ConfigTest, WhatCannotBeReadIsNeverSavedOverOrWritten) {
  std::string large = test::ReadFile(settings.configPath);
  ASSERT_TRUE(SaveConfig(settings));
  large = test::ReadFile(settings.configPath);
  large.insert(large.size() - 4, std::string(PreferencesFile::kMaxFileBytes, ' '));  // still well-formed
  test::WriteFile(settings.configPath, large);
  Settings loaded = settings;
  loaded.general.language = "xx";
  LoadConfig(loaded);
  EXPECT_EQ(loaded.general.language, "en");  // the defaults
  EXPECT_FALSE(SaveConfig(loaded));
  EXPECT_EQ(test::ReadFile(settings.configPath), large);

  std::filesystem::remove(settings.configPath);
  ASSERT_EQ(mkfifo(settings.configPath.c_str(), 0600), 0);
  LoadConfig(loaded);  // returns at once: nobody writes to the FIFO
  EXPECT_FALSE(SaveConfig(loaded));
  std::filesystem::remove(settings.configPath);

  ASSERT_TRUE(SaveConfig(settings));
  const std::string saved = test::ReadFile(settings.configPath);
  Settings huge = settings;
  huge.watermark.text = std::string(PreferencesFile::kMaxFileBytes, 'x');
  EXPECT_FALSE(SaveConfig(huge));
  EXPECT_EQ(test::ReadFile(settings.configPath), saved);
}

TEST_F(ConfigTest, SavingKeepsWhatTheUserSetUp) {
  SetDefaultSettings(settings, 0);
  // A private file stays private.
  test::WriteFile(settings.configPath, "old");
  chmod(settings.configPath.c_str(), 0600);
  ASSERT_TRUE(SaveConfig(settings));
  EXPECT_EQ(ModeOf(settings.configPath), 0600u);
  EXPECT_NE(test::ReadFile(settings.configPath), "old");

  // A linked file (dotfiles) is updated where it lives; the link stays.
  mkdir(dir.file("dotfiles").c_str(), 0700);
  test::WriteFile(dir.file("dotfiles/pictavo.ini"), "old");
  chmod(dir.file("dotfiles/pictavo.ini").c_str(), 0640);
  const std::string link = dir.file("linked.ini");
  ASSERT_EQ(symlink("dotfiles/pictavo.ini", link.c_str()), 0);
  Settings linked = settings;
  linked.configPath = link;
  ASSERT_TRUE(SaveConfig(linked));
  struct stat st {};
  ASSERT_EQ(lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(test::ReadFile(dir.file("dotfiles/pictavo.ini")), test::ReadFile(settings.configPath));
  EXPECT_EQ(ModeOf(dir.file("dotfiles/pictavo.ini")), 0640u);

  // A file made read-only is left alone.
  test::WriteFile(dir.file("readonly.ini"), "keep me");
  chmod(dir.file("readonly.ini").c_str(), 0444);
  Settings readOnly = settings;
  readOnly.configPath = dir.file("readonly.ini");
  EXPECT_FALSE(SaveConfig(readOnly));
  EXPECT_EQ(test::ReadFile(readOnly.configPath), "keep me");
  EXPECT_EQ(ModeOf(readOnly.configPath), 0444u);
}

TEST_F(ConfigTest, WindowPlacementRules) {
  SetDefaultSettings(settings, 0);
  settings.window = {0, 10, 20, 600, 300};
  RecordWindowPlacement(settings, {true, false, 1, 2, 3, 4});
  EXPECT_EQ(settings.window.isMaximized, 1);
  EXPECT_EQ(settings.window.x, 10);
  EXPECT_EQ(settings.window.width, 600);
  RecordWindowPlacement(settings, {false, true, 1, 2, 3, 4});
  EXPECT_EQ(settings.window.isMaximized, 1);
  EXPECT_EQ(settings.window.x, 10);
  RecordWindowPlacement(settings, {false, false, 1, 2, 700, 400});
  EXPECT_EQ(settings.window.isMaximized, 0);
  EXPECT_EQ(settings.window.x, 1);
  EXPECT_EQ(settings.window.y, 2);
  EXPECT_EQ(settings.window.width, 700);
  EXPECT_EQ(settings.window.height, 400);
}

TEST_F(ConfigTest, ConfigFolderIsCreatedWithItsMissingParents) {
  struct Case {
    const char* xdg;  // nullptr: unset, so ~/.config is used
    std::string expected;
  };
  const std::string home = dir.file("home");
  mkdir(home.c_str(), 0755);  // a fresh account: no ~/.config yet
  const Case cases[] = {{nullptr, home + "/.config/Corvane/pictavo/"},
                        {"xdg/deeper", dir.path() + "/xdg/deeper/Corvane/pictavo/"}};
  const std::string oldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string savedXdg = oldXdg ? oldXdg : "";
  for (const Case& c : cases) {
    setenv("HOME", home.c_str(), 1);
    if (c.xdg) setenv("XDG_CONFIG_HOME", (dir.path() + "/" + c.xdg).c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ConfigFolder("Corvane", "pictavo"), c.expected);
    // Every folder made on the way is the user's alone.
    for (std::string folder = c.expected.substr(0, c.expected.size() - 1); folder != dir.path() && folder != home;
         folder = folder.substr(0, folder.find_last_of('/')))
      EXPECT_EQ(ModeOf(folder), 0700u) << folder;
  }
  setenv("HOME", oldHome.c_str(), 1);
  if (oldXdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
  else unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace pictavo
