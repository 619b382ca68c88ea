// The format tables: every output format and input extension the engine
// knows, the accepted input extensions derived from InputGroups, and the
// per-format save flags.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "settings/keywords.h"
#include "settings/settings.h"

namespace pictavo {

// ---- one description per format ----
//
// Everything the program knows about a format's own settings is declared
// once here: the setting (group Input for input groups, Output for output
// formats), its command-line option, its debug line, its words, its row in
// the preferences window and what it means to FreeImage. The option table,
// the console run's debug lines, SaveFlagsFor and the preferences pages are
// all read from these descriptions.

// How a setting's row of the preferences window looks.
enum class RowPattern { List, Check, Slider, NumberUnit };

struct FormatSetting {
  const char* key;     // the setting; nullptr for a row that stores nothing
  const char* option;  // "--PNG-COMPRESSION"; nullptr for none
  const char* echo;    // label of the console run's debug line ("PNG Compression")
  Keywords keywords;   // words of the option and the debug line; None for numbers and flags
  const char* label;   // preferences label, a key of the Preferences texts ("Compression")
  RowPattern pattern;
  // Preferences texts of the list entries (index = stored value), or of the
  // unit of a NumberUnit row.
  std::vector<const char*> entries;
  // FreeImage save flag of each stored value (output formats).
  std::vector<int32_t> saveFlags = {};
  bool valueIsSaveFlag = false;  // the stored number itself goes into the flags
  int32_t minimum = 0;           // range of a Slider row, checked by the console run
  int32_t maximum = 0;
};

struct OutputFormatDescription {
  const char* extension;
  // The format's entry in the format tables; -1 for formats only the
  // settings know (a colour depth is stored for them, nothing is written).
  int32_t formatNumber;
  const char* description;
  const char* depthList;  // comma-separated bit depths, ascending
  int32_t fixedSaveFlags;
  // Beyond the colour depth, which every output format has ("PNG BPP",
  // option "--PNG-BPP", debug line "PNG BPP", row "Bits Per Pixel").
  std::vector<FormatSetting> settings;
};

struct InputFormatDescription {
  const char* group;
  std::vector<FormatSetting> settings;
};

// In extension (group) order.
const std::vector<OutputFormatDescription>& OutputFormatDescriptions();
const std::vector<InputFormatDescription>& InputFormatDescriptions();
const OutputFormatDescription* FindOutputFormatDescription(std::string_view extension);
const InputFormatDescription* FindInputFormatDescription(std::string_view group);

// The colour-depth setting's key ("PNG BPP") and option ("--PNG-BPP").
std::string DepthSettingKey(std::string_view extension);
std::string DepthOption(std::string_view extension);

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

// Exact, case-sensitive membership test of a string list.
bool ListContains(const std::vector<std::string>& list, std::string_view value);

// FreeImage save flags for an output extension (exact, lower-case match).
int32_t SaveFlagsFor(const Settings& settings, std::string_view extension);

// The `Output` colour-depth setting of a format: "BMP BPP" for "bmp" and so
// on; nullptr for an extension without one.
const SettingDescriptor* DepthSettingFor(std::string_view extension);

// The process-wide tables, built at start-up.
FormatTables& GlobalFormatTables();
std::vector<std::string>& AcceptedExtensions();

}  // namespace pictavo
