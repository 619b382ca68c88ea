// pictavo_bare_convert WORKLOAD INPUT OUTPUT.png
//
// The FreeImage work one benchmark conversion cannot avoid, and nothing else:
// the reference scripts/benchmark.sh times the program against. It loads and
// saves with the flags the program uses for the same workload:
//   display  RAW_DISPLAY load, 24-bit PNG
//   full     RAW_DEFAULT load, 48-bit PNG (the program with --raw-tone-mapping=none)
//   drago    RAW_DEFAULT load, Drago tone mapping (the program's default),
//            back to 48 bits, 48-bit PNG: the automatic output depth follows
//            the depth as loaded, not the 24 bits tone mapping leaves
// PNGs are written uncompressed (PNG_Z_NO_COMPRESSION), the program's default.
//
// With PICTAVO_BENCH_PHASES set, the milliseconds of each phase go to
// standard error, so the script can tell decoding from encoding.
#include <FreeImage.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

struct Phases {
  bool enabled = std::getenv("PICTAVO_BENCH_PHASES") != nullptr;
  Clock::time_point last = Clock::now();
  void Mark(const char* name) {
    const Clock::time_point now = Clock::now();
    if (enabled)
      std::fprintf(stderr, "phase %s %.1f\n", name, std::chrono::duration<double, std::milli>(now - last).count());
    last = now;
  }
};

int Usage(const char* self) {
  std::fprintf(stderr, "usage: %s display|full|drago INPUT OUTPUT.png\n", self);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) return Usage(argv[0]);
  const char* workload = argv[1];
  int loadFlags;
  bool drago = false;
  if (std::strcmp(workload, "display") == 0) {
    loadFlags = RAW_DISPLAY;
  } else if (std::strcmp(workload, "full") == 0) {
    loadFlags = RAW_DEFAULT;
  } else if (std::strcmp(workload, "drago") == 0) {
    loadFlags = RAW_DEFAULT;
    drago = true;
  } else {
    return Usage(argv[0]);
  }

  Phases phases;
  FIBITMAP* image = FreeImage_Load(FIF_RAW, argv[2], loadFlags);
  phases.Mark("decode");
  if (!image) {
    std::fprintf(stderr, "%s: cannot decode %s\n", argv[0], argv[2]);
    return 1;
  }
  if (drago) {
    FIBITMAP* mapped = FreeImage_TmoDrago03(image, 2.2, 0.0);
    FreeImage_Unload(image);
    image = mapped;
    if (!image) return 1;
    FIBITMAP* wide = FreeImage_ConvertToRGB16(image);
    FreeImage_Unload(image);
    image = wide;
    phases.Mark("tonemap");
    if (!image) return 1;
  }
  const BOOL saved = FreeImage_Save(FIF_PNG, image, argv[3], PNG_Z_NO_COMPRESSION);
  phases.Mark("encode");
  FreeImage_Unload(image);
  if (!saved) {
    std::fprintf(stderr, "%s: cannot save %s\n", argv[0], argv[3]);
    return 1;
  }
  return 0;
}
