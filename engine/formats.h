// The format tables: every output format and input extension the engine
// knows, the accepted input extensions derived from InputGroups, and the
// per-format save flags.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "settings/formats.h"
#include "settings/keywords.h"
#include "settings/settings.h"

namespace pictavo {

struct OutputFormat {
  int32_t formatNumber = -1;  // FreeImage FREE_IMAGE_FORMAT
  std::string extension;
  std::string description;
  std::string depthList;  // comma-separated bit depths, ascending
};

struct InputExtension {
  std::string formatGroup;
  std::string description;
};

using OutputFormatMap = std::map<std::string, OutputFormat>;
using InputExtensionMap = std::map<std::string, InputExtension>;

struct FormatTables {
  OutputFormatMap outputFormats;
  InputExtensionMap inputExtensions;
};

// Fills both maps (find-or-add by key, so building twice changes nothing).
void BuildInputExtensions(InputExtensionMap& map);
void BuildOutputFormats(OutputFormatMap& map);
void BuildFormatTables(FormatTables& tables);

// The extensions of `inputExtensions` whose group is listed in `groups`, group
// by group.
std::vector<std::string> BuildAcceptedExtensions(const InputExtensionMap& inputExtensions,
                                                 const std::vector<std::string>& groups);


// FreeImage save flags for an output extension (exact, lower-case match).
int32_t SaveFlagsFor(const Settings& settings, std::string_view extension);

// The `Output` colour-depth setting of a format: "BMP BPP" for "bmp" and so
// on; nullptr for an extension without one.
const SettingDescriptor* DepthSettingFor(std::string_view extension);

}  // namespace pictavo
