// Small DNG files that the RAW decoder really decodes: one RGGB Bayer mosaic
// of 16-bit uncompressed samples, optionally with an embedded preview.
// Tests use them instead of camera files; the sample maker ships one.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace pictavo::dng {

// Linear RGB, each channel 0..1.
using SceneColor = std::array<double, 3>;
// The picture as a function of position; x and y run over [0, 1) from the
// top-left corner, so the mosaic and the preview show the same scene.
using Scene = std::function<SceneColor(double x, double y)>;

enum class DngPreview {
  kNone,
  kJpeg,        // a JPEG of the scene, previewWidth x previewHeight
  kRgb,         // the same as uncompressed 8-bit RGB, which the decoder unpacks as a bitmap
  kUnreadable,  // declared like kJpeg, but its data lies past the end of the file
};

struct DngOptions {
  // The decoder ignores mosaics smaller than 22 pixels a side; even sizes keep
  // the half-size decode an exact half.
  int width = 96;
  int height = 64;
  Scene scene;  // empty: ColorPatches
  DngPreview preview = DngPreview::kNone;
  int previewWidth = 40;
  int previewHeight = 30;
  // The TIFF orientation the file declares (1 upright, 6 shot with the
  // camera turned right, 8 left); mosaic and preview are stored as the
  // sensor saw them, so a viewer turns both.
  int orientation = 1;
};

// Two rows of three patches over a grey ramp: red, green, blue on top; cyan,
// magenta, yellow below; the bottom third runs from black on the left to
// near white on the right. The colours balance to grey, so an automatic
// white balance leaves them alone.
SceneColor ColorPatches(double x, double y);

// Centre of patch `index` (0 red, 1 green, 2 blue, 3 cyan, 4 magenta,
// 5 yellow) in the coordinates of Scene.
std::array<double, 2> PatchCentre(int index);

// The whole file; empty when the options cannot make one (sizes out of range).
std::string MakeDng(const DngOptions& options);
bool WriteDng(const std::string& path, const DngOptions& options);

// A baseline JPEG (sRGB, 8 bits per channel) of the scene, encoded by FreeImage.
std::string MakeJpeg(const Scene& scene, int width, int height);

}  // namespace pictavo::dng
