#include "ui/themes.h"
#include "ui/zip_reader.h"

#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/job.h"
#include "settings/settings.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

void WriteZip(const std::string& path, const Entries& entries) {
  std::unique_ptr<archive, decltype(&archive_write_free)> zip(archive_write_new(), archive_write_free);
  ASSERT_EQ(archive_write_set_format_zip(zip.get()), ARCHIVE_OK);
  ASSERT_EQ(archive_write_open_filename(zip.get(), path.c_str()), ARCHIVE_OK);
  for (const auto& [name, bytes] : entries) {
    std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(), archive_entry_free);
    archive_entry_set_pathname(entry.get(), name.c_str());
    archive_entry_set_filetype(entry.get(), AE_IFREG);
    archive_entry_set_perm(entry.get(), 0644);
    archive_entry_set_size(entry.get(), static_cast<la_int64_t>(bytes.size()));
    ASSERT_EQ(archive_write_header(zip.get(), entry.get()), ARCHIVE_OK);
    ASSERT_EQ(archive_write_data(zip.get(), bytes.data(), bytes.size()), static_cast<la_ssize_t>(bytes.size()));
  }
  ASSERT_EQ(archive_write_close(zip.get()), ARCHIVE_OK);
}

// A PNG of one colour; tests tell pictures apart by size and colour.
std::string Png(int width, int height, QColor color) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(color);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

QImage Marker() {
  QImage image(1, 1, QImage::Format_ARGB32);
  image.fill(Qt::black);
  return image;
}

// Size and centre colour, enough to know which entry a picture came from.
std::pair<QSize, QRgb> Looks(const QImage& image) {
  if (image.isNull()) return {QSize(), 0};
  return {image.size(), image.pixel(image.width() / 2, image.height() / 2)};
}

std::pair<QSize, QRgb> Looks(int size, QColor color) { return {QSize(size, size), color.rgba()}; }

class ThemeFolderTest : public ::testing::Test {
 protected:
  ThemeFolderTest() : folder_(dir_.path() + "/") {
    std::filesystem::create_directories(folder_ + "gfx");
    settings_.interface.uiTheme = "test";
    settings_.interface.uiSize = 2;
  }

  void Theme(const std::string& id, const Entries& entries) { WriteZip(ThemeArchivePath(folder_, id), entries); }

  // Every image number holds a 1 × 1 black marker, so a replaced picture shows.
  void FillWithMarkers() {
    for (const ImageIdMap* ids : {&ButtonImageIds(), &MenuImageIds(), &ToolbarImageIds()})
      for (const auto& [name, id] : *ids) images_.Set(id, Marker());
  }

  bool Load(bool buttons, bool menu, bool toolbar) {
    return LoadTheme(settings_, folder_, themes_, images_, buttons, menu, toolbar);
  }

  std::pair<QSize, QRgb> Menu(const char* name) { return Looks(images_.Image(MenuImageIds().at(name))); }
  std::pair<QSize, QRgb> Toolbar(const char* name) { return Looks(images_.Image(ToolbarImageIds().at(name))); }
  std::pair<QSize, QRgb> Button(const char* name) { return Looks(images_.Image(ButtonImageIds().at(name))); }

  test::TempDir dir_;
  std::string folder_;
  Settings settings_;
  ThemeList themes_;
  ImageStore images_;
};

const std::pair<QSize, QRgb> kMarker = Looks(Marker());

TEST(ImageIds, MenuAndToolbarNumbersAreOneBlockApartAndNeverCollide) {
  std::set<int32_t> used;
  for (const ImageIdMap* ids : {&ButtonImageIds(), &MenuImageIds(), &ToolbarImageIds()})
    for (const auto& [name, id] : *ids) EXPECT_TRUE(used.insert(id).second) << name << " " << id;
  EXPECT_FALSE(used.contains(kBannerImageId));
  EXPECT_EQ(MenuImageIds().size(), 22u);
  for (const auto& [name, id] : MenuImageIds()) EXPECT_EQ(ToolbarImageIds().at(name), id + 24) << name;
  EXPECT_EQ(MenuImageIds().at("Help"), 22);
  EXPECT_EQ(MenuImageIds().at("Email"), 25);
}

