#include "settings/formats.h"

#include <FreeImage.h>

#include "base/text_util.h"

namespace pictavo {

namespace {

using K = Keywords;
using P = RowPattern;

std::vector<OutputFormatDescription> MakeOutputFormats() {
  const FormatSetting compressionRle = {nullptr, nullptr, nullptr, K::None, "Compression", P::List, {"RLE"}};
  auto compression = [](const char* key, const char* option, std::vector<const char*> entries,
                        std::vector<int32_t> flags) {
    return FormatSetting{key, option, key, K::Compression, "Compression", P::List, std::move(entries), std::move(flags)};
  };
  return {
      {"bmp", FIF_BMP, "Windows or OS/2 Bitmap", "1,4,8,16,24,32", 0,
       {compression("BMP Compression", "--BMP-COMPRESSION", {"None", "RLE"}, {BMP_DEFAULT, BMP_SAVE_RLE}),
        {"BMP Color Table", "--BMP-COLOR-TABLE", "BMP Color Table", K::BmpColorTable, "Color Table", P::List,
         {"Auto", "Exact"}}}},
      {"dds", -1, "", "", 0, {}},
      {"exr", FIF_EXR, "ILM OpenEXR", "96", 0,
       {compression("EXR Compression", "--EXR-COMPRESSION", {"None", "ZIP", "PIZ", "PXR24", "B44"},
                    {EXR_NONE, EXR_ZIP, EXR_PIZ, EXR_PXR24, EXR_B44})}},
      {"gif", FIF_GIF, "Graphics Interchange Format", "8", 0, {}},
      {"hdr", FIF_HDR, "High Dynamic Range Image", "96", 0, {}},
      {"ico", FIF_ICO, "Windows Icon", "1,4,8,16,24,32", 0, {}},
      {"j2k", FIF_J2K, "JPEG-2000 Codestream", "8,24,32,48", 0, {}},
      {"jng", FIF_JNG, "JPEG Network Graphics", "24,32", 0, {}},
      {"jp2", FIF_JP2, "JPEG-2000 File Format", "8,24,32,48", 0, {}},
      {"jpg", FIF_JPEG, "JPEG File Format", "8,24", 0,
       {{"JPG Quality", "--JPG-QUALITY", "JPG Quality", K::None, "Image Quality", P::Slider, {}, {}, true, 1, 100},
        {"JPG Chroma", "--JPG-CHROMA", "JPG Chroma Subsampling", K::JpegChroma, "Chroma Subsampling", P::List,
         {"None", "Low", "Medium", "High"},
         {JPEG_SUBSAMPLING_444, JPEG_SUBSAMPLING_422, JPEG_SUBSAMPLING_420, JPEG_SUBSAMPLING_411}},
        {"JPG Save As", "--JPG-SAVE-AS", "JPG Save As", K::JpegSaveAs, "Save As", P::List,
         {"Baseline Standard", "Baseline Simple", "Baseline Optimized", "Progressive"},
         {0, JPEG_BASELINE, JPEG_OPTIMIZE, JPEG_PROGRESSIVE}}}},
      {"jxr", FIF_JXR, "JPEG XR Image Format", "1,8,16,24,32,48,96", JXR_LOSSLESS, {}},
      {"pbm", FIF_PBM, "Portable Bitmap", "1", 0, {}},
      {"pcx", -1, "", "", 0, {compressionRle}},
      {"pfm", FIF_PFM, "Portable Floatmap", "96", 0, {}},
      {"pgm", FIF_PGM, "Portable Greymap", "8", 0, {}},
      {"png", FIF_PNG, "Portable Network Graphics", "1,4,8,24,32,48", 0,
       {compression("PNG Compression", "--PNG-COMPRESSION", {"None", "ZLIB1", "ZLIB6", "ZLIB9"},
                    {PNG_Z_NO_COMPRESSION, PNG_Z_BEST_SPEED, PNG_Z_DEFAULT_COMPRESSION, PNG_Z_BEST_COMPRESSION}),
        {"PNG Interlaced", "--PNG-INTERLACED", "PNG Interlaced", K::None, "Interlaced", P::Check, {},
         {0, PNG_INTERLACED}}},
       Writes::Yes},
      {"ppm", FIF_PPM, "Portable Pixelmap", "24,48", 0, {}},
      {"psd", -1, "", "", 0, {}},
      {"tga", FIF_TARGA, "Truevision Targa", "8,16,24,32", 0,
       {compression("TGA Compression", "--TGA-COMPRESSION", {"None", "RLE"}, {TARGA_DEFAULT, TARGA_SAVE_RLE})}},
      {"tiff", FIF_TIFF, "Tagged Image File Format", "1,4,8,24,32,48,96", 0,
       {compression("TIFF Compression", "--TIFF-COMPRESSION",
                    {"None", "CCITTFAX3", "CCITTFAX4", "PACKBITS", "DEFLATE", "ADOBEDEFLATE", "LZW", "JPEG", "LOGLUV"},
                    {TIFF_NONE, TIFF_CCITTFAX3, TIFF_CCITTFAX4, TIFF_PACKBITS, TIFF_DEFLATE, TIFF_ADOBE_DEFLATE,
                     TIFF_LZW, TIFF_JPEG, TIFF_LOGLUV}),
        {"TIFF Color Model", "--TIFF-COLOR-MODEL", "TIFF Color Model", K::TiffColorModel, "Color Model", P::List,
         {"RGB", "CMYK"}, {0, TIFF_CMYK}}}},
      {"wbmp", FIF_WBMP, "Wireless Bitmap", "1", 0, {}},
      {"webp", FIF_WEBP, "Google WebP Image Format", "24,32", WEBP_LOSSLESS, {}},
      {"xpm", FIF_XPM, "X11 Pixmap Format", "24", 0, {}},
  };
}

std::vector<InputFormatDescription> MakeInputFormats() {
  auto frameLoading = [](const char* key, const char* option) {
    return FormatSetting{key, option, key, K::FrameLoading, "Frame Loading", P::List,
                         {"All Frames", "First Frame", "Middle Frame", "Last Frame", "Random Frame"}};
  };
  return {
      {"dds",
       {{"DDS Load As", "--DDS-LOAD-AS", "DDS Load As", K::DdsLoadAs, "Load As", P::List, {"Auto", "BGRA", "RGBA"}}}},
      {"gif", {frameLoading("GIF Frame Loading", "--GIF-FRAME-LOADING")}},
      {"ico", {frameLoading("ICO Frame Loading", "--ICO-FRAME-LOADING")}},
      {"raw",
       {{"RAW Load As", "--RAW-LOAD-AS", "RAW Load As", K::RawLoadAs, "Load As", P::List,
         {"Auto", "RGB8", "RGB16", "RGB24", "RGB48HS", "RGB48"}},
        {"RAW Header Size", "--RAW-HEADER-SIZE", "RAW Header Size", K::None, "Header Size", P::NumberUnit, {"Bytes"}},
        {"RAW Image Width", "--RAW-WIDTH", "RAW Image Width", K::None, "Image Width", P::NumberUnit, {"Pixels"}},
        {"RAW Image Height", "--RAW-HEIGHT", "RAW Image Height", K::None, "Image Height", P::NumberUnit, {"Pixels"}},
        {"RAW Tone Mapping", "--RAW-TONE-MAPPING", "RAW Tone Mapping", K::ToneMapping, "Tone Mapping", P::List,
         {"None", "Linear", "Adaptive Logarithmic", "DR Reduction", "Gradient Domain"}}}},
      {"tiff", {frameLoading("TIFF Frame Loading", "--TIFF-FRAME-LOADING")}},
  };
}

}  // namespace

const std::vector<OutputFormatDescription>& OutputFormatDescriptions() {
  static const std::vector<OutputFormatDescription> formats = MakeOutputFormats();
  return formats;
}

const std::vector<InputFormatDescription>& InputFormatDescriptions() {
  static const std::vector<InputFormatDescription> formats = MakeInputFormats();
  return formats;
}

const OutputFormatDescription* FindOutputFormatDescription(std::string_view extension) {
  for (const OutputFormatDescription& format : OutputFormatDescriptions())
    if (extension == format.extension) return &format;
  return nullptr;
}

const InputFormatDescription* FindInputFormatDescription(std::string_view group) {
  for (const InputFormatDescription& format : InputFormatDescriptions())
    if (group == format.group) return &format;
  return nullptr;
}

std::string DepthSettingKey(std::string_view extension) { return ToUpperAscii(extension) + " BPP"; }

std::string DepthOption(std::string_view extension) { return "--" + ToUpperAscii(extension) + "-BPP"; }

const std::vector<std::string>& OutputExtensions() {
  static const std::vector<std::string> written = [] {
    std::vector<std::string> extensions;
    for (const OutputFormatDescription& format : OutputFormatDescriptions())
      if (format.writes == Writes::Yes) extensions.push_back(format.extension);
    return extensions;
  }();
  return written;
}

}  // namespace pictavo
