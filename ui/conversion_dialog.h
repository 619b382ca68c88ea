// The Convert command: the checks before a run, and the progress dialog that
// follows the worker thread until the user closes it.
#pragma once

#include <string>
#include <string_view>

namespace pictavo {

class MainWindow;

// Reads the input field and both lists, checks them and the settings that
// would make every file fail (each failure shows one warning and returns
// false), fills the job's output values and runs the progress dialog.
bool StartConversion(MainWindow& window);

// Converts the window's input files on a worker thread under a progress
// dialog, polling it every 15 ms; returns when the user has closed the
// dialog. The main window is disabled meanwhile.
void RunConversionDialog(MainWindow& window);

// A text longer than maxChars characters as its first and last
// (maxChars - 3) / 2 characters around "..."; shorter texts unchanged.
// Counts characters, not bytes, so a UTF-8 text is never cut inside one.
std::string ShortenMiddle(std::string_view text, int maxChars);

// "Do you want to break the conversion?" with Yes and No; true for Yes.
bool AskBreakConversion();

}  // namespace pictavo
