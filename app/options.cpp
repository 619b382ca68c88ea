#include "app/options.h"

#include <algorithm>
#include <stdexcept>

#include "app/keywords.h"
#include "engine/formats.h"
#include "settings/text_util.h"

namespace pictavo {

namespace {

using F = OptionForm;

const SettingDescriptor* Setting(const char* group, const char* key) {
  const SettingDescriptor* d = FindSetting(group, key);
  if (!d) throw std::logic_error(std::string("option writes unknown setting ") + group + "/" + key);
  return d;
}

OptionRow Row(std::vector<std::string> names, F form, const char* group, const char* key, int table = -1,
              std::vector<FixedWrite> fixed = {}) {
  OptionRow row;
  row.names = std::move(names);
  row.form = form;
  row.keywordTable = table;
  if (group) row.target = Setting(group, key);
  row.fixed = std::move(fixed);
  for (const FixedWrite& w : row.fixed) Setting(w.group, w.key);
  return row;
}

OptionRow Action(std::vector<std::string> names, F form, OptionAction action) {
  OptionRow row;
  row.names = std::move(names);
  row.form = form;
  row.action = action;
  row.scope = OptionScope::CommandLineOnly;
  return row;
}

std::vector<OptionRow> BuildTable() {
  std::vector<OptionRow> t;
  // General options never appear in profiles.
  t.push_back(Action({"-I", "--INPUT"}, F::Text, OptionAction::Input));
  t.push_back(Action({"-O", "--OUTPUT"}, F::Text, OptionAction::Output));
  t.push_back(Action({"-C", "--CONVERSION"}, F::Text, OptionAction::Conversion));
  t.push_back(Action({"--PROFILE"}, F::Text, OptionAction::Profile));
  t.push_back(Action({"-D", "--DEBUG"}, F::Flag, OptionAction::Debug));
  t.push_back(Action({"-Q", "--QUIET"}, F::Flag, OptionAction::Quiet));
  t.push_back(Action({"-P", "--PAUSE"}, F::Flag, OptionAction::Pause));

  // Input
  t.push_back(Row({"--DDS-LOAD-AS"}, F::Word, "Input", "DDS Load As", 0));
  t.push_back(Row({"--GIF-FRAME-LOADING"}, F::Word, "Input", "GIF Frame Loading", 2));
  t.push_back(Row({"--ICO-FRAME-LOADING"}, F::Word, "Input", "ICO Frame Loading", 2));
  t.push_back(Row({"--TIFF-FRAME-LOADING"}, F::Word, "Input", "TIFF Frame Loading", 2));
  t.push_back(Row({"--RAW-LOAD-AS"}, F::Word, "Input", "RAW Load As", 1));
  t.push_back(Row({"--RAW-HEADER-SIZE"}, F::Num, "Input", "RAW Header Size"));
  t.push_back(Row({"--RAW-WIDTH"}, F::Num, "Input", "RAW Image Width"));
  t.push_back(Row({"--RAW-HEIGHT"}, F::Num, "Input", "RAW Image Height"));
  t.push_back(Row({"--RAW-TONE-MAPPING"}, F::Word, "Input", "RAW Tone Mapping", 3));

  // Output: one depth option per format with a depth setting.
  for (const char* format : {"bmp", "dds", "exr", "gif", "hdr", "ico", "j2k", "jng", "jp2", "jpg", "jxr", "pbm",
                             "pcx", "pfm", "pgm", "png", "ppm", "psd", "tga", "tiff", "wbmp", "webp", "xpm"}) {
    OptionRow row;
    row.names = {"--" + ToUpperAscii(format) + "-BPP"};
    row.form = F::Num;
    row.target = DepthSettingFor(format);
    if (!row.target) throw std::logic_error(std::string("no depth setting for ") + format);
    t.push_back(std::move(row));
  }
  t.push_back(Row({"--BMP-COMPRESSION"}, F::Word, "Output", "BMP Compression", 4));
  t.push_back(Row({"--BMP-COLOR-TABLE"}, F::Word, "Output", "BMP Color Table", 5));
  t.push_back(Row({"--EXR-COMPRESSION"}, F::Word, "Output", "EXR Compression", 4));
  t.push_back(Row({"--JPG-QUALITY"}, F::Num, "Output", "JPG Quality"));
  t.push_back(Row({"--JPG-CHROMA"}, F::Word, "Output", "JPG Chroma", 7));
  t.push_back(Row({"--JPG-SAVE-AS"}, F::Word, "Output", "JPG Save As", 8));
  t.push_back(Row({"--PNG-COMPRESSION"}, F::Word, "Output", "PNG Compression", 4));
  t.push_back(Row({"--PNG-INTERLACED"}, F::Flag, nullptr, nullptr, -1, {{"Output", "PNG Interlaced", 1}}));
  t.push_back(Row({"--TGA-COMPRESSION"}, F::Word, "Output", "TGA Compression", 4));
  t.push_back(Row({"--TIFF-COMPRESSION"}, F::Word, "Output", "TIFF Compression", 4));
  t.push_back(Row({"--TIFF-COLOR-MODEL"}, F::Word, "Output", "TIFF Color Model", 6));

  // Transform and adjustment
  t.push_back(Row({"--ROTATION-TYPE"}, F::Word, "Transform", "Image Rotation Type", 9));
  t.push_back(Row({"--ROTATION"}, F::Num, "Transform", "Image Rotation", -1, {{"Transform", "Do Image Rotation", 1}}));
  t.push_back(Row({"--ROTATION-BACK-COLOR"}, F::Text, "Transform", "Image Rotation Back Color"));
  t.push_back(Row({"--WIDTH"}, F::Num, "Transform", "Image Width", -1, {{"Transform", "Do Image Resize", 1}}));
  t.push_back(Row({"--WIDTH-UNIT"}, F::Word, "Transform", "Image Width Unit", 10));
  t.push_back(Row({"--HEIGHT"}, F::Num, "Transform", "Image Height", -1, {{"Transform", "Do Image Resize", 1}}));
  t.push_back(Row({"--HEIGHT-UNIT"}, F::Word, "Transform", "Image Height Unit", 10));
  t.push_back(Row({"--KEEP-ASPECT-RATIO"}, F::Flag, nullptr, nullptr, -1, {{"Transform", "Keep Aspect Ratio", 1}}));
  t.push_back(Row({"--RESIZE-TYPE"}, F::Word, "Transform", "Image Resize Type", 11));
  t.push_back(Row({"--RESIZE-ALGORITHM"}, F::Word, "Transform", "Image Resize Algorithm", 12));
  t.push_back(Row({"--FLIP-HORIZONTAL"}, F::Flag, nullptr, nullptr, -1, {{"Transform", "Do Image Flip Horizontal", 1}}));
  t.push_back(Row({"--FLIP-VERTICAL"}, F::Flag, nullptr, nullptr, -1, {{"Transform", "Do Image Flip Vertical", 1}}));
  const FixedWrite correction{"Adjustment", "Do Image Color Correction", 1};
  t.push_back(Row({"--BRIGHTNESS"}, F::Num, "Adjustment", "Image Brightness", -1, {correction}));
  t.push_back(Row({"--CONTRAST"}, F::Num, "Adjustment", "Image Contrast", -1, {correction}));
  t.push_back(Row({"--GAMMA"}, F::Real, "Adjustment", "Image Gamma", -1, {correction}));
  t.push_back(Row({"--INVERT"}, F::Flag, nullptr, nullptr, -1, {correction, {"Adjustment", "Image Invert", 1}}));
  t.push_back(Row({"--GREYSCALE"}, F::Flag, nullptr, nullptr, -1, {{"Adjustment", "Do Image Greyscale", 1}}));
  t.push_back(Row({"--THRESHOLD"}, F::Num, "Adjustment", "Image Threshold", -1, {{"Adjustment", "Do Image Threshold", 1}}));

  // Frame and watermark
  const FixedWrite frameOn{"Frame", "Do Frame", 1};
  for (const char* side : {"LEFT", "RIGHT", "TOP", "BOTTOM"}) {
    const std::string title = std::string(1, side[0]) + ToLowerAscii(side + 1);
    OptionRow width = Row({std::string("--FR-SOLID-") + side}, F::Num, nullptr, nullptr, -1, {frameOn});
    width.target = Setting("Frame", ("Solid " + title).c_str());
    t.push_back(std::move(width));
    OptionRow color = Row({std::string("--FR-SOLID-") + side + "-COLOR"}, F::Text, nullptr, nullptr);
    color.target = Setting("Frame", ("Solid " + title + " Color").c_str());
    t.push_back(std::move(color));
  }
  // The frame opacity has another name in profiles than on the command line.
  OptionRow opacity = Row({"--FR-SOLID-OPACITY"}, F::Num, "Frame", "Solid Opacity");
  opacity.scope = OptionScope::CommandLineOnly;
  t.push_back(opacity);
  opacity.names = {"--WM-SOLID-OPACITY"};
  opacity.scope = OptionScope::ProfileOnly;
  t.push_back(opacity);

  t.push_back(Row({"--WM-TEXT"}, F::Text, "Watermark", "Text", -1, {{"Watermark", "Do Watermark", 1}}));
  t.push_back(Row({"--WM-FONT"}, F::Text, "Watermark", "Font"));
  t.push_back(Row({"--WM-FONT-SIZE"}, F::Num, "Watermark", "Font Size"));
  t.push_back(Row({"--WM-FONT-LEADING"}, F::Num, "Watermark", "Font Leading"));
  t.push_back(Row({"--WM-FONT-COLOR"}, F::Text, "Watermark", "Font Color"));
  t.push_back(Row({"--WM-FONT-STYLE"}, F::Word, "Watermark", "Font Style", 15));
  t.push_back(Row({"--WM-FONT-EFFECT"}, F::Word, "Watermark", "Font Effect", 16));
  t.push_back(Row({"--WM-TEXT-ANTIALIASING"}, F::Flag, nullptr, nullptr, -1, {{"Watermark", "Text Antialiasing", 1}}));
  t.push_back(Row({"--WM-TEXT-ALIGNMENT"}, F::Word, "Watermark", "Text Alignment", 17));
  t.push_back(Row({"--WM-TEXT-PADDING"}, F::Num, "Watermark", "Text Padding"));
  t.push_back(Row({"--WM-TEXT-OPACITY"}, F::Num, "Watermark", "Text Opacity"));
  t.push_back(Row({"--WM-BACK-COLOR"}, F::Text, "Watermark", "Back Color"));
  t.push_back(Row({"--WM-BACK-OPACITY"}, F::Num, "Watermark", "Back Opacity"));
  t.push_back(Row({"--WM-TEXT-BOUNDARY"}, F::Word, "Watermark", "Text Boundary", 18));
  t.push_back(Row({"--WM-TEXT-POSITION"}, F::Word, "Watermark", "Text Position", 19));
  t.push_back(Row({"--WM-TEXT-X-OFFSET"}, F::Num, "Watermark", "Text X Offset"));
  t.push_back(Row({"--WM-TEXT-Y-OFFSET"}, F::Num, "Watermark", "Text Y Offset"));
  t.push_back(Row({"--WM-TEXT-ROTATION"}, F::Num, "Watermark", "Text Rotation"));
  t.push_back(Row({"--WM-TEXT-SIZE"}, F::Word, "Watermark", "Text Size", 20));
  t.push_back(Row({"--WM-IMAGE"}, F::Text, "Watermark", "Image", -1, {{"Watermark", "Do Watermark", 2}}));
  t.push_back(Row({"--WM-IMAGE-GREYSCALE"}, F::Flag, nullptr, nullptr, -1, {{"Watermark", "Image Greyscale", 1}}));
  t.push_back(Row({"--WM-IMAGE-OPACITY"}, F::Num, "Watermark", "Image Opacity"));
  t.push_back(Row({"--WM-IMAGE-BOUNDARY"}, F::Word, "Watermark", "Image Boundary", 18));
  t.push_back(Row({"--WM-IMAGE-POSITION"}, F::Word, "Watermark", "Image Position", 19));
  t.push_back(Row({"--WM-IMAGE-X-OFFSET"}, F::Num, "Watermark", "Image X Offset"));
  t.push_back(Row({"--WM-IMAGE-Y-OFFSET"}, F::Num, "Watermark", "Image Y Offset"));
  t.push_back(Row({"--WM-IMAGE-ROTATION"}, F::Num, "Watermark", "Image Rotation"));
  t.push_back(Row({"--WM-IMAGE-SIZE"}, F::Word, "Watermark", "Image Size", 20));

  // Output naming
  t.push_back(Row({"--FILENAME-MASK"}, F::Text, "Advanced", "Filename Mask"));
  t.push_back(Row({"--FILE-TIMESTAMP"}, F::Word, "Advanced", "File Timestamp", 21));
  t.push_back(Row({"--FILE-TIMESTAMP-CUSTOM"}, F::Num, "Advanced", "Custom Timestamp"));
  t.push_back(Row({"--NO-SUBFOLDERS"}, F::Flag, nullptr, nullptr, -1, {{"Advanced", "Keep Subfolders", 0}}));
  return t;
}

const OptionRow* Find(std::string_view name, OptionScope excluded) {
  for (const OptionRow& row : OptionTable()) {
    if (row.scope == excluded) continue;
    for (const std::string& n : row.names)
      if (n == name) return &row;
  }
  return nullptr;
}

}  // namespace

const std::vector<OptionRow>& OptionTable() {
  static const std::vector<OptionRow> table = BuildTable();
  return table;
}

const OptionRow* FindCommandLineOption(std::string_view name) { return Find(name, OptionScope::ProfileOnly); }

const OptionRow* FindProfileOption(std::string_view name) { return Find(name, OptionScope::CommandLineOnly); }

int32_t ParseNumValue(std::string_view text) {
  text = TrimLeadingBlanksTabs(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  uint32_t base = 10;
  if (!text.empty() && text.front() == '$') base = 16, text.remove_prefix(1);
  else if (!text.empty() && text.front() == '%') base = 2, text.remove_prefix(1);
  // Beyond 32 bits the number saturates, so the range checks reject it
  // instead of seeing the wrapped remainder.
  constexpr uint64_t kBeyond32Bits = uint64_t{1} << 32;
  uint64_t value = 0;
  for (char c : text) {
    uint32_t digit;
    if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
    else if (c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
    else break;
    if (digit >= base) break;
    value = std::min(value * base + digit, kBeyond32Bits);
  }
  return SaturateToInt32(negative, value);
}

void ApplySettingOption(const OptionRow& row, std::string_view value, Settings& settings) {
  for (const FixedWrite& w : row.fixed) SetSettingInt(settings, *FindSetting(w.group, w.key), w.value);
  if (!row.target) return;
  switch (row.form) {
    case OptionForm::Num: SetSettingInt(settings, *row.target, ParseNumValue(value)); break;
    case OptionForm::Real: SetSettingFloat(settings, *row.target, ParseReal(value)); break;
    case OptionForm::Word:
      SetSettingInt(settings, *row.target, KeywordToNumber(row.keywordTable, TrimBlanks(value)));
      break;
    case OptionForm::Text: SetSettingText(settings, *row.target, std::string(value)); break;
    case OptionForm::Flag: break;
  }
}

}  // namespace pictavo
