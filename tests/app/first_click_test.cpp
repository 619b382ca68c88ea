// Under a real X server with a window manager, driven as a user would: the
// first click on the menu bar after a dialog closes opens its menu. Runs
// when Xvfb, openbox and xdotool are installed, and skips otherwise.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

// A process of ours with `env` added, ended with its object.
class Started {
 public:
  Started(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
    pid_ = fork();
    if (pid_ != 0) return;
    for (const std::string& entry : env) putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    freopen("/dev/null", "w", stdout);
    freopen("/dev/null", "w", stderr);
    execv(args[0], args.data());
    _exit(127);
  }
  ~Started() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  Started(const Started&) = delete;
  Started& operator=(const Started&) = delete;

 private:
  pid_t pid_ = -1;
};

class FirstClick : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/openbox", "/usr/bin/xdotool"})
      if (!fs::exists(tool)) GTEST_SKIP() << tool << " not installed (packages xvfb, openbox, xdotool)";
    display_ = ":" + std::to_string(90 + getpid() % 900);
    env_ = {"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb", "XDG_RUNTIME_DIR=" + dir_.file("runtime"),
            "XDG_CONFIG_HOME=" + dir_.file("config"), "HOME=" + dir_.path()};
    fs::create_directory(dir_.file("runtime"));
    chmod(dir_.file("runtime").c_str(), 0700);
    server_ = std::make_unique<Started>(
        std::vector<std::string>{"/usr/bin/Xvfb", display_, "-screen", "0", "1280x900x24", "-nolisten", "tcp"},
        std::vector<std::string>{});
    ASSERT_TRUE(Until([&] { return Tool({"getdisplaygeometry"}).exitStatus == 0; })) << "no X server";
    manager_ = std::make_unique<Started>(std::vector<std::string>{"/usr/bin/openbox"}, env_);
    program_ = std::make_unique<Started>(std::vector<std::string>{PICTAVO_EXECUTABLE}, env_);
    ASSERT_TRUE(Until([&] { return !Window("^Pictavo 2.8$").empty(); })) << "no window";
    std::istringstream geometry(Tool({"getwindowgeometry", "--shell", Window("^Pictavo 2.8$")}).out);
    for (std::string line; std::getline(geometry, line);) {
      if (line.starts_with("X=")) x_ = std::stoi(line.substr(2));
      if (line.starts_with("Y=")) y_ = std::stoi(line.substr(2));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }

  test::ProgramResult Tool(std::vector<std::string> args) {
    return test::RunProgram(args, env_, "", 20, "/usr/bin/xdotool");
  }
  std::string Window(const std::string& name) {
    std::string found = Tool({"search", "--name", name}).out;
    return found.substr(0, found.find('\n'));
  }
  template <typename Condition>
  static bool Until(Condition condition) {
    for (int i = 0; i < 100; ++i) {
      if (condition()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }
  // A click at (dx, dy) from the window's position, as a pointer moves there
  // and presses.
  void Click(int dx, int dy) {
    Tool({"mousemove", std::to_string(x_ + dx), std::to_string(y_ + dy)});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    Tool({"click", "1"});
    std::this_thread::sleep_for(std::chrono::milliseconds(800));
  }

  test::TempDir dir_;
  std::string display_;
  std::vector<std::string> env_;
  std::unique_ptr<Started> server_, manager_, program_;
  int x_ = 0, y_ = 0;
};

// The menu bar's items and the menu entries used, from the position
// xdotool gives the window (which lies below its menu bar).
constexpr int kBarY = -12;
constexpr int kConverterX = 74, kHelpX = 131;
constexpr int kAboutY = 101, kPreferencesY = 56, kFindConverterY = 33;

TEST_F(FirstClick, TheMenuBarTakesTheFirstClickAfterADialogCloses) {
  for (const auto& [menuX, itemY, title] : {std::tuple{kHelpX, kAboutY, "About"}, {kConverterX, kPreferencesY, "Preferences"}}) {
    Click(menuX, kBarY);
    Click(menuX, itemY);
    ASSERT_TRUE(Until([&] { return !Window(title).empty(); })) << title << " did not open";
    Tool({"key", "Escape"});
    ASSERT_TRUE(Until([&] { return Window(title).empty(); })) << title << " did not close";
    std::this_thread::sleep_for(std::chrono::seconds(2));

    Click(kConverterX, kBarY);
    Click(kConverterX + 60, kFindConverterY);
    EXPECT_TRUE(Until([&] { return !Window("Find a File Converter").empty(); })) << "first click lost after " << title;
    Tool({"key", "Escape"});
    ASSERT_TRUE(Until([&] { return Window("Find a File Converter").empty(); }));
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
}

// The keyboard reaches the menus: Alt and a menu's first letter opens it,
// the arrows and Enter choose from it.
TEST_F(FirstClick, AltAndAMenusLetterOpenIt) {
  Tool({"key", "alt+c"});
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  Tool({"key", "Down", "Return"});
  EXPECT_TRUE(Until([&] { return !Window("Find a File Converter").empty(); }));
}

}  // namespace
}  // namespace pictavo
