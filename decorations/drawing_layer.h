// The drawing layer as the program loads it. It is a shared library of its
// own (libpictavo_drawing.so, app/modules.h finds it), so that a console run
// without a frame or watermark never loads Qt; the window module links it
// like any library. The program reaches its functions through this table.
#pragma once

#include "decorations/decorations.h"

namespace pictavo {

struct DrawingLayer {
  bool (*openWatermarkFont)(const Settings& settings);
  void (*closeWatermarkFont)();
  Bitmap (*drawFrame)(const Settings& settings, Bitmap image, int width, int height);
  Bitmap (*drawWatermark)(const Settings& settings, const ConversionJob& job, Bitmap image, int width, int height);
};

}  // namespace pictavo

// The library's one entry point, looked up by name.
extern "C" const pictavo::DrawingLayer* pictavo_drawing_layer();
