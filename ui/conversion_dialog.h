// The Convert command: the checks before a run, and the progress dialog that
// follows the run until the user closes it.
#pragma once

#include <string>
#include <string_view>

namespace pictavo {

class MainWindow;

// Reads the input field and both lists, checks them and the settings that
// would make every file fail (each failure shows one warning and returns
// false), fills the job's output values and runs the progress dialog.
bool StartConversion(MainWindow& window);

// Converts the window's input files under a progress dialog, in a program
// of their own (app/conversion_service.h); returns when the user has closed
// the dialog. The main window is disabled meanwhile.
void RunConversionDialog(MainWindow& window);

// The program that converts for the window: this program, unless a test
// names another ("" restores it).
void SetConversionServiceProgram(const std::string& program);

// A text longer than maxChars characters as its first and last
// (maxChars - 3) / 2 characters around "..."; shorter texts unchanged.
// Counts characters, not bytes, so a UTF-8 text is never cut inside one.
std::string ShortenMiddle(std::string_view text, int maxChars);

// "Do you want to break the conversion?" with Yes and No; true for Yes.
bool AskBreakConversion();

}  // namespace pictavo
