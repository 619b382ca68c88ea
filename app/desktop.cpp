#include "app/desktop.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>
#include <exception>

#include "app/cmdline.h"
#include "app/instance_lock.h"
#include "settings/config.h"
#include "settings/program.h"
#include "texts/language.h"
#include "ui/main_window.h"
#include "ui/special_modes.h"
#include "ui/themes.h"

namespace pictavo {

namespace {

// Exceptions must not cross Qt's event loop, where they end the process. A
// command that runs out of memory, say, is abandoned and the window stays.
class GuardedApplication : public QApplication {
 public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
      std::fprintf(stderr, "pictavo: a command was abandoned: %s\n", error.what());
      return false;
    }
  }
};

// The built-in pictures and the selected theme.
void LoadPictures(Settings& settings, ImageStore& images, ThemeList& themes) {
  LoadBuiltInImages(images);
  const std::string programFolder = ExecutableFolder();
  ScanThemes(programFolder, themes);
  LoadTheme(settings, programFolder, themes, images, true, true, true);
}

DesktopRecords RecordsOf(ProcessState& state, ImageStore& images, ThemeList& themes) {
  return DesktopRecords{state.settings, state.job,      state.progress, state.files,     state.tables,
                        state.accepted, images,         themes,         state.decorations};
}

// Neither mode reads or writes config.ini, nor takes the window's lock.
int RunWindowMode(ProcessState& state, int& argc, char** argv) {
  GuardedApplication application(argc, argv);
  BuildLanguageTable();
  if (state.windowMode == WindowMode::UninstallPage) return RunUninstallPage();
  static ThemeList themes;
  LoadPictures(state.settings, ProgramImages(), themes);
  return ScreenshotMode(RecordsOf(state, ProgramImages(), themes), state.screenshotFolder);
}

}  // namespace

int RunDesktop(ProcessState& state, int& argc, char** argv) {
  if (state.windowMode != WindowMode::Desktop) return RunWindowMode(state, argc, argv);

  // Before anything is shown or read: a second window would fight the first
  // over config.ini.
  InstanceLock lock;
  if (!lock.Acquire(ProgramTitle())) return kExitOk;

  GuardedApplication application(argc, argv);
  SetPrimaryScreenProvider([] {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return ScreenSize{};
    return ScreenSize{screen->geometry().width(), screen->geometry().height()};
  });

  Settings& settings = state.settings;
  settings.configPath = ConfigFolder(kMakerWord, kBaseName) + "config.ini";
  LoadConfig(settings);
  BuildLanguageTable();

  ImageStore& images = ProgramImages();
  static ThemeList themes;
  LoadPictures(settings, images, themes);

  std::unique_ptr<MainWindow> window = CreateMainWindow(RecordsOf(state, images, themes));
  SetupMainWindow(*window);
  QApplication::exec();

  RecordDesktopEnd(settings, window->FinalPlacement());
  SaveConfig(settings);
  window.reset();
  SetPrimaryScreenProvider({});
  lock.Release();
  return kExitOk;
}

}  // namespace pictavo
