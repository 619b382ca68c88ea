#include "app/modules.h"

#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "app/desktop.h"
#include "engine/drawing_port.h"
#include "engine/image_engine.h"
#include "engine/job.h"

namespace pictavo {

namespace {

constexpr const char* kDrawingModule = "libpictavo-drawing.so";
constexpr const char* kWindowModule = "pictavo-window.so";
constexpr const char* kImageModule = "libpictavo-imaging.so";

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

int ListLibrary(dl_phdr_info* info, size_t, void* label) {
  if (info->dlpi_name && *info->dlpi_name)
    std::fprintf(stderr, "%s: %s\n", static_cast<const char*>(label), info->dlpi_name);
  return 0;
}

}  // namespace

// Loaded once, by whichever thread asks first: the run's main thread for a
// text watermark, else the conversion.
const DrawingLayer* DrawingLayerModule() {
  static const DrawingLayer* const layer = [] {
    const auto entry = reinterpret_cast<decltype(&pictavo_drawing_layer)>(LoadEntry(kDrawingModule, "pictavo_drawing_layer"));
    return entry ? entry() : nullptr;
  }();
  return layer;
}

const ImageEngine* ImageEngineModule() {
  static const ImageEngine* const engine = [] {
    const auto entry =
        reinterpret_cast<decltype(&pictavo_image_engine)>(LoadEntry(kImageModule, "pictavo_image_engine"));
    return entry ? entry() : nullptr;
  }();
  return engine;
}

std::string ModulePath(const std::string& programFolder, const std::string& file) {
  if (programFolder.empty()) return "";
  for (const std::string& path : {programFolder + file, programFolder + "../" PICTAVO_MODULE_DIR "/" + file})
    if (access(path.c_str(), R_OK) == 0) return path;
  return "";
}

void WireDrawingLayer(ProcessState& state) {
  state.loadWatermarkFont = [](const Settings& s) {
    const DrawingLayer* layer = DrawingLayerModule();
    return layer && layer->openWatermarkFont(s);
  };
  state.releaseWatermarkFont = [] {
    if (const DrawingLayer* layer = DrawingLayerModule()) layer->closeWatermarkFont();
  };
}

int RunWindow(ProcessState& state, int& argc, char** argv) {
  const auto run = reinterpret_cast<decltype(&pictavo_run_desktop)>(LoadEntry(kWindowModule, "pictavo_run_desktop"));
  return run ? run(state, argc, argv) : 1;
}

void ShowLoadedLibraries(const char* label) {
  if (!std::getenv("PICTAVO_SHOW_LIBRARIES")) return;
  dl_iterate_phdr(ListLibrary, const_cast<char*>(label));
}

}  // namespace pictavo
