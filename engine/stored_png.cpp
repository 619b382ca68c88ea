#include "engine/stored_png.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/bitmap.h"
#include "engine/exif.h"

namespace pictavo {

namespace {

constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
constexpr uint8_t kGrey = 0, kRgb = 2, kPalette = 3, kRgba = 6;
// Rows are handed to zlib this many bytes at a time (at least one row), and
// each IDAT holds this much: large enough that zlib stores straight from the
// rows without going through its window.
constexpr size_t kBatchBytes = 256 * 1024;

uint32_t Be32(const unsigned char* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

void PutBe32(unsigned char* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

uint32_t ChunkCrc(const unsigned char* typeAndData, size_t size) {
  return static_cast<uint32_t>(crc32_z(crc32(0L, Z_NULL, 0), typeAndData, size));
}

// How one FreeImage scan line becomes a PNG row.
enum class RowKind { kCopy, kInvert, kRgb8, kRgba8, kRgb8From32, kSwap16 };

std::optional<RowKind> RowKindFor(FIBITMAP* image, uint8_t colorType, uint8_t bitDepth) {
  const unsigned bpp = FreeImage_GetBPP(image);
  switch (FreeImage_GetImageType(image)) {
    case FIT_BITMAP:
      if ((bpp == 1 || bpp == 4 || bpp == 8) && bitDepth == bpp) {
        if (colorType == kPalette) return RowKind::kCopy;
        // FreeImage writes a min-is-white picture as grey with its bits
        // inverted, so that 0 is black.
        if (colorType == kGrey)
          return FreeImage_GetColorType(image) == FIC_MINISWHITE ? RowKind::kInvert : RowKind::kCopy;
      }
      if (bitDepth != 8) break;
      if (bpp == 24 && colorType == kRgb) return RowKind::kRgb8;
      if (bpp == 32 && colorType == kRgba) return RowKind::kRgba8;
      if (bpp == 32 && colorType == kRgb) return RowKind::kRgb8From32;  // an opaque alpha is left out
      break;
    case FIT_UINT16:
      if (colorType == kGrey && bitDepth == 16) return RowKind::kSwap16;
      break;
    case FIT_RGB16:
      if (colorType == kRgb && bitDepth == 16) return RowKind::kSwap16;
      break;
    case FIT_RGBA16:
      if (colorType == kRgba && bitDepth == 16) return RowKind::kSwap16;
      break;
    default:
      break;
  }
  return std::nullopt;
}

size_t RowBytes(uint32_t width, uint8_t colorType, uint8_t bitDepth) {
  const size_t channels = colorType == kRgb ? 3 : colorType == kRgba ? 4 : 1;
  return (size_t{width} * channels * bitDepth + 7) / 8;
}

// FreeImage's blue-green-red(-alpha) pixels in PNG's red-green-blue(-alpha) order.
template <int kInBytes, int kOutBytes>
void Reorder(const BYTE* in, unsigned char* out, uint32_t width) {
  for (uint32_t x = 0; x < width; ++x, in += kInBytes, out += kOutBytes) {
    out[0] = in[FI_RGBA_RED];
    out[1] = in[FI_RGBA_GREEN];
    out[2] = in[FI_RGBA_BLUE];
    if constexpr (kOutBytes == 4) out[3] = in[FI_RGBA_ALPHA];
  }
}

void ConvertRow(RowKind kind, const BYTE* in, unsigned char* out, uint32_t width, size_t outBytes) {
  switch (kind) {
    case RowKind::kCopy:
      std::memcpy(out, in, outBytes);
      break;
    case RowKind::kInvert:
      for (size_t i = 0; i < outBytes; ++i) out[i] = static_cast<unsigned char>(~in[i]);
      break;
    case RowKind::kRgb8:
      Reorder<3, 3>(in, out, width);
      break;
    case RowKind::kRgba8:
      Reorder<4, 4>(in, out, width);
      break;
    case RowKind::kRgb8From32:
      Reorder<4, 3>(in, out, width);
      break;
    case RowKind::kSwap16:
      if constexpr (std::endian::native == std::endian::big) {
        std::memcpy(out, in, outBytes);
      } else {
        for (size_t i = 0; i + 1 < outBytes; i += 2) {
          out[i] = in[i + 1];
          out[i + 1] = in[i];
        }
      }
      break;
  }
}

// FreeImage's file for the one-pixel copy, cut where its image data goes.
struct Frame {
  std::string head;  // signature, header (with the real size) and what precedes the image data
  std::string tail;  // what follows it, the end chunk included
  uint8_t colorType = 0;
  uint8_t bitDepth = 0;
};

std::optional<Frame> FrameFor(FIBITMAP* image, int flags) {
  Bitmap pixel(FreeImage_Copy(image, 0, 0, 1, 1));
  if (!pixel) return std::nullopt;
  FreeImage_SetTransparent(pixel.get(), FreeImage_IsTransparent(image));
  // Whether a 32-bit picture keeps its alpha depends on all its pixels.
  if (FreeImage_GetImageType(image) == FIT_BITMAP && FreeImage_GetBPP(image) == 32)
    FreeImage_GetScanLine(pixel.get(), 0)[FI_RGBA_ALPHA] = FreeImage_GetColorType(image) == FIC_RGBALPHA ? 0 : 0xFF;

  MemoryStream memory(FreeImage_OpenMemory());
  if (!memory || !FreeImage_SaveToMemory(FIF_PNG, pixel.get(), memory.get(), flags)) return std::nullopt;
  BYTE* data = nullptr;
  DWORD size = 0;
  if (!FreeImage_AcquireMemory(memory.get(), &data, &size) || size < kSignature.size()) return std::nullopt;
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  if (!file.starts_with(kSignature)) return std::nullopt;

  Frame frame;
  frame.head = kSignature;
  bool sawHeader = false, sawData = false, sawEnd = false;
  for (size_t at = kSignature.size(); at < file.size();) {
    if (file.size() - at < 12) return std::nullopt;
    const auto* chunk = reinterpret_cast<const unsigned char*>(file.data() + at);
    const uint32_t length = Be32(chunk);
    if (length > file.size() - at - 12) return std::nullopt;
    std::string bytes(file.substr(at, size_t{length} + 12));
    const std::string type = bytes.substr(4, 4);
    at += bytes.size();
    if (!sawHeader) {
      if (type != "IHDR" || length != 13) return std::nullopt;
      std::string fields = bytes.substr(8, 13);
      frame.bitDepth = static_cast<uint8_t>(fields[8]);
      frame.colorType = static_cast<uint8_t>(fields[9]);
      if (fields[12] != 0) return std::nullopt;  // interlaced
      auto* size = reinterpret_cast<unsigned char*>(fields.data());
      PutBe32(size, FreeImage_GetWidth(image));
      PutBe32(size + 4, FreeImage_GetHeight(image));
      bytes = PngChunk("IHDR", fields);
      sawHeader = true;
    } else if (type == "IDAT") {
      sawData = true;
      continue;
    }
    if (type == "IEND") sawEnd = true;
    (sawData ? frame.tail : frame.head) += bytes;
  }
  if (!sawData || !sawEnd) return std::nullopt;
  return frame;
}

// Sends zlib's output as IDAT chunks.
class DataChunks {
 public:
  explicit DataChunks(const ByteSink& sink) : sink_(sink), buffer_(8 + kBatchBytes) {
    std::memcpy(buffer_.data() + 4, "IDAT", 4);
  }

  bool Start() {
    if (deflateInit(&stream_, Z_NO_COMPRESSION) != Z_OK) return false;
    started_ = true;
    Reset();
    return true;
  }

  ~DataChunks() {
    if (started_) deflateEnd(&stream_);
  }

  bool Add(const unsigned char* data, size_t size) {
    stream_.next_in = const_cast<unsigned char*>(data);
    stream_.avail_in = static_cast<uInt>(size);
    while (stream_.avail_in > 0) {
      if (deflate(&stream_, Z_NO_FLUSH) != Z_OK) return false;
      if (stream_.avail_out == 0 && !Send()) return false;
    }
    return true;
  }

  bool Finish() {
    for (;;) {
      const int status = deflate(&stream_, Z_FINISH);
      if (status == Z_STREAM_END) return Send();
      if (status != Z_OK || !Send()) return false;
    }
  }

 private:
  void Reset() {
    stream_.next_out = reinterpret_cast<Bytef*>(buffer_.data() + 8);
    stream_.avail_out = static_cast<uInt>(kBatchBytes);
  }

  bool Send() {
    const size_t length = kBatchBytes - stream_.avail_out;
    if (length > 0) {
      auto* chunk = reinterpret_cast<unsigned char*>(buffer_.data());
      PutBe32(chunk, static_cast<uint32_t>(length));
      unsigned char crc[4];
      PutBe32(crc, ChunkCrc(chunk + 4, 4 + length));
      if (!sink_(buffer_.data(), 8 + length) || !sink_(reinterpret_cast<const char*>(crc), 4)) return false;
    }
    Reset();
    return true;
  }

  const ByteSink& sink_;
  std::vector<char> buffer_;
  z_stream stream_{};
  bool started_ = false;
};

}  // namespace

StoredPngResult SaveStoredPng(FIBITMAP* image, int flags, const ByteSink& sink) {
  // FreeImage compresses when any level is asked for, whatever else is.
  const bool stored = (flags & 0x0F) == 0 && (flags & PNG_Z_NO_COMPRESSION) == PNG_Z_NO_COMPRESSION;
  if (!image || !FreeImage_HasPixels(image) || !stored || (flags & PNG_INTERLACED) != 0)
    return StoredPngResult::kNotSuited;
  const std::optional<Frame> frame = FrameFor(image, flags);
  if (!frame) return StoredPngResult::kNotSuited;
  const std::optional<RowKind> kind = RowKindFor(image, frame->colorType, frame->bitDepth);
  if (!kind) return StoredPngResult::kNotSuited;

  const uint32_t width = FreeImage_GetWidth(image);
  const uint32_t height = FreeImage_GetHeight(image);
  const size_t rowBytes = RowBytes(width, frame->colorType, frame->bitDepth);
  if (*kind != RowKind::kRgb8From32 && rowBytes > FreeImage_GetLine(image)) return StoredPngResult::kNotSuited;
  DataChunks data(sink);
  if (!data.Start()) return StoredPngResult::kNotSuited;

  if (!sink(frame->head.data(), frame->head.size())) return StoredPngResult::kFailed;
  // Each row is its filter type (0, none) and its bytes; the bottom-up
  // bitmap's last scan line is the picture's first row.
  const size_t rowsPerBatch = std::max<size_t>(1, kBatchBytes / (rowBytes + 1));
  std::vector<unsigned char> batch(rowsPerBatch * (rowBytes + 1));
  for (uint32_t row = 0; row < height;) {
    const uint32_t rows = static_cast<uint32_t>(std::min<size_t>(rowsPerBatch, height - row));
    unsigned char* out = batch.data();
    for (uint32_t i = 0; i < rows; ++i, ++row, out += rowBytes + 1) {
      out[0] = 0;
      ConvertRow(*kind, FreeImage_GetScanLine(image, static_cast<int>(height - 1 - row)), out + 1, width, rowBytes);
    }
    if (!data.Add(batch.data(), static_cast<size_t>(out - batch.data()))) return StoredPngResult::kFailed;
  }
  if (!data.Finish()) return StoredPngResult::kFailed;
  if (!sink(frame->tail.data(), frame->tail.size())) return StoredPngResult::kFailed;
  return StoredPngResult::kWritten;
}

}  // namespace pictavo
