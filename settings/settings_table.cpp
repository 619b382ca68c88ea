// The one table of persistent settings. Groups and keys appear in the order
// config.ini is written; the record layout in settings.h follows the same
// grouping.
#include "settings/settings.h"

#include <array>

namespace pictavo {
namespace {

#define PICTAVO_BYTE(path) [](Settings& s) -> uint8_t& { return s.path; }, nullptr, nullptr, nullptr
#define PICTAVO_INT(path) nullptr, [](Settings& s) -> int32_t& { return s.path; }, nullptr, nullptr
#define PICTAVO_FLOAT(path) nullptr, nullptr, [](Settings& s) -> float& { return s.path; }, nullptr
#define PICTAVO_TEXT(path) nullptr, nullptr, nullptr, [](Settings& s) -> std::string& { return s.path; }

using K = SettingKind;
using D = DefaultRule;
using W = WriteRule;

constexpr const char* kColorChoices = "000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF";

const SettingDescriptor kTable[] = {
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
    {"Input", "DDS Load As", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "dds", PICTAVO_INT(input.ddsLoadAs)},
    {"Input", "GIF Frame Loading", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "gif", PICTAVO_INT(input.gifFrameLoading)},
    {"Input", "ICO Frame Loading", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "ico", PICTAVO_INT(input.icoFrameLoading)},
    {"Input", "TIFF Frame Loading", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "tiff", PICTAVO_INT(input.tiffFrameLoading)},
    {"Input", "RAW Load As", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "raw", PICTAVO_INT(input.rawLoadAs)},
    {"Input", "RAW Header Size", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "raw", PICTAVO_INT(input.rawHeaderSize)},
    {"Input", "RAW Image Width", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "raw", PICTAVO_INT(input.rawImageWidth)},
    {"Input", "RAW Image Height", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "raw", PICTAVO_INT(input.rawImageHeight)},
    {"Input", "RAW Tone Mapping", K::Int, D::Fixed, "2", nullptr, W::WhenFormatListed, "raw", PICTAVO_INT(input.rawToneMapping)},

    {"Output", "Format", K::Text, D::FirstOutputExtension, "", nullptr, W::Always, "", PICTAVO_TEXT(output.format)},
    {"Output", "BMP BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "bmp", PICTAVO_INT(output.bmpBpp)},
    {"Output", "BMP Compression", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "bmp", PICTAVO_INT(output.bmpCompression)},
    {"Output", "BMP Color Table", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "bmp", PICTAVO_INT(output.bmpColorTable)},
    {"Output", "DDS BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "dds", PICTAVO_INT(output.ddsBpp)},
    {"Output", "EXR BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "exr", PICTAVO_INT(output.exrBpp)},
    {"Output", "EXR Compression", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "exr", PICTAVO_INT(output.exrCompression)},
    {"Output", "GIF BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "gif", PICTAVO_INT(output.gifBpp)},
    {"Output", "HDR BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "hdr", PICTAVO_INT(output.hdrBpp)},
    {"Output", "ICO BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "ico", PICTAVO_INT(output.icoBpp)},
    {"Output", "J2K BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "j2k", PICTAVO_INT(output.j2kBpp)},
    {"Output", "JNG BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "jng", PICTAVO_INT(output.jngBpp)},
    {"Output", "JP2 BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "jp2", PICTAVO_INT(output.jp2Bpp)},
    {"Output", "JPG BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "jpg", PICTAVO_INT(output.jpgBpp)},
    {"Output", "JPG Quality", K::Int, D::Fixed, "95", nullptr, W::WhenFormatListed, "jpg", PICTAVO_INT(output.jpgQuality)},
    {"Output", "JPG Chroma", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "jpg", PICTAVO_INT(output.jpgChroma)},
    {"Output", "JPG Save As", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "jpg", PICTAVO_INT(output.jpgSaveAs)},
    {"Output", "JXR BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "jxr", PICTAVO_INT(output.jxrBpp)},
    {"Output", "PBM BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "pbm", PICTAVO_INT(output.pbmBpp)},
    {"Output", "PCX BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "pcx", PICTAVO_INT(output.pcxBpp)},
    {"Output", "PFM BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "pfm", PICTAVO_INT(output.pfmBpp)},
    {"Output", "PGM BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "pgm", PICTAVO_INT(output.pgmBpp)},
    {"Output", "PNG BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "png", PICTAVO_INT(output.pngBpp)},
    {"Output", "PNG Compression", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "png", PICTAVO_INT(output.pngCompression)},
    {"Output", "PNG Interlaced", K::Flag, D::Fixed, "0", nullptr, W::WhenFormatListed, "png", PICTAVO_BYTE(output.pngInterlaced)},
    {"Output", "PPM BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "ppm", PICTAVO_INT(output.ppmBpp)},
    {"Output", "PSD BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "psd", PICTAVO_INT(output.psdBpp)},
    {"Output", "TGA BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "tga", PICTAVO_INT(output.tgaBpp)},
    {"Output", "TGA Compression", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "tga", PICTAVO_INT(output.tgaCompression)},
    {"Output", "TIFF BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "tiff", PICTAVO_INT(output.tiffBpp)},
    {"Output", "TIFF Compression", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "tiff", PICTAVO_INT(output.tiffCompression)},
    {"Output", "TIFF Color Model", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "tiff", PICTAVO_INT(output.tiffColorModel)},
    {"Output", "WBMP BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "wbmp", PICTAVO_INT(output.wbmpBpp)},
    {"Output", "WEBP BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "webp", PICTAVO_INT(output.webpBpp)},
    {"Output", "XPM BPP", K::Int, D::Fixed, "0", nullptr, W::WhenFormatListed, "xpm", PICTAVO_INT(output.xpmBpp)},

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

    {"Watermark", "Do Watermark", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.doWatermark)},
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
    {"Watermark", "Text Position", K::Enum, D::Fixed, "8", nullptr, W::Always, "", PICTAVO_BYTE(watermark.textPosition)},
    {"Watermark", "Text X Offset", K::Int, D::Fixed, "10", nullptr, W::Always, "", PICTAVO_INT(watermark.textXOffset)},
    {"Watermark", "Text Y Offset", K::Int, D::Fixed, "10", nullptr, W::Always, "", PICTAVO_INT(watermark.textYOffset)},
    {"Watermark", "Text Rotation", K::Int, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_INT(watermark.textRotation)},
    {"Watermark", "Text Size", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.textSize)},
    {"Watermark", "Text Scale", K::Int, D::Fixed, "10", nullptr, W::Always, "", PICTAVO_INT(watermark.textScale)},
    {"Watermark", "Image", K::Text, D::Fixed, "", nullptr, W::Always, "", PICTAVO_TEXT(watermark.image)},
    {"Watermark", "Image Greyscale", K::Flag, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.imageGreyscale)},
    {"Watermark", "Image Opacity", K::Int, D::Fixed, "255", nullptr, W::Always, "", PICTAVO_INT(watermark.imageOpacity)},
    {"Watermark", "Image Boundary", K::Enum, D::Fixed, "0", nullptr, W::Always, "", PICTAVO_BYTE(watermark.imageBoundary)},
    {"Watermark", "Image Position", K::Enum, D::Fixed, "8", nullptr, W::Always, "", PICTAVO_BYTE(watermark.imagePosition)},
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
#undef PICTAVO_TEXT

}  // namespace

std::span<const SettingDescriptor> SettingTable() { return kTable; }

}  // namespace pictavo
