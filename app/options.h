// The option table of the command line and of profiles: each option once,
// with its names, its value form and the settings it writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/job.h"
#include "settings/keywords.h"
#include "settings/settings.h"

namespace pictavo {

enum class OptionForm { Num, Real, Word, Text, Flag };

// Options that act on the run rather than on a setting.
enum class OptionAction { Setting, Input, Output, Conversion, Profile, Debug, Quiet, Pause };

// Where an option may appear.
enum class OptionScope { Both, CommandLineOnly, ProfileOnly };

// The step of the console run whose debug lines show an option's setting,
// in the order the run prints them. The input group's and the output
// format's lines come from the format descriptions (settings/formats.h).
enum class EchoStep {
  None,
  InputFormat,
  OutputFormat,
  Rotation,
  Resize,
  Flip,
  ColorCorrection,
  Greyscale,
  Threshold,
  Frame,
  TextWatermark,
  PictureWatermark,
  Naming,
};

struct FixedWrite {
  const char* group;
  const char* key;
  int value;
};

struct OptionRow {
  std::vector<std::string> names;  // upper case, e.g. "-I", "--INPUT"
  OptionForm form = OptionForm::Flag;
  OptionAction action = OptionAction::Setting;
  OptionScope scope = OptionScope::Both;
  Keywords keywords = Keywords::None;         // for OptionForm::Word
  const SettingDescriptor* target = nullptr;  // setting that receives the value
  std::vector<FixedWrite> fixed;              // settings set to a fixed number whenever the option is given
  const char* format = "";                    // the input group or output format of a per-format option
  // For the documents: what a NUM, REAL or TEXT value may be ("-100 to
  // 100", "a colour, RRGGBB"). WORD values are their keywords.
  std::string values;
  bool valueIsFile = false;  // a TEXT setting that names a file to read

  // The console run's debug line for the setting: its label, or with
  // `echoJoin` the text that joins the value to the line before ("Width: 800
  // PIXELS"). The line shows `echoed`: the target, or for a flag the setting
  // its last fixed write sets.
  EchoStep echoStep = EchoStep::None;
  std::string echo;
  const char* echoJoin = nullptr;
  const SettingDescriptor* echoed = nullptr;
};

const std::vector<OptionRow>& OptionTable();

// The row an option name (upper case) selects on the command line or in a
// profile; nullptr when the name is not an option there.
const OptionRow* FindCommandLineOption(std::string_view name);
const OptionRow* FindProfileOption(std::string_view name);

// False for the options of input groups the program does not read and of
// output formats it does not write: they are accepted, on the command line
// and in profiles, but change nothing.
bool OptionTakesEffect(const OptionRow& row);

// Writes a converted value and the option's fixed writes. The value of
// TEXT options must already be unquoted; flags ignore it.
void ApplySettingOption(const OptionRow& row, std::string_view value, Settings& settings);

}  // namespace pictavo
