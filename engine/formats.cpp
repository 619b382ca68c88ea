#include "engine/formats.h"

#include <FreeImage.h>

#include "base/program.h"
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
         {0, PNG_INTERLACED}}}},
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

struct InputRow {
  const char* group;
  const char* extensions;  // comma-separated
  const char* description;
};

const InputRow kInputRows[] = {
    {"bmp", "bmp,rle,dib", "Windows or OS/2 Bitmap"},
    {"dds", "dds", "DirectDraw Surface File"},
    {"emf", "emf,emz", "Enhanced Metafile Format"},
    {"gif", "gif", "GIF File"},
    {"hdr", "hdr,hdri", "High Dynamic Range File"},
    {"ico", "ico", "Windows Icon"},
    {"jpg", "jpg,jpeg,jpe,jif", "JPEG File"},
    {"pcd", "pcd,pcd1,pcds,ppcd", "Kodak PhotoCD File"},
    {"pcx", "pcx", "ZSoft Paintbrush File"},
    {"pic", "pic,pict,pct", "Macintosh PICT"},
    {"png", "png", "Portable Network Graphics"},
    {"psd", "psd", "Adobe Photoshop File"},
    {"tga", "tga,targa", "Truevision Targa"},
    {"tiff", "tiff,tif", "Tagged Image File Format"},
    {"wmf", "wmf,wmz", "Windows Metafile Format"},
    {"wmf", "apm", "Aldus Placeable Metafile"},
    {"raw", "raw,raw1,raw2", "Camera RAW Image"},
    {"raw", "3fr", "Hasselblad Camera RAW Image"},
    {"raw", "arw,sr2,srf", "Sony Camera RAW Image"},
    {"raw", "bay", "Casio Camera RAW Image"},
    {"raw", "bmq", "NuCore RAW Image"},
    {"raw", "cap,iiq,eip", "Phase One Camera RAW Image"},
    {"raw", "cine", "Phantom RAW Image"},
    {"raw", "cr2,crw", "Canon Camera RAW Image"},
    {"raw", "cs1", "Capture Shop RAW Image"},
    {"raw", "dc2,dcr,drf,dsc,k25,kc2,kdc,dcs", "Kodak Camera RAW Image"},
    {"raw", "dng", "Adobe Digital Negative Image"},
    {"raw", "erf", "Epson Camera RAW Image"},
    {"raw", "fff", "Imacon Camera RAW Image"},
    {"raw", "ia,sti", "Sinar RAW Image"},
    {"raw", "mdc,mrw", "Minolta Camera RAW Image"},
    {"raw", "mef,mos", "Mamiya Camera RAW Image"},
    {"raw", "nef,nrw", "Nikon Camera RAW Image"},
    {"raw", "orf", "Olympus Camera RAW Image"},
    {"raw", "pef,ptx", "Pentax Camera RAW Image"},
    {"raw", "pxn", "Logitech Camera RAW Image"},
    {"raw", "qtk", "Apple Quicktake Camera RAW Image"},
    {"raw", "raf", "Fuji Camera RAW Image"},
    {"raw", "rdc", "Digital Foto Maker RAW Image"},
    {"raw", "rw2", "Panasonic Camera RAW Image"},
    {"raw", "rwz", "Rawzor Camera RAW Image"},
    {"raw", "x3f", "Sigma Camera RAW Image"},
    {"raw", "ari", "ARRI RAW Image"},
    {"raw", "r3d", "RED RAW Image"},
    {"raw", "rwl", "Leica Camera RAW Image"},
};

}  // namespace

void BuildInputExtensions(InputExtensionMap& map) {
  for (const InputRow& row : kInputRows)
    for (const std::string& ext : SplitString(row.extensions, ','))
      map[ext] = InputExtension{row.group, row.description};
}

void BuildOutputFormats(OutputFormatMap& map) {
  for (const OutputFormatDescription& format : OutputFormatDescriptions())
    if (format.formatNumber >= 0)
      map[format.extension] = OutputFormat{format.formatNumber, format.extension, format.description, format.depthList};
}

void BuildFormatTables(FormatTables& tables) {
  BuildInputExtensions(tables.inputExtensions);
  BuildOutputFormats(tables.outputFormats);
}

std::vector<std::string> BuildAcceptedExtensions(const InputExtensionMap& inputExtensions,
                                                 const std::vector<std::string>& groups) {
  std::vector<std::string> accepted;
  for (const std::string& group : groups)
    for (const auto& [ext, info] : inputExtensions)
      if (info.formatGroup == group) accepted.push_back(ext);
  return accepted;
}

bool ListContains(const std::vector<std::string>& list, std::string_view value) {
  for (const std::string& entry : list)
    if (entry == value) return true;
  return false;
}

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

const SettingDescriptor* DepthSettingFor(std::string_view extension) {
  if (!FindOutputFormatDescription(extension)) return nullptr;
  return FindSetting("Output", DepthSettingKey(extension));
}

int32_t SaveFlagsFor(const Settings& settings, std::string_view extension) {
  const OutputFormatDescription* format = FindOutputFormatDescription(extension);
  if (!format) return 0;
  int32_t flags = format->fixedSaveFlags;
  for (const FormatSetting& setting : format->settings) {
    const SettingDescriptor* d = setting.key ? FindSetting("Output", setting.key) : nullptr;
    if (!d) continue;
    int64_t value = SettingAsInt(settings, *d);
    if (setting.valueIsSaveFlag) {
      flags |= static_cast<int32_t>(value);
      continue;
    }
    if (setting.pattern == RowPattern::Check) value = value != 0;
    // A number outside the list adds no flag.
    if (value >= 0 && value < static_cast<int64_t>(setting.saveFlags.size()))
      flags |= setting.saveFlags[static_cast<size_t>(value)];
  }
  return flags;
}

FormatTables& GlobalFormatTables() {
  static FormatTables tables;
  return tables;
}

std::vector<std::string>& AcceptedExtensions() {
  static std::vector<std::string> accepted{""};  // one empty entry until first filled
  return accepted;
}

}  // namespace pictavo
