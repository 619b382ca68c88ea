// The -p pause, driven through a pseudo-terminal as a user at a keyboard.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>

namespace pictavo {
namespace {

class PausedProgram {
 public:
  PausedProgram() {
    pid_ = forkpty(&terminal_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      const char* program = PICTAVO_EXECUTABLE;
      execl(program, program, "-p", "-i", "/no/such/photo.cr2", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~PausedProgram() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (terminal_ >= 0) close(terminal_);
  }

  // Everything shown on the terminal until `text` appears or time is up.
  std::string ReadUntil(const std::string& text, int milliseconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (shown_.find(text) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
      pollfd pfd{terminal_, POLLIN, 0};
      if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0) break;
      char buffer[256];
      const ssize_t n = read(terminal_, buffer, sizeof buffer);
      if (n <= 0) break;
      shown_.append(buffer, static_cast<size_t>(n));
    }
    return shown_;
  }
  void Type(const std::string& keys) { ASSERT_EQ(write(terminal_, keys.data(), keys.size()), ssize_t(keys.size())); }
  // True once the program has ended (waits up to `milliseconds`).
  bool Ended(int milliseconds) {
    for (int i = 0; i < milliseconds / 10 && !exited_; ++i) {
      exited_ = waitpid(pid_, nullptr, WNOHANG) == pid_;
      if (!exited_) usleep(10000);
    }
    return exited_;
  }
  int terminal() const { return terminal_; }
  bool WaitForRawMode(int milliseconds) {
    for (int i = 0; i < milliseconds / 5; ++i) {
      termios now{};
      if (tcgetattr(terminal_, &now) == 0 && !(now.c_lflag & ECHO)) return true;
      usleep(5000);
    }
    return false;
  }

 private:
  int terminal_ = -1;
  pid_t pid_ = -1;
  bool exited_ = false;
  std::string shown_;
};

TEST(Pause, KeysWithoutACharacterNeitherEndItNorShow) {
  struct Case {
    const char* name;
    std::string endingKey;
  };
  for (const Case& c : {Case{"a letter", "x"}, Case{"Esc", "\033"}}) {
    PausedProgram program;
    ASSERT_NE(program.ReadUntil("Press any key to exit.", 30000).find("Press any key to exit."), std::string::npos);
    const size_t prompt = program.ReadUntil("", 0).size();
    // The prompt comes before the wait takes the terminal; keys typed in
    // between would be the terminal's to echo.
    ASSERT_TRUE(program.WaitForRawMode(10000)) << c.name;
    program.Type("\033[A");  // an arrow key
    EXPECT_FALSE(program.Ended(300)) << c.name;
    // Read what shows while the program still holds the terminal: a closed
    // terminal drops what was not read.
    program.ReadUntil("never shown", 100);
    program.Type(c.endingKey);
    EXPECT_TRUE(program.Ended(5000)) << c.name;
    // Nothing typed was echoed after the prompt.
    const std::string after = program.ReadUntil("never shown", 200).substr(prompt);
    EXPECT_EQ(after.find("[A"), std::string::npos) << c.name << ": " << after;
    EXPECT_EQ(after.find('x'), std::string::npos) << c.name << ": " << after;
    // And the terminal is as the program found it.
    termios now{};
    ASSERT_EQ(tcgetattr(program.terminal(), &now), 0);
    EXPECT_TRUE((now.c_lflag & ECHO) && (now.c_lflag & ICANON)) << c.name;
  }
}

}  // namespace
}  // namespace pictavo
