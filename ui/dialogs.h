// Message boxes and the common dialogs (open file, folder, colour, font).
// Every desktop window asks through one Dialogs object: the program uses the
// Qt dialogs, tests install a scripted one that answers without a screen.
#pragma once

#include <QColor>
#include <QFont>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace pictavo {

enum class MessageIcon { Warning, Error, Question, Information };

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A message box with an OK button.
  virtual void Message(MessageIcon icon, const std::string& title, const std::string& text) = 0;
  // A message box with Yes and No buttons; true for Yes.
  virtual bool AskYesNo(MessageIcon icon, const std::string& title, const std::string& text) = 0;

  // One existing file. `filters` are entries in Qt's "Label (*.a *.b)" form;
  // the first is preselected. `preset` is the file name the dialog starts
  // with ("" for none). Nothing when cancelled.
  virtual std::optional<std::string> OpenFile(const std::string& title, const QStringList& filters,
                                              const std::string& preset) = 0;
  // The same for one or several files; none when cancelled.
  virtual std::vector<std::string> OpenFiles(const std::string& title, const QStringList& filters,
                                             const std::string& preset) = 0;
  // A folder, starting at `start`. Nothing when cancelled.
  virtual std::optional<std::string> ChooseFolder(const std::string& title, const std::string& start) = 0;
  virtual std::optional<QColor> ChooseColor(const std::string& title, const QColor& initial) = 0;
  virtual std::optional<QFont> ChooseFont(const std::string& title, const QFont& initial) = 0;
  // A document, web address or mail address handed to the desktop's
  // default handler.
  virtual void OpenExternal(const std::string& target) = 0;
};

// The dialogs in use: the installed ones, else the Qt dialogs. The boxes are
// owned by the application's active window, so they stay on top of it.
Dialogs& CurrentDialogs();

// Installs `dialogs` (not owned) until replaced; nullptr brings back the Qt
// dialogs. Returns what was installed before (nullptr for the Qt ones).
Dialogs* InstallDialogs(Dialogs* dialogs);

// Installs a set for the life of a scope, then restores the previous one.
class ScopedDialogs {
 public:
  explicit ScopedDialogs(Dialogs& dialogs) : previous_(InstallDialogs(&dialogs)) {}
  ~ScopedDialogs() { InstallDialogs(previous_); }
  ScopedDialogs(const ScopedDialogs&) = delete;
  ScopedDialogs& operator=(const ScopedDialogs&) = delete;

 private:
  Dialogs* previous_;
};

// Message boxes shared by the desktop windows; titles come from the
// language table ("Warning", "Error").
void ShowWarning(const std::string& text);
void ShowError(const std::string& text);
void ShowInformation(const std::string& title, const std::string& text);

}  // namespace pictavo
