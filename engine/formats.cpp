#include "engine/formats.h"

#include <FreeImage.h>

#include "settings/program.h"
#include "settings/text_util.h"

namespace pictavo {

namespace {

struct OutputRow {
  const char* extension;
  int32_t formatNumber;
  const char* description;
  const char* depthList;
};

const OutputRow kOutputRows[] = {
    {"bmp", FIF_BMP, "Windows or OS/2 Bitmap", "1,4,8,16,24,32"},
    {"exr", FIF_EXR, "ILM OpenEXR", "96"},
    {"gif", FIF_GIF, "Graphics Interchange Format", "8"},
    {"hdr", FIF_HDR, "High Dynamic Range Image", "96"},
    {"ico", FIF_ICO, "Windows Icon", "1,4,8,16,24,32"},
    {"j2k", FIF_J2K, "JPEG-2000 Codestream", "8,24,32,48"},
    {"jng", FIF_JNG, "JPEG Network Graphics", "24,32"},
    {"jp2", FIF_JP2, "JPEG-2000 File Format", "8,24,32,48"},
    {"jpg", FIF_JPEG, "JPEG File Format", "8,24"},
    {"jxr", FIF_JXR, "JPEG XR Image Format", "1,8,16,24,32,48,96"},
    {"pbm", FIF_PBM, "Portable Bitmap", "1"},
    {"pfm", FIF_PFM, "Portable Floatmap", "96"},
    {"pgm", FIF_PGM, "Portable Greymap", "8"},
    {"png", FIF_PNG, "Portable Network Graphics", "1,4,8,24,32,48"},
    {"ppm", FIF_PPM, "Portable Pixelmap", "24,48"},
    {"tga", FIF_TARGA, "Truevision Targa", "8,16,24,32"},
    {"tiff", FIF_TIFF, "Tagged Image File Format", "1,4,8,24,32,48,96"},
    {"wbmp", FIF_WBMP, "Wireless Bitmap", "1"},
    {"webp", FIF_WEBP, "Google WebP Image Format", "24,32"},
    {"xpm", FIF_XPM, "X11 Pixmap Format", "24"},
};

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

// Formats with a colour-depth setting: the output table plus dds, pcx, psd.
const char* const kDepthSettingFormats[] = {"bmp", "dds", "exr", "gif", "hdr", "ico", "j2k", "jng",
                                            "jp2", "jpg", "jxr", "pbm", "pcx", "pfm", "pgm", "png",
                                            "ppm", "psd", "tga", "tiff", "wbmp", "webp", "xpm"};

}  // namespace

void BuildInputExtensions(InputExtensionMap& map) {
  for (const InputRow& row : kInputRows)
    for (const std::string& ext : SplitString(row.extensions, ','))
      map[ext] = InputExtension{row.group, row.description};
}

void BuildOutputFormats(OutputFormatMap& map) {
  for (const OutputRow& row : kOutputRows)
    map[row.extension] = OutputFormat{row.formatNumber, row.extension, row.description, row.depthList};
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

const SettingDescriptor* DepthSettingFor(std::string_view extension) {
  for (const char* format : kDepthSettingFormats)
    if (extension == format) return FindSetting("Output", ToUpperAscii(extension) + " BPP");
  return nullptr;
}

int32_t SaveFlagsFor(const Settings& settings, std::string_view extension) {
  const Settings::Output& out = settings.output;
  auto pick = [](int32_t value, std::initializer_list<int32_t> flags) {
    if (value < 0 || value >= static_cast<int32_t>(flags.size())) return 0;
    return *(flags.begin() + value);
  };
  if (extension == "bmp") return pick(out.bmpCompression, {BMP_DEFAULT, BMP_SAVE_RLE});
  if (extension == "exr") return pick(out.exrCompression, {EXR_NONE, EXR_ZIP, EXR_PIZ, EXR_PXR24, EXR_B44});
  if (extension == "jpg")
    return out.jpgQuality | pick(out.jpgChroma, {JPEG_SUBSAMPLING_444, JPEG_SUBSAMPLING_422, JPEG_SUBSAMPLING_420, JPEG_SUBSAMPLING_411}) |
           pick(out.jpgSaveAs, {0, JPEG_BASELINE, JPEG_OPTIMIZE, JPEG_PROGRESSIVE});
  if (extension == "jxr") return JXR_LOSSLESS;
  if (extension == "png") return pick(out.pngCompression, {PNG_Z_NO_COMPRESSION, PNG_Z_BEST_SPEED, PNG_Z_DEFAULT_COMPRESSION, PNG_Z_BEST_COMPRESSION}) |
           (out.pngInterlaced ? PNG_INTERLACED : 0);
  if (extension == "tga") return pick(out.tgaCompression, {TARGA_DEFAULT, TARGA_SAVE_RLE});
  if (extension == "tiff")
    return pick(out.tiffCompression, {TIFF_NONE, TIFF_CCITTFAX3, TIFF_CCITTFAX4, TIFF_PACKBITS, TIFF_DEFLATE, TIFF_ADOBE_DEFLATE, TIFF_LZW,
                                     TIFF_JPEG, TIFF_LOGLUV}) |
           pick(out.tiffColorModel, {0, TIFF_CMYK});
  if (extension == "webp") return WEBP_LOSSLESS;
  return 0;
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
