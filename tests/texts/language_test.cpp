#include "texts/language.h"

#include <gtest/gtest.h>

#include <string>

namespace pictavo {
namespace {

LanguageTable BuiltInTable() {
  LanguageTable table;
  table.Build(BuiltInLanguageBlock());
  return table;
}

TEST(LanguageTable, MatchesGroupAndKeyWithoutRegardToCase) {
  BuildLanguageTable();
  EXPECT_EQ(GetText("msg", "EMPTY INPUT FILES"), "No input file(s) found. Please, add valid file(s) and try again!");
  EXPECT_EQ(GetText("CUSTOM-converter", "sEaRcH"), "Search");
}

TEST(LanguageTable, MissingKeyOrGroupGivesNoStringErrorAndLaterLookupsStillWork) {
  BuildLanguageTable();
  EXPECT_EQ(GetText("Msg", "Error"), "Error");
  EXPECT_EQ(GetText("Msg", "No such key"), "%NO_STRING_ERROR%");
  EXPECT_EQ(GetText("Msg", "Error"), "Error");
  EXPECT_EQ(GetText("No such group", "Error"), "%NO_STRING_ERROR%");
  EXPECT_EQ(GetText("Msg", "Error"), "Error");
  EXPECT_EQ(GetText("Msg", ""), "%NO_STRING_ERROR%");
}

TEST(LanguageTable, FindsAKeyOnlyUnderItsOwnGroup) {
  LanguageTable table = BuiltInTable();
  EXPECT_EQ(table.GetText("General", "Exit"), "%NO_STRING_ERROR%");
  EXPECT_EQ(table.GetText("Menu", "Exit"), "Exit");
  // The same key in consecutive lookups of different groups.
  EXPECT_EQ(table.GetText("About", "Title"), "About...");
  EXPECT_EQ(table.GetText("Uninstall", "Title"), "Uninstall");
  EXPECT_EQ(table.GetText("Preferences", "Title"), "Preferences...");
  EXPECT_EQ(table.GetText("Custom-Converter", "Title"), "Find a File Converter");
}

TEST(LanguageTable, RebuildingReplacesTheEarlierTable) {
  const LanguagePair block[] = {{"_GROUP_", "Only"}, {"Key", "text"}, {"_END_", ""}};
  LanguageTable table;
  table.Build(block);
  EXPECT_EQ(table.GetText("Only", "Key"), "text");
  table.Build(BuiltInLanguageBlock());
  EXPECT_EQ(table.GetText("Only", "Key"), "%NO_STRING_ERROR%");
  EXPECT_EQ(table.GroupCount(), 8);
  EXPECT_EQ(table.GetText("Menu", "Exit"), "Exit");
}

TEST(BuiltInTexts, HoldEveryGroupWithItsEntryCount) {
  LanguageTable table = BuiltInTable();
  EXPECT_EQ(table.GroupCount(), 8);
  EXPECT_EQ(table.EntryCount(), 273);
  const std::pair<const char*, int> counts[] = {{"Menu", 17},        {"General", 7}, {"Msg", 26},
                                                {"Dialog", 10},       {"Preferences", 203},
                                                {"About", 3},        {"Custom-Converter", 4},
                                                {"Uninstall", 3}};
  for (const auto& [group, count] : counts) EXPECT_EQ(table.GroupEntryCount(group), count) << group;
}

TEST(BuiltInTexts, FindEveryEntryOfTheBlockUnderItsGroup) {
  LanguageTable table = BuiltInTable();
  std::string group;
  for (const LanguagePair& pair : BuiltInLanguageBlock()) {
    const std::string key = pair.key;
    if (key == "_GROUP_") {
      group = pair.text;
    } else if (key != "_END_") {
      EXPECT_EQ(table.GetText(group, key), pair.text) << group << " / " << key;
    }
  }
}

TEST(LanguageTable, ADoubledKeyDoesNotHideItsNeighbours) {
  // The built-in table has "Medium" twice; the lookup must still find it and
  // the keys sorted around it.
  const LanguagePair block[] = {{"_GROUP_", "G"},    {"Mediums", "plural"}, {"Medium", "Medium"},
                                {"Low", "Low"},      {"Medium", "Medium"},  {"Mediu", "cut"},
                                {"Medium X", "wide"}, {"_END_", ""}};
  LanguageTable table;
  table.Build(block);
  EXPECT_EQ(table.GroupEntryCount("G"), 6);
  for (const auto& [key, text] : {std::pair{"Medium", "Medium"}, {"Mediums", "plural"}, {"Low", "Low"},
                                  {"Mediu", "cut"}, {"Medium X", "wide"}})
    EXPECT_EQ(table.GetText("G", key), text) << key;
  EXPECT_EQ(BuiltInTable().GetText("Preferences", "Medium"), "Medium");
}

TEST(BuiltInTexts, SampleTextsAreExact) {
  LanguageTable table = BuiltInTable();
  EXPECT_EQ(table.GetText("Msg", "Invalid output folder"),
            "The following output folder is invalid or doesn't exist:\r\n%s1%\r\n\r\n"
            "Please, correct the output path and try again!");
  EXPECT_EQ(table.GetText("Msg", "Progress"), "(%s1%/%s2%)");
  EXPECT_EQ(table.GetText("Menu", "Select Input File"), "Add Input File...");
  EXPECT_EQ(table.GetText("Menu", "Visit Homepage"), "Visit the Program's Homepage");
  EXPECT_EQ(table.GetText("General", "Converting"), "Converting...");
  EXPECT_EQ(table.GetText("Dialog", "Convert Progress"), "Converting");
  EXPECT_EQ(table.GetText("Preferences", "Language"), "Language:");
  EXPECT_EQ(table.GetText("Preferences", "Check for Updates"), "Check for Updates:");
  EXPECT_EQ(table.GetText("Msg", "Check for Updates"), "Check for Updates");
  EXPECT_EQ(table.GetText("Preferences", "RGB48HS"), "RGB 48-bit (HS)");
  EXPECT_EQ(table.GetText("Preferences", "Bold Italic"), "Bold Italic");
  EXPECT_EQ(table.GetText("Preferences", "Save window position"), "Save Window's Coords:");
  EXPECT_EQ(table.GetText("About", "Email"), "E-mail:");
  EXPECT_EQ(table.GetText("Uninstall", "Uninstall Text"), "Full Uninstall - Visit Uninstall Center");
}

// A small block: markers in other letter cases, keys out of order and in
// lower case, a group without entries, and pairs after the end marker.
const LanguagePair kHandMadeBlock[] = {
    {"_group_", "Alpha"},
    {"Zulu", "z"},
    {"Bravo Two", "b2"},
    {"echo", "e"},
    {"Bravo", "b"},
    {"Delta", "d"},
    {"Dup", "second"},
    {"Dup", "first"},
    {"_Group_", "Empty"},
    {"_GROUP_", "beta"},
    {"Bravo", "beta b"},
    {"_End_", ""},
    {"After", "never read"},
    {"_GROUP_", "Late"},
};

TEST(LanguageTable, BuildsFromABlockWithMarkersInAnyCase) {
  LanguageTable table;
  table.Build(kHandMadeBlock);
  EXPECT_EQ(table.GroupCount(), 3);
  EXPECT_EQ(table.EntryCount(), 8);
  EXPECT_EQ(table.GroupEntryCount("alpha"), 7);
  EXPECT_EQ(table.GroupEntryCount("Empty"), 0);
  EXPECT_EQ(table.GroupEntryCount("Late"), -1);
  EXPECT_EQ(table.GetText("Beta", "bravo"), "beta b");
  EXPECT_EQ(table.GetText("Empty", "Bravo"), "%NO_STRING_ERROR%");
  EXPECT_EQ(table.GetText("Beta", "After"), "%NO_STRING_ERROR%");
}

// Keys are found whatever their order in the block, and keys that sort
// between present ones are missed.
TEST(LanguageTable, LooksKeysUpWithinTheirGroup) {
  LanguageTable table;
  table.Build(kHandMadeBlock);
  const std::pair<const char*, const char*> cases[] = {
      {"Zulu", "z"}, {"Echo", "e"}, {"Delta", "d"},
      // A key that is the start of another key is told from it.
      {"Bravo", "b"}, {"Bravo Two", "b2"},
      // Of equal keys, the one whose text sorts first counts.
      {"Dup", "first"},
      {"Bravo One", "%NO_STRING_ERROR%"}, {"Brz", "%NO_STRING_ERROR%"},
      {"Charlie", "%NO_STRING_ERROR%"}, {"Zz", "%NO_STRING_ERROR%"},
  };
  for (const auto& [key, text] : cases) EXPECT_EQ(table.GetText("Alpha", key), text) << key;
}

TEST(FillPlaceholders, ReplacesEachPlaceholderByItsArgument) {
  BuildLanguageTable();
  const std::string text = GetText("Msg", "Files converted");
  EXPECT_EQ(FillPlaceholders(text, "3", "5"), "Files converted: 3 of 5");
  EXPECT_EQ(FillPlaceholders(text, "3", ""), "Files converted: 3 of %s2%");
  EXPECT_EQ(FillPlaceholders("%s4%%s3%%s2%%s1%%s1%", "a", "b", "c", "d"), "dcbaa");
}

TEST(FillPlaceholders, LeavesAnEmptyTextEmpty) {
  EXPECT_EQ(FillPlaceholders("", "1", "2", "3", "4"), "");
}

TEST(FillPlaceholders, MatchesThePlaceholderInAnyCase) {
  EXPECT_EQ(FillPlaceholders("a %S1% b %s1% c %S2%", "x", "y"), "a x b x c y");
}

TEST(FillPlaceholders, FillsPlaceholdersBroughtInByEarlierArguments) {
  EXPECT_EQ(FillPlaceholders("%s1%", "[%s2%]", "two"), "[two]");
  // Only later placeholders are filled: s2 does not bring s1 back in.
  EXPECT_EQ(FillPlaceholders("%s2%", "one", "[%s1%]"), "[%s1%]");
}

}  // namespace
}  // namespace pictavo
