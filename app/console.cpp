#include "app/console.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

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

std::string KeyPressed(bool* ended) {
  *ended = false;
  if (!isatty(STDIN_FILENO)) {
    *ended = true;
    return "";
  }
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) {
    *ended = true;
    return "";
  }
  termios raw = saved;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 0;
  raw.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &raw);
  std::string key;
  pollfd pfd{STDIN_FILENO, POLLIN, 0};
  if (poll(&pfd, 1, 0) > 0) {
    char buffer[16];
    ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n == 0) *ended = true;
    else if (n > 0) key.assign(buffer, static_cast<size_t>(n));
  }
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  return key;
}

void Console::WaitForKey() {
  while (true) {
    bool ended = false;
    std::string key = KeyPressed(&ended);
    if (ended) return;
    // Escape sequences (arrows, function keys) produce no character.
    if (!key.empty() && key[0] != '\033') return;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace pictavo
