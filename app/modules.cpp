#include "app/modules.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/desktop.h"
#include "decorations/drawing_layer.h"
#include "engine/job.h"

namespace pictavo {

namespace {

constexpr const char* kDrawingModule = "libpictavo-drawing.so";
constexpr const char* kWindowModule = "pictavo-window.so";

// The entry point `symbol` of the module `file`; nullptr, with the reason on
// standard error, when either cannot be found.
void* LoadEntry(const char* file, const char* symbol) {
  const std::string path = ModulePath(ExecutableFolder(), file);
  if (path.empty()) {
    std::fprintf(stderr, "pictavo: %s is missing beside the program\n", file);
    return nullptr;
  }
  void* module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  void* entry = module ? dlsym(module, symbol) : nullptr;
  if (!entry) std::fprintf(stderr, "pictavo: cannot load %s: %s\n", path.c_str(), dlerror());
  return entry;
}

// Loaded once, by whichever thread asks first: the run's main thread for a
// text watermark, else the conversion worker.
const DrawingLayer* Drawing() {
  static const DrawingLayer* const layer = [] {
    const auto entry = reinterpret_cast<decltype(&pictavo_drawing_layer)>(LoadEntry(kDrawingModule, "pictavo_drawing_layer"));
    return entry ? entry() : nullptr;
  }();
  return layer;
}

int ListLibrary(dl_phdr_info* info, size_t, void*) {
  if (info->dlpi_name && *info->dlpi_name) std::fprintf(stderr, "library: %s\n", info->dlpi_name);
  return 0;
}

}  // namespace

std::string ModulePath(const std::string& programFolder, const std::string& file) {
  if (programFolder.empty()) return "";
  for (const std::string& path : {programFolder + file, programFolder + "../lib/pictavo/" + file})
    if (access(path.c_str(), R_OK) == 0) return path;
  return "";
}

void WireDrawingLayer(ProcessState& state) {
  const Settings& settings = state.settings;
  const ConversionJob& job = state.job;
  state.decorations.frame = [&settings](Bitmap image, int width, int height) {
    if (!FrameStepActive(settings)) return image;
    const DrawingLayer* layer = Drawing();
    return layer ? layer->drawFrame(settings, std::move(image), width, height) : nullptr;
  };
  state.decorations.watermark = [&settings, &job](Bitmap image, int width, int height) {
    if (!WatermarkStepActive(settings)) return image;
    const DrawingLayer* layer = Drawing();
    return layer ? layer->drawWatermark(settings, job, std::move(image), width, height) : nullptr;
  };
  state.loadWatermarkFont = [](const Settings& s) {
    const DrawingLayer* layer = Drawing();
    return layer && layer->openWatermarkFont(s);
  };
  state.releaseWatermarkFont = [] {
    if (const DrawingLayer* layer = Drawing()) layer->closeWatermarkFont();
  };
}

int RunWindow(ProcessState& state, int& argc, char** argv) {
  const auto run = reinterpret_cast<decltype(&pictavo_run_desktop)>(LoadEntry(kWindowModule, "pictavo_run_desktop"));
  return run ? run(state, argc, argv) : 1;
}

void ShowLoadedLibraries() {
  if (!std::getenv("PICTAVO_SHOW_LIBRARIES")) return;
  dl_iterate_phdr(ListLibrary, nullptr);
}

}  // namespace pictavo
