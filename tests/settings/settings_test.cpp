#include "settings/settings.h"

#include <gtest/gtest.h>

#include <set>

#include "base/program.h"

namespace pictavo {
namespace {

class ScreenGuard {
 public:
  explicit ScreenGuard(ScreenSize size) {
    SetPrimaryScreenProvider([size] { return size; });
  }
  ~ScreenGuard() { SetPrimaryScreenProvider(nullptr); }
};

TEST(Colors, HexTextConvertsToRgbValueInEitherCase) {
  EXPECT_EQ(ColorFromHex("FF8000"), 33023);
  EXPECT_EQ(ColorFromHex("ff8000"), 33023);
  EXPECT_EQ(ColorFromHex("0000FF"), 255 * 65536);
  EXPECT_EQ(ColorToHex(33023), "FF8000");
  EXPECT_EQ(ColorToHex(0), "000000");
  EXPECT_EQ(ColorToHex(16777215), "FFFFFF");
  EXPECT_EQ(ColorToHex(0x0A0B0C), "0C0B0A");
}

TEST(Colors, TextOfWrongLengthIsBlackAndNonDigitsStopAPair) {
  EXPECT_EQ(ColorFromHex(""), 0);
  EXPECT_EQ(ColorFromHex("FFF"), 0);
  EXPECT_EQ(ColorFromHex("FF00000"), 0);
  EXPECT_EQ(ColorFromHex("G01G00"), 0 + 1 * 256);
  EXPECT_EQ(ColorFromHex("1GFF00"), 1 + 255 * 256);
  // Length counts characters: "é" is one character of two bytes.
  EXPECT_EQ(ColorFromHex("FFFF\xC3\xA9"), 0);                    // five characters
  EXPECT_EQ(ColorFromHex("FFFFF\xC3\xA9"), 255 + 255 * 256 + 15 * 65536);  // six, "é" no digit
}

TEST(Colors, EveryUpperCaseTextRoundTrips) {
  for (int32_t rgb : {0, 1, 0x123456, 0xABCDEF, 0xFFFFFF, 0x00FF00}) EXPECT_EQ(ColorFromHex(ColorToHex(rgb)), rgb);
}

TEST(WindowCentring, CentresOnThePrimaryScreenOrFallsBack) {
  {
    ScreenGuard screen({1920, 1080});
    EXPECT_EQ(CenteredWindowX(510, 100), 705);
    EXPECT_EQ(CenteredWindowY(260, 100), 410);
  }
  {
    ScreenGuard screen({500, 400});
    EXPECT_EQ(CenteredWindowX(510, 100), 100);
    EXPECT_EQ(CenteredWindowY(260, 100), 70);
  }
  {
    ScreenGuard screen({510, 260});  // exactly as wide: no room to centre
    EXPECT_EQ(CenteredWindowX(510, 7), 7);
    EXPECT_EQ(CenteredWindowY(260, 9), 9);
  }
  EXPECT_EQ(CenteredWindowX(510, 100), 100);  // no screen at all
}

TEST(Defaults, WindowAndConsoleFlavoursDifferOnlyInKeepAspectRatio) {
  ScreenGuard screen({1920, 1080});
  Settings window, console;
  SetDefaultSettings(window, 0);
  SetDefaultSettings(console, 1);
  EXPECT_EQ(window.transform.keepAspectRatio, 1);
  EXPECT_EQ(console.transform.keepAspectRatio, 0);
  for (const SettingDescriptor& d : SettingTable()) {
    if (std::string_view(d.key) == "Keep Aspect Ratio") continue;
    if (d.defaultRule == DefaultRule::CurrentTime) {
      // Both took "now"; they may straddle a second boundary.
      EXPECT_NEAR(SettingAsInt(window, d), SettingAsInt(console, d), 2) << d.key;
      continue;
    }
    EXPECT_EQ(SettingAsText(window, d), SettingAsText(console, d)) << d.group << "/" << d.key;
  }
}

TEST(Defaults, CarryTheDocumentedValues) {
  ScreenGuard screen({1920, 1080});
  Settings s;
  s.configPath = "/keep/me";
  SetDefaultSettings(s, 0);
  EXPECT_EQ(s.configPath, "/keep/me");
  EXPECT_EQ(s.general.cfg, 17);
  EXPECT_EQ(s.general.language, "en");
  EXPECT_EQ(s.general.updateRange, 2);
  EXPECT_NEAR(s.general.updateDate, LocalNowSeconds(), 2);
  EXPECT_EQ(s.window.x, 705);
  EXPECT_EQ(s.window.y, 410);
  EXPECT_EQ(s.window.width, 510);
  EXPECT_EQ(s.window.height, 260);
  EXPECT_EQ(s.interface.uiTheme, "handdrawn");
  EXPECT_EQ(s.input.format, "raw");
  EXPECT_EQ(s.input.rawToneMapping, 2);
  EXPECT_EQ(s.output.format, "png");
  EXPECT_EQ(s.output.jpgQuality, 95);
  EXPECT_EQ(s.transform.imageResizeAlgorithm, 3);
  EXPECT_EQ(s.transform.imageRotationBackColor, "000000");
  EXPECT_FLOAT_EQ(s.adjustment.imageGamma, 1.0f);
  EXPECT_EQ(s.frame.solidOpacity, 255);
  EXPECT_EQ(s.watermark.fonts, "Arial,Tahoma,Verdana");
  EXPECT_EQ(s.watermark.font, "Arial");
  EXPECT_EQ(s.watermark.fontSize, 14);
  EXPECT_EQ(s.watermark.fontColors, "000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF");
  EXPECT_EQ(s.watermark.backColors, s.watermark.fontColors);
  EXPECT_EQ(s.watermark.fontColor, "FFFFFF");
  EXPECT_EQ(s.watermark.backOpacity, 1);
  EXPECT_EQ(s.watermark.textPosition, WatermarkPosition::BottomRight);
  EXPECT_EQ(s.watermark.imageXOffset, 10);
  EXPECT_EQ(s.watermark.textScale, 10);
  EXPECT_FALSE(s.watermark.text.empty());
  EXPECT_EQ(s.watermark.text.find('\n'), std::string::npos);
  EXPECT_EQ(s.advanced.filenameMask, "%filename%.%ext%");
  EXPECT_EQ(s.advanced.outFoldersNumber, 5);
  EXPECT_EQ(s.advanced.keepSubfolders, 1);
  EXPECT_EQ(s.file.recentOutFolders, "");
}

TEST(SettingTable, EveryKeyIsUniqueWithinItsGroupAndReachesItsOwnField) {
  std::set<std::string> seen;
  Settings s;
  SetDefaultSettings(s, 0);
  for (const SettingDescriptor& d : SettingTable()) {
    EXPECT_TRUE(seen.insert(std::string(d.group) + "/" + d.key).second) << d.key;
    EXPECT_EQ(FindSetting(d.group, d.key), &d);
    const int set = (d.byteField != nullptr) + (d.intField != nullptr) + (d.floatField != nullptr) +
                    (d.textField != nullptr) + (d.enumGet != nullptr);
    EXPECT_EQ(set, 1) << d.key;
    EXPECT_EQ(d.enumGet != nullptr, d.enumSet != nullptr) << d.key;
    EXPECT_EQ(IsTextKind(d.kind), d.textField != nullptr) << d.key;
    if (!d.enumGet) EXPECT_EQ(IsByteKind(d.kind), d.byteField != nullptr) << d.key;
  }
  // Writing one field through its descriptor must not touch any other.
  for (const SettingDescriptor& d : SettingTable()) {
    Settings probe = s;
    if (d.textField) SetSettingText(probe, d, "changed");
    else SetSettingInt(probe, d, 77);
    for (const SettingDescriptor& other : SettingTable()) {
      if (&other == &d) continue;
      EXPECT_EQ(SettingAsText(probe, other), SettingAsText(s, other)) << d.key << " touched " << other.key;
    }
  }
}

TEST(SettingTable, FindsSameNamedKeysOfDifferentGroupsSeparately) {
  Settings s;
  SetSettingInt(s, *FindSetting("transform", "image rotation"), 90);
  SetSettingInt(s, *FindSetting("Watermark", "Image Rotation"), 45);
  EXPECT_EQ(s.transform.imageRotation, 90);
  EXPECT_EQ(s.watermark.imageRotation, 45);
  EXPECT_EQ(FindSetting("Output", "No Such Key"), nullptr);
}

TEST(SettingTable, ByteFieldsKeepTheLowEightBits) {
  Settings s;
  SetSettingInt(s, *FindSetting("Advanced", "Out Folders Number"), 300);
  EXPECT_EQ(s.advanced.outFoldersNumber, 44);
  SetSettingInt(s, *FindSetting("Advanced", "Out Folders Number"), -1);
  EXPECT_EQ(s.advanced.outFoldersNumber, 255);
}

TEST(ProgramIdentity, VersionTextAndTitle) {
  EXPECT_EQ(FormatVersion(280), "2.8");
  EXPECT_EQ(FormatVersion(281), "2.8.1");
  EXPECT_EQ(FormatVersion(300), "3.0");
  EXPECT_EQ(ProgramTitle(), "Pictavo 2.8");
}

}  // namespace
}  // namespace pictavo
