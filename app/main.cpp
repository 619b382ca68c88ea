// Process entry: prepares the records, lets the command line choose the run
// mode and ends through one exit path.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/desktop.h"
#include "app/interrupts.h"
#include "app/process.h"
#include "decorations/decorations.h"
#include "engine/isolated_decoder.h"

using namespace pictavo;

namespace {

int Run(int argc, char** argv) {
  std::vector<std::string> params(argv + 1, argv + argc);
  // FreeImage's decoders run in pictavo-decode for every run mode, so a file
  // that crashes or hangs them costs that file, not the program.
  SetDecoder(IsolatedDecoder());

  static Settings settings;
  Console console;
  ProcessState state{settings, GlobalJob(), GlobalProgress(), GlobalInputFiles(), GlobalFormatTables(),
                     AcceptedExtensions(), console, ProgramFileName(), {}, {}, {}, {}, {}, {}};
  state.decorations.frame = [](Bitmap image, int width, int height) {
    return DrawFrame(settings, std::move(image), width, height);
  };
  state.decorations.watermark = [&state](Bitmap image, int width, int height) {
    return DrawWatermark(settings, state.job, std::move(image), width, height);
  };
  state.loadWatermarkFont = [](const Settings& s) { return OpenWatermarkFont(s); };
  state.releaseWatermarkFont = [] { CloseWatermarkFont(); };

  if (std::optional<int> status = ParseCommandLine(params, state)) return *status;

  return RunDesktop(state, argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  // Ctrl+C, a closed terminal or a shutdown while a file is being written
  // leave no partial file behind.
  InstallInterruptCleanup();
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    // Every run mode catches what it can report in its own way; this is
    // what is left (out of memory before a run even started).
    std::fprintf(stderr, "pictavo: %s\n", error.what());
    return kExitRunStopped;
  }
}
