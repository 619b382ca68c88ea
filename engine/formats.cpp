#include "engine/formats.h"

#include "base/program.h"
#include "base/text_util.h"

namespace pictavo {

namespace {

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

}  // namespace pictavo