TEST(IconSizeForUiSize, MapsTheFiveSizesAndFallsBackTo16) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 16}, {1, 24}, {2, 32}, {3, 48}, {4, 64}, {5, 16}, {7, 16}, {-1, 16}};
  for (const auto& [index, pixels] : cases) EXPECT_EQ(IconSizeForUiSize(index), pixels) << index;
}

TEST(ThemeValue, FollowsTheConfigurationFormatsRules) {
  struct Case {
    const char* what;
    std::string text;
    const char* section;
    const char* key;
    std::string expected;
  };
  const Case cases[] = {
      {"plain entry", "[Icons]\r\nNew=new\r\n", "Icons", "New", "new"},
      {"lower-case header and key", "[icons]\r\nnew=paper\r\n", "Icons", "New", "paper"},
      {"a longer key that comes first answers", "[Buttons]\r\nConvertLarge=big.png\r\nConvert=small.png\r\n", "Buttons",
       "Convert", "big.png"},
      {"last line without CR LF", "[Icons]\r\nNew=new\r\nAbout=about", "Icons", "About", ""},
      {"second = cuts the value", "[Icons]\r\nNew=a=b\r\n", "Icons", "New", "a"},
      {"spaces around key, = and value", "[Icons]\r\nNew  =  new \r\n", "Icons", "New", "new"},
      {"spaces go before tabs", "[Icons]\r\nNew= \tnew\t \r\n", "Icons", "New", "new"},
      {"tabs outside spaces leave the spaces", "[Icons]\r\nNew=\t new \t\r\n", "Icons", "New", " new "},
      {"key only in a later section", "[Icons]\r\nAdd=add\r\n[Buttons]\r\nNew=new\r\n", "Icons", "New", ""},
      {"section end is the next [", "[Icons]\r\nAdd=a[b\r\nNew=new\r\n", "Icons", "New", ""},
      {"first line never matches a key", "New=new\r\n[Icons]\r\n", "Icons", "New", ""},
      {"no such section", "[Icon]\r\nNew=new\r\n", "Icons", "New", ""},
      {"line without =", "[Icons]\r\nNew\r\n", "Icons", "New", ""},
      {"LF-only lines are one line", "[Icons]\nNew=new\nAdd=add\r\n", "Icons", "New", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ThemeValue(c.text, c.section, c.key), c.expected) << c.what;
}

TEST_F(ThemeFolderTest, PicturesComeFromTheEntriesTheConfigurationNames) {
  const QColor red(255, 0, 0), blue(0, 0, 255), green(0, 160, 0), grey(90, 90, 90), purple(128, 0, 128);
  Theme("test", {{"theme.cfg",
                  "[Theme]\r\nName=Test\r\n"
                  "[buttons]\r\nConvertLarge=pics/Big.PNG\r\nConvert=other.png\r\n"
                  "[icons]\r\nnew = new \r\nAdd=add=ignored\r\nHelp=sub/Help.PNG\r\nAbout=about"},
                 {"pics/Big.PNG", Png(64, 64, red)},
                 {"other.png", Png(64, 64, grey)},
                 {"new_16.png", Png(16, 16, blue)},
                 {"new_32.png", Png(32, 32, green)},
                 {"add_16.png", Png(16, 16, green)},
                 {"add_32.png", Png(32, 32, blue)},
                 {"sub/Help.PNG", Png(20, 20, purple)},
                 {"about_16.png", Png(16, 16, red)},
                 {"about_32.png", Png(32, 32, red)}});
  FillWithMarkers();
  ASSERT_TRUE(Load(true, true, true));

  EXPECT_EQ(Button("Convert"), Looks(64, red));  // prefix match, entry name kept as written
  EXPECT_EQ(Button("InFiles"), kMarker);
  EXPECT_EQ(Menu("New"), Looks(16, blue));
  EXPECT_EQ(Toolbar("New"), Looks(32, green));  // UI Size 2
  EXPECT_EQ(Menu("Add"), Looks(16, green));
  EXPECT_EQ(Toolbar("Add"), Looks(32, blue));
  EXPECT_EQ(Menu("Help"), Looks(20, purple));
  EXPECT_EQ(Toolbar("Help"), Looks(20, purple));
  EXPECT_EQ(Menu("About"), kMarker);  // last line without CR LF
  EXPECT_EQ(Toolbar("About"), kMarker);
  EXPECT_EQ(Menu("Web"), kMarker);

  // An icon size change reloads the toolbar only; out of range means 16.
  images_.Set(ButtonImageIds().at("Convert"), Marker());
  images_.Set(MenuImageIds().at("New"), Marker());
  settings_.interface.uiSize = 7;
  ASSERT_TRUE(Load(false, false, true));
  EXPECT_EQ(Toolbar("New"), Looks(16, blue));
  EXPECT_EQ(Menu("New"), kMarker);
  EXPECT_EQ(Button("Convert"), kMarker);
}

TEST_F(ThemeFolderTest, PicturesTheThemeCannotSupplyKeepWhatTheyHad) {
  const QColor blue(0, 0, 255), green(0, 160, 0);
  const std::string cfg = "[Icons]\r\nNew=new\r\nAdd=add\r\nHelp=help\r\nWeb=web\r\n";
  Theme("first", {{"theme.cfg", cfg}, {"new_16.png", Png(16, 16, blue)}, {"web_16.png", Png(16, 16, blue)}});
  // Garbage under a picture's name, an empty entry, an entry past the size
  // limit (a good PNG padded out, so only the limit can refuse it).
  Theme("second", {{"theme.cfg", cfg},
                   {"new_16.png", "this is not a picture"},
                   {"add_16.png", ""},
                   {"help_16.png", Png(16, 16, green) + std::string(kMaxThemeEntryBytes, '\0')}});
  FillWithMarkers();
  settings_.interface.uiTheme = "first";
  ASSERT_TRUE(Load(true, true, true));
  settings_.interface.uiTheme = "second";
  ASSERT_TRUE(Load(true, true, true));

  EXPECT_EQ(Menu("New"), Looks(16, blue));  // still the first theme's
  EXPECT_EQ(Menu("Web"), Looks(16, blue));
  EXPECT_EQ(Menu("Add"), kMarker);
  EXPECT_EQ(Menu("Help"), kMarker);
}

TEST_F(ThemeFolderTest, ThemeWithoutConfigurationReplacesNothing) {
  // "_16.png" is what an empty value would name; it must not be picked up.
  Theme("test", {{"new_16.png", Png(16, 16, Qt::blue)}, {"_16.png", Png(16, 16, Qt::blue)}});
  FillWithMarkers();
  EXPECT_TRUE(Load(true, true, true));
  EXPECT_EQ(Menu("New"), kMarker);
  EXPECT_EQ(ThemeDisplayName(folder_, "test"), "");

  Theme("empty", {{"theme.cfg", ""}, {"new_16.png", Png(16, 16, Qt::blue)}});
  settings_.interface.uiTheme = "empty";
  EXPECT_TRUE(Load(true, true, true));
  EXPECT_EQ(Menu("New"), kMarker);
}

TEST_F(ThemeFolderTest, ScanListsZipFilesAndAMissingThemeFallsBackToTheLastFound) {
  Theme("alpha", {{"theme.cfg", "[Theme]\r\nName=Alpha Theme\r\n"}});
  test::WriteFile(folder_ + "gfx/Beta.zip", "");
  test::WriteFile(folder_ + "gfx/junk.zip", "this is no zip archive");
  test::WriteFile(folder_ + "gfx/notes.txt", "not a theme");
  std::filesystem::create_directories(folder_ + "gfx/folder.zip");
  Theme("zeta",
        {{"theme.cfg", "[Theme]\r\nName=Zeta\r\n[Icons]\r\nNew=new\r\n"}, {"new_16.png", Png(16, 16, Qt::red)}});

  ScanThemes(folder_, themes_);
  std::vector<std::pair<std::string, std::string>> listed(themes_.names.begin(), themes_.names.end());
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"alpha", "Alpha Theme"}, {"Beta", "Beta"}, {"junk", "junk"}, {"zeta", "Zeta"}};
  EXPECT_EQ(listed, expected);
  EXPECT_EQ(themes_.current, "zeta");

  settings_.interface.uiTheme = "removed";
  FillWithMarkers();
  ASSERT_TRUE(Load(true, true, true));
  EXPECT_EQ(settings_.interface.uiTheme, "zeta");
  EXPECT_EQ(Menu("New"), Looks(16, QColor(Qt::red)));

  // A theme that exists but cannot be read is kept, and nothing changes.
  settings_.interface.uiTheme = "junk";
  FillWithMarkers();
  EXPECT_FALSE(Load(true, true, true));
  EXPECT_EQ(settings_.interface.uiTheme, "junk");
  EXPECT_EQ(Menu("New"), kMarker);
}

