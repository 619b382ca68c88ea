#include "app/desktop.h"

#include <QApplication>
#include <QScreen>

#include "app/cmdline.h"
#include "app/instance_lock.h"
#include "settings/config.h"
#include "settings/program.h"
#include "ui/language.h"
#include "ui/main_window.h"
#include "ui/themes.h"

namespace pictavo {

int RunDesktop(ProcessState& state, int& argc, char** argv) {
  // Before anything is shown or read: a second window would fight the first
  // over config.ini.
  InstanceLock lock;
  if (!lock.Acquire(ProgramTitle())) return kExitOk;

  QApplication application(argc, argv);
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
      state.decorations});
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
