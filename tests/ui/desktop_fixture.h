// Shared by the main-window tests: a window over records of the test's own,
// scripted answers for every dialog, and a way to act while a modal dialog
// runs its own loop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/formats.h"
#include "engine/job.h"
#include "settings/settings.h"
#include "ui/dialogs.h"
#include "texts/language.h"
#include "ui/main_window.h"
#include "ui/themes.h"

namespace pictavo::test {

// Answers every dialog from the test's script and keeps what was shown.
class ScriptedDialogs final : public Dialogs {
 public:
  struct Shown {
    MessageIcon icon;
    std::string title;
    std::string text;
  };

  void Message(MessageIcon icon, const std::string& title, const std::string& text) override {
    messages.push_back({icon, title, text});
  }
  bool AskYesNo(MessageIcon icon, const std::string& title, const std::string& text) override {
    questions.push_back({icon, title, text});
    if (whileAsked) whileAsked();
    if (answers.empty()) return false;
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::string> OpenFile(const std::string& title, const QStringList& filters,
                                      const std::string& preset) override {
    fileTitle = title;
    fileFilters = filters;
    filePreset = preset;
    return nextFile;
  }
  std::vector<std::string> OpenFiles(const std::string& title, const QStringList& filters,
                                     const std::string& preset) override {
    fileTitle = title;
    fileFilters = filters;
    filePreset = preset;
    if (!nextFiles.empty()) return nextFiles;
    return nextFile ? std::vector<std::string>{*nextFile} : std::vector<std::string>{};
  }
  std::optional<std::string> ChooseFolder(const std::string& title, const std::string& start) override {
    folderTitle = title;
    folderStart = start;
    return nextFolder;
  }
  std::optional<QColor> ChooseColor(const std::string&, const QColor& initial) override {
    colorInitial = initial;
    return nextColor;
  }
  std::optional<QFont> ChooseFont(const std::string&, const QFont& initial) override {
    fontInitial = initial;
    return nextFont;
  }

  void OpenExternal(const std::string& target) override { opened.push_back(target); }

  std::vector<std::string> opened;  // what was handed to the desktop
  std::vector<Shown> messages;
  std::vector<Shown> questions;
  std::deque<bool> answers;              // Yes/No answers in order; No when none is left
  std::function<void()> whileAsked;      // runs while a question is "on screen"
  std::optional<std::string> nextFile;   // the open-file dialog's choice
  std::vector<std::string> nextFiles;    // or its several choices
  std::optional<std::string> nextFolder; // the folder dialog's choice
  std::optional<QColor> nextColor;      // the colour dialog's choice
  std::optional<QFont> nextFont;        // the font dialog's choice
  QColor colorInitial;
  QFont fontInitial;
  std::string fileTitle, filePreset, folderTitle, folderStart;
  QStringList fileFilters;
};

class DesktopTest : public ::testing::Test {
 protected:
  DesktopTest() : scoped_(dialogs) {
    BuildLanguageTable();
    SetDefaultSettings(settings, 0);
    LoadBuiltInImages(images);
  }

  void SetUp() override {
    window = CreateMainWindow(Records());
    SetupMainWindow(*window);
    QApplication::processEvents();
  }

  DesktopRecords Records() {
    return DesktopRecords{settings, job, progress, files, tables, accepted, images, themes, {}, update};
  }

  DesktopRecords& records() { return window->records(); }

  ScriptedDialogs dialogs;
  Settings settings;
  ConversionJob job;
  ConversionProgress progress;
  InputFiles files;
  FormatTables tables;
  std::vector<std::string> accepted;
  ImageStore images;
  ThemeList themes;
  // No window test reaches the real network: the update checks ask nowhere
  // (an empty address fails at once) unless a test names its own server.
  UpdateSource update{"", {}};
  std::unique_ptr<MainWindow> window;

 private:
  ScopedDialogs scoped_;
};

// Runs `action` once from the event loop as soon as `ready` holds, so a test
// can act while a modal dialog runs its own loop. Keep the returned handle
// for as long as the action may run; dropping it cancels the wait. When
// `ready` never comes the test fails and the action runs anyway, so that a
// dialog is not left open.
[[nodiscard]] inline std::unique_ptr<QTimer> When(std::function<bool()> ready, std::function<void()> action) {
  auto timer = std::make_unique<QTimer>();
  QTimer* self = timer.get();
  auto deadline = std::make_shared<QDeadlineTimer>(20000);
  QObject::connect(self, &QTimer::timeout, [self, deadline, ready = std::move(ready), action = std::move(action)] {
    const bool timedOut = deadline->hasExpired();
    if (!timedOut && !ready()) return;
    if (timedOut) ADD_FAILURE() << "the awaited state never came";
    self->stop();
    action();
  });
  timer->start(5);
  return timer;
}

}  // namespace pictavo::test
