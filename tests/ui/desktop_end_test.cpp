// The end of a desktop run: the window placement and the recent folders as
// config.ini keeps them for the next start, and the single-window rule.

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTest>
#include <clocale>
#include <cstdlib>
#include <filesystem>

#include "settings/config.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/desktop_fixture.h"

namespace pictavo {
namespace {

using test::DesktopTest;
using test::TempDir;

// Points the configuration folder at a temporary one for the test's life.
class ConfigHome {
 public:
  ConfigHome() {
    const char* old = std::getenv("XDG_CONFIG_HOME");
    if (old) previous_ = old;
    hadPrevious_ = old != nullptr;
    setenv("XDG_CONFIG_HOME", dir_.path().c_str(), 1);
  }
  ~ConfigHome() {
    if (hadPrevious_) setenv("XDG_CONFIG_HOME", previous_.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
  }
  const std::string& path() const { return dir_.path(); }

 private:
  TempDir dir_;
  std::string previous_;
  bool hadPrevious_ = false;
};

class DesktopEndTest : public DesktopTest {
 protected:
  void SetUp() override {
    settings.configPath = ConfigFolder("Corvane", "pictavo") + "config.ini";
    settings.general.saveWindowPosition = 1;
    settings.window = {0, 50, 60, 600, 260};
    DesktopTest::SetUp();
  }

  // Ends the run as the desktop does, then starts over from the saved file.
  Settings EndAndRestart() {
    RecordDesktopEnd(settings, window->FinalPlacement());
    EXPECT_TRUE(SaveConfig(settings));
    Settings next;
    next.configPath = settings.configPath;
    LoadConfig(next);
    return next;
  }

  ConfigHome home_;
};

TEST_F(DesktopEndTest, AMaximisedWindowKeepsItsEarlierPlaceAndSize) {
  window->showMaximized();
  QTRY_VERIFY(window->isMaximized());
  EXPECT_TRUE(window->close());
  const Settings next = EndAndRestart();
  EXPECT_EQ(next.window.isMaximized, 1);
  EXPECT_EQ(next.window.x, 50);
  EXPECT_EQ(next.window.y, 60);
  EXPECT_EQ(next.window.width, 600);
  EXPECT_EQ(next.window.height, 260);

  settings = next;
  auto again = CreateMainWindow(Records());
  SetupMainWindow(*again);
  EXPECT_TRUE(again->isMaximized());
}

TEST_F(DesktopEndTest, AMinimisedWindowChangesNothing) {
  window->move(300, 200);
  window->resize(900, 260);
  window->showMinimized();
  QTRY_VERIFY(window->isMinimized());
  EXPECT_TRUE(window->close());
  const Settings next = EndAndRestart();
  EXPECT_EQ(next.window.isMaximized, 0);
  EXPECT_EQ(next.window.x, 50);
  EXPECT_EQ(next.window.y, 60);
  EXPECT_EQ(next.window.width, 600);
}

TEST_F(DesktopEndTest, ANormalWindowStoresItsPlaceAndInnerSize) {
  settings.window.isMaximized = 1;  // from an earlier run
  window->move(130, 90);
  window->resize(720, 260);
  QTRY_COMPARE(window->width(), 720);
  QTRY_COMPARE(window->pos(), QPoint(130, 90));
  window->RunCommand(kCommandExit);
  EXPECT_FALSE(window->isVisible());

  const Settings next = EndAndRestart();
  EXPECT_EQ(next.window.isMaximized, 0);
  EXPECT_EQ(next.window.x, 130);
  EXPECT_EQ(next.window.y, 90);
  EXPECT_EQ(next.window.width, 720);
  EXPECT_EQ(next.window.height, 260);

  // The next window opens where this one was closed.
  settings = next;
  auto again = CreateMainWindow(Records());
  EXPECT_EQ(again->pos(), QPoint(130, 90));
  EXPECT_EQ(again->size(), QSize(720, 260));
}

TEST_F(DesktopEndTest, RecentFoldersSurviveOnlyWithTheirHistoryOn) {
  settings.file.recentOutFolders = "/a/\t/b/";
  settings.advanced.outFoldersHistory = 1;
  window->close();
  EXPECT_EQ(EndAndRestart().file.recentOutFolders, "/a/\t/b/");

  settings.advanced.outFoldersHistory = 0;
  EXPECT_EQ(EndAndRestart().file.recentOutFolders, "");
}

// A locale whose decimal point is a comma, made in a folder of the test's
// own (LOCPATH), as the desktop session of a German user sets it.
class CommaLocale {
 public:
  CommaLocale() {
    const std::string command = "localedef -i de_DE -f UTF-8 '" + dir_.file("de_DE.UTF-8") + "' >/dev/null 2>&1";
    made_ = std::system(command.c_str()) == 0;
    setenv("LOCPATH", dir_.path().c_str(), 1);
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    // What QApplication's constructor does with the environment.
    setlocale(LC_ALL, "");
  }
  ~CommaLocale() {
    unsetenv("LC_ALL");
    unsetenv("LOCPATH");
    setlocale(LC_ALL, "C");
  }
  bool active() const { return made_ && std::string(localeconv()->decimal_point) == ","; }

 private:
  TempDir dir_;
  bool made_ = false;
};

TEST_F(DesktopEndTest, NumbersKeepTheirPointUnderACommaLocale) {
  const CommaLocale locale;
  ASSERT_TRUE(locale.active()) << "localedef (package locales) could not make de_DE.UTF-8";
  settings.adjustment.imageGamma = 1.5f;
  EXPECT_TRUE(window->close());
  const Settings next = EndAndRestart();
  EXPECT_NE(test::ReadFile(settings.configPath).find("Image Gamma = 1.500000\r\n"), std::string::npos);
  EXPECT_EQ(next.adjustment.imageGamma, 1.5f);
}

TEST(SecondWindow, EndsAtOnceSilentlyWhileTheFirstRuns) {
  TempDir dir;
  const std::string runtime = dir.file("run");
  const std::string config = dir.file("config");
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all);
  std::filesystem::create_directories(config);

  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime));
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString(config));
  environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  QProcess first;
  first.setProcessEnvironment(environment);
  first.start(QStringLiteral(PICTAVO_EXECUTABLE), {});
  ASSERT_TRUE(first.waitForStarted(10000));
  // The first window makes its configuration folder once it holds the lock.
  const QString started = QString::fromStdString(config + "/Corvane/pictavo");
  QTRY_VERIFY_WITH_TIMEOUT(QDir(started).exists(), 20000);

  const test::ProgramResult second = test::RunProgram(
      {}, {"XDG_RUNTIME_DIR=" + runtime, "XDG_CONFIG_HOME=" + config, "QT_QPA_PLATFORM=offscreen"}, "", 20);
  EXPECT_EQ(second.exitStatus, 0);
  EXPECT_EQ(second.out, "");
  EXPECT_EQ(second.err, "");
  EXPECT_EQ(first.state(), QProcess::Running);

  first.terminate();
  if (!first.waitForFinished(10000)) {
    first.kill();
    first.waitForFinished(5000);
  }
}

}  // namespace
}  // namespace pictavo
