// The preferences window: the category list, the caption band, one page per
// category, and Defaults, OK and Cancel. It edits copies of the settings in
// its controls and writes them back only on OK (or resets them on Defaults),
// then saves config.ini and refreshes the main window.
#pragma once

#include <QDialog>
#include <vector>

#include "ui/preferences/page.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace pictavo {

class MainWindow;
class InterfacePage;
class FormatPage;

// Category indexes of the list.
enum PreferencesCategory : int {
  kPrefsGeneral = 0,
  kPrefsInterface = 1,
  kPrefsInput = 2,
  kPrefsOutput = 3,
  kPrefsTransform = 4,
  kPrefsAdjustment = 5,
  kPrefsFrame = 6,
  kPrefsWatermark = 7,
  kPrefsAdvanced = 8,
};

class PreferencesWindow : public QDialog {
  Q_OBJECT

 public:
  explicit PreferencesWindow(MainWindow& window);
  ~PreferencesWindow() override;

  // Loads every page from the settings and shows the job's start page,
  // which then goes back to General.
  void FillPreferences();
  void ShowPreferencesPage(int index);
  int CurrentPage() const;
  PreferencesPage* page(int index) const { return pages_[static_cast<size_t>(index)]; }

  void Ok();
  void Defaults();

  // The theme refresh the main window needs, from what the Interface page
  // shows against `settings`: 2 for a new icon size, 1 for a new theme
  // (which wins when both changed), 0 for neither.
  ThemeRefresh ThemeRefreshFor(const Settings& settings) const;

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void Finish();

  MainWindow& window_;
  PreferencesContext context_;
  QListWidget* categories_;
  QLabel* caption_;
  std::vector<PreferencesPage*> pages_;
  InterfacePage* interfacePage_ = nullptr;
  FormatPage* outputPage_ = nullptr;
};

// Opens the window over the main window, which is disabled until it closes;
// returns it (it deletes itself when closed).
PreferencesWindow* OpenPreferences(MainWindow& window);

}  // namespace pictavo
