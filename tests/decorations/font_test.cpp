#include <gtest/gtest.h>

#include <QGuiApplication>

#include "decorations/decorations.h"
#include "decorations/watermark_font.h"
#include "base/text_util.h"

namespace pictavo {
namespace {

class WatermarkFontTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDefaultSettings(settings, 1); }
  void TearDown() override { CloseWatermarkFont(); }
  bool Opens(const char* family) {
    settings.watermark.font = family;
    return OpenWatermarkFont(settings);
  }

  Settings settings;
};

TEST_F(WatermarkFontTest, DefaultArialOpensOnAnOffscreenApplicationAndCloses) {
  EXPECT_EQ(settings.watermark.font, "Arial");
  ASSERT_TRUE(OpenWatermarkFont(settings));
  EXPECT_TRUE(WatermarkFontIsOpen());
  auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
  ASSERT_NE(app, nullptr);
  EXPECT_EQ(QGuiApplication::platformName(), QStringLiteral("offscreen"));
  CloseWatermarkFont();
  EXPECT_FALSE(WatermarkFontIsOpen());
}

TEST_F(WatermarkFontTest, InstalledFamiliesAndTheirMetricAliasesOpen) {
  for (const char* family : {"Liberation Sans", "DejaVu Sans", "Times New Roman", "courier new"}) {
    EXPECT_TRUE(Opens(family)) << family;
  }
}

TEST_F(WatermarkFontTest, EveryFamilyOfTheDefaultListOpens) {
  for (const std::string& family : SplitString(settings.watermark.fonts, ',')) EXPECT_TRUE(Opens(family.c_str())) << family;
  EXPECT_EQ(DrawnFamily(QStringLiteral("verdana")), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(DrawnFamily(QStringLiteral("Arial")), QStringLiteral("Arial"));
}

TEST_F(WatermarkFontTest, FamiliesOnlyAFallbackWouldReplaceDoNotOpen) {
  ASSERT_TRUE(Opens("Arial"));
  EXPECT_FALSE(Opens("NoSuchFontFamilyXYZ"));
  EXPECT_FALSE(WatermarkFontIsOpen());
  EXPECT_FALSE(Opens(""));
}

TEST_F(WatermarkFontTest, SizesBelowOnePointDoNotOpen) {
  settings.watermark.fontSize = 0;
  EXPECT_FALSE(OpenWatermarkFont(settings));
  settings.watermark.fontSize = 1;
  EXPECT_TRUE(OpenWatermarkFont(settings));
}

}  // namespace
}  // namespace pictavo
