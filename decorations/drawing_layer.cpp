#include "decorations/drawing_layer.h"

extern "C" const pictavo::DrawingLayer* pictavo_drawing_layer() {
  static const pictavo::DrawingLayer layer{pictavo::OpenWatermarkFont, pictavo::CloseWatermarkFont,
                                           pictavo::DrawFrame, pictavo::DrawWatermark};
  return &layer;
}
