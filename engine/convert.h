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
  // Converts job.currentFile: ConvertFile where the image engine is linked
  // (the window, tests), a copy of the program that loads it otherwise
  // (console runs, app/conversion_copy.h).
  std::function<bool(ConversionContext& context)> convertFile;
};

// Converts job.currentFile; true when the output file was saved.
bool ConvertFile(ConversionContext& context);

// Converts every queued file through context.convertFile while
// progress.running is set; stores the count of converted files in
// progress.converted. Returns 0.
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
