#include "ui/themes.h"

#include <QByteArrayView>
#include <QString>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <vector>

#include "engine/job.h"
#include "settings/settings.h"
#include "base/text_util.h"
#include "ui/icons/builtin_images.h"
#include "ui/zip_reader.h"

namespace pictavo {

namespace {

// Menu and toolbar icon numbers are one block apart.
constexpr int32_t kToolbarIdOffset = 24;

constexpr std::string_view kThemeConfig = "theme.cfg";
// Only this much of theme.cfg is read for the display name, so the name has
// to stand near the top of the file.
constexpr int64_t kDisplayNameBytes = 255;

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

size_t FindNoCase(std::string_view text, std::string_view needle, size_t from) {
  if (from > text.size()) return std::string_view::npos;
  const auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), needle.begin(),
                              needle.end(), [](char a, char b) { return LowerAscii(a) == LowerAscii(b); });
  return it == text.end() && !needle.empty() ? std::string_view::npos : static_cast<size_t>(it - text.begin());
}

std::string_view TrimChar(std::string_view text, char c) {
  const size_t first = text.find_first_not_of(c);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(c) - first + 1);
}

// theme.cfg is 8-bit text of no declared encoding. Names written as UTF-8
// stay as they are; anything else is taken as Latin-1, which every byte
// string is.
std::string TextToUtf8(const std::string& bytes) {
  const bool isUtf8 = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size())).toStdString() == bytes;
  return isUtf8 ? bytes : Latin1ToUtf8(bytes);
}

QImage DecodePng(std::string_view bytes) {
  return QImage::fromData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), "PNG");
}

// One open theme archive with its listing. Entries are read by reopening the
// file, as zip reading in libarchive runs forward only.
class ThemeArchive {
 public:
  static std::optional<ThemeArchive> Open(const std::string& path) {
    std::optional<ArchiveListing> listing = ListZipEntries(path);
    if (!listing) return std::nullopt;
    return ThemeArchive(path, std::move(*listing));
  }

  // The whole entry, or nothing when it is not listed, is larger than the
  // sane limit or does not read.
  std::optional<std::string> Read(const std::string& name) const {
    const auto it = listing_.find(name);
    if (it == listing_.end() || it->second > kMaxThemeEntryBytes) return std::nullopt;
    return ReadZipEntry(path_, name, it->second);
  }

  bool Has(const std::string& name) const { return listing_.contains(name); }

 private:
  ThemeArchive(std::string path, ArchiveListing listing) : path_(std::move(path)), listing_(std::move(listing)) {}

  std::string path_;
  ArchiveListing listing_;
};

// Sets the pictures of one image set from a section of theme.cfg.
void LoadImageSet(const ThemeArchive& archive, const std::string& config, const ImageIdMap& ids,
                  std::string_view section, const std::string& size, ImageStore& images) {
  for (const auto& [name, id] : ids) {
    std::string entry = ThemeValue(config, section, name);
    // A name the configuration does not mention names no picture (not the
    // entry "_16.png").
    if (entry.empty()) continue;
    if (FindNoCase(entry, ".png", 0) == std::string_view::npos) entry += "_" + size + ".png";
    if (!archive.Has(entry)) continue;
    const std::optional<std::string> bytes = archive.Read(entry);
    if (!bytes) continue;
    QImage image = DecodePng(*bytes);
    if (!image.isNull()) images.Set(id, std::move(image));
  }
}

}  // namespace

// ---- image numbers ----

const ImageIdMap& ButtonImageIds() {
  static const ImageIdMap ids{{"Convert", 2}, {"InFiles", 3}, {"InFolder", 4}};
  return ids;
}

const ImageIdMap& MenuImageIds() {
  static const ImageIdMap ids{{"New", 5},
                              {"Add", 6},
                              {"InFiles", 7},
                              {"InFolder", 8},
                              {"OutFolder", 9},
                              {"OutFormat", 10},
                              {"FavFolder", 11},
                              {"ImportFiles", 12},
                              {"ExportFiles", 13},
                              {"Exit", 14},
                              {"Copy", 15},
                              {"Delete", 16},
                              {"SelectAll", 17},
                              {"Convert", 18},
                              {"Error", 19},
                              {"Preferences", 20},
                              {"CustomConverter", 21},
                              {"Help", 22},
                              {"Email", 25},
                              {"Web", 26},
                              {"Updates", 27},
                              {"About", 28}};
  return ids;
}

const ImageIdMap& ToolbarImageIds() {
  static const ImageIdMap ids = [] {
    ImageIdMap out;
    for (const auto& [name, id] : MenuImageIds()) out.emplace(name, id + kToolbarIdOffset);
    return out;
  }();
  return ids;
}

void ImageStore::Set(int32_t id, QImage image) { images_[id] = std::move(image); }

bool ImageStore::Has(int32_t id) const { return images_.contains(id); }

QImage ImageStore::Image(int32_t id) const {
  const auto it = images_.find(id);
  return it == images_.end() ? QImage() : it->second;
}

QPixmap ImageStore::Pixmap(int32_t id) const { return QPixmap::fromImage(Image(id)); }

