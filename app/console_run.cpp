#include "app/console_run.h"

#include <cmath>
#include <exception>
#include <thread>

#include "app/keywords.h"
#include "engine/convert.h"
#include "settings/program.h"
#include "settings/text_util.h"
#include "texts/language.h"

namespace pictavo {

namespace {

struct DebugLine {
  const char* label;
  const char* group;
  const char* key;
  int table;  // keyword table, -1 for a plain number or text
};

// Debug lines of the output formats, and the message of a failed depth test.
struct OutputRows {
  const char* extension;
  std::vector<DebugLine> lines;
};

const std::vector<OutputRows>& OutputDebugRows() {
  static const std::vector<OutputRows> rows = {
      {"bmp", {{"BMP BPP: ", "Output", "BMP BPP", -1}, {"BMP Compression: ", "Output", "BMP Compression", 4},
               {"BMP Color Table: ", "Output", "BMP Color Table", 5}}},
      {"dds", {{"DDS BPP: ", "Output", "DDS BPP", -1}}},
      {"exr", {{"EXR BPP: ", "Output", "EXR BPP", -1}, {"EXR Compression: ", "Output", "EXR Compression", 4}}},
      {"gif", {{"GIF BPP: ", "Output", "GIF BPP", -1}}},
      {"hdr", {{"HDR BPP: ", "Output", "HDR BPP", -1}}},
      {"ico", {{"ICO BPP: ", "Output", "ICO BPP", -1}}},
      {"j2k", {{"J2K BPP: ", "Output", "J2K BPP", -1}}},
      {"jng", {{"JNG BPP: ", "Output", "JNG BPP", -1}}},
      {"jp2", {{"JP2 BPP: ", "Output", "JP2 BPP", -1}}},
      {"jpg", {{"JPG BPP: ", "Output", "JPG BPP", -1}, {"JPG Quality: ", "Output", "JPG Quality", -1},
               {"JPG Chroma Subsampling: ", "Output", "JPG Chroma", 7}, {"JPG Save As: ", "Output", "JPG Save As", 8}}},
      {"jxr", {{"JXR BPP: ", "Output", "JXR BPP", -1}}},
      {"pbm", {{"PBM BPP: ", "Output", "PBM BPP", -1}}},
      {"pcx", {{"PCX BPP: ", "Output", "PCX BPP", -1}}},
      {"pfm", {{"PFM BPP: ", "Output", "PFM BPP", -1}}},
      {"pgm", {{"PGM BPP: ", "Output", "PGM BPP", -1}}},
      {"png", {{"PNG BPP: ", "Output", "PNG BPP", -1}, {"PNG Compression: ", "Output", "PNG Compression", 4},
               {"PNG Interlaced: ", "Output", "PNG Interlaced", -1}}},
      {"ppm", {{"PPM BPP: ", "Output", "PPM BPP", -1}}},
      {"psd", {{"PSD BPP: ", "Output", "PSD BPP", -1}}},
      {"tga", {{"TGA BPP: ", "Output", "TGA BPP", -1}, {"TGA Compression: ", "Output", "TGA Compression", 4}}},
      {"tiff", {{"TIFF BPP: ", "Output", "TIFF BPP", -1}, {"TIFF Compression: ", "Output", "TIFF Compression", 4},
                {"TIFF Color Model: ", "Output", "TIFF Color Model", 6}}},
      {"wbmp", {{"WBMP BPP: ", "Output", "WBMP BPP", -1}}},
      {"webp", {{"WEBP BPP: ", "Output", "WEBP BPP", -1}}},
      {"xpm", {{"XPM BPP: ", "Output", "XPM BPP", -1}}},
  };
  return rows;
}

const std::vector<DebugLine>& InputDebugLines(const std::string& group) {
  static const std::vector<DebugLine> none;
  static const std::vector<DebugLine> dds = {{"DDS Load As: ", "Input", "DDS Load As", 0}};
  static const std::vector<DebugLine> gif = {{"GIF Frame Loading: ", "Input", "GIF Frame Loading", 2}};
  static const std::vector<DebugLine> ico = {{"ICO Frame Loading: ", "Input", "ICO Frame Loading", 2}};
  static const std::vector<DebugLine> tiff = {{"TIFF Frame Loading: ", "Input", "TIFF Frame Loading", 2}};
  static const std::vector<DebugLine> raw = {
      {"RAW Load As: ", "Input", "RAW Load As", 1},
      {"RAW Header Size: ", "Input", "RAW Header Size", -1},
      {"RAW Image Width: ", "Input", "RAW Image Width", -1},
      {"RAW Image Height: ", "Input", "RAW Image Height", -1},
      {"RAW Tone Mapping: ", "Input", "RAW Tone Mapping", 3},
  };
  if (group == "dds") return dds;
  if (group == "gif") return gif;
  if (group == "ico") return ico;
  if (group == "raw") return raw;
  if (group == "tiff") return tiff;
  return none;
}

class Run {
 public:
  Run(ProcessState& state, bool quiet)
      : state_(state), s_(state.settings), job_(state.job), quiet_(quiet), debug_(state.job.runMarker == "DEBUG") {}

