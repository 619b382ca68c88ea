// The pages General, Interface and Advanced.
#pragma once

#include "ui/preferences/page.h"
#include "ui/preferences/rows.h"

namespace pictavo {

class GeneralPage : public PreferencesPage {
 public:
  GeneralPage(QWidget* parent, PreferencesContext& context);
  void Fill() override;
  void Store(Settings& settings) const override;

 private:
  prefs::ListRow language_;
  prefs::ListRow updateRange_;
  prefs::CheckRow saveWindowPosition_;
};

class InterfacePage : public PreferencesPage {
 public:
  InterfacePage(QWidget* parent, PreferencesContext& context);
  void Fill() override;
  void Store(Settings& settings) const override;
  // What OK and Defaults compare with the settings.
  std::string SelectedTheme() const;
  int SelectedIconSize() const { return size_.Index(); }

 private:
  prefs::ListRow theme_;
  prefs::ListRow size_;
};

class AdvancedPage : public PreferencesPage {
 public:
  AdvancedPage(QWidget* parent, PreferencesContext& context);
  void Fill() override;
  void Store(Settings& settings) const override;

 private:
  void ApplyTimestampRule();
  prefs::TextRow mask_;
  prefs::ListRow timestamp_;
  prefs::DateRow customTimestamp_;
  prefs::ListRow history_;
  prefs::SliderRow historyLength_;
  prefs::CheckRow keepMetadata_;
  prefs::CheckRow keepSubfolders_;
  prefs::SliderRow parallel_;
};

// Text as the window stores texts typed into it: blanks trimmed at both
// ends, every TAB, CR and LF removed.
std::string CleanTypedText(const std::string& text);

}  // namespace pictavo
