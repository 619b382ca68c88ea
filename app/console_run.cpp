#include "app/console_run.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>

#include "app/conversion_copy.h"
#include "app/options.h"
#include "engine/convert.h"
#include "engine/formats.h"
#include "engine/naming.h"
#include "settings/keywords.h"
#include "base/program.h"
#include "base/text_util.h"
#include "texts/language.h"

namespace pictavo {

namespace {

// The working folder, ending in "/"; "/" when it cannot be read.
std::string CurrentFolder() {
  std::string buffer(4096, '\0');
  if (!getcwd(buffer.data(), buffer.size())) return "/";
  buffer.resize(std::strlen(buffer.c_str()));
  return buffer.ends_with("/") ? buffer : buffer + "/";
}

// A setting the run tests once its debug line is out; a failed test stops
// the run with the message.
struct SettingCheck {
  const char* group;
  const char* key;
  bool (*passes)(const Settings&);
  const char* message;
};

const SettingCheck kSettingChecks[] = {
    {"Transform", "Image Width", [](const Settings& s) { return s.transform.imageWidth != 0; },
     "Error: Invalid width value"},
    {"Transform", "Image Height", [](const Settings& s) { return s.transform.imageHeight != 0; },
     "Error: Invalid height value"},
    {"Adjustment", "Image Brightness",
     [](const Settings& s) { return s.adjustment.imageBrightness >= -100 && s.adjustment.imageBrightness <= 100; },
     "Error: Invalid brightness value"},
    {"Adjustment", "Image Contrast",
     [](const Settings& s) { return s.adjustment.imageContrast >= -100 && s.adjustment.imageContrast <= 100; },
     "Error: Invalid contrast value"},
    // NaN fails both comparisons.
    {"Adjustment", "Image Gamma",
     [](const Settings& s) { return s.adjustment.imageGamma >= 0.01f && s.adjustment.imageGamma <= 9.99f; },
     "Error: Invalid gamma value"},
    {"Advanced", "Parallel Conversions",
     [](const Settings& s) {
       return s.advanced.parallelConversions >= 0 && s.advanced.parallelConversions <= kMaxParallelConversions;
     },
     "Error: Invalid parallel value"},
};

// When the debug lines of a step are printed, and the line that heads the
// step whether or not it is on.
struct StepRule {
  EchoStep step;
  bool (*on)(const Settings&);
  const char* headingLabel = nullptr;  // nullptr: no heading
  const char* headingGroup = nullptr;  // its setting, shown by its words
  const char* headingKey = nullptr;
  Keywords headingWords = Keywords::None;
};

const StepRule kStepRules[] = {
    {EchoStep::Rotation, [](const Settings& s) { return s.transform.doImageRotation != 0; }},
    {EchoStep::Resize, [](const Settings& s) { return s.transform.doImageResize != 0; }},
    {EchoStep::Flip, [](const Settings&) { return true; }},
    {EchoStep::ColorCorrection, [](const Settings& s) { return s.adjustment.doImageColorCorrection != 0; }},
    {EchoStep::Greyscale, [](const Settings&) { return true; }},
    {EchoStep::Threshold, [](const Settings& s) { return s.adjustment.doImageThreshold != 0; }},
    {EchoStep::Frame, [](const Settings& s) { return s.frame.doFrame == 1; }, "Frame", "Frame", "Do Frame", Keywords::Frame},
    {EchoStep::TextWatermark, [](const Settings& s) { return s.watermark.doWatermark == WatermarkMode::Text; }, "Watermark",
     "Watermark", "Do Watermark", Keywords::Watermark},
    {EchoStep::PictureWatermark, [](const Settings& s) { return s.watermark.doWatermark == WatermarkMode::Picture; }},
    {EchoStep::Naming, [](const Settings&) { return true; }},
};

class Run {
 public:
  Run(ProcessState& state, bool quiet)
      : state_(state), s_(state.settings), job_(state.job), quiet_(quiet), debug_(state.job.runMarker == RunMarker::Debug) {}
  ~Run() {
    if (fontLoaded_ && state_.releaseWatermarkFont) state_.releaseWatermarkFont();
  }
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  int Execute();

