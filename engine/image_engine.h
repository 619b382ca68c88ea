// The image engine as a module: everything that touches a picture, with
// FreeImage and its libraries, in libpictavo-imaging.so. The program itself
// links none of it, so that a console run starts without them; its copy
// that converts the file loads the module (app/conversion_copy.h). The
// window module and the drawing layer link it like any library.
#pragma once

#include "engine/convert.h"
#include "engine/drawing_port.h"
#include "engine/helper_process.h"

namespace pictavo {

struct ImageEngine {
  // ConvertFile with every decode made in this process (DecoderInThisProcess
  // with `limits` and `phases`).
  bool (*convertInThisProcess)(ConversionContext& context, const DecodeLimits& limits, int phases);
  // See DrawingSteps.
  DecorationSteps (*drawingSteps)(const Settings& settings, const ConversionJob& job,
                                  const DrawingLayer* (*layer)());
};

// Frame and watermark steps that draw through the layer `layer` gives,
// asked for only when a step is on. Without a layer a step that is on gives
// no picture (the file is not converted).
DecorationSteps DrawingSteps(const Settings& settings, const ConversionJob& job, const DrawingLayer* (*layer)());

}  // namespace pictavo

// The module's one entry point, looked up by name.
extern "C" const pictavo::ImageEngine* pictavo_image_engine();
