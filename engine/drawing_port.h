// What the engine asks of whatever draws frames and watermarks. The drawing
// layer (decorations/) implements it in a shared library of its own
// (libpictavo-drawing.so, app/modules.h finds it), so that a console run
// without a frame or watermark never loads Qt; the engine knows only this
// table and never the drawing code.
#pragma once

#include "engine/bitmap.h"
#include "engine/job.h"
#include "settings/settings.h"

namespace pictavo {

struct DrawingLayer {
  // The text watermark's font, opened once per run before the worker starts
  // and closed after it; false when the family cannot be provided.
  bool (*openWatermarkFont)(const Settings& settings);
  void (*closeWatermarkFont)();
  // The frame and watermark steps (see decorations/decorations.h).
  Bitmap (*drawFrame)(const Settings& settings, Bitmap image, int width, int height);
  Bitmap (*drawWatermark)(const Settings& settings, const ConversionJob& job, Bitmap image, int width, int height);
};

// Whether the steps touch the picture at all. When neither does, the program
// never loads the drawing layer.
inline bool FrameStepActive(const Settings& settings) { return settings.frame.doFrame != 0; }
inline bool WatermarkStepActive(const Settings& settings) { return settings.watermark.doWatermark != WatermarkMode::None; }

}  // namespace pictavo

// The drawing library's one entry point, looked up by this name.
extern "C" const pictavo::DrawingLayer* pictavo_drawing_layer();