 private:
  // The checks, in the order the messages are documented; each returns
  // false once it has printed why the run stops.
  bool CheckInputFile();
  bool CheckOutputFolder();
  bool CheckConversionType();
  bool EchoInputGroup();
  bool CheckOutputFormat();
  bool EchoAndCheckSteps();
  bool FinishStep(EchoStep step);
  // Adds the file; the number added, 0 when the run stops.
  int32_t ImportFile();
  int Convert(int32_t total);

  // The debug lines of option rows, joined where a row continues the line
  // before; the checks of a line's settings run once it is complete. False
  // when a check stopped the run.
  bool EchoRows(const std::vector<const OptionRow*>& rows, std::string_view format);
  bool FlushLine();
  std::string ValueOf(const SettingDescriptor& d, Keywords words, std::string_view format) const;

  void Print(const std::string& line) { state_.console.PrintLine(line); }
  void Progress(const std::string& line) {
    if (!quiet_) Print(line);
  }
  void Debug(const std::string& line) {
    if (debug_) Print(line);
  }
  bool Stop(const std::string& message) {
    Print(message);
    return false;
  }

  ProcessState& state_;
  const Settings& s_;
  ConversionJob& job_;
  const bool quiet_;
  const bool debug_;
  bool fontLoaded_ = false;
  std::string folder_;  // the input folder, ending in "/"; "" for one file
  std::string line_;
  std::vector<const SettingDescriptor*> lineSettings_;
};

int Run::Execute() {
  Progress(GetText("General", "Preparing"));
  if (!CheckInputFile() || !CheckOutputFolder() || !CheckConversionType() || !EchoInputGroup() ||
      !CheckOutputFormat() || !EchoAndCheckSteps() || !PrepareJob(s_, state_.tables, job_, state_.progress))
    return 1;
  const int32_t total = ImportFile();
  if (total == 0) return 1;
  return Convert(total);
}

bool Run::CheckInputFile() {
  Debug("Input: " + job_.inputPath);
  // A folder means every RAW file below it.
  if (IsFolder(job_.inputPath)) {
    folder_ = job_.inputPath.ends_with("/") ? job_.inputPath : job_.inputPath + "/";
    job_.inputPath.clear();
    return true;
  }
  if (InputExtensionOf(job_.inputPath).empty()) {
    job_.inputPath.clear();
    return Stop("Error: Invalid input file");
  }
  job_.currentFile = job_.inputPath;
  job_.inputPath.clear();
  if (FileSizeOf(job_.currentFile) <= 0) return Stop("Error: Invalid input file");
  return true;
}

bool Run::CheckOutputFolder() {
  if (job_.outputFolder.empty()) job_.outputFolder = folder_.empty() ? FolderOf(job_.currentFile) : folder_;
  Debug("Output: " + job_.outputFolder);
  // Relative folders count from the current folder, as with every command
  // here; ".." therefore leads where the user expects.
  if (!job_.outputFolder.starts_with("/")) {
    std::string relative = job_.outputFolder;
    if (relative.starts_with("./")) relative.erase(0, 2);
    job_.outputFolder = CurrentFolder() + relative;
  }
  if (!job_.outputFolder.ends_with("/")) job_.outputFolder += "/";
  if (!IsFolder(job_.outputFolder)) return Stop("Error: Invalid output folder");
  return true;
}

bool Run::CheckConversionType() {
  if (job_.inputGroup.empty()) job_.inputGroup = InputGroups().front();
  if (job_.outputExtension.empty()) job_.outputExtension = OutputExtensions().front();
  Debug("Conversion: " + job_.outputExtension);
  if (!IsOutputExtension(job_.outputExtension)) return Stop("Error: Invalid conversion type");
  return true;
}

// Every row of the option table for the step (and format), in table order.
std::vector<const OptionRow*> RowsOf(EchoStep step, std::string_view format = {}) {
  std::vector<const OptionRow*> rows;
  for (const OptionRow& row : OptionTable())
    if (row.echoStep == step && (format.empty() || format == row.format)) rows.push_back(&row);
  return rows;
}

bool Run::EchoInputGroup() {
  return EchoRows(RowsOf(EchoStep::InputFormat, job_.inputGroup), job_.inputGroup);
}

bool Run::CheckOutputFormat() {
  const std::string& extension = job_.outputExtension;
  if (!EchoRows(RowsOf(EchoStep::OutputFormat, extension), extension)) return false;
  const SettingDescriptor* depth = DepthSettingFor(extension);
  if (!depth) return true;
  if (!IsValidBpp(state_.tables, extension, static_cast<int>(SettingAsInt(s_, *depth))))
    return Stop("Error: Invalid " + ToLowerAscii(DepthOption(extension).substr(2)) + " value");
  // Ranged settings of the format (the JPEG quality).
  for (const FormatSetting& setting : FindOutputFormatDescription(extension)->settings) {
    if (!setting.key || setting.minimum == setting.maximum) continue;
    const int64_t value = SettingAsInt(s_, *FindSetting("Output", setting.key));
    if (value < setting.minimum || value > setting.maximum)
      return Stop("Error: Invalid " + ToLowerAscii(std::string_view(setting.option).substr(2)) + " value");
  }
  return true;
}

bool Run::EchoAndCheckSteps() {
  for (const StepRule& rule : kStepRules) {
    if (rule.headingLabel)
      Debug(std::string(rule.headingLabel) + ": " +
            ValueOf(*FindSetting(rule.headingGroup, rule.headingKey), rule.headingWords, {}));
    if (!rule.on(s_)) continue;
    if (!EchoRows(RowsOf(rule.step), {}) || !FinishStep(rule.step)) return false;
  }
  return true;
}

// What a step does once its lines are out.
bool Run::FinishStep(EchoStep step) {
  if (step == EchoStep::TextWatermark) {
    fontLoaded_ = state_.loadWatermarkFont && state_.loadWatermarkFont(s_);
    if (!fontLoaded_) return Stop("Error: Invalid watermark font");
  }
  if (step == EchoStep::PictureWatermark && FileSizeOf(s_.watermark.image) <= 0)
    return Stop("Error: Invalid watermark image");
  return true;
}

bool Run::EchoRows(const std::vector<const OptionRow*>& rows, std::string_view format) {
  static const SettingDescriptor* const customTimestamp = FindSetting("Advanced", "Custom Timestamp");
  for (const OptionRow* row : rows) {
    if (!row->echoed || (row->echo.empty() && !row->echoJoin)) continue;
    // The custom date means something only when it is the one used.
    if (row->echoed == customTimestamp && s_.advanced.fileTimestamp != 2) continue;
    if (!row->echoJoin && !FlushLine()) return false;
    // The values are worded only for a run that shows them; the checks
    // below run either way.
    if (debug_) {
      const std::string value = ValueOf(*row->echoed, row->keywords, format);
      line_ += row->echoJoin ? row->echoJoin + value : row->echo + ": " + value;
    }
    lineSettings_.push_back(row->echoed);
  }
  return FlushLine();
}

bool Run::FlushLine() {
  if (lineSettings_.empty()) return true;
  if (!line_.empty()) Debug(line_);
  line_.clear();
  const std::vector<const SettingDescriptor*> settings = std::move(lineSettings_);
  lineSettings_.clear();
  static const std::vector<const SettingDescriptor*> checked = [] {
    std::vector<const SettingDescriptor*> found;
    for (const SettingCheck& check : kSettingChecks) found.push_back(FindSetting(check.group, check.key));
    return found;
  }();
  for (const SettingDescriptor* d : settings)
    for (size_t i = 0; i < checked.size(); ++i)
      if (d == checked[i] && !kSettingChecks[i].passes(s_)) return Stop(kSettingChecks[i].message);
  return true;
}

std::string Run::ValueOf(const SettingDescriptor& d, Keywords words, std::string_view format) const {
  if (words != Keywords::None) return NumberToKeyword(words, static_cast<int>(SettingAsInt(s_, d)), format);
  if (d.kind == SettingKind::Flag) return SettingAsInt(s_, d) ? "1" : "0";
  if (d.kind == SettingKind::Float) {
    const float value = SettingAsFloat(s_, d);
    if (std::isnan(value) || std::isinf(value)) return FormatReal(value);
    return FormatFixed(value, 2);
  }
  return SettingAsText(s_, d);
}

int32_t Run::ImportFile() {
  Progress(GetText("General", "Importing"));
  int32_t total = 0;
  const std::string extension = ToLowerAscii(InputExtensionOf(job_.currentFile));
  if (!folder_.empty()) {
    state_.files.clear();
    total = AddFolderFiles(folder_, state_.files, state_.accepted);
  } else if (extension != "txt" && extension != "lst") {
    total = AddInputFile(job_.currentFile, state_.files, job_, state_.accepted) ? 1 : 0;
  }
  Progress(FillPlaceholders(GetText("Msg", "Import complete"), std::to_string(total)));
  if (total == 0) {
    Print(GetText("Msg", "Conversion is not complete"));
    Print(GetText("Msg", "Empty input files"));
  }
  return total;
}

int Run::Convert(int32_t total) {
  Progress(GetText("General", "Converting"));
  ConversionProgress& progress = state_.progress;
  CopyConverter converter(ConversionsAtOnce(s_.advanced.parallelConversions, s_, job_, state_.files));
  ConversionContext context{s_, job_, state_.tables, state_.files, progress, state_.decorations,
                            [this](std::string_view line) { Print(std::string(line)); }, {}, nullptr, {}, {}, {}};
  context.converter = &converter;
  // The conversions are run from this thread: a console run has nothing
  // else to do meanwhile, and a process with one thread can copy itself for
  // each file.
  ConversionWorker(context);

  int32_t converted;
  {
    std::lock_guard lock(progress.mutex);
    converted = progress.converted;
  }
  if (converted > 0) {
    Progress(GetText("Msg", "Conversion complete"));
    Progress(FillPlaceholders(GetText("Msg", "Files converted"), std::to_string(converted), std::to_string(total)));
    // A script learns from the status whether every file was converted.
    return converted == total ? 0 : 1;
  }
  Print(GetText("Msg", "Conversion is not complete"));
  return 1;
}

}  // namespace

std::string InputExtensionOf(const std::string& path) {
  for (size_t i = path.size(); i-- > 0;) {
    const char c = path[i];
    if (c == ' ' || c == '/' || c == '\\') return "";
    if (c == '.') {
      if (i == 0 || path[i - 1] == '/' || path[i - 1] == '\\') return "";
      return path.substr(i + 1);
    }
  }
  return "";
}

bool IsOutputExtension(const std::string& extension) {
  const std::vector<std::string>& written = OutputExtensions();
  return std::ranges::find(written, extension) != written.end();
}

bool IsValidBpp(const FormatTables& tables, const std::string& extension, int bpp) {
  if (bpp == 0) return true;
  auto it = tables.outputFormats.find(extension);
  if (it == tables.outputFormats.end()) return false;
  for (const std::string& entry : SplitString(it->second.depthList, ','))
    if (!entry.empty() && ParseDecimalInt(entry) == bpp) return true;
  return false;
}

int RunConsoleConversion(ProcessState& state, bool quiet) {
  try {
    return Run(state, quiet).Execute();
  } catch (const std::exception&) {
    // Out of memory or an I/O failure outside the worker: the run stops as
    // any other failed run does.
    state.progress.running = 0;
    state.console.PrintLine(GetText("Msg", "Conversion is not complete"));
    return 1;
  }
}

}  // namespace pictavo
