// The settings record: every user option and the bits of application state
// that outlive a run. Fields are grouped as in config.ini; every persistent
// field is described once in the descriptor table (settings_table.cpp), which
// drives defaults, the configuration file, the command line and the
// preferences pages.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

// The output formats written (OutputExtensions) give a default and decide
// which per-format keys are saved.
#include "settings/formats.h"

namespace pictavo {

// How a RAW file is loaded ("RAW Load As"); the numbers are those stored.
enum class RawLoadAs : int32_t {
  Auto,          // the embedded preview when it is the whole picture, else LibRaw's rendering
  Headerless8,   // pixel data without a header, 8 bits per channel
  Headerless16,  // pixel data without a header, 16-bit 5-6-5
  Display24,     // FreeImage's display load
  HalfSize48,    // FreeImage's half-size load, 48-bit linear
  Full48,        // FreeImage's full load, 48-bit linear
};

// Which watermark is drawn ("Do Watermark").
enum class WatermarkMode : uint8_t { None, Text, Picture };

// Where a watermark is placed ("Text Position", "Image Position"): row by
// row, three to a row.
enum class WatermarkPosition : uint8_t {
  TopLeft, TopCenter, TopRight,
  MiddleLeft, MiddleCenter, MiddleRight,
  BottomLeft, BottomCenter, BottomRight,
};

struct Settings {
  // Full path of config.ini; set once at start-up, never persisted.
  std::string configPath;

  struct General {
    int32_t cfg = 0;
    std::string language;
    int32_t updateRange = 0;
    int32_t updateDate = 0;
    uint8_t saveWindowPosition = 0;
  } general;

  struct Window {
    uint8_t isMaximized = 0;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
  } window;

  struct Interface {
    std::string uiTheme;
    int32_t uiSize = 0;
  } interface;

  struct Input {
    std::string format;
    int32_t ddsLoadAs = 0;
    int32_t gifFrameLoading = 0;
    int32_t icoFrameLoading = 0;
    int32_t tiffFrameLoading = 0;
    RawLoadAs rawLoadAs = RawLoadAs::Auto;
    int32_t rawHeaderSize = 0;
    int32_t rawImageWidth = 0;
    int32_t rawImageHeight = 0;
    int32_t rawToneMapping = 0;
  } input;

  struct Output {
    std::string format;
    int32_t bmpBpp = 0;
    int32_t bmpCompression = 0;
    int32_t bmpColorTable = 0;
    int32_t ddsBpp = 0;
    int32_t exrBpp = 0;
    int32_t exrCompression = 0;
    int32_t gifBpp = 0;
    int32_t hdrBpp = 0;
    int32_t icoBpp = 0;
    int32_t j2kBpp = 0;
    int32_t jngBpp = 0;
    int32_t jp2Bpp = 0;
    int32_t jpgBpp = 0;
    int32_t jpgQuality = 0;
    int32_t jpgChroma = 0;
    int32_t jpgSaveAs = 0;
    int32_t jxrBpp = 0;
    int32_t pbmBpp = 0;
    int32_t pcxBpp = 0;
    int32_t pfmBpp = 0;
    int32_t pgmBpp = 0;
    int32_t pngBpp = 0;
    int32_t pngCompression = 0;
    uint8_t pngInterlaced = 0;
    int32_t ppmBpp = 0;
    int32_t psdBpp = 0;
    int32_t tgaBpp = 0;
    int32_t tgaCompression = 0;
    int32_t tiffBpp = 0;
    int32_t tiffCompression = 0;
    int32_t tiffColorModel = 0;
    int32_t wbmpBpp = 0;
    int32_t webpBpp = 0;
    int32_t xpmBpp = 0;
  } output;

  struct Transform {
    uint8_t doImageRotation = 0;
    uint8_t imageRotationType = 0;
    int32_t imageRotation = 0;
    std::string imageRotationBackColor;
    uint8_t doImageResize = 0;
    int32_t imageWidth = 0;
    uint8_t imageWidthUnit = 0;
    int32_t imageHeight = 0;
    uint8_t imageHeightUnit = 0;
    uint8_t keepAspectRatio = 0;
    uint8_t imageResizeType = 0;
    uint8_t imageResizeAlgorithm = 0;
    uint8_t doImageFlipHorizontal = 0;
    uint8_t doImageFlipVertical = 0;
  } transform;

  struct Adjustment {
    uint8_t doImageColorCorrection = 0;
    int32_t imageBrightness = 0;
    int32_t imageContrast = 0;
    float imageGamma = 1.0f;
    uint8_t imageInvert = 0;
    uint8_t doImageGreyscale = 0;
    uint8_t doImageThreshold = 0;
    int32_t imageThreshold = 0;
  } adjustment;

  struct Frame {
    uint8_t doFrame = 0;
    int32_t solidLeft = 0;
    int32_t solidRight = 0;
    int32_t solidTop = 0;
    int32_t solidBottom = 0;
    std::string solidLeftColor;
    std::string solidRightColor;
    std::string solidTopColor;
    std::string solidBottomColor;
    int32_t solidOpacity = 0;
  } frame;

