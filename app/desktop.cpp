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

}  // namespace

int RunDesktop(ProcessState& state, int& argc, char** argv) {
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
  LoadBuiltInImages(images);
  static ThemeList themes;
  const std::string programFolder = ExecutableFolder();
  ScanThemes(programFolder, themes);
  LoadTheme(settings, programFolder, themes, images, true, true, true);

  std::unique_ptr<MainWindow> window = CreateMainWindow(DesktopRecords{
      settings, state.job, state.progress, state.files, state.tables, state.accepted, images, themes,
      state.decorations, UpdateSource{}});
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