TEST_F(ThemeFolderTest, WithoutAnyThemeTheSettingAndPicturesStay) {
  std::filesystem::remove_all(folder_ + "gfx");
  ScanThemes(folder_, themes_);
  EXPECT_TRUE(themes_.names.empty());
  FillWithMarkers();
  EXPECT_FALSE(Load(true, true, true));
  EXPECT_EQ(settings_.interface.uiTheme, "test");
  EXPECT_EQ(Menu("New"), kMarker);
}

TEST_F(ThemeFolderTest, DisplayNameStandsInTheFirst255Bytes) {
  const std::string head = "[Theme]\r\nName=Near\r\n";
  const std::string comment = "; " + std::string(200, 'x') + "\r\n";
  Theme("near", {{"theme.cfg", comment + head}});
  Theme("far", {{"theme.cfg", comment + comment + head}});
  // 255 bytes end right after "Near" in "cut", and after its CR LF in "fits".
  Theme("cut", {{"theme.cfg", std::string(255 - 18, ';') + head}});
  Theme("fits", {{"theme.cfg", std::string(255 - 20, ';') + head}});
  Theme("nameless", {{"theme.cfg", "[Icons]\r\nNew=new\r\n"}});
  Theme("latin", {{"theme.cfg", "[Theme]\r\nName=Caf\xe9\r\n"}});
  Theme("utf8", {{"theme.cfg", "[Theme]\r\nName=Caf\xc3\xa9\r\n"}});

  EXPECT_EQ(ThemeDisplayName(folder_, "near"), "Near");
  EXPECT_EQ(ThemeDisplayName(folder_, "far"), "");
  EXPECT_EQ(ThemeDisplayName(folder_, "cut"), "");
  EXPECT_EQ(ThemeDisplayName(folder_, "fits"), "Near");
  EXPECT_EQ(ThemeDisplayName(folder_, "nameless"), "");
  EXPECT_EQ(ThemeDisplayName(folder_, "latin"), "Caf\xc3\xa9");
  EXPECT_EQ(ThemeDisplayName(folder_, "utf8"), "Caf\xc3\xa9");
  EXPECT_EQ(ThemeDisplayName(folder_, "missing"), "missing");
}

