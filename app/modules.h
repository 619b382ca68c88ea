// The program's shared modules: the image engine (libpictavo-imaging.so, with
// FreeImage and its libraries), the window (pictavo-window.so, Qt Widgets and
// everything the desktop needs) and the drawing layer (libpictavo-drawing.so,
// Qt Gui and fontconfig). A console run starts with the C++ library alone;
// its copy that converts the file loads the image engine, and the drawing
// layer only when a frame or a watermark is drawn.
// They lie beside the program in the build folder and in the installed tree's
// module folder (../lib/<architecture>/pictavo/ from the program's folder);
// they are loaded on first use and stay loaded.
#pragma once

#include <string>

#include "app/process.h"

namespace pictavo {

struct DrawingLayer;
struct ImageEngine;

// The module `file` beside the program in `programFolder` (ending in "/"),
// else in the installed tree's module folder; "" when neither exists.
std::string ModulePath(const std::string& programFolder, const std::string& file);

// The modules' tables, loaded on first use; nullptr, with the reason on
// standard error, when a module cannot be loaded.
const DrawingLayer* DrawingLayerModule();
const ImageEngine* ImageEngineModule();

// Watermark-font hooks that load the drawing layer when first used. Without
// the layer the font does not load.
void WireDrawingLayer(ProcessState& state);

// Loads the window module and runs the desktop there (RunDesktop). When the
// module cannot be loaded, says so on standard error and gives 1.
int RunWindow(ProcessState& state, int& argc, char** argv);

// With PICTAVO_SHOW_LIBRARIES set in the environment, lists every shared
// object the process has loaded on standard error, one "LABEL: PATH" line
// each; otherwise nothing. Tests check with it what a run pulled in.
void ShowLoadedLibraries(const char* label = "library");

}  // namespace pictavo
