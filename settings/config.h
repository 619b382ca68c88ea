// Where config.ini lives, and loading and saving the settings record.
#pragma once

#include <string>

#include "settings/settings.h"

namespace pictavo {

// The per-user configuration base ($XDG_CONFIG_HOME, else ~/.config), without
// a trailing "/"; "" when neither can be found.
std::string SpecialFolderPath();

// SpecialFolderPath + "/" + maker + "/" + base + "/", creating the missing
// folders (parents included, new ones with mode 0700). A folder that cannot
// be created is not reported: the later save fails quietly.
std::string ConfigFolder(const std::string& maker, const std::string& base);

// Fills `settings` from settings.configPath, or with the window defaults
// when the file cannot be read, then upgrades older layouts.
void LoadConfig(Settings& settings);

// Writes every persisted key to settings.configPath. Failures are silent and
// leave any earlier file as it was; a file its owner made read-only is left
// alone, a symbolic link is followed, and the file keeps its mode.
bool SaveConfig(const Settings& settings);

// Main-window placement at the end of a window run.
struct WindowPlacement {
  bool maximized = false;
  bool minimized = false;
  int outerX = 0;
  int outerY = 0;
  int innerWidth = 0;
  int innerHeight = 0;
};
void RecordWindowPlacement(Settings& settings, const WindowPlacement& placement);

}  // namespace pictavo
