// The format descriptions: what each output format and input group brings
// to the settings. The engine's format tables and save flags
// (engine/formats.h) are built from them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "settings/keywords.h"

namespace pictavo {

// ---- one description per format ----
//
// Everything the program knows about a format's own settings is declared
// once here: the setting (group Input for input groups, Output for output
// formats), its command-line option, its debug line, its words, its row in
// the preferences window and what it means to FreeImage. The option table,
// the console run's debug lines, SaveFlagsFor, the preferences pages and
// the list of formats written (OutputExtensions) are all read from these
// descriptions.

struct Settings;

// How a setting's row of the preferences window looks.
enum class RowPattern { List, Check, Slider, NumberUnit };

// Where a format's setting is kept in the settings record, and its default:
// a 32-bit number, an 8-bit flag (a Check row) or an enumeration, read and
// written as its number. The settings table takes the format's rows from
// here, in description order.
struct FormatField {
  int32_t& (*number)(Settings&) = nullptr;
  uint8_t& (*flag)(Settings&) = nullptr;
  const char* defaultValue = "0";
  int64_t (*enumGet)(const Settings&) = nullptr;
  void (*enumSet)(Settings&, int64_t) = nullptr;
};

// The two accessors of a setting kept as an enumeration (`path` within
// Settings): the number stored in config.ini is the enumerator's.
#define PICTAVO_ENUM_ACCESS(path)                                                      \
  [](const Settings& s) -> int64_t { return static_cast<int64_t>(s.path); },          \
      [](Settings& s, int64_t value) {                                                 \
        using Named = std::remove_reference_t<decltype(s.path)>;                      \
        s.path = static_cast<Named>(static_cast<std::underlying_type_t<Named>>(value)); \
      }

struct FormatSetting {
  const char* key;     // the setting; nullptr for a row that stores nothing
  FormatField field;   // where `key` is kept
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

// Whether the program writes a format, or only keeps its settings.
enum class Writes : bool { No, Yes };

struct OutputFormatDescription {
  const char* extension;
  FormatField depth;  // the colour depth ("PNG BPP")
  // The format's entry in the format tables; -1 for formats only the
  // settings know (a colour depth is stored for them).
  int32_t formatNumber;
  const char* description;
  const char* depthList;  // comma-separated bit depths, ascending
  int32_t fixedSaveFlags;
  // Beyond the colour depth, which every output format has ("PNG BPP",
  // option "--PNG-BPP", debug line "PNG BPP", row "Bits Per Pixel").
  std::vector<FormatSetting> settings;
  // Only the formats written are offered, and only their settings are
  // saved to config.ini.
  Writes writes = Writes::No;
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

// The extensions of the formats the program writes, in description order;
// the first is the default output format.
const std::vector<std::string>& OutputExtensions();

}  // namespace pictavo
