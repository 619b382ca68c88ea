// Converting one file from loading to saving, and the worker that walks the
// input file set on its own thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/bitmap.h"
#include "engine/exif.h"
#include "engine/formats.h"
#include "engine/job.h"
#include "settings/settings.h"

namespace pictavo {

// Frame and watermark are drawn by a layer above the engine; whoever starts
// a run hands them in. An empty step passes the picture on unchanged.
struct DecorationSteps {
  std::function<Bitmap(Bitmap image, int width, int height)> frame;
  std::function<Bitmap(Bitmap image, int width, int height)> watermark;
};

struct ConversionContext;

// The most files a run converts at once (`Parallel Conversions`).
inline constexpr int kMaxParallelConversions = 64;

// What became of one file.
struct FileResult {
  bool saved = false;
  // The output's path once the file was named ("" when it failed before).
  std::string outputFile;
};

// Converts files for the worker, one at a time or several at once. Start
// begins the conversion of job.currentFile as the job stands then; Finish
// gives back the oldest file started and not yet finished, waiting for it,
// and replaces its target only then, so that outputs appear in the order of
// the files whatever order their conversions end in.
class FileConverter {
 public:
  virtual ~FileConverter() = default;
  // How many files may be under way at once (at least 1).
  virtual int Capacity() const = 0;
  virtual void Start(ConversionContext& context) = 0;
  virtual FileResult Finish(ConversionContext& context) = 0;
};

// Everything a run reads and writes. The caller leaves settings, job and
// files alone while the worker runs; progress is shared under its mutex.
struct ConversionContext {
  const Settings& settings;
  ConversionJob& job;
  const FormatTables& tables;
  const InputFiles& files;
  ConversionProgress& progress;
  DecorationSteps decorations;
  // Receives the per-file debug lines of console runs; may be empty.
  std::function<void(std::string_view line)> printLine;
  // Converts job.currentFile in this process, one file after another:
  // ConvertFile where the image engine is linked (tests). Used when there is
  // no `converter`.
  std::function<bool(ConversionContext& context)> convertFile;
  // Converts the files elsewhere (copies of the program, several at once:
  // app/conversion_copy.h).
  FileConverter* converter = nullptr;
  // Called by ConvertFile once the output is written, before it replaces
  // the target; false abandons the file. Empty: replace at once.
  std::function<bool()> commitGate;
  // Told as each file starts (its number, from 1) and once what follows it
  // is done; may be empty.
  std::function<void(int32_t index, const std::string& input)> fileStarted;
  std::function<void(int32_t index, const FileResult& result)> fileFinished;
};

// Converts job.currentFile; true when the output file was saved.
bool ConvertFile(ConversionContext& context);

// Converts every queued file in the set's order while progress.running is
// set, through context.converter or else context.convertFile, and does what
// follows each file in that same order (debug lines, %n% and %rnd%, the
// timestamp); stores the count of converted files in progress.converted.
// Returns 0.
int ConversionWorker(ConversionContext& context);

// What a PNG gets besides its pixels: the camera's EXIF block and what its
// colours are (engine/exif.h).
struct PngExtras {
  std::string exifBlock;
  ColorStatement colors = ColorStatement::kNone;
};

// Saves through a temporary file in the output folder that is renamed over
// `path` only when FreeImage succeeded, so a failed save never damages an
// existing file. Refuses to write over `inputPath` itself. `extras` go into
// a PNG before its pixel data.
bool SaveBitmapSafely(FIBITMAP* image, int format, const std::string& path, int flags, const std::string& inputPath,
                      const PngExtras* extras = nullptr);

// Modification time as stored dates count it: seconds since 1970 in local
// wall-clock time. -1 when the file cannot be read.
int64_t FileModifiedLocalSeconds(const std::string& path);
bool SetFileModifiedLocalSeconds(const std::string& path, int64_t localSeconds);

}  // namespace pictavo