  int Execute();

 private:
  void Print(const std::string& line) { state_.console.PrintLine(line); }
  void Progress(const std::string& line) {
    if (!quiet_) Print(line);
  }
  void Debug(const std::string& line) {
    if (debug_) Print(line);
  }
  int Stop(const std::string& message) {
    Print(message);
    return 1;
  }
  std::string Value(const DebugLine& line) const {
    const SettingDescriptor& d = *FindSetting(line.group, line.key);
    if (line.table < 0) return SettingAsText(s_, d);
    return NumberToKeyword(line.table, static_cast<int>(SettingAsInt(s_, d)), job_.outputExtension);
  }
  void DebugLines(const std::vector<DebugLine>& lines) {
    for (const DebugLine& line : lines) Debug(line.label + Value(line));
  }
  static std::string Flag(uint8_t value) { return value ? "1" : "0"; }
  static std::string Gamma(float value) {
    if (std::isnan(value) || std::isinf(value)) return FormatReal(value);
    return FormatFixed(value, 2);
  }

  ProcessState& state_;
  const Settings& s_;
  ConversionJob& job_;
  const bool quiet_;
  const bool debug_;
};

int Run::Execute() {
  Progress(GetText("General", "Preparing"));
  Debug("Input: " + job_.inputPath);

  if (InputExtensionOf(job_.inputPath).empty()) {
    job_.inputPath.clear();
    return Stop("Error: Invalid input file");
  }
  job_.currentFile = job_.inputPath;
  job_.inputPath.clear();
  if (FileSizeOf(job_.currentFile) <= 0) return Stop("Error: Invalid input file");

  if (job_.outputFolder.empty()) job_.outputFolder = FolderOf(job_.currentFile);
  Debug("Output: " + job_.outputFolder);
  if (StartsWith(job_.outputFolder, "..")) return Stop("Error: Incorrect output folder");
  // Relative folders are taken from the program's folder, not from the
  // current directory.
  if (!StartsWith(job_.outputFolder, "/")) {
    std::string relative = job_.outputFolder;
    if (StartsWith(relative, "./")) relative.erase(0, 2);
    job_.outputFolder = job_.programFolder + relative;
  }
  if (!EndsWith(job_.outputFolder, "/")) job_.outputFolder += "/";
  if (FileSizeOf(job_.outputFolder) != -2) return Stop("Error: Invalid output folder");

  if (job_.inputGroup.empty()) job_.inputGroup = InputGroups().front();
  if (job_.outputExtension.empty()) job_.outputExtension = OutputExtensions().front();
  Debug("Conversion: " + job_.outputExtension);
  if (!IsOutputExtension(job_.outputExtension)) return Stop("Error: Invalid conversion type");

  DebugLines(InputDebugLines(job_.inputGroup));
  for (const OutputRows& row : OutputDebugRows()) {
    if (job_.outputExtension != row.extension) continue;
    DebugLines(row.lines);
    const int bpp = static_cast<int>(SettingAsInt(s_, *DepthSettingFor(row.extension)));
    if (!IsValidBpp(state_.tables, row.extension, bpp))
      return Stop("Error: Invalid " + std::string(row.extension) + "-bpp value");
    if (job_.outputExtension == "jpg" && (s_.output.jpgQuality < 1 || s_.output.jpgQuality > 100))
      return Stop("Error: Invalid jpg-quality value");
  }

  const Settings::Transform& t = s_.transform;
  if (t.doImageRotation) {
    Debug("Image Rotation Type: " + NumberToKeyword(9, t.imageRotationType));
    Debug("Image Rotation: " + std::to_string(t.imageRotation));
    Debug("Image Rotation Back Color: " + t.imageRotationBackColor);
  }
  if (t.doImageResize) {
    Debug("Width: " + std::to_string(t.imageWidth) + " " + NumberToKeyword(10, t.imageWidthUnit));
    if (t.imageWidth == 0) return Stop("Error: Invalid width value");
    Debug("Height: " + std::to_string(t.imageHeight) + " " + NumberToKeyword(10, t.imageHeightUnit));
    if (t.imageHeight == 0) return Stop("Error: Invalid height value");
    Debug("Keep Aspect Ratio: " + Flag(t.keepAspectRatio));
    Debug("Image Resize Type: " + NumberToKeyword(11, t.imageResizeType));
    Debug("Image Resize Algorithm: " + NumberToKeyword(12, t.imageResizeAlgorithm));
  }
  Debug("Flip Horizontal: " + Flag(t.doImageFlipHorizontal));
  Debug("Flip Vertical: " + Flag(t.doImageFlipVertical));

  const Settings::Adjustment& a = s_.adjustment;
  if (a.doImageColorCorrection) {
    Debug("Brightness: " + std::to_string(a.imageBrightness));
    if (a.imageBrightness < -100 || a.imageBrightness > 100) return Stop("Error: Invalid brightness value");
    Debug("Contrast: " + std::to_string(a.imageContrast));
    if (a.imageContrast < -100 || a.imageContrast > 100) return Stop("Error: Invalid contrast value");
    Debug("Gamma: " + Gamma(a.imageGamma));
    if (!(a.imageGamma >= 0.01f && a.imageGamma <= 9.99f)) return Stop("Error: Invalid gamma value");
    Debug("Invert: " + Flag(a.imageInvert));
  }
  Debug("Greyscale: " + Flag(a.doImageGreyscale));
  if (a.doImageThreshold) Debug("Image Threshold: " + std::to_string(a.imageThreshold));

  const Settings::Frame& f = s_.frame;
  Debug("Frame: " + NumberToKeyword(13, f.doFrame));
  if (f.doFrame == 1) {
    Debug("Frame left: " + std::to_string(f.solidLeft));
    Debug("Frame right: " + std::to_string(f.solidRight));
    Debug("Frame top: " + std::to_string(f.solidTop));
    Debug("Frame bottom: " + std::to_string(f.solidBottom));
    Debug("Frame left color: " + f.solidLeftColor);
    Debug("Frame right color: " + f.solidRightColor);
    Debug("Frame top color: " + f.solidTopColor);
    Debug("Frame bottom color: " + f.solidBottomColor);
    Debug("Frame opacity: " + std::to_string(f.solidOpacity));
  }

  const Settings::Watermark& w = s_.watermark;
  Debug("Watermark: " + NumberToKeyword(14, w.doWatermark));
  bool fontLoaded = false;
  if (w.doWatermark == 1) {
    Debug("Watermark text: " + w.text);
    Debug("Watermark font: " + w.font);
    Debug("Watermark font size: " + std::to_string(w.fontSize));
    Debug("Watermark font leading: " + std::to_string(w.fontLeading));
    Debug("Watermark font color: " + w.fontColor);
    Debug("Watermark font style: " + NumberToKeyword(15, w.fontStyle));
    Debug("Watermark font effect: " + NumberToKeyword(16, w.fontEffect));
    Debug("Watermark text antialiasing: " + Flag(w.textAntialiasing));
    Debug("Watermark text alignment: " + NumberToKeyword(17, w.textAlignment));
    Debug("Watermark text padding: " + std::to_string(w.textPadding));
    Debug("Watermark text opacity: " + std::to_string(w.textOpacity));
    Debug("Watermark background color: " + w.backColor);
    Debug("Watermark background opacity: " + std::to_string(w.backOpacity));
    Debug("Watermark boundary: " + NumberToKeyword(18, w.textBoundary));
    Debug("Watermark position: " + NumberToKeyword(19, w.textPosition));
    Debug("Watermark offset (x/y): " + std::to_string(w.textXOffset) + "/" + std::to_string(w.textYOffset));
    Debug("Watermark rotation: " + std::to_string(w.textRotation));
    Debug("Watermark size/mode: " + NumberToKeyword(20, w.textSize));
    fontLoaded = state_.loadWatermarkFont && state_.loadWatermarkFont(s_);
    if (!fontLoaded) return Stop("Error: Invalid watermark font");
  }
  // The font is released however the rest of the run ends.
  struct FontRelease {
    ProcessState& state;
    bool loaded;
    ~FontRelease() {
      if (loaded && state.releaseWatermarkFont) state.releaseWatermarkFont();
    }
  } fontRelease{state_, fontLoaded};

  if (w.doWatermark == 2) {
    Debug("Watermark image: " + w.image);
    Debug("Watermark greyscale: " + Flag(w.imageGreyscale));
    Debug("Watermark opacity: " + std::to_string(w.imageOpacity));
    Debug("Watermark boundary: " + NumberToKeyword(18, w.imageBoundary));
    Debug("Watermark position: " + NumberToKeyword(19, w.imagePosition));
    Debug("Watermark offset (x/y): " + std::to_string(w.imageXOffset) + "/" + std::to_string(w.imageYOffset));
    Debug("Watermark rotation: " + std::to_string(w.imageRotation));
    Debug("Watermark size/mode: " + NumberToKeyword(20, w.imageSize));
    if (FileSizeOf(w.image) <= 0) return Stop("Error: Invalid watermark image");
  }

  const Settings::Advanced& adv = s_.advanced;
  Debug("Filename Mask: " + adv.filenameMask);
  Debug("File Timestamp: " + NumberToKeyword(21, adv.fileTimestamp));
  if (adv.fileTimestamp == 2) Debug("Custom Timestamp: " + std::to_string(adv.customTimestamp));
  Debug("Keep Subfolders: " + Flag(adv.keepSubfolders));

  job_.outputFormatId = state_.tables.outputFormats.at(job_.outputExtension).formatNumber;
  job_.outputBpp = static_cast<int32_t>(SettingAsInt(s_, *DepthSettingFor(job_.outputExtension)));
  job_.saveFlags = SaveFlagsFor(s_, job_.outputExtension);
  job_.keepColorDepth = job_.outputBpp == 0;

  Progress(GetText("General", "Importing"));
  int32_t total = 0;
  const std::string extension = ToLowerAscii(InputExtensionOf(job_.currentFile));
  if (extension != "txt" && extension != "lst")
    total = AddInputFile(job_.currentFile, state_.files, job_, state_.accepted) ? 1 : 0;
  Progress(FillPlaceholders(GetText("Msg", "Import complete"), std::to_string(total)));
  if (total == 0) {
    Print(GetText("Msg", "Conversion is not complete"));
    Print(GetText("Msg", "Empty input files"));
    return 1;
  }

  Progress(GetText("General", "Converting"));
  ConversionProgress& progress = state_.progress;
  {
    std::lock_guard lock(progress.mutex);
    progress.index = 0;
    progress.currentName.clear();
    progress.converted = 0;
  }
  progress.running = 1;
  ConversionContext context{s_, job_, state_.tables, state_.files, progress, state_.decorations,
                            [this](std::string_view line) { Print(std::string(line)); }};
  std::thread worker([&context] { ConversionWorker(context); });
  worker.join();

  int32_t converted;
  {
    std::lock_guard lock(progress.mutex);
    converted = progress.converted;
  }
  if (converted > 0) {
    Progress(GetText("Msg", "Conversion complete"));
    Progress(FillPlaceholders(GetText("Msg", "Files converted"), std::to_string(converted), std::to_string(total)));
    return 0;
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

bool IsOutputExtension(const std::string& extension) { return ListContains(OutputExtensions(), extension); }

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
