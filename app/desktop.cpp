#include "app/desktop.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <utility>

#include "app/cmdline.h"
#include "app/instance_lock.h"
#include "app/interrupts.h"
#include "settings/config.h"
#include "base/program.h"
#include "texts/language.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/screenshot_uninstall.h"
#include "ui/themes.h"
#include "ui/window_handover.h"

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
  return DesktopRecords{state.settings, state.job, state.progress, state.files,       state.tables,
                        state.accepted, images,    themes,         state.decorations, UpdateSource{}};
}

constexpr int kExitNoDisplay = 2;

void ReportNoDisplay() {
  std::fprintf(stderr, "pictavo: no display for the window; convert with -i FILE, see pictavo --help\n");
}

// Whether Qt has anything to show windows on: a platform chosen by name, or
// an X or Wayland display. Without one Qt would abort.
bool DisplayAvailable() {
  for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// A platform plugin that cannot start (a display that does not answer) is
// fatal to Qt; it ends the program with our message instead of an abort.
// What Qt says while it starts is held back until it has started: on a
// failed start it would only bury the one line that matters.
QStringList g_startMessages;

void FatalWithoutDisplay(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type != QtFatalMsg) {
    g_startMessages.append(message);
    return;
  }
  ReportNoDisplay();
  std::_Exit(kExitNoDisplay);
}

// The application object, or nothing (and the message) without a display.
template <typename App>
std::unique_ptr<App> StartApplication(int& argc, char** argv) {
  if (!DisplayAvailable()) {
    ReportNoDisplay();
    return nullptr;
  }
  const QtMessageHandler previous = qInstallMessageHandler(FatalWithoutDisplay);
  auto application = std::make_unique<App>(argc, argv);
  qInstallMessageHandler(previous);
  for (const QString& message : std::exchange(g_startMessages, {}))
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  return application;
}

// Neither mode reads or writes config.ini, nor takes the window's lock.
int RunWindowMode(ProcessState& state, int& argc, char** argv) {
  const auto application = StartApplication<GuardedApplication>(argc, argv);
  if (!application) return kExitNoDisplay;
  BuildLanguageTable();
  if (state.windowMode == WindowMode::UninstallPage) return RunUninstallPage();
  static ThemeList themes;
  LoadPictures(state.settings, ProgramImages(), themes);
  return ScreenshotMode(RecordsOf(state, ProgramImages(), themes), state.screenshotFolder);
}

// The user's window runs already: a file given here goes to it, as a drop
// would, and without one the window is only brought up. When no window
// answers (one still starting, or a crashed one's socket left behind) this
// start ends as it always has.
int HandToRunningWindow(const std::string& givenFile, int& argc, char** argv) {
  const QCoreApplication application(argc, argv);  // Qt's sockets need one
  std::string path = givenFile;
  std::error_code error;
  // The window runs in another folder.
  if (!path.empty()) path = std::filesystem::absolute(path, error).lexically_normal().string();
  if (error) path = givenFile;  // the window refuses it, and says so
  const HandoverResult result = HandToOpenWindow(InstanceLock::SocketPath(ProgramTitle()), path);
  if (result == HandoverResult::kNotTaken)
    std::fprintf(stderr, "pictavo: the open window took nothing from %s: no file or folder with anything to convert\n",
                 givenFile.c_str());
  return kExitOk;
}

}  // namespace

int RunDesktop(ProcessState& state, int& argc, char** argv) {
  if (state.windowMode != WindowMode::Desktop) return RunWindowMode(state, argc, argv);
  if (!DisplayAvailable()) {
    ReportNoDisplay();
    return kExitNoDisplay;
  }

  // Before anything is shown or read: a second window would fight the first
  // over config.ini.
  // A crash of the window removes a settings file it was writing, as a
  // crash of a conversion removes its picture.
  InstallCrashCleanup();
  InstanceLock lock;
  std::string problem;
  switch (lock.Acquire(ProgramTitle(), &problem)) {
    case InstanceLock::Outcome::kAcquired: break;
    case InstanceLock::Outcome::kHeldElsewhere: return HandToRunningWindow(state.givenFile, argc, argv);
    case InstanceLock::Outcome::kFailed:
      // Only another window of the user's keeps this one from starting.
      std::fprintf(stderr, "pictavo: %s; the window starts without it\n", problem.c_str());
      break;
  }

  const auto application = StartApplication<GuardedApplication>(argc, argv);
  if (!application) return kExitNoDisplay;
  // Docks and Wayland match the window to its desktop entry by this name.
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
  // Files opened from now on come to this window: while it is being built
  // they wait for it. Only the lock's holder may replace a socket left behind.
  std::unique_ptr<WindowHandover> handover;
  if (lock.held()) {
    handover = std::make_unique<WindowHandover>(InstanceLock::SocketPath(ProgramTitle()));
    if (!handover->listening())
      std::fprintf(stderr, "pictavo: files opened while the window runs cannot reach it: %s\n",
                   handover->problem().c_str());
  }
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
  if (!state.givenFile.empty()) OpenGivenFile(*window, state.givenFile);
  if (handover) handover->SetWindow(window.get());
  QApplication::exec();
  // The socket goes before the lock: a window started after it must not
  // lose its own socket to this one's tidying.
  handover.reset();

  RecordDesktopEnd(settings, window->FinalPlacement());
  SaveConfig(settings);
  window.reset();
  SetPrimaryScreenProvider({});
  lock.Release();
  return kExitOk;
}

}  // namespace pictavo

extern "C" int pictavo_run_desktop(pictavo::ProcessState& state, int& argc, char** argv) {
  // The window converts nothing in its own process: every file goes to the
  // program it starts for a run (ui/conversion_dialog.h).
  return pictavo::RunDesktop(state, argc, argv);
}