QIcon ImageStore::Icon(int32_t id) const {
  const QImage image = Image(id);
  return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

ImageStore& ProgramImages() {
  static ImageStore images;
  return images;
}

int32_t IconSizeForUiSize(int32_t index) {
  switch (index) {
    case 1: return 24;
    case 2: return 32;
    case 3: return 48;
    case 4: return 64;
    default: return 16;
  }
}

void LoadBuiltInImages(ImageStore& images) {
  const auto decoded = [](const BuiltInImage& picture) {
    return DecodePng(std::string_view(reinterpret_cast<const char*>(picture.png.data()), picture.png.size()));
  };
  for (const BuiltInImage& picture : BuiltInImages())
    if (picture.set == BuiltInSet::Banner) images.Set(kBannerImageId, decoded(picture));
  for (const BuiltInImage& picture : BuiltInImages())
    if (picture.set == BuiltInSet::Button) {
      const auto id = ButtonImageIds().find(picture.name);
      if (id != ButtonImageIds().end()) images.Set(id->second, decoded(picture));
    }
  // The toolbar starts out with the very same 16 × 16 pictures as the menus.
  for (const ImageIdMap* ids : {&MenuImageIds(), &ToolbarImageIds()})
    for (const BuiltInImage& picture : BuiltInImages())
      if (picture.set == BuiltInSet::Icon) {
        const auto id = ids->find(picture.name);
        if (id != ids->end()) images.Set(id->second, decoded(picture));
      }
}

// ---- themes ----

bool ThemeIdLess::operator()(std::string_view a, std::string_view b) const {
  const auto lower = [](char x, char y) {
    return static_cast<unsigned char>(LowerAscii(x)) < static_cast<unsigned char>(LowerAscii(y));
  };
  if (std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), lower)) return true;
  if (std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), lower)) return false;
  return a < b;
}

std::string ThemeFolder(const std::string& programFolder) {
  // Beside the program in the build folder; in share/pictavo once installed.
  const std::string beside = programFolder + "gfx/";
  std::error_code error;
  if (std::filesystem::is_directory(beside, error)) return beside;
  return programFolder + "../share/pictavo/gfx/";
}

std::string ThemeArchivePath(const std::string& programFolder, std::string_view id) {
  return ThemeFolder(programFolder) + std::string(id) + ".zip";
}

void ScanThemes(const std::string& programFolder, ThemeList& themes) {
  namespace fs = std::filesystem;
  themes.names.clear();
  themes.current.clear();

  std::vector<std::string> ids;
  std::error_code error;
  fs::directory_iterator it(ThemeFolder(programFolder), error);
  for (; !error && it != fs::directory_iterator(); it.increment(error)) {
    const std::string name = it->path().filename().string();
    // Exactly ".zip": the theme is loaded again by id + ".zip", and on this
    // file system "X.ZIP" would not be found that way.
    if (name.size() <= 4 || !name.ends_with(".zip")) continue;
    std::error_code kindError;
    if (!it->is_regular_file(kindError)) continue;
    ids.push_back(name.substr(0, name.size() - 4));
  }
  std::sort(ids.begin(), ids.end(), ThemeIdLess{});
  for (const std::string& id : ids) {
    themes.names[id] = ThemeDisplayName(programFolder, id);
    themes.current = id;
  }
}

std::string ThemeDisplayName(const std::string& programFolder, std::string_view id) {
  const std::string path = ThemeArchivePath(programFolder, id);
  if (FileSizeOf(path) <= 0 || !ListZipEntries(path)) return std::string(id);
  std::string head = ReadZipEntry(path, kThemeConfig, kDisplayNameBytes).value_or(std::string());
  head.resize(std::min(head.size(), head.find('\0')));
  return TextToUtf8(ThemeValue(head, "Theme", "Name"));
}

bool LoadTheme(Settings& settings, const std::string& programFolder, const ThemeList& themes, ImageStore& images,
               bool buttons, bool menuIcons, bool toolbarIcons) {
  std::string path = ThemeArchivePath(programFolder, settings.interface.uiTheme);
  if (FileSizeOf(path) < 0 && !themes.names.empty()) {
    // The chosen theme is gone: take the one the scan found last, and keep
    // that choice in the settings.
    settings.interface.uiTheme = themes.current.empty() ? themes.names.rbegin()->first : themes.current;
    path = ThemeArchivePath(programFolder, settings.interface.uiTheme);
  }
  if (FileSizeOf(path) <= 0) return false;
  const std::optional<ThemeArchive> archive = ThemeArchive::Open(path);
  if (!archive) return false;

  // A missing, empty or oversized theme.cfg reads as no text: no picture is
  // replaced.
  const std::string config = archive->Read(std::string(kThemeConfig)).value_or(std::string());
  const std::string menuSize = "16";
  if (buttons) LoadImageSet(*archive, config, ButtonImageIds(), "Buttons", menuSize, images);
  if (menuIcons) LoadImageSet(*archive, config, MenuImageIds(), "Icons", menuSize, images);
  if (toolbarIcons)
    LoadImageSet(*archive, config, ToolbarImageIds(), "Icons",
                 std::to_string(IconSizeForUiSize(settings.interface.uiSize)), images);
  return true;
}

std::string ThemeValue(std::string_view text, std::string_view section, std::string_view key) {
  const std::string header = "[" + std::string(section) + "]";
  const size_t start = FindNoCase(text, header, 0);
  if (start == std::string_view::npos) return {};
  size_t end = text.find('[', start + 1);
  if (end == std::string_view::npos) end = text.size();

  // The key is found as the start of a line, and only its start: "Convert"
  // also answers to a line "ConvertLarge=..." that comes first.
  const size_t at = FindNoCase(text, "\r\n" + std::string(key), start);
  if (at == std::string_view::npos || at >= end) return {};
  const size_t lineEnd = text.find("\r\n", at + 2);
  if (lineEnd == std::string_view::npos) return {};
  const std::string_view line = text.substr(at, lineEnd - at);

  const size_t equals = line.find('=');
  if (equals == std::string_view::npos) return {};
  const size_t second = line.find('=', equals + 1);
  std::string_view value =
      line.substr(equals + 1, second == std::string_view::npos ? std::string_view::npos : second - equals - 1);
  for (char c : {' ', '\t', '\r', '\n'}) value = TrimChar(value, c);
  return std::string(value);
}

}  // namespace pictavo
