// The pages Input and Output: a format selector, and below it one sub-panel
// per input group or output format the settings know, built from the format
// descriptions (engine/formats.h). Only the selected format's sub-panel is
// shown; every sub-panel is stored on OK, shown or not.
#pragma once

#include <memory>
#include <vector>

#include "engine/formats.h"
#include "ui/preferences/page.h"
#include "ui/preferences/rows.h"

namespace pictavo {

// The rows of one format's settings on one sub-panel.
class FormatPanel {
 public:
  // `depthList` (output formats only) adds the Bits Per Pixel row first.
  FormatPanel(QWidget* page, const char* group, const char* format, const std::vector<FormatSetting>& settings,
              const char* depthList);
  void Fill(const Settings& settings);
  void Store(Settings& settings) const;
  QWidget* panel() const { return panel_; }
  const std::string& format() const { return format_; }
  // Row n of the settings (after the depth row).
  prefs::Row& SettingRow(size_t n) const { return *rows_[n]; }

 private:
  struct Bound {
    const FormatSetting* setting;
    const SettingDescriptor* descriptor;  // nullptr: stores nothing
  };
  QWidget* panel_;
  std::string group_;
  std::string format_;
  std::unique_ptr<prefs::ListRow> depth_;
  const SettingDescriptor* depthSetting_ = nullptr;
  std::vector<Bound> bound_;
  std::vector<std::unique_ptr<prefs::Row>> rows_;
};

class FormatPage : public PreferencesPage {
 public:
  // kind: "Input" (input groups, InputGroups) or "Output" (OutputExtensions).
  FormatPage(QWidget* parent, PreferencesContext& context, const char* kind);
  void Fill() override;
  void Store(Settings& settings) const override;
  // Position of the selected format in the program's list; -1 for none.
  int SelectedFormat() const;

 private:
  void ShowSelected();
  void ApplyRawRule();
  const char* kind_;
  prefs::ListRow selector_;
  std::vector<std::unique_ptr<FormatPanel>> panels_;
  QLabel* autoNote_ = nullptr;  // what Auto loads, under the RAW rows
};

}  // namespace pictavo