TEST_F(ThemeFolderTest, ArchiveReadingListsSizesAndStopsAtTheLimit) {
  const std::string path = ThemeArchivePath(folder_, "test");
  Theme("test", {{"dir/a.bin", std::string(100, 'a')}, {"empty.bin", ""}, {"dir/a.bin", "second"}});

  const std::optional<ArchiveListing> listing = ListZipEntries(path);
  ASSERT_TRUE(listing.has_value());
  EXPECT_EQ(*listing, (ArchiveListing{{"dir/a.bin", 100}}));
  EXPECT_EQ(ReadZipEntry(path, "dir/a.bin", 1000), std::string(100, 'a'));
  EXPECT_EQ(ReadZipEntry(path, "dir/a.bin", 10), std::string(10, 'a'));
  EXPECT_EQ(ReadZipEntry(path, "DIR/A.BIN", 1000), std::nullopt);

  test::WriteFile(folder_ + "gfx/junk.zip", std::string(300, 'j'));
  EXPECT_EQ(ListZipEntries(folder_ + "gfx/junk.zip"), std::nullopt);
  EXPECT_EQ(ListZipEntries(folder_ + "gfx/none.zip"), std::nullopt);
}

// ---- the program's own pictures ----

bool HasTransparentAndOpaquePixels(const QImage& image) {
  bool clear = false, solid = false;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const int alpha = qAlpha(image.pixel(x, y));
      clear = clear || alpha == 0;
      solid = solid || alpha == 255;
    }
  return clear && solid;
}

