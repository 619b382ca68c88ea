#include "app/options.h"

#include <algorithm>
#include <stdexcept>

#include "engine/convert.h"
#include "engine/formats.h"
#include "base/program.h"
#include "base/text_util.h"

namespace pictavo {

namespace {

using F = OptionForm;
using K = Keywords;
using E = EchoStep;

const SettingDescriptor* Setting(const char* group, const char* key) {
  const SettingDescriptor* d = FindSetting(group, key);
  if (!d) throw std::logic_error(std::string("option writes unknown setting ") + group + "/" + key);
  return d;
}

OptionRow Row(std::vector<std::string> names, F form, const char* group, const char* key, K keywords = K::None,
              std::vector<FixedWrite> fixed = {}) {
  OptionRow row;
  row.names = std::move(names);
  row.form = form;
  row.keywords = keywords;
  if (group) row.target = Setting(group, key);
  row.fixed = std::move(fixed);
  for (const FixedWrite& w : row.fixed) Setting(w.group, w.key);
  row.echoed = row.target;
  if (!row.echoed && !row.fixed.empty()) row.echoed = Setting(row.fixed.back().group, row.fixed.back().key);
  return row;
}

// A flag option: sets `key` to `value` whenever it is given.
OptionRow FlagRow(std::string name, const char* group, const char* key, int value = 1,
                  std::vector<FixedWrite> more = {}) {
  more.push_back({group, key, value});
  return Row({std::move(name)}, F::Flag, nullptr, nullptr, K::None, std::move(more));
}

OptionRow Echo(OptionRow row, E step, std::string label, const char* join = nullptr) {
  row.echoStep = step;
  row.echo = std::move(label);
  row.echoJoin = join;
  return row;
}

// What a row's value may be, for the documents.
OptionRow Values(OptionRow row, std::string values) {
  row.values = std::move(values);
  return row;
}
const char* const kColour = "a colour, six hexadecimal digits RRGGBB; any other length gives black";
const char* const kOpacity = "1 (almost transparent) to 255 (opaque)";
const char* const kDegrees = "0 to 360 degrees";
const char* const kOffset = "the distance in pixels from the edge the position names";

OptionRow Action(std::vector<std::string> names, F form, OptionAction action) {
  OptionRow row;
  row.names = std::move(names);
  row.form = form;
  row.action = action;
  row.scope = OptionScope::CommandLineOnly;
  return row;
}

// The option of one setting of an input group or output format.
OptionRow FormatRow(const FormatSetting& setting, const char* group, const char* format, E step) {
  OptionRow row;
  if (setting.pattern == RowPattern::Check)
    row = FlagRow(setting.option, group, setting.key);
  else
    row = Row({setting.option}, setting.keywords == K::None ? F::Num : F::Word, group, setting.key, setting.keywords);
  row.format = format;
  if (setting.minimum != setting.maximum)
    row.values = std::to_string(setting.minimum) + " to " + std::to_string(setting.maximum);
  else if (setting.pattern == RowPattern::NumberUnit && !setting.entries.empty())
    row.values = "0 or more " + ToLowerAscii(setting.entries.front());
  return Echo(std::move(row), step, setting.echo);
}

// "0 (auto), 1, 4, 8, 24, 32 or 48 bits per pixel" for "1,4,8,24,32,48".
std::string DepthValues(const char* depthList) {
  std::vector<std::string> depths{"0 (auto)"};
  for (const std::string& depth : SplitString(depthList, ','))
    if (!depth.empty()) depths.push_back(depth);
  std::string text;
  for (size_t i = 0; i < depths.size(); ++i) text += (i == 0 ? "" : i + 1 == depths.size() ? " or " : ", ") + depths[i];
  return depths.size() > 1 ? text + " bits per pixel" : text;
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

  // Input groups and output formats, from their descriptions.
  for (const InputFormatDescription& format : InputFormatDescriptions())
    for (const FormatSetting& setting : format.settings)
      if (setting.option) t.push_back(FormatRow(setting, "Input", format.group, E::InputFormat));
  for (const OutputFormatDescription& format : OutputFormatDescriptions()) {
    const std::string depth = DepthSettingKey(format.extension);
    OptionRow row = Row({DepthOption(format.extension)}, F::Num, "Output", depth.c_str());
    row.format = format.extension;
    row.values = DepthValues(format.depthList);
    t.push_back(Echo(std::move(row), E::OutputFormat, depth));
    for (const FormatSetting& setting : format.settings)
      if (setting.option) t.push_back(FormatRow(setting, "Output", format.extension, E::OutputFormat));
  }

  // Transform and adjustment, in the order of the debug lines.
  t.push_back(Echo(Row({"--ROTATION-TYPE"}, F::Word, "Transform", "Image Rotation Type", K::RotationType),
                   E::Rotation, "Image Rotation Type"));
  t.push_back(Values(Echo(Row({"--ROTATION"}, F::Num, "Transform", "Image Rotation", K::None,
                              {{"Transform", "Do Image Rotation", 1}}),
                          E::Rotation, "Image Rotation"),
                     kDegrees));
  t.push_back(Values(Echo(Row({"--ROTATION-BACK-COLOR"}, F::Text, "Transform", "Image Rotation Back Color"),
                          E::Rotation, "Image Rotation Back Color"),
                     kColour));
  const FixedWrite resize{"Transform", "Do Image Resize", 1};
  t.push_back(Values(Echo(Row({"--WIDTH"}, F::Num, "Transform", "Image Width", K::None, {resize}), E::Resize, "Width"),
                     "1 or more, in pixels or percent (--width-unit)"));
  t.push_back(Echo(Row({"--WIDTH-UNIT"}, F::Word, "Transform", "Image Width Unit", K::SizeUnit), E::Resize, "", " "));
  t.push_back(Values(Echo(Row({"--HEIGHT"}, F::Num, "Transform", "Image Height", K::None, {resize}),
                          E::Resize, "Height"),
                     "1 or more, in pixels or percent (--height-unit)"));
  t.push_back(Echo(Row({"--HEIGHT-UNIT"}, F::Word, "Transform", "Image Height Unit", K::SizeUnit), E::Resize, "", " "));
  t.push_back(Echo(FlagRow("--KEEP-ASPECT-RATIO", "Transform", "Keep Aspect Ratio"), E::Resize, "Keep Aspect Ratio"));
  t.push_back(Echo(Row({"--RESIZE-TYPE"}, F::Word, "Transform", "Image Resize Type", K::ResizeType), E::Resize,
                   "Image Resize Type"));
  t.push_back(Echo(Row({"--RESIZE-ALGORITHM"}, F::Word, "Transform", "Image Resize Algorithm", K::ResizeAlgorithm),
                   E::Resize, "Image Resize Algorithm"));
  t.push_back(Echo(FlagRow("--FLIP-HORIZONTAL", "Transform", "Do Image Flip Horizontal"), E::Flip, "Flip Horizontal"));
  t.push_back(Echo(FlagRow("--FLIP-VERTICAL", "Transform", "Do Image Flip Vertical"), E::Flip, "Flip Vertical"));
  const FixedWrite correction{"Adjustment", "Do Image Color Correction", 1};
  t.push_back(Values(Echo(Row({"--BRIGHTNESS"}, F::Num, "Adjustment", "Image Brightness", K::None, {correction}),
                          E::ColorCorrection, "Brightness"),
                     "-100 to 100 (percent); 0 leaves the brightness alone"));
  t.push_back(Values(Echo(Row({"--CONTRAST"}, F::Num, "Adjustment", "Image Contrast", K::None, {correction}),
                          E::ColorCorrection, "Contrast"),
                     "-100 to 100 (percent); 0 leaves the contrast alone"));
  t.push_back(Values(Echo(Row({"--GAMMA"}, F::Real, "Adjustment", "Image Gamma", K::None, {correction}),
                          E::ColorCorrection, "Gamma"),
                     "0.01 to 9.99; 1 leaves the picture alone, less darkens it, more lightens it"));
  t.push_back(Echo(FlagRow("--INVERT", "Adjustment", "Image Invert", 1, {correction}), E::ColorCorrection, "Invert"));
  t.push_back(Echo(FlagRow("--GREYSCALE", "Adjustment", "Do Image Greyscale"), E::Greyscale, "Greyscale"));
  t.push_back(Values(Echo(Row({"--THRESHOLD"}, F::Num, "Adjustment", "Image Threshold", K::None,
                              {{"Adjustment", "Do Image Threshold", 1}}),
                          E::Threshold, "Image Threshold"),
                     "0 to 255; darker pixels become black, the others white"));

  // Frame: the four widths, the four colours, the opacity.
  const FixedWrite frameOn{"Frame", "Do Frame", 1};
  const char* const sides[] = {"Left", "Right", "Top", "Bottom"};
  for (const char* side : sides) {
    const std::string key = std::string("Solid ") + side;
    t.push_back(Values(Echo(Row({"--FR-SOLID-" + ToUpperAscii(side)}, F::Num, "Frame", key.c_str(), K::None, {frameOn}),
                            E::Frame, "Frame " + ToLowerAscii(side)),
                       "0 or more pixels; 0 draws no frame on that side"));
  }
  for (const char* side : sides) {
    const std::string key = std::string("Solid ") + side + " Color";
    t.push_back(Values(Echo(Row({"--FR-SOLID-" + ToUpperAscii(side) + "-COLOR"}, F::Text, "Frame", key.c_str()),
                            E::Frame, "Frame " + ToLowerAscii(side) + " color"),
                       kColour));
  }
  // The frame opacity has another name in profiles than on the command line.
  OptionRow opacity = Echo(Row({"--FR-SOLID-OPACITY"}, F::Num, "Frame", "Solid Opacity"), E::Frame, "Frame opacity");
  opacity.scope = OptionScope::CommandLineOnly;
  opacity.values = kOpacity;
  t.push_back(opacity);
  opacity = Values(Row({"--WM-SOLID-OPACITY"}, F::Num, "Frame", "Solid Opacity"), kOpacity);
  opacity.scope = OptionScope::ProfileOnly;
  t.push_back(opacity);

  // Watermark
  E text = E::TextWatermark;
  t.push_back(Values(Echo(Row({"--WM-TEXT"}, F::Text, "Watermark", "Text", K::None, {{"Watermark", "Do Watermark", 1}}),
                          text, "Watermark text"),
                     "the text; the filename mask's tokens are replaced, and %eol% starts a new line"));
  t.push_back(Values(Echo(Row({"--WM-FONT"}, F::Text, "Watermark", "Font"), text, "Watermark font"),
                     "the name of an installed font"));
  t.push_back(Values(Echo(Row({"--WM-FONT-SIZE"}, F::Num, "Watermark", "Font Size"), text, "Watermark font size"),
                     "1 or more points"));
  t.push_back(Values(Echo(Row({"--WM-FONT-LEADING"}, F::Num, "Watermark", "Font Leading"),
                          text, "Watermark font leading"),
                     "the pixels added between the lines"));
  t.push_back(Values(Echo(Row({"--WM-FONT-COLOR"}, F::Text, "Watermark", "Font Color"), text, "Watermark font color"),
                     kColour));
  t.push_back(Echo(Row({"--WM-FONT-STYLE"}, F::Word, "Watermark", "Font Style", K::FontStyle), text,
                   "Watermark font style"));
  t.push_back(Echo(Row({"--WM-FONT-EFFECT"}, F::Word, "Watermark", "Font Effect", K::FontEffect), text,
                   "Watermark font effect"));
  t.push_back(Echo(FlagRow("--WM-TEXT-ANTIALIASING", "Watermark", "Text Antialiasing"), text,
                   "Watermark text antialiasing"));
  t.push_back(Echo(Row({"--WM-TEXT-ALIGNMENT"}, F::Word, "Watermark", "Text Alignment", K::TextAlignment), text,
                   "Watermark text alignment"));
  t.push_back(Values(Echo(Row({"--WM-TEXT-PADDING"}, F::Num, "Watermark", "Text Padding"),
                          text, "Watermark text padding"),
                     "0 or more pixels around the text, inside its background"));
  t.push_back(Values(Echo(Row({"--WM-TEXT-OPACITY"}, F::Num, "Watermark", "Text Opacity"),
                          text, "Watermark text opacity"),
                     kOpacity));
  t.push_back(Values(Echo(Row({"--WM-BACK-COLOR"}, F::Text, "Watermark", "Back Color"),
                          text, "Watermark background color"),
                     kColour));
  t.push_back(Values(Echo(Row({"--WM-BACK-OPACITY"}, F::Num, "Watermark", "Back Opacity"), text,
                          "Watermark background opacity"),
                     kOpacity));
  t.push_back(Echo(Row({"--WM-TEXT-BOUNDARY"}, F::Word, "Watermark", "Text Boundary", K::WatermarkBoundary), text,
                   "Watermark boundary"));
  t.push_back(Echo(Row({"--WM-TEXT-POSITION"}, F::Word, "Watermark", "Text Position", K::WatermarkPosition), text,
                   "Watermark position"));
  t.push_back(Values(Echo(Row({"--WM-TEXT-X-OFFSET"}, F::Num, "Watermark", "Text X Offset"),
                          text, "Watermark offset (x/y)"),
                     kOffset));
  t.push_back(Values(Echo(Row({"--WM-TEXT-Y-OFFSET"}, F::Num, "Watermark", "Text Y Offset"), text, "", "/"), kOffset));
  t.push_back(Values(Echo(Row({"--WM-TEXT-ROTATION"}, F::Num, "Watermark", "Text Rotation"),
                          text, "Watermark rotation"),
                     kDegrees));
  t.push_back(Echo(Row({"--WM-TEXT-SIZE"}, F::Word, "Watermark", "Text Size", K::WatermarkSize), text,
                   "Watermark size/mode"));
  E picture = E::PictureWatermark;
  OptionRow image = Values(
      Echo(Row({"--WM-IMAGE"}, F::Text, "Watermark", "Image", K::None, {{"Watermark", "Do Watermark", 2}}), picture,
           "Watermark image"),
      "a PNG, JPEG or BMP picture");
  image.valueIsFile = true;
  t.push_back(image);
  t.push_back(Echo(FlagRow("--WM-IMAGE-GREYSCALE", "Watermark", "Image Greyscale"), picture, "Watermark greyscale"));
  t.push_back(Values(Echo(Row({"--WM-IMAGE-OPACITY"}, F::Num, "Watermark", "Image Opacity"),
                          picture, "Watermark opacity"),
                     kOpacity));
  t.push_back(Echo(Row({"--WM-IMAGE-BOUNDARY"}, F::Word, "Watermark", "Image Boundary", K::WatermarkBoundary), picture,
                   "Watermark boundary"));
  t.push_back(Echo(Row({"--WM-IMAGE-POSITION"}, F::Word, "Watermark", "Image Position", K::WatermarkPosition), picture,
                   "Watermark position"));
  t.push_back(Values(Echo(Row({"--WM-IMAGE-X-OFFSET"}, F::Num, "Watermark", "Image X Offset"), picture,
                          "Watermark offset (x/y)"),
                     kOffset));
  t.push_back(Values(Echo(Row({"--WM-IMAGE-Y-OFFSET"}, F::Num, "Watermark", "Image Y Offset"),
                          picture, "", "/"), kOffset));
  t.push_back(Values(Echo(Row({"--WM-IMAGE-ROTATION"}, F::Num, "Watermark", "Image Rotation"), picture,
                          "Watermark rotation"),
                     kDegrees));
  t.push_back(Echo(Row({"--WM-IMAGE-SIZE"}, F::Word, "Watermark", "Image Size", K::WatermarkSize), picture,
                   "Watermark size/mode"));

  // Output naming
  t.push_back(Values(Echo(Row({"--FILENAME-MASK"}, F::Text, "Advanced", "Filename Mask"), E::Naming, "Filename Mask"),
                     "a file name with tokens that are replaced (see the filename mask)"));
  t.push_back(Echo(Row({"--FILE-TIMESTAMP"}, F::Word, "Advanced", "File Timestamp", K::FileTimestamp), E::Naming,
                   "File Timestamp"));
  t.push_back(Values(Echo(Row({"--FILE-TIMESTAMP-CUSTOM"}, F::Num, "Advanced", "Custom Timestamp"), E::Naming,
                          "Custom Timestamp"),
                     "the seconds from 1 January 1970, 00:00, counted in local time"));
  t.push_back(Echo(FlagRow("--NO-SUBFOLDERS", "Advanced", "Keep Subfolders", 0), E::Naming, "Keep Subfolders"));
  t.push_back(Echo(FlagRow("--NO-METADATA", "Advanced", "Keep Metadata", 0), E::Naming, "Keep Metadata"));
  t.push_back(Values(Echo(Row({"--PARALLEL"}, F::Num, "Advanced", "Parallel Conversions"), E::Naming,
                          "Parallel Conversions"),
                     "0 to " + std::to_string(kMaxParallelConversions) + "; 0 converts one file per processor core"));
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

bool OptionTakesEffect(const OptionRow& row) {
  const auto holds = [&row](const std::vector<std::string>& list) {
    return std::ranges::find(list, row.format) != list.end();
  };
  if (row.echoStep == EchoStep::InputFormat) return holds(InputGroups());
  if (row.echoStep == EchoStep::OutputFormat) return holds(OutputExtensions());
  return true;
}

void ApplySettingOption(const OptionRow& row, std::string_view value, Settings& settings) {
  for (const FixedWrite& w : row.fixed) SetSettingInt(settings, *FindSetting(w.group, w.key), w.value);
  if (!row.target) return;
  switch (row.form) {
    case OptionForm::Num: SetSettingInt(settings, *row.target, ParseNumValue(value)); break;
    case OptionForm::Real: SetSettingFloat(settings, *row.target, ParseReal(value)); break;
    case OptionForm::Word:
      SetSettingInt(settings, *row.target, KeywordToNumber(row.keywords, TrimBlanks(value)));
      break;
    case OptionForm::Text: SetSettingText(settings, *row.target, std::string(value)); break;
    case OptionForm::Flag: break;
  }
}

}  // namespace pictavo
