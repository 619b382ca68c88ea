// The pages Input and Output: a format selector, and below it one sub-panel
// per input group or output format the settings know, whose rows are built
// from the format descriptions (settings/formats.h). Only the selected
// format's sub-panel is shown; every sub-panel is stored on OK, shown or not.
#pragma once

#include <string>
#include <vector>

#include "engine/formats.h"
#include "ui/preferences/page.h"
#include "ui/preferences/rows.h"

namespace pictavo {

// The formats of the program's list (InputGroups or OutputExtensions), in
// upper case; the setting keeps the selected one in lower case.
class FormatSelectorRow : public prefs::ListRow {
 public:
  FormatSelectorRow(const prefs::RowPlace& place, const std::vector<std::string>& formats, QIcon icon);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  // Position of the selected format in the program's list; -1 for none.
  int SelectedFormat() const;

 private:
  const std::vector<std::string>& formats_;
  QIcon icon_;
};

class FormatPage : public PreferencesPage {
 public:
  // kind: "Input" (input groups, InputGroups) or "Output" (OutputExtensions).
  FormatPage(QWidget* parent, PreferencesContext& context, const char* kind);
  int SelectedFormat() const { return selector_->SelectedFormat(); }

 private:
  struct Panel {
    std::string format;
    QWidget* panel;
  };
  // The rows of one format's settings on a sub-panel of their own;
  // `depthList` (output formats) adds the Bits Per Pixel row first.
  prefs::RowList& AddPanel(const char* format, const std::vector<FormatSetting>& settings, const char* depthList);
  void ApplyRules() override;
  void ShowSelected();
  void ApplyRawRule();
  const char* kind_;
  const std::vector<std::string>& formats_;
  FormatSelectorRow* selector_;
  std::vector<Panel> panels_;
  prefs::RowList* raw_ = nullptr;
  QLabel* autoNote_ = nullptr;  // what Auto loads, under the RAW rows
};

}  // namespace pictavo
