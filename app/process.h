// The records a process run works on. The program owns one of each; tests
// build their own and hand them in.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/console.h"
#include "engine/convert.h"
#include "engine/formats.h"
#include "engine/job.h"
#include "settings/settings.h"

namespace pictavo {

// What the command line leaves for a window to do.
enum class WindowMode { Desktop, UninstallPage, Screenshot };

struct ProcessState {
  Settings& settings;
  ConversionJob& job;
  ConversionProgress& progress;
  InputFiles& files;
  FormatTables& tables;
  std::vector<std::string>& accepted;
  Console& console;
  // File name of the program without folder and extension ("pictavo").
  std::string programName;
  // Frame and watermark drawing, and the text watermark's font, come from
  // the decorations layer; the program wires them in.
  DecorationSteps decorations;
  std::function<bool(const Settings&)> loadWatermarkFont;
  std::function<void()> releaseWatermarkFont;
  // Set by ParseCommandLine when it returns without ending the process.
  WindowMode windowMode = WindowMode::Desktop;
  std::string screenshotFolder;
  // A lone plain parameter: a file the desktop opens with (from a file manager).
  std::string givenFile;
};

// Program file name without folder and extension, from /proc/self/exe.
std::string ProgramFileName();

}  // namespace pictavo