  struct Watermark {
    WatermarkMode doWatermark = WatermarkMode::None;
    std::string text;
    std::string fonts;
    std::string font;
    int32_t fontSize = 0;
    int32_t fontLeading = 0;
    std::string fontColors;
    std::string fontColor;
    uint8_t fontStyle = 0;
    uint8_t fontEffect = 0;
    uint8_t textAntialiasing = 0;
    uint8_t textAlignment = 0;
    int32_t textPadding = 0;
    int32_t textOpacity = 0;
    std::string backColors;
    std::string backColor;
    int32_t backOpacity = 0;
    uint8_t textBoundary = 0;
    WatermarkPosition textPosition = WatermarkPosition::TopLeft;
    int32_t textXOffset = 0;
    int32_t textYOffset = 0;
    int32_t textRotation = 0;
    uint8_t textSize = 0;
    int32_t textScale = 0;
    std::string image;
    uint8_t imageGreyscale = 0;
    int32_t imageOpacity = 0;
    uint8_t imageBoundary = 0;
    WatermarkPosition imagePosition = WatermarkPosition::TopLeft;
    int32_t imageXOffset = 0;
    int32_t imageYOffset = 0;
    int32_t imageRotation = 0;
    uint8_t imageSize = 0;
    int32_t imageScale = 0;
  } watermark;

  struct Advanced {
    std::string filenameMask;
    uint8_t fileTimestamp = 0;
    int32_t customTimestamp = 0;
    uint8_t outFoldersHistory = 0;
    uint8_t outFoldersNumber = 0;
    uint8_t keepSubfolders = 0;
    // Camera metadata (EXIF) copied into the output; written after the
    // layout's own keys of the group.
    uint8_t keepMetadata = 0;
    // Files converted at once; 0: one per core, fewer when memory is short.
    int32_t parallelConversions = 0;
  } advanced;

  struct File {
    std::string recentOutFolders;
    std::string recentFiles;
  } file;

  struct Privacy {
    uint8_t cleanRecentFiles = 0;
  } privacy;
};

// Storage kinds of persistent fields. Flag and Enum live in 8 bits, Int and
// Date in 32 signed bits; Color is "RRGGBB", ColorList is such colours joined
// by ",".
enum class SettingKind { Flag, Enum, Int, Float, Text, Date, Color, ColorList };

// How a default is obtained when it is not a fixed value.
enum class DefaultRule {
  Fixed,           // the text in `defaultValue`
  CurrentTime,     // the local date and time when defaults are set
  CenteredX,       // CenteredWindowX(510, 100)
  CenteredY,       // CenteredWindowY(260, 100)
  AspectFlavour,   // 0 for the console flavour, 1 for the window flavour
  FirstInputGroup,
  FirstOutputExtension,
};

// When SaveConfig writes a key.
enum class WriteRule {
  Always,
  WhenFormatListed,  // per-format key: only for entries of InputGroups/OutputExtensions
  WhenSavingWindow,  // only when General/Save Window Position is on
};

struct SettingDescriptor {
  const char* group;
  const char* key;
  SettingKind kind;
  DefaultRule defaultRule;
  const char* defaultValue;  // text form for DefaultRule::Fixed
  // Value LoadConfig uses for an absent key when it differs from the default
  // (nullptr: same as the default).
  const char* absentValue;
  WriteRule writeRule;
  const char* format;  // lower-case extension of a per-format key, else ""
  // Exactly one accessor is set, matching the kind's storage; a setting kept
  // as an enumeration is read and written as its number by the last two.
  uint8_t& (*byteField)(Settings&);
  int32_t& (*intField)(Settings&);
  float& (*floatField)(Settings&);
  std::string& (*textField)(Settings&);
  int64_t (*enumGet)(const Settings&) = nullptr;
  void (*enumSet)(Settings&, int64_t) = nullptr;
};

// Every persistent setting, groups in file order, keys in file order.
std::span<const SettingDescriptor> SettingTable();

// Case-insensitive lookup by group and key; nullptr when unknown.
const SettingDescriptor* FindSetting(std::string_view group, std::string_view key);

// Value access through a descriptor. Integers read from 8-bit fields come back
// unsigned (0..255); storing into an 8-bit field keeps the low 8 bits.
int64_t SettingAsInt(const Settings& settings, const SettingDescriptor& d);
float SettingAsFloat(const Settings& settings, const SettingDescriptor& d);
std::string SettingAsText(const Settings& settings, const SettingDescriptor& d);
void SetSettingInt(Settings& settings, const SettingDescriptor& d, int64_t value);
void SetSettingFloat(Settings& settings, const SettingDescriptor& d, float value);
void SetSettingText(Settings& settings, const SettingDescriptor& d, std::string value);

bool IsByteKind(SettingKind kind);
bool IsTextKind(SettingKind kind);

// Sets every persistent field to its default. `console` is 1 for the
// command-line flavour (Keep Aspect Ratio off) and 0 otherwise. configPath and
// other non-persistent state are left alone.
void SetDefaultSettings(Settings& settings, int console);

// Primary screen size; the desktop installs a provider, tests inject one. With
// no provider the screen counts as 0 × 0.
struct ScreenSize {
  int width = 0;
  int height = 0;
};
void SetPrimaryScreenProvider(std::function<ScreenSize()> provider);
int CenteredWindowX(int width, int fallback);
int CenteredWindowY(int height, int fallback);

// "RRGGBB" (either case) to R + G*256 + B*65536; a text of any other number
// of characters (not bytes) gives 0.
int32_t ColorFromHex(std::string_view text);
// The reverse, six upper-case digits.
std::string ColorToHex(int32_t rgb);

// Seconds since 1970-01-01 00:00:00 counted in local time, as dates are stored.
int32_t LocalNowSeconds();

}  // namespace pictavo
