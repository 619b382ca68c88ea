// pictavo_bench_dng OUTPUT.dng [WIDTH HEIGHT [--no-preview]]: writes the
// benchmark's large RAW file, 6000 x 4000 by default (a 24-megapixel camera),
// with a JPEG preview like cameras embed, or without one.
//
// The scene is the tests' colour patches with a little per-pixel noise, so the
// mosaic is not made of flat areas that some encoder could take shortcuts on.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/dng_writer.h"

namespace {

// Deterministic noise in [-1, 1] from a pixel position.
double Noise(double x, double y) {
  uint32_t h = static_cast<uint32_t>(x * 1e6) * 0x9E3779B1u ^ static_cast<uint32_t>(y * 1e6) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  return (h & 0xFFFF) / 32767.5 - 1.0;
}

}  // namespace

int main(int argc, char** argv) {
  // --no-preview: a mosaic alone, which Auto develops in full.
  const bool withPreview = !(argc == 5 && std::strcmp(argv[4], "--no-preview") == 0);
  if (argc != 2 && argc != 4 && withPreview) {
    std::fprintf(stderr, "usage: %s OUTPUT.dng [WIDTH HEIGHT [--no-preview]]\n",
                 argc > 0 ? argv[0] : "pictavo_bench_dng");
    return 2;
  }
  pictavo::dng::DngOptions options;
  options.width = argc >= 4 ? std::atoi(argv[2]) : 6000;
  options.height = argc >= 4 ? std::atoi(argv[3]) : 4000;
  options.scene = [](double x, double y) {
    pictavo::dng::SceneColor colour = pictavo::dng::ColorPatches(x, y);
    const double n = 0.03 * Noise(x, y);
    for (double& c : colour) c = c + n < 0 ? 0 : (c + n > 1 ? 1 : c + n);
    return colour;
  };
  options.preview = withPreview ? pictavo::dng::DngPreview::kJpeg : pictavo::dng::DngPreview::kNone;
  options.previewWidth = 1600;
  options.previewHeight = 1066;
  if (!pictavo::dng::WriteDng(argv[1], options)) {
    std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
