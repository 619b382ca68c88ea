// Process entry: prepares the records, lets the command line choose the run
// mode and ends through one exit path.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/interrupts.h"
#include "app/modules.h"
#include "app/process.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using namespace pictavo;

namespace {

// A console run ends here once its output is out. What the program and its
// libraries would tidy on the way out (tables, caches, the drawing layer's
// application object) is all memory, and handing it back piece by piece
// costs a small conversion a few per cent of its time.
[[noreturn]] void EndConsoleRun(int status) {
  ShowLoadedLibraries();
  std::fflush(nullptr);
#if defined(__SANITIZE_ADDRESS__)
  // The leak check would otherwise have run at exit.
  __lsan_do_leak_check();
#endif
  std::_Exit(status);
}

int Run(int argc, char** argv) {
  std::vector<std::string> params(argv + 1, argv + argc);
  static Settings settings;
  static ConversionJob job;
  static ConversionProgress progress;
  static InputFiles files;
  static FormatTables tables;
  static std::vector<std::string> accepted{""};  // one empty entry until first filled
  Console console;
  ProcessState state{settings, job, progress, files, tables, accepted, console, ProgramFileName(), {}, {}, {}, {}, {}, {}};
  // The image engine, the drawing layer and the window are modules, loaded
  // only when a run needs them.
  WireDrawingLayer(state);

  if (std::optional<int> status = ParseCommandLine(params, state)) EndConsoleRun(*status);
  return RunWindow(state, argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  // Ctrl+C, a closed terminal or a shutdown while a file is being written
  // leave no partial file behind.
  InstallInterruptCleanup();
  try {
    const int status = Run(argc, argv);
    ShowLoadedLibraries();
    return status;
  } catch (const std::exception& error) {
    // Every run mode catches what it can report in its own way; this is
    // what is left (out of memory before a run even started).
    std::fprintf(stderr, "pictavo: %s\n", error.what());
    return kExitRunStopped;
  }
}
