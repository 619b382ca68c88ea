#include "app/console.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "app/interrupts.h"

namespace pictavo {

Console::Console()
    : sink_([](std::string_view line) {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
      }) {}

Console::Console(Sink sink) : sink_(std::move(sink)) {}

void Console::SetTitle(std::string_view title) {
  // Only a terminal has a title; never write escape codes into a pipe or file.
  if (isatty(STDOUT_FILENO)) {
    std::string sequence = "\033]0;" + std::string(title) + "\007";
    std::fwrite(sequence.data(), 1, sequence.size(), stdout);
    std::fflush(stdout);
  }
}

void Console::PrintLine(std::string_view text) { sink_(text); }

namespace {

// Raw mode without echo for as long as the pause lasts, so a key pressed
// never shows (nor an arrow as "^[[A"); put back on every way out, a signal
// included.
class RawTerminal {
 public:
  RawTerminal() {
    held_ = tcgetattr(STDIN_FILENO, &saved_) == 0;
    if (!held_) return;
    termios raw = saved_;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    SetTerminalToRestore(&saved_);
    held_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
    if (!held_) SetTerminalToRestore(nullptr);
  }
  ~RawTerminal() {
    if (!held_) return;
    tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    SetTerminalToRestore(nullptr);
  }
  RawTerminal(const RawTerminal&) = delete;
  RawTerminal& operator=(const RawTerminal&) = delete;
  bool held() const { return held_; }

 private:
  termios saved_{};
  bool held_ = false;
};

}  // namespace

void Console::WaitForKey() {
  if (!isatty(STDIN_FILENO)) return;
  const RawTerminal terminal;
  if (!terminal.held()) return;
  for (;;) {
    pollfd pfd{STDIN_FILENO, POLLIN, 0};
    const int ready = poll(&pfd, 1, -1);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || !(pfd.revents & POLLIN)) return;  // the terminal went away
    char buffer[32];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    // Keys without a character (arrows, function keys) arrive as escape
    // sequences and do not end the wait; Esc on its own does.
    if (buffer[0] != '\033' || n == 1) return;
  }
}

}  // namespace pictavo
