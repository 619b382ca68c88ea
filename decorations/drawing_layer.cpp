// The drawing library's entry point: the engine's drawing port, filled with
// this layer's functions.
#include "decorations/decorations.h"
#include "engine/drawing_port.h"

extern "C" const pictavo::DrawingLayer* pictavo_drawing_layer() {
  static const pictavo::DrawingLayer layer{pictavo::OpenWatermarkFont, pictavo::CloseWatermarkFont,
                                           pictavo::DrawFrame, pictavo::DrawWatermark};
  return &layer;
}
