// The pages General, Interface and Advanced.
#pragma once

#include "ui/preferences/page.h"
#include "ui/preferences/rows.h"

namespace pictavo {

class GeneralPage : public PreferencesPage {
 public:
  GeneralPage(QWidget* parent, PreferencesContext& context);
};

// The themes found, by name; the setting keeps the theme's identifier.
class ThemeRow : public prefs::ListRow {
 public:
  ThemeRow(const prefs::RowPlace& place, const ThemeList& themes);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  std::string SelectedTheme() const;

 private:
  const ThemeList& themes_;
};

class InterfacePage : public PreferencesPage {
 public:
  InterfacePage(QWidget* parent, PreferencesContext& context);
  // What OK and Defaults compare with the settings.
  std::string SelectedTheme() const { return theme_.SelectedTheme(); }
  int SelectedIconSize() const { return size_.Index(); }

 private:
  prefs::RowList& rows_;
  ThemeRow& theme_;
  prefs::ListRow& size_;
};

class AdvancedPage : public PreferencesPage {
 public:
  AdvancedPage(QWidget* parent, PreferencesContext& context);

 private:
  void ApplyRules() override;
  prefs::ListRow* timestamp_;
  prefs::DateRow* customTimestamp_;
};

}  // namespace pictavo
