// Filename mask and watermark text expansion. Input: the mask on the first
// line, the input file's path on the second, the watermark text after that.
#pragma once

#include <string>
#include <string_view>

#include "engine/naming.h"
#include "fuzz/fuzz_support.h"

namespace pictavo::fuzz {

inline std::string Naming(std::string_view input) {
  const std::vector<std::string> fields = SplitFields(input, 3);
  // A file system gives no name longer than 255 bytes.
  const size_t slash = fields[1].rfind('/');
  if (fields[1].size() - (slash == std::string::npos ? 0 : slash + 1) > 255) return "";

  Settings settings;
  settings.advanced.filenameMask = fields[0];
  settings.watermark.text = fields[2];
  ConversionJob job;
  job.currentFile = fields[1];
  job.outputExtension = "png";
  job.outputBpp = 24;
  job.finalWidth = 6000;
  job.finalHeight = 4000;
  job.randomNumber = 4711;
  job.sequenceNumber = 123456;

  SetNamingClock([] {
    std::tm t{};
    t.tm_year = 2024 - 1900;
    t.tm_mon = 1;
    t.tm_mday = 29;
    t.tm_hour = 23;
    t.tm_min = 59;
    t.tm_sec = 58;
    return t;
  });
  const std::string name = ExpandFilenameMask(settings, job);
  (void)ExpandWatermarkText(settings, job);
  SetNamingClock(nullptr);

  // Inserted values come from the file's name, never from its folder: only
  // the mask itself can lead out of the output folder.
  if (fields[0].find('/') == std::string::npos && name.find('/') != std::string::npos)
    return "an inserted value put a '/' into the file name";
  return "";
}

}  // namespace pictavo::fuzz
