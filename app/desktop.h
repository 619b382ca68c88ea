// The desktop face of the program: started when the command line chose the
// window, it runs until the user quits and then saves the settings.
#pragma once

#include "app/process.h"

namespace pictavo {

// Takes the single-instance lock (a second window ends at once, silently),
// loads the configuration, texts and pictures, runs the main window and, when
// it is closed, stores its placement and saves the configuration. `argc` and
// `argv` go to the Qt application and must outlive the call. Returns the
// exit status, always 0. The uninstall page and the screenshot mode
// (state.windowMode) run here as well, without the lock and config.ini.
int RunDesktop(ProcessState& state, int& argc, char** argv);

}  // namespace pictavo

// RunDesktop as the window module's entry point (app/modules.h loads it).
extern "C" int pictavo_run_desktop(pictavo::ProcessState& state, int& argc, char** argv);
