// pictavo_same_pixels A B: exit status 0 when the two pictures (PNG, PPM or
// any format FreeImage reads) hold the same pixels: the same size, type and
// depth, and the same bytes in every row. The benchmark checks with it that
// the program did the same work as the reference it is timed against; the
// files themselves differ by the chunks the program adds (colours, EXIF).
#include <FreeImage.h>

#include <cstdio>
#include <cstring>

namespace {

// The samples as stored: FreeImage would otherwise bring a PNG that states
// its gamma (the program's linear 48-bit output, gAMA 1.0) to the screen's.
FIBITMAP* Load(const char* path) {
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path, 0);
  return format == FIF_UNKNOWN ? nullptr : FreeImage_Load(format, path, format == FIF_PNG ? PNG_IGNOREGAMMA : 0);
}

bool Same(FIBITMAP* a, FIBITMAP* b) {
  if (!a || !b || FreeImage_GetImageType(a) != FreeImage_GetImageType(b) || FreeImage_GetBPP(a) != FreeImage_GetBPP(b) ||
      FreeImage_GetWidth(a) != FreeImage_GetWidth(b) || FreeImage_GetHeight(a) != FreeImage_GetHeight(b))
    return false;
  const unsigned line = FreeImage_GetLine(a);
  for (unsigned y = 0; y < FreeImage_GetHeight(a); ++y)
    if (std::memcmp(FreeImage_GetScanLine(a, y), FreeImage_GetScanLine(b, y), line) != 0) return false;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s A B\n", argv[0]);
    return 2;
  }
  FIBITMAP* a = Load(argv[1]);
  FIBITMAP* b = Load(argv[2]);
  const bool same = Same(a, b);
  if (a) FreeImage_Unload(a);
  if (b) FreeImage_Unload(b);
  return same ? 0 : 1;
}
