#include "settings/preferences_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

PreferencesFile Parsed(const std::string& bytes) {
  PreferencesFile file;
  file.Parse(bytes);
  return file;
}

TEST(PreferencesReader, FileWithoutByteOrderMarkIsLatin1) {
  PreferencesFile file = Parsed("[Watermark]\r\nText = Caf\xE9 au lait  \r\n");
  file.SelectGroup("Watermark");
  EXPECT_EQ(file.ReadText("Text", ""), "Caf\xC3\xA9 au lait");  // U+00E9 as UTF-8
}

TEST(PreferencesReader, ByteOrderMarkMeansUtf8AndIsNotPartOfTheFirstLine) {
  PreferencesFile file = Parsed("\xEF\xBB\xBF[General]\nLanguage = d\xC3\xA9\n");
  file.SelectGroup("General");
  EXPECT_EQ(file.ReadText("Language", ""), "d\xC3\xA9");
}

TEST(PreferencesReader, AcceptsEveryLineEndAndIndentedLines) {
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    std::string text = std::string("[A]") + eol + "  \tone = 1" + eol + eol + "two=2" + eol + "[B]" + eol + "one = 3";
    PreferencesFile file = Parsed(text);
    file.SelectGroup("A");
    EXPECT_EQ(file.ReadInt("one", -1), 1) << "eol " << int(eol[0]);
    EXPECT_EQ(file.ReadInt("two", -1), 2);
    file.SelectGroup("B");
    EXPECT_EQ(file.ReadInt("one", -1), 3);
  }
}

TEST(PreferencesReader, GroupsAndKeysIgnoreCaseAndFirstOccurrenceWins) {
  PreferencesFile file = Parsed(
      "[general] trailing text\r\ncfg = 17\r\nCFG = 99\r\n[Other]\r\nKey = a\r\n[GENERAL]\r\nLanguage = xx\r\n");
  file.SelectGroup("General");
  EXPECT_EQ(file.ReadInt("CFG", 0), 17);
  // Keys of a later group with the same name are not consulted.
  EXPECT_EQ(file.ReadText("Language", "absent"), "absent");
  // Keys belong only to their own group.
  EXPECT_EQ(file.ReadText("Key", "absent"), "absent");
  file.SelectGroup("Missing");
  EXPECT_EQ(file.ReadInt("CFG", 5), 5);
}

TEST(PreferencesReader, NumbersReadTheirLeadingDigitsAndEmptyValuesAreZero) {
  PreferencesFile file = Parsed(
      "[Output]\nJPG Quality = 80abc\nEmpty =\nBlank = \t \nNeg = -12x\nPlus = +7\nWord = abc\n"
      "G1 = 1.5\nG2 = +Infinity\nG3 = -infinity\nG4 = nan\nG5 = 2.5e2\nG6 = x\n");
  file.SelectGroup("Output");
  EXPECT_EQ(file.ReadInt("JPG Quality", 95), 80);
  EXPECT_EQ(file.ReadInt("Empty", 95), 0);
  EXPECT_EQ(file.ReadInt("Blank", 95), 0);
  EXPECT_EQ(file.ReadInt("Neg", 0), -12);
  EXPECT_EQ(file.ReadInt("Plus", 0), 7);
  EXPECT_EQ(file.ReadInt("Word", 9), 0);
  EXPECT_EQ(file.ReadInt("Missing", 95), 95);
  EXPECT_FLOAT_EQ(file.ReadFloat("G1", 0), 1.5f);
  EXPECT_TRUE(std::isinf(file.ReadFloat("G2", 0)) && file.ReadFloat("G2", 0) > 0);
  EXPECT_TRUE(std::isinf(file.ReadFloat("G3", 0)) && file.ReadFloat("G3", 0) < 0);
  EXPECT_TRUE(std::isnan(file.ReadFloat("G4", 0)));
  EXPECT_FLOAT_EQ(file.ReadFloat("G5", 0), 250.0f);
  EXPECT_FLOAT_EQ(file.ReadFloat("G6", 3), 0.0f);
}

TEST(PreferencesReader, KeyLinesSplitAtTheFirstEqualsSign) {
  PreferencesFile file = Parsed("[CLI]\n--wm-text = a = b\nno equals sign here\n; comment = 1\n--quiet\n");
  file.SelectGroup("CLI");
  auto keys = file.Keys();
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys[0].first, "--wm-text");
  EXPECT_EQ(keys[0].second, "a = b");
}

TEST(PreferencesWriter, WritesTheProgramsLayoutAndReplacesExistingKeys) {
  test::TempDir dir;
  PreferencesFile file;
  ASSERT_TRUE(file.Create(dir.file("out.ini")));
  file.SelectGroup("General");
  file.WriteInt("CFG", 17);
  file.WriteText("Language", "en");
  file.WriteText("language", "de");  // same key, other case: replaced in place
  file.WriteComment("");
  file.SelectGroup("Adjustment");
  file.WriteFloat("Image Gamma", 1.5f);
  file.WriteComment("");
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(test::ReadFile(dir.file("out.ini")),
            "\xEF\xBB\xBF\r\n[General]\r\nCFG = 17\r\nLanguage = de\r\n; \r\n[Adjustment]\r\nImage Gamma = 1.500000\r\n; \r\n");
}

TEST(PreferencesWriter, FailsWhenTheFolderDoesNotExistAndLeavesNoTemporaryFiles) {
  test::TempDir dir;
  PreferencesFile file;
  EXPECT_FALSE(file.Create(dir.file("missing/out.ini")));
  ASSERT_TRUE(file.Create(dir.file("out.ini")));
  file.SelectGroup("A");
  file.WriteInt("k", 1);
  ASSERT_TRUE(file.Close());
  int entries = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.path())) entries += e.is_regular_file();
  EXPECT_EQ(entries, 1);
}

TEST(PreferencesWriter, OutputReadsBackToTheSameValues) {
  PreferencesFile file;
  file.Parse("");
  file.SelectGroup("G");
  file.WriteText("Text", "caf\xC3\xA9");
  file.WriteInt("Neg", -5);
  file.WriteFloat("F", -0.25f);
  PreferencesFile again = Parsed(file.Serialize());
  again.SelectGroup("g");
  EXPECT_EQ(again.ReadText("text", ""), "caf\xC3\xA9");
  EXPECT_EQ(again.ReadInt("NEG", 0), -5);
  EXPECT_FLOAT_EQ(again.ReadFloat("f", 0), -0.25f);
}

}  // namespace
}  // namespace pictavo
