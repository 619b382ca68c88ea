// The INI reader on arbitrary bytes: parsing, the written layout read back,
// and the configuration loader on the same bytes as a config.ini.
#pragma once

#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "settings/config.h"
#include "settings/preferences_file.h"
#include "settings/settings.h"

namespace pictavo::fuzz {

namespace detail {

// The written layout without its comment lines: a comment gains a blank
// each time it is read and written again, keys and groups must not change.
inline std::string WithoutComments(std::string_view written) {
  std::string out;
  size_t pos = 0;
  while (pos < written.size()) {
    size_t end = written.find("\r\n", pos);
    if (end == std::string_view::npos) end = written.size();
    const std::string_view line = written.substr(pos, end - pos);
    if (line.empty() || line.front() != ';') out.append(line).append("\n");
    pos = end + 2;
  }
  return out;
}

}  // namespace detail

inline std::string Preferences(std::string_view input) {
  PreferencesFile file;
  file.Parse(input);
  file.SelectGroup("");
  (void)file.Keys();

  const std::string written = file.Serialize();
  PreferencesFile again;
  again.Parse(written);
  if (detail::WithoutComments(again.Serialize()) != detail::WithoutComments(written))
    return "the written layout does not read back to the same groups and keys";

  Settings settings;
  settings.configPath = ScratchFile::Get().Write(input);
  if (settings.configPath.empty()) return "cannot write the scratch file";
  LoadConfig(settings);
  return "";
}

}  // namespace pictavo::fuzz
