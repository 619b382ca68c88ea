// LibRaw and FreeImage both declare INT64 and UINT64, as different types;
// LibRaw's are renamed here (the names of types do not change the symbols).
#define INT64 LibRawInt64
#define UINT64 LibRawUInt64
#include <libraw/libraw.h>
#undef INT64
#undef UINT64

#include "engine/raw_photograph.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

namespace pictavo {

namespace {

struct ProcessedImageFree {
  void operator()(libraw_processed_image_t* image) const { LibRaw::dcraw_clear_mem(image); }
};
using ProcessedImage = std::unique_ptr<libraw_processed_image_t, ProcessedImageFree>;

// LibRaw's object holds several hundred kilobytes of tables: never on the
// stack. Its messages about damaged data stay off the console: the file
// simply gives no picture.
std::unique_ptr<LibRaw> Open(const std::string& path) {
  std::unique_ptr<LibRaw> raw(new (std::nothrow) LibRaw(LIBRAW_OPIONS_NO_MEMERR_CALLBACK | LIBRAW_OPIONS_NO_DATAERR_CALLBACK));
  if (!raw || raw->open_file(path.c_str()) != LIBRAW_SUCCESS) return nullptr;
  return raw;
}

// Memory for a rendering's pixels, in huge pages where the system gives them:
// a 12-megapixel picture is 9,000 ordinary pages, which the kernel would
// fault in one at a time (about a tenth of a second on a virtual machine).
std::shared_ptr<void> PagesOfItsOwn(size_t bytes) {
  void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (pages == MAP_FAILED) return nullptr;
  madvise(pages, bytes, MADV_HUGEPAGE);  // a request: ordinary pages serve as well
  return std::shared_ptr<void>(pages, [bytes](void* p) { munmap(p, bytes); });
}

// A bitmap thumbnail as LibRaw unpacked it (top row first, RGB or grey).
Bitmap FromBitmapThumbnail(const libraw_processed_image_t& thumb) {
  const unsigned width = thumb.width, height = thumb.height;
  const unsigned colors = thumb.colors, bits = thumb.bits;
  if (width == 0 || height == 0 || (colors != 1 && colors != 3) || (bits != 8 && bits != 16) ||
      uint64_t{width} * height * colors * (bits / 8) > thumb.data_size)
    return nullptr;
  Bitmap image;
  if (bits == 8) image.reset(FreeImage_AllocateT(FIT_BITMAP, width, height, colors == 3 ? 24 : 8));
  else image.reset(FreeImage_AllocateT(colors == 3 ? FIT_RGB16 : FIT_UINT16, width, height));
  if (!image) return nullptr;
  if (bits == 8 && colors == 1) {
    RGBQUAD* palette = FreeImage_GetPalette(image.get());
    for (unsigned i = 0; i < 256; ++i) palette[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
  }
  const size_t rowBytes = size_t{width} * colors * (bits / 8);
  for (unsigned y = 0; y < height; ++y) {
    const unsigned char* from = thumb.data + y * rowBytes;
    BYTE* to = FreeImage_GetScanLine(image.get(), height - 1 - y);  // FreeImage rows run bottom-up
    if (colors == 1) {
      std::memcpy(to, from, rowBytes);
    } else if (bits == 8) {
      for (unsigned x = 0; x < width; ++x, from += 3) {
        to[3 * x + FI_RGBA_RED] = from[0];
        to[3 * x + FI_RGBA_GREEN] = from[1];
        to[3 * x + FI_RGBA_BLUE] = from[2];
      }
    } else {
      std::memcpy(to, from, rowBytes);  // FIRGB16 is red, green, blue
    }
  }
  return image;
}

// The embedded preview, upright. A JPEG is turned by its own orientation, as
// FreeImage turns every JPEG preview: LibRaw gives a JPEG without EXIF the
// RAW file's orientation. A bitmap is turned here by the RAW file's.
Bitmap UnpackPreview(LibRaw& raw) {
  if (raw.unpack_thumb() != LIBRAW_SUCCESS) return nullptr;
  int error = 0;
  const ProcessedImage thumb(raw.dcraw_make_mem_thumb(&error));
  if (!thumb) return nullptr;
  const int flip = raw.imgdata.sizes.flip;
  if (thumb->type == LIBRAW_IMAGE_BITMAP) return TurnByFlip(FromBitmapThumbnail(*thumb), flip);

  const MemoryStream memory(FreeImage_OpenMemory(thumb->data, thumb->data_size));
  if (!memory) return nullptr;
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory.get(), 0);
  if (format == FIF_UNKNOWN) return nullptr;
  // The same decode and flags as FreeImage's own preview load.
  return Bitmap(FreeImage_LoadFromMemory(format, memory.get(), format == FIF_JPEG ? JPEG_EXIFROTATE : 0));
}

// LibRaw's own rendering with the camera's white balance and every other
// parameter at its default (automatic brightness, BT.709 curve, sRGB, AHD),
// copied straight into the bitmap, upright.
Bitmap Render(LibRaw& raw) {
  raw.imgdata.params.use_camera_wb = 1;
  if (raw.unpack() != LIBRAW_SUCCESS || raw.dcraw_process() != LIBRAW_SUCCESS) return nullptr;
  int width = 0, height = 0, colors = 0, bits = 0;
  raw.get_mem_image_format(&width, &height, &colors, &bits);
  if (width <= 0 || height <= 0 || bits != 8 || (colors != 1 && colors != 3)) return nullptr;
  const int bitsPerPixel = colors * 8;
  const int pitch = (width * colors + 3) / 4 * 4;  // FreeImage's rows: whole 32-bit words
  std::shared_ptr<void> pixels = PagesOfItsOwn(static_cast<size_t>(pitch) * height);
  if (!pixels) return nullptr;
  // Starting at the top row with a negative stride writes FreeImage's
  // bottom-up rows in one pass, in its blue-green-red order.
  BYTE* bottom = static_cast<BYTE*>(pixels.get());
  if (raw.copy_mem_image(bottom + static_cast<size_t>(pitch) * (height - 1), -pitch, 1) != LIBRAW_SUCCESS)
    return nullptr;
  Bitmap image(FreeImage_ConvertFromRawBitsEx(FALSE, bottom, FIT_BITMAP, width, height, pitch, bitsPerPixel,
                                              FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, FALSE));
  if (!image) return nullptr;
  image.get_deleter().pixelOwner = std::move(pixels);
  if (colors == 1) {
    RGBQUAD* palette = FreeImage_GetPalette(image.get());
    for (unsigned i = 0; i < 256; ++i) palette[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
  }
  return image;
}

}  // namespace

bool PreviewHoldsWholePicture(int previewWidth, int previewHeight, int fullWidth, int fullHeight) {
  if (previewWidth <= 0 || previewHeight <= 0 || fullWidth <= 0 || fullHeight <= 0) return false;
  return previewWidth * 10LL >= fullWidth * 9LL && previewHeight * 10LL >= fullHeight * 9LL;
}

Bitmap TurnByFlip(Bitmap image, int flip) {
  if (!image) return image;
  // LibRaw takes output pixel (row, col) from the source after mirroring its
  // rows (2) and columns (1), reading it transposed (4).
  if ((flip & 2) && !FreeImage_FlipVertical(image.get())) return nullptr;
  if ((flip & 1) && !FreeImage_FlipHorizontal(image.get())) return nullptr;
  if (flip & 4) {
    // A quarter turn to the left, then upside down: the transpose.
    image = Bitmap(FreeImage_Rotate(image.get(), 90, nullptr));
    if (!image || !FreeImage_FlipVertical(image.get())) return nullptr;
  }
  return image;
}

Bitmap LoadRawPhotograph(const std::string& path) {
  std::unique_ptr<LibRaw> raw = Open(path);
  if (!raw) return nullptr;

  const libraw_thumbnail_t& thumb = raw->imgdata.thumbnail;
  const bool hasPreview = thumb.tlength > 0;
  bool previewTried = false;
  Bitmap preview;
  if (hasPreview) {
    // The full picture's size as the rendering would give it: pixel aspect,
    // Fuji's turned sensors and the orientation applied.
    raw->adjust_sizes_info_only();
    const int fullWidth = raw->imgdata.sizes.iwidth, fullHeight = raw->imgdata.sizes.iheight;
    // A declared size that cannot be the whole picture either way round
    // spares unpacking the preview at all.
    const bool mayHold = thumb.twidth == 0 || thumb.theight == 0 ||
                         PreviewHoldsWholePicture(thumb.twidth, thumb.theight, fullWidth, fullHeight) ||
                         PreviewHoldsWholePicture(thumb.theight, thumb.twidth, fullWidth, fullHeight);
    if (mayHold) {
      previewTried = true;
      preview = UnpackPreview(*raw);
      if (preview && PreviewHoldsWholePicture(static_cast<int>(FreeImage_GetWidth(preview.get())),
                                              static_cast<int>(FreeImage_GetHeight(preview.get())), fullWidth,
                                              fullHeight))
        return preview;
    }
    // The sizes above changed LibRaw's state for good: start again.
    raw = Open(path);
    if (!raw) return preview;
  }

  if (Bitmap rendered = Render(*raw)) return rendered;
  if (preview || !hasPreview || previewTried) return preview;
  raw = Open(path);
  return raw ? UnpackPreview(*raw) : nullptr;
}

}  // namespace pictavo
