// Process entry: prepares the records, lets the command line choose the run
// mode and ends through one exit path.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cmdline.h"
#include "app/desktop.h"
#include "app/process.h"
#include "decorations/decorations.h"
#include "engine/isolated_decoder.h"

using namespace pictavo;

int main(int argc, char** argv) {
  std::vector<std::string> params(argv + 1, argv + argc);
  // FreeImage's decoders run in pictavo-decode for every run mode, so a file
  // that crashes or hangs them costs that file, not the program.
  SetDecoder(IsolatedDecoder());

  static Settings settings;
  Console console;
  ProcessState state{settings, GlobalJob(), GlobalProgress(), GlobalInputFiles(), GlobalFormatTables(),
                     AcceptedExtensions(), console, ProgramFileName(), {}, {}, {}};
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
