#include "engine/image_engine.h"

#include <utility>

#include "engine/limited_decoder.h"
#include "engine/load.h"

namespace pictavo {

namespace {

bool ConvertInThisProcess(ConversionContext& context, const DecodeLimits& limits, int phases) {
  SetDecoder(DecoderInThisProcess(limits, phases));
  return ConvertFile(context);
}

}  // namespace

DecorationSteps DrawingSteps(const Settings& settings, const ConversionJob& job, const DrawingLayer* (*layer)()) {
  DecorationSteps steps;
  steps.frame = [&settings, layer](Bitmap image, int width, int height) {
    if (!FrameStepActive(settings)) return image;
    const DrawingLayer* drawing = layer();
    return drawing ? drawing->drawFrame(settings, std::move(image), width, height) : nullptr;
  };
  steps.watermark = [&settings, &job, layer](Bitmap image, int width, int height) {
    if (!WatermarkStepActive(settings)) return image;
    const DrawingLayer* drawing = layer();
    return drawing ? drawing->drawWatermark(settings, job, std::move(image), width, height) : nullptr;
  };
  return steps;
}

}  // namespace pictavo

extern "C" const pictavo::ImageEngine* pictavo_image_engine() {
  static const pictavo::ImageEngine engine{pictavo::ConvertInThisProcess, pictavo::DrawingSteps};
  return &engine;
}
