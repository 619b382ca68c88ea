// The main window: menus, the main toolbar, the panel with the input file,
// output folder and output format rows and the Convert button, a notice line
// and the status bar. Menu items, toolbar buttons and keyboard shortcuts all
// end in RunCommand with a number of the command table, so each command
// behaves the same whichever way it was given.
#pragma once

#include <QMainWindow>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/convert.h"
#include "engine/formats.h"
#include "engine/job.h"
#include "settings/config.h"
#include "settings/settings.h"
#include "ui/themes.h"
#include "update/version_check.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QToolBar;
class QToolButton;

namespace pictavo {

// What the desktop works on. The program hands in its process-wide records;
// tests bring their own. Nothing here is owned by the window.
struct DesktopRecords {
  Settings& settings;
  ConversionJob& job;
  ConversionProgress& progress;
  InputFiles& files;
  FormatTables& tables;
  std::vector<std::string>& accepted;
  ImageStore& images;
  ThemeList& themes;
  // Frame and watermark steps of runs started from the window.
  DecorationSteps decorations;
  // Where the update checks ask.
  UpdateSource update;
};

// Command numbers shared by menus, toolbars and shortcuts.
enum Command : int {
  kCommandNew = 0,
  kCommandExit = 3,
  kCommandAddInputFile = 5,
  kCommandAddInputFolder = 6,
  kCommandSelectOutputFolder = 7,
  kCommandOutputFormatOptions = 8,
  kCommandConvert = 14,
  kCommandCustomConverter = 16,
  kCommandPreferences = 17,
  kCommandManual = 18,
  kCommandSendFeedback = 21,
  kCommandVisitHomepage = 22,
  kCommandCheckForNewVersion = 23,
  kCommandAbout = 24,
};

// Fixed geometry of the window, in pixels.
inline constexpr int kMinimumInnerWidth = 510;
inline constexpr int kInnerHeight = 260;

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindow(DesktopRecords records);
  ~MainWindow() override;

  DesktopRecords& records() { return records_; }

  // (Re)create the menu bar, the main toolbar and the one-button toolbars
  // beside the rows (input file, output folder, output format, input
  // folder); each replaces the one built before.
  void BuildMenus();
  void BuildMainToolbar();
  void BuildFieldToolbars();

  // Places the controls for the current inner size.
  void LayoutMainWindow();
  // Runs LayoutMainWindow once the events already queued are handled.
  void PostLayout();

  // Takes the window back from a secondary window that is closing: enabled
  // at once, activated once the closing window is gone, so that the window
  // system and the window agree on where the next click goes.
  void ReturnFromSecondaryWindow();

  // Applies what the preferences window changed: the theme or the icon size
  // (job.themeRefreshRequest), the output format chosen there
  // (`formatPosition`, -1 for none) and the history length.
  void RefreshAfterPreferences(int formatPosition);

  // Gives the Convert button and the items of both lists their pictures.
  void RefreshListImages();

  // Acts on a command number; numbers without a command do nothing.
  void RunCommand(int command);

  // The single field of the status bar.
  void SetStatusText(const std::string& text);
  std::string StatusText() const;

  // The placement as it was when the window was closed, or as it is now
  // while it is open.
  WindowPlacement FinalPlacement() const;

  // The input: the files and folders the field stands for, shown as `text`
  // (ui/commands.h SetInputItems).
  void SetInputItems(std::vector<std::string> items, const QString& text);
  // What the field stands for now: those items while it shows their text,
  // else the path typed into it.
  std::vector<std::string> InputItems() const;

  QLineEdit* inputField() const { return inputField_; }
  QComboBox* folderList() const { return folderList_; }
  QComboBox* formatList() const { return formatList_; }
  QToolButton* convertButton() const { return convertButton_; }
  QWidget* panel() const { return panel_; }
  QToolBar* mainToolbar() const { return mainToolbar_; }
  QToolBar* fieldToolbar(int n) const { return fieldToolbars_[n - 1]; }

  int menuHeight() const { return menuHeight_; }
  int toolbarHeight() const { return toolbarHeight_; }
  int statusBarHeight() const { return statusBarHeight_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  // Alt pressed and let go with nothing between opens the menu bar.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void RegisterShortcuts();
  void OpenMenuBar();
  QAction* CommandAction(QObject* owner, int command, const QString& text, const QIcon& icon);
  QIcon MenuIcon(const char* name) const;

  DesktopRecords records_;

  QWidget* client_ = nullptr;  // everything between the menu bar and the status bar
  QWidget* panel_ = nullptr;
  QLabel* inputLabel_ = nullptr;
  QLineEdit* inputField_ = nullptr;
  QLabel* folderLabel_ = nullptr;
  QComboBox* folderList_ = nullptr;
  QLabel* formatLabel_ = nullptr;
  QComboBox* formatList_ = nullptr;
  QToolButton* convertButton_ = nullptr;
  QLabel* noticeLabel_ = nullptr;
  QLabel* statusField_ = nullptr;
  QToolBar* mainToolbar_ = nullptr;
  QToolBar* fieldToolbars_[4] = {nullptr, nullptr, nullptr, nullptr};
  std::vector<std::string> inputItems_;
  QString inputItemsText_;

  int menuHeight_ = 0;
  int toolbarHeight_ = 0;
  int statusBarHeight_ = 0;
  int panelTop_ = 0;     // extra offset of the panel below the toolbar
  int rowSpacing_ = 30;  // output folder row against the input row

  bool closed_ = false;
  bool altAlone_ = false;  // Alt is down, and no other key came with it
  WindowPlacement placementAtClose_;
};

// Creates the window with its menus, toolbars, status bar and controls at
// the stored position and size, hidden.
std::unique_ptr<MainWindow> CreateMainWindow(DesktopRecords records);

// Builds the format tables, fills the lists, runs New and shows the window
// (maximised when it was closed so); then, outside the screenshot mode, the
// automatic update check.
void SetupMainWindow(MainWindow& window);

// The HTML manual of the program in `programFolder` (ending in "/"); the
// path may name a missing file.
std::string ManualPath(const std::string& programFolder);

// Hands a document, web address or mail address to the desktop's default
// handler. Failures are not reported.
void OpenWithShell(const std::string& target);

// The placement of a top-level window now: maximised, minimised, the outer
// position and the inner size.
WindowPlacement PlacementOf(const QWidget& window);

// The settings side of closing the desktop: records the placement, and
// forgets the recent output folders when their history is not to be kept.
void RecordDesktopEnd(Settings& settings, const WindowPlacement& placement);

}  // namespace pictavo
