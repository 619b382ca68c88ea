// pictavo_make_sample OUTPUT.dng: writes the small sample RAW the program
// ships: a 320 x 240 Bayer mosaic of colour patches over a grey ramp, with a
// 160 x 120 JPEG preview.
#include <cstdio>
#include <string>

#include "tools/dng_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.dng\n", argc > 0 ? argv[0] : "pictavo_make_sample");
    return 2;
  }
  pictavo::dng::DngOptions options;
  options.width = 320;
  options.height = 240;
  options.preview = pictavo::dng::DngPreview::kJpeg;
  options.previewWidth = 160;
  options.previewHeight = 120;
  if (!pictavo::dng::WriteDng(argv[1], options)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
