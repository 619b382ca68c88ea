#include "engine/load.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <utility>

#include "base/file_io.h"
#include "engine/raw_photograph.h"

namespace pictavo {

namespace {

constexpr int kJpegLoadFlags = JPEG_ACCURATE | JPEG_EXIFROTATE;

// Headerless data is a guess at a picture, often about a file that is not one
// at all. These bounds keep a wrong guess from overflowing or asking for
// gigabytes: no side beyond what a PNG may hold, no more than 1 GiB of pixels.
constexpr int64_t kMaxHeaderlessSide = 1'000'000;
constexpr int64_t kMaxHeaderlessBytes = int64_t{1} << 30;

std::mutex decoderMutex;
Decoder replacementDecoder;  // guarded by decoderMutex; empty: DecodeWithFreeImage

Bitmap Decode(FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
  Decoder decoder;
  {
    std::lock_guard lock(decoderMutex);
    decoder = replacementDecoder;
  }
  return decoder ? decoder(format, path, flags) : DecodeWithFreeImage(format, path, flags);
}

struct PixelLayout {
  unsigned bitsPerPixel;
  unsigned redMask;
  unsigned greenMask;
  unsigned blueMask;
};

PixelLayout LayoutOfMode(int mode) {
  if (mode == 1) return {8, 0xFF0000, 0xFF00, 0xFF};
  if (mode == 2) return {16, 0xF800, 0x7E0, 0x1F};
  return {8, 0, 0, 0};
}

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};


}  // namespace

Bitmap DecodeWithFreeImage(FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
  // FreeImage_LoadU takes wide paths and only works on Windows; the narrow
  // call takes our UTF-8 paths as they are. A FIFO or device would block the
  // decoder, so only regular files are handed over.
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  if (format == FIF_RAW && flags == kRawPhotographFlags) return LoadRawPhotograph(path);
  return Bitmap(FreeImage_Load(format, path.c_str(), flags));
}

void SetDecoder(Decoder decoder) {
  std::lock_guard lock(decoderMutex);
  replacementDecoder = std::move(decoder);
}

int RawLoadFlags(const Settings& settings, std::string_view group) {
  if (group != "raw") return 0;
  switch (settings.input.rawLoadAs) {
    case RawLoadAs::Auto: return kRawPhotographFlags;  // not FreeImage's preview: the photograph
    case RawLoadAs::Display24: return RAW_DISPLAY;
    case RawLoadAs::HalfSize48: return RAW_HALFSIZE;
    default: return RAW_DEFAULT;  // the full load, and the headerless ones once their reading failed
  }
}

Bitmap LoadHeaderlessRaw(const Settings& settings, const std::string& path, int mode) {
  const PixelLayout layout = LayoutOfMode(mode);

  // Non-blocking, so that opening a FIFO returns at once (and is then refused).
  const UniqueFd file(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (file.get() < 0 || fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;

  const int64_t header = settings.input.rawHeaderSize;
  if (header < 0 || header > info.st_size) return nullptr;
  const int64_t available = info.st_size - header;

  int64_t width = settings.input.rawImageWidth;
  int64_t height = settings.input.rawImageHeight;
  if (width == 0 || height == 0) {
    // No size given: a square that the data about fills.
    width = height = std::llround(std::sqrt(static_cast<double>(available) / (layout.bitsPerPixel / 8.0)));
  }
  if (width <= 0 || height <= 0 || width > kMaxHeaderlessSide || height > kMaxHeaderlessSide) return nullptr;
  const int64_t pitch = width * (layout.bitsPerPixel / 8);
  const int64_t needed = pitch * height;
  if (needed > kMaxHeaderlessBytes) return nullptr;

  // Zero-filled, so a file shorter than the picture leaves black rows at the
  // bottom; bytes beyond the picture are never read.
  const std::unique_ptr<BYTE, FreeDeleter> pixels(static_cast<BYTE*>(std::calloc(static_cast<size_t>(needed), 1)));
  if (!pixels) return nullptr;
  if (ReadAt(file.get(), pixels.get(), static_cast<size_t>(std::min(available, needed)), header) < 0) return nullptr;

  return Bitmap(FreeImage_ConvertFromRawBits(pixels.get(), static_cast<int>(width), static_cast<int>(height),
                                             static_cast<int>(pitch), layout.bitsPerPixel, layout.redMask,
                                             layout.greenMask, layout.blueMask, TRUE));
}

Bitmap LoadImage(const Settings& settings, const std::string& path, bool* decoded) {
  bool fromDecoder = false;
  if (!decoded) decoded = &fromDecoder;
  *decoded = false;
  const RawLoadAs loadAs = settings.input.rawLoadAs;
  if (loadAs == RawLoadAs::Headerless8 || loadAs == RawLoadAs::Headerless16) {
    if (Bitmap image = LoadHeaderlessRaw(settings, path, static_cast<int>(loadAs))) return image;
  }
  const int flags = RawLoadFlags(settings, "raw");

  // A decoder that crashes or hangs on the file takes the process that
  // converts it down (app/conversion_copy.h): no other attempt follows.
  Bitmap image = Decode(FIF_RAW, path, flags);
  if (!image) image = Decode(FIF_JPEG, path, kJpegLoadFlags);
  if (image) {
    *decoded = true;
    return image;
  }
  // Nearly any readable file gives a picture here, so the user sees its
  // bytes instead of a failure.
  return LoadHeaderlessRaw(settings, path, 2);
}

Bitmap ToneMap(const Settings& settings, Bitmap image) {
  if (!image) return image;
  // Only the two 48-bit loads need it; the setting, not the picture, decides.
  if (settings.input.rawLoadAs != RawLoadAs::HalfSize48 && settings.input.rawLoadAs != RawLoadAs::Full48) return image;
  switch (settings.input.rawToneMapping) {
    case 1: return Bitmap(FreeImage_ConvertTo24Bits(image.get()));
    case 2: return Bitmap(FreeImage_TmoDrago03(image.get(), 2.2, 0.0));
    case 3: return Bitmap(FreeImage_TmoReinhard05(image.get(), 0.0, 0.0));
    case 4: return Bitmap(FreeImage_TmoFattal02(image.get(), 0.5, 0.85));
    default: return image;
  }
}

}  // namespace pictavo
