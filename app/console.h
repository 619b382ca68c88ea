// Console primitives of the console modes. Output goes through a sink so
// tests can capture the exact lines; the default sink is standard output.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace pictavo {

class Console {
 public:
  using Sink = std::function<void(std::string_view line)>;

  // Standard output, UTF-8, one "\n" per line, flushed.
  Console();
  explicit Console(Sink sink);

  void Open() {}
  void SetTitle(std::string_view title);
  void PrintLine(std::string_view text);
  void Close() {}

  // Waits for a key that produces a character, or Esc, with the terminal in
  // raw mode without echo throughout. Returns at once when standard input is
  // not a terminal or has ended, so scripts never hang.
  void WaitForKey();

 private:
  Sink sink_;
};

}  // namespace pictavo
