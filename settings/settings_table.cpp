// The one table of persistent settings. Groups and keys appear in the order
// config.ini is written; the record layout in settings.h follows the same
// grouping. The input groups' and output formats' own settings come from
// their descriptions (settings/formats.cpp), after the group's Format.
#include "settings/settings.h"

#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

namespace pictavo {
namespace {

#define PICTAVO_BYTE(path) [](Settings& s) -> uint8_t& { return s.path; }, nullptr, nullptr, nullptr
#define PICTAVO_INT(path) nullptr, [](Settings& s) -> int32_t& { return s.path; }, nullptr, nullptr
#define PICTAVO_ENUM(path) nullptr, nullptr, nullptr, nullptr, PICTAVO_ENUM_ACCESS(path)
#define PICTAVO_FLOAT(path) nullptr, nullptr, [](Settings& s) -> float& { return s.path; }, nullptr
#define PICTAVO_TEXT(path) nullptr, nullptr, nullptr, [](Settings& s) -> std::string& { return s.path; }

using K = SettingKind;
using D = DefaultRule;
using W = WriteRule;

constexpr const char* kColorChoices = "000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF";

const SettingDescriptor kFixed[] = {
    {"General", "CFG", K::Int, D::Fixed, "17", "0", W::Always, "", PICTAVO_INT(general.cfg)},
    {"General", "Language", K::Text, D::Fixed, "en", nullptr, W::Always, "", PICTAVO_TEXT(general.language)},
    {"General", "Update Range", K::Int, D::Fixed, "2", nullptr, W::Always, "", PICTAVO_INT(general.updateRange)},
    {"General", "Update Date", K::Date, D::CurrentTime, "", nullptr, W::Always, "", PICTAVO_INT(general.updateDate)},
    {"General", "Save Window Position", K::Flag, D::Fixed, "1", nullptr, W::Always, "", PICTAVO_BYTE(general.saveWindowPosition)},

    {"Window", "IsMaximized", K::Flag, D::Fixed, "0", nullptr, W::WhenSavingWindow, "", PICTAVO_BYTE(window.isMaximized)},
    {"Window", "Width", K::Int, D::Fixed, "510", nullptr, W::WhenSavingWindow, "", PICTAVO_INT(window.width)},
    {"Window", "Height", K::Int, D::Fixed, "260", nullptr, W::WhenSavingWindow, "", PICTAVO_INT(window.height)},
    {"Window", "X", K::Int, D::CenteredX, "", "100", W::WhenSavingWindow, "", PICTAVO_INT(window.x)},
    {"Window", "Y", K::Int, D::CenteredY, "", "100", W::WhenSavingWindow, "", PICTAVO_INT(window.y)},

    {"Interface", "UI Theme", K::Text, D::Fixed, "handdrawn", nullptr, W::Always, "", PICTAVO_TEXT(interface.uiTheme)},
    {"Interface", "UI Size", K::Int, D::Fixed, "2", nullptr, W::Always, "", PICTAVO_INT(interface.uiSize)},

    {"Input", "Format", K::Text, D::FirstInputGroup, "", nullptr, W::Always, "", PICTAVO_TEXT(input.format)},
    // Input: the groups' own settings, from their descriptions.
    {"Output", "Format", K::Text, D::FirstOutputExtension, "", nullptr, W::Always, "", PICTAVO_TEXT(output.format)},
    // Output: the formats' own settings, from their descriptions.

    {"Transform", "Do Image Rotation", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(transform.doImageRotation)},
    {"Transform", "Image Rotation Type", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(transform.imageRotationType)},
    {"Transform", "Image Rotation", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(transform.imageRotation)},
    {"Transform", "Image Rotation Back Color", K::Color, D::Fixed, "000000", nullptr, W::Always, "", PICTAVO_TEXT(transform.imageRotationBackColor)},
    {"Transform", "Do Image Resize", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(transform.doImageResize)},
    {"Transform", "Image Width", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(transform.imageWidth)},
    {"Transform", "Image Width Unit", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(transform.imageWidthUnit)},
    {"Transform", "Image Height", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(transform.imageHeight)},
    {"Transform", "Image Height Unit", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(transform.imageHeightUnit)},
    {"Transform", "Keep Aspect Ratio", K::Flag, D::AspectFlavour, "", "1", W::Always, "", PICTAVO_BYTE(transform.keepAspectRatio)},
    {"Transform", "Image Resize Type", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(transform.imageResizeType)},
    {"Transform", "Image Resize Algorithm", K::Enum, D::Fixed, "3", nullptr, W::Always, "", PICTAVO_BYTE(transform.imageResizeAlgorithm)},
    {"Transform", "Do Image Flip Horizontal", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(transform.doImageFlipHorizontal)},
    {"Transform", "Do Image Flip Vertical", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(transform.doImageFlipVertical)},

    {"Adjustment", "Do Image Color Correction", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(adjustment.doImageColorCorrection)},
    {"Adjustment", "Image Brightness", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(adjustment.imageBrightness)},
    {"Adjustment", "Image Contrast", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(adjustment.imageContrast)},
    {"Adjustment", "Image Gamma", K::Float, D::Fixed, "1.0", nullptr, W::Always, "", PICTAVO_FLOAT(adjustment.imageGamma)},
    {"Adjustment", "Image Invert", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(adjustment.imageInvert)},
    {"Adjustment", "Do Image Greyscale", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(adjustment.doImageGreyscale)},
    {"Adjustment", "Do Image Threshold", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(adjustment.doImageThreshold)},
    {"Adjustment", "Image Threshold", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(adjustment.imageThreshold)},

    {"Frame", "Do Frame", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(frame.doFrame)},
    {"Frame", "Solid Left", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(frame.solidLeft)},
    {"Frame", "Solid Right", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(frame.solidRight)},
    {"Frame", "Solid Top", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(frame.solidTop)},
    {"Frame", "Solid Bottom", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(frame.solidBottom)},
    {"Frame", "Solid Left Color", K::Color, D::Fixed, "000000", nullptr, W::Always, "", PICTAVO_TEXT(frame.solidLeftColor)},
    {"Frame", "Solid Right Color", K::Color, D::Fixed, "000000", nullptr, W::Always, "", PICTAVO_TEXT(frame.solidRightColor)},
    {"Frame", "Solid Top Color", K::Color, D::Fixed, "000000", nullptr, W::Always, "", PICTAVO_TEXT(frame.solidTopColor)},
    {"Frame", "Solid Bottom Color", K::Color, D::Fixed, "000000", nullptr, W::Always, "", PICTAVO_TEXT(frame.solidBottomColor)},
    {"Frame", "Solid Opacity", K::Int, D::Fixed, "255", nullptr, W::Always, "", PICTAVO_INT(frame.solidOpacity)},

    {"Watermark", "Do Watermark", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_ENUM(watermark.doWatermark)},
    {"Watermark", "Text", K::Text, D::Fixed, "Converted with Pictavo", nullptr, W::Always, "", PICTAVO_TEXT(watermark.text)},
    {"Watermark", "Fonts", K::Text, D::Fixed, "Arial,Tahoma,Verdana", nullptr, W::Always, "", PICTAVO_TEXT(watermark.fonts)},
    {"Watermark", "Font", K::Text, D::Fixed, "Arial", nullptr, W::Always, "", PICTAVO_TEXT(watermark.font)},
    {"Watermark", "Font Size", K::Int, D::Fixed, "14", nullptr, W::Always, "", PICTAVO_INT(watermark.fontSize)},
    {"Watermark", "Font Leading", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(watermark.fontLeading)},
    {"Watermark", "Font Colors", K::ColorList, D::Fixed, kColorChoices, nullptr, W::Always, "", PICTAVO_TEXT(watermark.fontColors)},
    {"Watermark", "Font Color", K::Color, D::Fixed, "FFFFFF", nullptr, W::Always, "", PICTAVO_TEXT(watermark.fontColor)},
    {"Watermark", "Font Style", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.fontStyle)},
    {"Watermark", "Font Effect", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.fontEffect)},
    {"Watermark", "Text Antialiasing", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.textAntialiasing)},
    {"Watermark", "Text Alignment", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.textAlignment)},
    {"Watermark", "Text Padding", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(watermark.textPadding)},
    {"Watermark", "Text Opacity", K::Int, D::Fixed, "255", nullptr, W::Always, "", PICTAVO_INT(watermark.textOpacity)},
    {"Watermark", "Back Colors", K::ColorList, D::Fixed, kColorChoices, nullptr, W::Always, "", PICTAVO_TEXT(watermark.backColors)},
    {"Watermark", "Back Color", K::Color, D::Fixed, "000000", nullptr, W::Always, "", PICTAVO_TEXT(watermark.backColor)},
    {"Watermark", "Back Opacity", K::Int, D::Fixed, "1", nullptr, W::Always, "", PICTAVO_INT(watermark.backOpacity)},
    {"Watermark", "Text Boundary", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.textBoundary)},
    {"Watermark", "Text Position", K::Enum, D::Fixed, "8", nullptr, W::Always, "", PICTAVO_ENUM(watermark.textPosition)},
    {"Watermark", "Text X Offset", K::Int, D::Fixed, "10", nullptr, W::Always, "", PICTAVO_INT(watermark.textXOffset)},
    {"Watermark", "Text Y Offset", K::Int, D::Fixed, "10", nullptr, W::Always, "", PICTAVO_INT(watermark.textYOffset)},
    {"Watermark", "Text Rotation", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(watermark.textRotation)},
    {"Watermark", "Text Size", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.textSize)},
    {"Watermark", "Text Scale", K::Int, D::Fixed, "10", nullptr, W::Always, "", PICTAVO_INT(watermark.textScale)},
    {"Watermark", "Image", K::Text, D::Fixed, "", nullptr, W::Always, "", PICTAVO_TEXT(watermark.image)},
    {"Watermark", "Image Greyscale", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.imageGreyscale)},
    {"Watermark", "Image Opacity", K::Int, D::Fixed, "255", nullptr, W::Always, "", PICTAVO_INT(watermark.imageOpacity)},
    {"Watermark", "Image Boundary", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.imageBoundary)},
    {"Watermark", "Image Position", K::Enum, D::Fixed, "8", nullptr, W::Always, "", PICTAVO_ENUM(watermark.imagePosition)},
    {"Watermark", "Image X Offset", K::Int, D::Fixed, "10", nullptr, W::Always, "", PICTAVO_INT(watermark.imageXOffset)},
    {"Watermark", "Image Y Offset", K::Int, D::Fixed, "10", nullptr, W::Always, "", PICTAVO_INT(watermark.imageYOffset)},
    {"Watermark", "Image Rotation", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(watermark.imageRotation)},
    {"Watermark", "Image Size", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.imageSize)},
    {"Watermark", "Image Scale", K::Int, D::Fixed, "10", nullptr, W::Always, "", PICTAVO_INT(watermark.imageScale)},

    {"Advanced", "Filename Mask", K::Text, D::Fixed, "%filename%.%ext%", nullptr, W::Always, "", PICTAVO_TEXT(advanced.filenameMask)},
    {"Advanced", "File Timestamp", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(advanced.fileTimestamp)},
    {"Advanced", "Custom Timestamp", K::Date, D::CurrentTime, "", nullptr, W::Always, "", PICTAVO_INT(advanced.customTimestamp)},
    {"Advanced", "Out Folders History", K::Flag, D::Fixed, "1", nullptr, W::Always, "", PICTAVO_BYTE(advanced.outFoldersHistory)},
    {"Advanced", "Out Folders Number", K::Enum, D::Fixed, "5", nullptr, W::Always, "", PICTAVO_BYTE(advanced.outFoldersNumber)},
    {"Advanced", "Keep Subfolders", K::Flag, D::Fixed, "1", nullptr, W::Always, "", PICTAVO_BYTE(advanced.keepSubfolders)},
    {"Advanced", "Keep Metadata", K::Flag, D::Fixed, "1", nullptr, W::Always, "", PICTAVO_BYTE(advanced.keepMetadata)},
    {"Advanced", "Parallel Conversions", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(advanced.parallelConversions)},

    {"File", "Recent Out Folders", K::Text, D::Fixed, "", nullptr, W::Always, "", PICTAVO_TEXT(file.recentOutFolders)},
    {"File", "Recent Files", K::Text, D::Fixed, "", nullptr, W::Always, "", PICTAVO_TEXT(file.recentFiles)},

    {"Privacy", "Clean Recent Files", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(privacy.cleanRecentFiles)},
};

