// Process entry: prepares the records, lets the command line choose the run
// mode and ends through one exit path.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/interrupts.h"
#include "app/modules.h"
#include "app/process.h"
#include "engine/isolated_decoder.h"

using namespace pictavo;

namespace {

int Run(int argc, char** argv) {
  std::vector<std::string> params(argv + 1, argv + argc);
  // FreeImage's decoders run in a helper process for every run mode, so a
  // file that crashes or hangs them costs that file, not the program. A
  // console run decodes in a copy of itself, which starts at once.
  HelperSettings helper = DefaultHelperSettings();
  helper.start = HelperStart::ForkedProgram;
  SetDecoder(IsolatedDecoder(helper));

  static Settings settings;
  Console console;
  ProcessState state{settings, GlobalJob(), GlobalProgress(), GlobalInputFiles(), GlobalFormatTables(),
                     AcceptedExtensions(), console, ProgramFileName(), {}, {}, {}, {}, {}, {}};
  // Frame, watermark and the window bring Qt with them, so they are loaded
  // only when a run needs them.
  WireDrawingLayer(state);

  if (std::optional<int> status = ParseCommandLine(params, state)) return *status;

  // The window's Qt threads rule out copying the process: its decodes start
  // pictavo-decode.
  SetDecoder(IsolatedDecoder());
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