TEST(BuiltInImages, FillEveryNumberWithDistinctPicturesOfTheirSize) {
  ImageStore images;
  LoadBuiltInImages(images);

  const QImage banner = images.Image(kBannerImageId);
  EXPECT_EQ(banner.size(), QSize(360, 40));
  EXPECT_FALSE(banner.hasAlphaChannel());

  EXPECT_EQ(images.Image(ButtonImageIds().at("Convert")).size(), QSize(64, 64));
  EXPECT_EQ(images.Image(ButtonImageIds().at("InFiles")).size(), QSize(48, 48));
  EXPECT_EQ(images.Image(ButtonImageIds().at("InFolder")).size(), QSize(48, 48));
  for (const auto& [name, id] : ButtonImageIds()) EXPECT_TRUE(HasTransparentAndOpaquePixels(images.Image(id))) << name;

  std::vector<QImage> seen;
  for (const auto& [name, id] : MenuImageIds()) {
    const QImage icon = images.Image(id);
    EXPECT_EQ(icon.size(), QSize(16, 16)) << name;
    EXPECT_TRUE(icon.hasAlphaChannel()) << name;
    EXPECT_TRUE(HasTransparentAndOpaquePixels(icon)) << name;
    EXPECT_EQ(images.Image(ToolbarImageIds().at(name)), icon) << name;
    for (const QImage& other : seen) EXPECT_NE(icon, other) << name << " looks like another icon";
    seen.push_back(icon);
  }
  EXPECT_EQ(images.Count(), 1 + ButtonImageIds().size() + 2 * MenuImageIds().size());
}

TEST(ShippedTheme, HandDrawnHasEveryPictureAtEverySize) {
  const std::string programFolder = ExecutableFolder();
  ASSERT_GT(FileSizeOf(ThemeArchivePath(programFolder, "handdrawn")), 0) << "the build puts gfx/handdrawn.zip here";
  EXPECT_EQ(ThemeDisplayName(programFolder, "handdrawn"), "Hand Drawn");

  ImageStore builtIn;
  LoadBuiltInImages(builtIn);
  for (int32_t uiSize = 0; uiSize <= 4; ++uiSize) {
    const int size = IconSizeForUiSize(uiSize);
    Settings settings;
    settings.interface.uiTheme = "handdrawn";
    settings.interface.uiSize = uiSize;
    ImageStore images;
    ASSERT_TRUE(LoadTheme(settings, programFolder, ThemeList{}, images, uiSize == 0, uiSize == 0, true));
    for (const auto& [name, id] : ToolbarImageIds()) {
      const QImage icon = images.Image(id);
      EXPECT_EQ(icon.size(), QSize(size, size)) << name;
      EXPECT_TRUE(HasTransparentAndOpaquePixels(icon)) << name << " " << size;
    }
    if (uiSize != 0) continue;
    for (const auto& [name, id] : MenuImageIds()) {
      EXPECT_EQ(images.Image(id).size(), QSize(16, 16)) << name;
      EXPECT_NE(images.Image(id), builtIn.Image(id)) << name << " is the built-in picture";
    }
    for (const auto& [name, id] : ButtonImageIds())
      EXPECT_EQ(images.Image(id).size(), builtIn.Image(id).size()) << name;
  }
}

}  // namespace
}  // namespace pictavo
