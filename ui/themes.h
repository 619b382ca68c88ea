// Interface pictures and themes. Every picture of the desktop interface lives
// under a fixed image number: the built-in pictures fill them at start-up,
// and a theme (a zip archive in the "gfx" folder beside the executable) can
// replace any of them. Functions take the settings, the program folder and the
// image store they work on, so that tests can bring their own.
#pragma once

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace pictavo {

struct Settings;

// ---- image numbers ----

// Name → image number. Names are compared exactly ("Convert", "FavFolder").
using ImageIdMap = std::map<std::string, int32_t, std::less<>>;

const ImageIdMap& ButtonImageIds();   // "Convert" 2, "InFiles" 3, "InFolder" 4
const ImageIdMap& MenuImageIds();     // "New" 5 ... "About" 28
const ImageIdMap& ToolbarImageIds();  // the menu names, each number + 24

// The about box banner (360 × 40, opaque).
inline constexpr int32_t kBannerImageId = 0;

// Pictures by image number. The program has one (ProgramImages); tests make
// their own. Pictures are kept as QImage so that loading needs no display;
// Pixmap and Icon are for the widgets and need a QGuiApplication.
class ImageStore {
 public:
  void Set(int32_t id, QImage image);
  bool Has(int32_t id) const;
  // Null image when the number holds no picture.
  QImage Image(int32_t id) const;
  QPixmap Pixmap(int32_t id) const;
  QIcon Icon(int32_t id) const;
  size_t Count() const { return images_.size(); }
  void Clear() { images_.clear(); }

 private:
  std::map<int32_t, QImage> images_;
};

ImageStore& ProgramImages();

// Main toolbar icon size in pixels for `Interface`/`UI Size`: 0 → 16,
// 1 → 24, 2 → 32, 3 → 48, 4 → 64, anything else → 16.
int32_t IconSizeForUiSize(int32_t index);

// Decodes every built-in picture into its number: the banner, the buttons,
// the 16 × 16 menu icons, and the same icons again for the toolbar.
void LoadBuiltInImages(ImageStore& images);

// ---- themes ----

// Orders theme identifiers as the preferences window lists them: ASCII case
// ignored, ties (names differing only in case) broken bytewise.
struct ThemeIdLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};

struct ThemeList {
  std::map<std::string, std::string, ThemeIdLess> names;  // identifier → display name
  // The entry the theme fallback picks: after ScanThemes, the last theme found.
  std::string current;
};

// programFolder ends in "/"; themes live in programFolder + "gfx/", or in
// programFolder + "../share/pictavo/gfx/" in an installed tree.
std::string ThemeFolder(const std::string& programFolder);
std::string ThemeArchivePath(const std::string& programFolder, std::string_view id);

// Refills `themes` from the *.zip files of the theme folder (a missing folder
// leaves it empty). Files are visited in ThemeIdLess order, so the fallback
// theme is the same on every machine.
void ScanThemes(const std::string& programFolder, ThemeList& themes);

// The `Theme`/`Name` value of the archive's "theme.cfg", read from its first
// 255 bytes only; empty when the file lacks it. The identifier itself when the
// archive is missing, empty or not a zip archive.
std::string ThemeDisplayName(const std::string& programFolder, std::string_view id);

// Replaces the pictures of the chosen sets from the theme `Interface`/`UI
// Theme`. When that archive does not exist but `themes` has entries, the
// setting switches to themes.current first. Pictures the theme lacks, or that
// do not decode, keep what they had. Returns false when no archive was read.
bool LoadTheme(Settings& settings, const std::string& programFolder, const ThemeList& themes, ImageStore& images,
               bool buttons, bool menuIcons, bool toolbarIcons);

// No single theme archive entry is read beyond this many bytes; interface
// pictures and theme.cfg are far smaller.
inline constexpr int64_t kMaxThemeEntryBytes = 16 << 20;

// Value lookup in a "theme.cfg" text (CR LF lines, [Section] headers, Key=Value
// entries), with the format's long-standing rules kept: the section header and
// the key match without regard to ASCII case, the key matches as a prefix of
// the line, a key on a last line without CR LF is not found, the value ends
// at a second "=", and spaces, then TABs, CRs and LFs are trimmed from its ends.
std::string ThemeValue(std::string_view text, std::string_view section, std::string_view key);

}  // namespace pictavo