#undef PICTAVO_BYTE
#undef PICTAVO_INT
#undef PICTAVO_FLOAT
#undef PICTAVO_ENUM
#undef PICTAVO_TEXT

// A per-format setting, written only while its format is listed.
SettingDescriptor FormatRow(const char* group, const char* key, const char* format, const FormatField& field) {
  if (!field.number && !field.flag && !field.enumGet)
    throw std::logic_error(std::string("format setting without a field: ") + key);
  return {group, key, field.flag ? K::Flag : K::Int, D::Fixed, field.defaultValue, nullptr, W::WhenFormatListed, format,
          field.flag, field.number, nullptr, nullptr, field.enumGet, field.enumSet};
}

std::vector<SettingDescriptor> BuildTable() {
  static std::deque<std::string> depthKeys;  // "PNG BPP" and the like, for the table's lifetime
  std::vector<SettingDescriptor> table;
  for (const SettingDescriptor& d : kFixed) {
    table.push_back(d);
    if (std::string_view(d.key) != "Format") continue;
    if (std::string_view(d.group) == "Input") {
      for (const InputFormatDescription& format : InputFormatDescriptions())
        for (const FormatSetting& setting : format.settings)
          if (setting.key) table.push_back(FormatRow("Input", setting.key, format.group, setting.field));
    } else {
      for (const OutputFormatDescription& format : OutputFormatDescriptions()) {
        depthKeys.push_back(DepthSettingKey(format.extension));
        table.push_back(FormatRow("Output", depthKeys.back().c_str(), format.extension, format.depth));
        for (const FormatSetting& setting : format.settings)
          if (setting.key) table.push_back(FormatRow("Output", setting.key, format.extension, setting.field));
      }
    }
  }
  return table;
}

}  // namespace

std::span<const SettingDescriptor> SettingTable() {
  static const std::vector<SettingDescriptor> table = BuildTable();
  return table;
}

}  // namespace pictavo
