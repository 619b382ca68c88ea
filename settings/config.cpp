#include "settings/config.h"

#include <sys/stat.h>

#include <cstdlib>

#include "settings/preferences_file.h"
#include "base/program.h"
#include "base/text_util.h"

namespace pictavo {

namespace {

void SetAbsent(Settings& settings, const SettingDescriptor& d) {
  if (d.absentValue) {
    SetSettingText(settings, d, d.absentValue);
    return;
  }
  switch (d.defaultRule) {
    case DefaultRule::Fixed: SetSettingText(settings, d, d.defaultValue); break;
    case DefaultRule::CurrentTime: SetSettingInt(settings, d, LocalNowSeconds()); break;
    case DefaultRule::FirstInputGroup: SetSettingText(settings, d, InputGroups().front()); break;
    case DefaultRule::FirstOutputExtension: SetSettingText(settings, d, OutputExtensions().front()); break;
    // Rules whose absent value differs carry it in absentValue.
    case DefaultRule::CenteredX:
    case DefaultRule::CenteredY:
    case DefaultRule::AspectFlavour: break;
  }
}

void ReadSetting(Settings& settings, const SettingDescriptor& d, const PreferencesFile& file) {
  if (!file.Find(d.key, nullptr)) {
    SetAbsent(settings, d);
    return;
  }
  if (IsTextKind(d.kind)) SetSettingText(settings, d, file.ReadText(d.key, ""));
  else if (d.kind == SettingKind::Float) SetSettingFloat(settings, d, file.ReadFloat(d.key, 0.0f));
  else SetSettingInt(settings, d, file.ReadInt(d.key, 0));
}

void WriteSetting(const Settings& settings, const SettingDescriptor& d, PreferencesFile& file) {
  if (&d == FindSetting("General", "CFG")) {
    file.WriteInt(d.key, 17);  // the layout this program writes
  } else if (IsTextKind(d.kind)) {
    file.WriteText(d.key, SettingAsText(settings, d));
  } else if (d.kind == SettingKind::Float) {
    file.WriteFloat(d.key, SettingAsFloat(settings, d));
  } else if (IsByteKind(d.kind)) {
    file.WriteInt(d.key, static_cast<int8_t>(SettingAsInt(settings, d)));
  } else {
    file.WriteInt(d.key, SettingAsInt(settings, d));
  }
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string SpecialFolderPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::string(TrimTrailingBlanksTabs(xdg));
  const char* home = std::getenv("HOME");
  if (home && home[0]) return std::string(home) + "/.config";
  return "";
}

std::string ConfigFolder(const std::string& maker, const std::string& base) {
  std::string path = SpecialFolderPath();
  if (!path.ends_with("/")) path += "/";
  path += maker + "/" + base + "/";
  // Every missing folder on the way, ~/.config included on a fresh account;
  // new ones private to the user, as the XDG base directory rules ask.
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    const std::string folder = path.substr(0, slash);
    if (!IsDirectory(folder)) mkdir(folder.c_str(), 0700);
  }
  return path;
}

void LoadConfig(Settings& settings) {
  PreferencesFile file;
  if (!file.Open(settings.configPath)) {
    SetDefaultSettings(settings, 0);
  } else {
    for (const SettingDescriptor& d : SettingTable()) {
      file.SelectGroup(d.group);
      ReadSetting(settings, d, file);
    }
  }

  // Older layouts: masks without the extension token, and RAW load numbers
  // from before the two bare-pixel entries were added at the front.
  if (settings.general.cfg < 11 && settings.advanced.filenameMask.find("%ext%") == std::string::npos)
    settings.advanced.filenameMask += ".%ext%";
  // The shift wraps like the 32-bit reader that produced the number, so an
  // absurd hand-edited value cannot overflow.
  if (settings.general.cfg < 14 && settings.input.rawLoadAs != RawLoadAs::Auto)
    settings.input.rawLoadAs =
        static_cast<RawLoadAs>(static_cast<int32_t>(static_cast<uint32_t>(settings.input.rawLoadAs) + 2u));
}

bool SaveConfig(const Settings& settings) {
  // A configuration that exists but cannot be read (too large, damaged by
  // hand) is the user's to mend: it is never replaced by what the window
  // made of its absence.
  {
    PreferencesFile existing;
    struct stat st {};
    if (stat(settings.configPath.c_str(), &st) == 0 && !existing.Open(settings.configPath)) return false;
  }
  PreferencesFile file;
  if (!file.Create(settings.configPath)) return false;

  const auto table = SettingTable();
  for (size_t i = 0; i < table.size();) {
    const char* group = table[i].group;
    size_t end = i;
    while (end < table.size() && std::string_view(table[end].group) == group) ++end;
    file.SelectGroup(group);

    const std::vector<std::string>& listed = std::string_view(group) == "Input" ? InputGroups() : OutputExtensions();
    for (size_t k = i; k < end; ++k) {
      const SettingDescriptor& d = table[k];
      if (d.writeRule == WriteRule::WhenSavingWindow && settings.general.saveWindowPosition == 0) continue;
      if (d.writeRule == WriteRule::WhenFormatListed) continue;  // written per listed format below
      WriteSetting(settings, d, file);
      if (std::string_view(d.key) == "Format") {
        for (const std::string& format : listed)
          for (size_t f = i; f < end; ++f)
            if (table[f].writeRule == WriteRule::WhenFormatListed && format == table[f].format)
              WriteSetting(settings, table[f], file);
      }
    }
    file.WriteComment("");
    i = end;
  }
  return file.Close();
}

void RecordWindowPlacement(Settings& settings, const WindowPlacement& placement) {
  if (placement.maximized) {
    settings.window.isMaximized = 1;
  } else if (!placement.minimized) {
    settings.window.isMaximized = 0;
    settings.window.width = placement.innerWidth;
    settings.window.height = placement.innerHeight;
    settings.window.x = placement.outerX;
    settings.window.y = placement.outerY;
  }
}

}  // namespace pictavo
