// The program's shared modules: the window (pictavo-window.so, Qt Widgets and
// everything the desktop needs) and the drawing layer (libpictavo-drawing.so,
// Qt Gui and fontconfig). A console run loads neither unless a frame or a
// watermark is drawn, so it starts with FreeImage and the C++ library alone.
// Both lie beside the program in the build folder and in ../lib/pictavo/
// from it once installed; they are loaded on first use and stay loaded.
#pragma once

#include <string>

#include "app/process.h"

namespace pictavo {

// The module `file` beside the program in `programFolder` (ending in "/"),
// else in its ../lib/pictavo/; "" when neither exists.
std::string ModulePath(const std::string& programFolder, const std::string& file);

// Frame, watermark and watermark-font hooks that load the drawing layer the
// first time a step that is on needs it. Without the layer a frame or
// watermark gives no picture (the file is not converted) and the font does
// not load.
void WireDrawingLayer(ProcessState& state);

// Loads the window module and runs the desktop there (RunDesktop). When the
// module cannot be loaded, says so on standard error and gives 1.
int RunWindow(ProcessState& state, int& argc, char** argv);

// With PICTAVO_SHOW_LIBRARIES set in the environment, lists every shared
// object the process has loaded on standard error, one "library: PATH" line
// each; otherwise nothing. Tests check with it what a run pulled in.
void ShowLoadedLibraries();

}  // namespace pictavo
