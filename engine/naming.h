// Output file names from the filename mask, and the same tokens in the
// watermark text.
#pragma once

#include <ctime>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "engine/job.h"
#include "settings/settings.h"

namespace pictavo {

// Local time used by the date tokens; tests install a fixed clock. nullptr
// restores the real one.
void SetNamingClock(std::function<std::tm()> clock);

// Output folder, the relative folder when subfolders are kept, and the name.
std::string BuildOutputPath(const Settings& settings, const ConversionJob& job);

// The file name from `Advanced`/`Filename Mask`.
std::string ExpandFilenameMask(const Settings& settings, const ConversionJob& job);

// Whether `name` names a file in a folder, and nothing else: not empty, no
// "/", not "." or "..". A mask that expands to anything else (a shared
// profile's "../notes.txt") must write nothing.
bool IsFileName(std::string_view name);

// `text` with every occurrence of `token` (any case) replaced by its value.
std::string ExpandToken(std::string_view text, std::string_view token, const ConversionJob& job);

// Every token of filename masks, in the order they are expanded.
std::span<const std::string_view> FilenameTokens();

// The name without its last "." and what follows.
std::string StripExtension(std::string_view name);

// `Watermark`/`Text` with its tokens expanded; the rest keeps its case.
std::string ExpandWatermarkText(const Settings& settings, const ConversionJob& job);

// Whether a file's name or watermark text depends on how many files before
// it were converted (%n%, %rnd%, also where a file's own name carries
// them): such files must be converted one at a time, in order.
bool NamesDependOnEarlierFiles(const Settings& settings, const ConversionJob& job, const InputFiles& files);

}  // namespace pictavo
