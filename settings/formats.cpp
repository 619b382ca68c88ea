#include "settings/formats.h"

#include <FreeImage.h>

#include "base/text_util.h"
#include "settings/settings.h"

namespace pictavo {

namespace {

#define PICTAVO_NUMBER(path, ...) FormatField{[](Settings& s) -> int32_t& { return s.path; }, nullptr __VA_OPT__(, ) __VA_ARGS__}
#define PICTAVO_FLAG(path) FormatField{nullptr, [](Settings& s) -> uint8_t& { return s.path; }}
#define PICTAVO_NAMED(path) FormatField{nullptr, nullptr, "0", PICTAVO_ENUM_ACCESS(path)}

using K = Keywords;
using P = RowPattern;

std::vector<OutputFormatDescription> MakeOutputFormats() {
  const FormatSetting compressionRle = {nullptr, {}, nullptr, nullptr, K::None, "Compression", P::List, {"RLE"}};
  auto compression = [](const char* key, FormatField field, const char* option, std::vector<const char*> entries,
                        std::vector<int32_t> flags) {
    return FormatSetting{key, field, option, key, K::Compression, "Compression", P::List, std::move(entries), std::move(flags)};
  };
  return {
      {"bmp", PICTAVO_NUMBER(output.bmpBpp), FIF_BMP, "Windows or OS/2 Bitmap", "1,4,8,16,24,32", 0,
       {compression("BMP Compression", PICTAVO_NUMBER(output.bmpCompression), "--BMP-COMPRESSION", {"None", "RLE"}, {BMP_DEFAULT, BMP_SAVE_RLE}),
        {"BMP Color Table", PICTAVO_NUMBER(output.bmpColorTable), "--BMP-COLOR-TABLE", "BMP Color Table", K::BmpColorTable, "Color Table", P::List,
         {"Auto", "Exact"}}}},
      {"dds", PICTAVO_NUMBER(output.ddsBpp), -1, "", "", 0, {}},
      {"exr", PICTAVO_NUMBER(output.exrBpp), FIF_EXR, "ILM OpenEXR", "96", 0,
       {compression("EXR Compression", PICTAVO_NUMBER(output.exrCompression), "--EXR-COMPRESSION", {"None", "ZIP", "PIZ", "PXR24", "B44"},
                    {EXR_NONE, EXR_ZIP, EXR_PIZ, EXR_PXR24, EXR_B44})}},
      {"gif", PICTAVO_NUMBER(output.gifBpp), FIF_GIF, "Graphics Interchange Format", "8", 0, {}},
      {"hdr", PICTAVO_NUMBER(output.hdrBpp), FIF_HDR, "High Dynamic Range Image", "96", 0, {}},
      {"ico", PICTAVO_NUMBER(output.icoBpp), FIF_ICO, "Windows Icon", "1,4,8,16,24,32", 0, {}},
      {"j2k", PICTAVO_NUMBER(output.j2kBpp), FIF_J2K, "JPEG-2000 Codestream", "8,24,32,48", 0, {}},
      {"jng", PICTAVO_NUMBER(output.jngBpp), FIF_JNG, "JPEG Network Graphics", "24,32", 0, {}},
      {"jp2", PICTAVO_NUMBER(output.jp2Bpp), FIF_JP2, "JPEG-2000 File Format", "8,24,32,48", 0, {}},
      {"jpg", PICTAVO_NUMBER(output.jpgBpp), FIF_JPEG, "JPEG File Format", "8,24", 0,
       {{"JPG Quality", PICTAVO_NUMBER(output.jpgQuality, "95"), "--JPG-QUALITY", "JPG Quality", K::None, "Image Quality", P::Slider, {}, {}, true, 1, 100},
        {"JPG Chroma", PICTAVO_NUMBER(output.jpgChroma), "--JPG-CHROMA", "JPG Chroma Subsampling", K::JpegChroma, "Chroma Subsampling", P::List,
         {"None", "Low", "Medium", "High"},
         {JPEG_SUBSAMPLING_444, JPEG_SUBSAMPLING_422, JPEG_SUBSAMPLING_420, JPEG_SUBSAMPLING_411}},
        {"JPG Save As", PICTAVO_NUMBER(output.jpgSaveAs), "--JPG-SAVE-AS", "JPG Save As", K::JpegSaveAs, "Save As", P::List,
         {"Baseline Standard", "Baseline Simple", "Baseline Optimized", "Progressive"},
         {0, JPEG_BASELINE, JPEG_OPTIMIZE, JPEG_PROGRESSIVE}}}},
      {"jxr", PICTAVO_NUMBER(output.jxrBpp), FIF_JXR, "JPEG XR Image Format", "1,8,16,24,32,48,96", JXR_LOSSLESS, {}},
      {"pbm", PICTAVO_NUMBER(output.pbmBpp), FIF_PBM, "Portable Bitmap", "1", 0, {}},
      {"pcx", PICTAVO_NUMBER(output.pcxBpp), -1, "", "", 0, {compressionRle}},
      {"pfm", PICTAVO_NUMBER(output.pfmBpp), FIF_PFM, "Portable Floatmap", "96", 0, {}},
      {"pgm", PICTAVO_NUMBER(output.pgmBpp), FIF_PGM, "Portable Greymap", "8", 0, {}},
      {"png", PICTAVO_NUMBER(output.pngBpp), FIF_PNG, "Portable Network Graphics", "1,4,8,24,32,48", 0,
       {compression("PNG Compression", PICTAVO_NUMBER(output.pngCompression), "--PNG-COMPRESSION", {"None", "ZLIB1", "ZLIB6", "ZLIB9"},
                    {PNG_Z_NO_COMPRESSION, PNG_Z_BEST_SPEED, PNG_Z_DEFAULT_COMPRESSION, PNG_Z_BEST_COMPRESSION}),
        {"PNG Interlaced", PICTAVO_FLAG(output.pngInterlaced), "--PNG-INTERLACED", "PNG Interlaced", K::None, "Interlaced", P::Check, {},
         {0, PNG_INTERLACED}}},
       Writes::Yes},
      {"ppm", PICTAVO_NUMBER(output.ppmBpp), FIF_PPM, "Portable Pixelmap", "24,48", 0, {}},
      {"psd", PICTAVO_NUMBER(output.psdBpp), -1, "", "", 0, {}},
      {"tga", PICTAVO_NUMBER(output.tgaBpp), FIF_TARGA, "Truevision Targa", "8,16,24,32", 0,
       {compression("TGA Compression", PICTAVO_NUMBER(output.tgaCompression), "--TGA-COMPRESSION", {"None", "RLE"}, {TARGA_DEFAULT, TARGA_SAVE_RLE})}},
      {"tiff", PICTAVO_NUMBER(output.tiffBpp), FIF_TIFF, "Tagged Image File Format", "1,4,8,24,32,48,96", 0,
       {compression("TIFF Compression", PICTAVO_NUMBER(output.tiffCompression), "--TIFF-COMPRESSION",
                    {"None", "CCITTFAX3", "CCITTFAX4", "PACKBITS", "DEFLATE", "ADOBEDEFLATE", "LZW", "JPEG", "LOGLUV"},
                    {TIFF_NONE, TIFF_CCITTFAX3, TIFF_CCITTFAX4, TIFF_PACKBITS, TIFF_DEFLATE, TIFF_ADOBE_DEFLATE,
                     TIFF_LZW, TIFF_JPEG, TIFF_LOGLUV}),
        {"TIFF Color Model", PICTAVO_NUMBER(output.tiffColorModel), "--TIFF-COLOR-MODEL", "TIFF Color Model", K::TiffColorModel, "Color Model", P::List,
         {"RGB", "CMYK"}, {0, TIFF_CMYK}}}},
      {"wbmp", PICTAVO_NUMBER(output.wbmpBpp), FIF_WBMP, "Wireless Bitmap", "1", 0, {}},
      {"webp", PICTAVO_NUMBER(output.webpBpp), FIF_WEBP, "Google WebP Image Format", "24,32", WEBP_LOSSLESS, {}},
      {"xpm", PICTAVO_NUMBER(output.xpmBpp), FIF_XPM, "X11 Pixmap Format", "24", 0, {}},
  };
}

std::vector<InputFormatDescription> MakeInputFormats() {
  auto frameLoading = [](const char* key, FormatField field, const char* option) {
    return FormatSetting{key, field, option, key, K::FrameLoading, "Frame Loading", P::List,
                         {"All Frames", "First Frame", "Middle Frame", "Last Frame", "Random Frame"}};
  };
  return {
      {"dds",
       {{"DDS Load As", PICTAVO_NUMBER(input.ddsLoadAs), "--DDS-LOAD-AS", "DDS Load As", K::DdsLoadAs, "Load As", P::List, {"Auto", "BGRA", "RGBA"}}}},
      {"gif", {frameLoading("GIF Frame Loading", PICTAVO_NUMBER(input.gifFrameLoading), "--GIF-FRAME-LOADING")}},
      {"ico", {frameLoading("ICO Frame Loading", PICTAVO_NUMBER(input.icoFrameLoading), "--ICO-FRAME-LOADING")}},
      {"raw",
       {{"RAW Load As", PICTAVO_NAMED(input.rawLoadAs), "--RAW-LOAD-AS", "RAW Load As", K::RawLoadAs, "Load As", P::List,
         {"Auto", "RGB8", "RGB16", "RGB24", "RGB48HS", "RGB48"}},
        {"RAW Header Size", PICTAVO_NUMBER(input.rawHeaderSize), "--RAW-HEADER-SIZE", "RAW Header Size", K::None, "Header Size", P::NumberUnit, {"Bytes"}},
        {"RAW Image Width", PICTAVO_NUMBER(input.rawImageWidth), "--RAW-WIDTH", "RAW Image Width", K::None, "Image Width", P::NumberUnit, {"Pixels"}},
        {"RAW Image Height", PICTAVO_NUMBER(input.rawImageHeight), "--RAW-HEIGHT", "RAW Image Height", K::None, "Image Height", P::NumberUnit, {"Pixels"}},
        {"RAW Tone Mapping", PICTAVO_NUMBER(input.rawToneMapping, "2"), "--RAW-TONE-MAPPING", "RAW Tone Mapping", K::ToneMapping, "Tone Mapping", P::List,
         {"None", "Linear", "Adaptive Logarithmic", "DR Reduction", "Gradient Domain"}}}},
      {"tiff", {frameLoading("TIFF Frame Loading", PICTAVO_NUMBER(input.tiffFrameLoading), "--TIFF-FRAME-LOADING")}},
  };
}

#undef PICTAVO_NUMBER
#undef PICTAVO_FLAG
#undef PICTAVO_NAMED

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
