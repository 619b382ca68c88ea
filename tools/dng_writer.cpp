#include "tools/dng_writer.h"

#include <FreeImage.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <map>
#include <vector>

namespace pictavo::dng {

namespace {

enum TiffType : uint16_t { kByte = 1, kAscii = 2, kShort = 3, kLong = 4, kRational = 5, kSRational = 10 };

void PutU16(std::string& out, uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void PutU32(std::string& out, uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

// One little-endian TIFF directory. Its size does not depend on the values,
// so a file can be laid out first and the offsets filled in afterwards.
class Ifd {
 public:
  void Bytes(uint16_t tag, const std::vector<uint8_t>& values) {
    std::string data(values.begin(), values.end());
    Set(tag, kByte, static_cast<uint32_t>(values.size()), data);
  }
  void Ascii(uint16_t tag, const std::string& text) {
    Set(tag, kAscii, static_cast<uint32_t>(text.size() + 1), text + '\0');
  }
  void Shorts(uint16_t tag, const std::vector<uint16_t>& values) {
    std::string data;
    for (uint16_t v : values) PutU16(data, v);
    Set(tag, kShort, static_cast<uint32_t>(values.size()), data);
  }
  void Long(uint16_t tag, uint32_t value) {
    std::string data;
    PutU32(data, value);
    Set(tag, kLong, 1, data);
  }
  void Rationals(uint16_t tag, TiffType type, const std::vector<double>& values) {
    std::string data;
    for (double v : values) {
      PutU32(data, static_cast<uint32_t>(static_cast<int32_t>(std::lround(v * 10000))));
      PutU32(data, 10000);
    }
    Set(tag, type, static_cast<uint32_t>(values.size()), data);
  }

  size_t Size() const {
    size_t size = 2 + 12 * entries_.size() + 4;
    for (const auto& [tag, entry] : entries_)
      if (entry.data.size() > 4) size += Padded(entry.data.size());
    return size;
  }

  // The directory placed at file offset `at`, pointing on to `next`.
  std::string Serialize(uint32_t at, uint32_t next) const {
    std::string head;
    std::string spill;
    const uint32_t spillAt = at + static_cast<uint32_t>(2 + 12 * entries_.size() + 4);
    PutU16(head, static_cast<uint16_t>(entries_.size()));
    for (const auto& [tag, entry] : entries_) {
      PutU16(head, tag);
      PutU16(head, entry.type);
      PutU32(head, entry.count);
      if (entry.data.size() <= 4) {
        std::string inline_value = entry.data;
        inline_value.resize(4, '\0');
        head += inline_value;
      } else {
        PutU32(head, spillAt + static_cast<uint32_t>(spill.size()));
        spill += entry.data;
        spill.resize(Padded(spill.size()), '\0');
      }
    }
    PutU32(head, next);
    return head + spill;
  }

 private:
  struct Entry {
    uint16_t type;
    uint32_t count;
    std::string data;
  };
  static size_t Padded(size_t n) { return (n + 1) & ~size_t{1}; }
  void Set(uint16_t tag, uint16_t type, uint32_t count, std::string data) {
    entries_[tag] = Entry{type, count, std::move(data)};
  }

  std::map<uint16_t, Entry> entries_;  // TIFF wants the tags in ascending order
};

// The XYZ (D65) to linear sRGB matrix. Declared as the camera's colour matrix
// it makes the mosaic's channels plain sRGB primaries, so decoded colours
// match the scene.
const std::vector<double> kXyzToSrgb = {3.2404542, -1.5371385, -0.4985314, -0.9692660, 1.8760108,
                                        0.0415560, 0.0556434,  -0.2040259, 1.0572252};

double EncodeSrgb(double linear) {
  linear = std::clamp(linear, 0.0, 1.0);
  return linear <= 0.0031308 ? 12.92 * linear : 1.055 * std::pow(linear, 1 / 2.4) - 0.055;
}

std::string MosaicSamples(const Scene& scene, int width, int height) {
  std::string samples;
  samples.reserve(static_cast<size_t>(width) * height * 2);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const SceneColor colour = scene((x + 0.5) / width, (y + 0.5) / height);
      const int channel = (y % 2 == 0) ? (x % 2 == 0 ? 0 : 1) : (x % 2 == 0 ? 1 : 2);  // RGGB
      const double value = std::clamp(colour[channel], 0.0, 1.0) * 65535.0;
      PutU16(samples, static_cast<uint16_t>(std::lround(value)));
    }
  }
  return samples;
}

void AddDngTags(Ifd& ifd, int orientation) {
  ifd.Ascii(271, "Pictavo");            // Make
  ifd.Ascii(272, "Test Mosaic");        // Model
  ifd.Shorts(274, {static_cast<uint16_t>(orientation)});
  ifd.Bytes(50706, {1, 4, 0, 0});       // DNGVersion
  ifd.Bytes(50707, {1, 1, 0, 0});       // DNGBackwardVersion
  ifd.Ascii(50708, "Pictavo Test Mosaic");  // UniqueCameraModel
  ifd.Rationals(50721, kSRational, kXyzToSrgb);  // ColorMatrix1
  ifd.Rationals(50728, kRational, {1, 1, 1});    // AsShotNeutral
  ifd.Shorts(50778, {21});                       // CalibrationIlluminant1: D65
}

void AddMosaicTags(Ifd& ifd, int width, int height) {
  ifd.Long(254, 0);  // NewSubFileType: the main image
  ifd.Long(256, static_cast<uint32_t>(width));
  ifd.Long(257, static_cast<uint32_t>(height));
  ifd.Shorts(258, {16});
  ifd.Shorts(259, {1});      // uncompressed
  ifd.Shorts(262, {32803});  // colour filter array
  ifd.Long(273, 0);          // StripOffsets, filled in later
  ifd.Shorts(277, {1});
  ifd.Long(278, static_cast<uint32_t>(height));
  ifd.Long(279, static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 2);
  ifd.Shorts(284, {1});
  ifd.Shorts(33421, {2, 2});       // CFARepeatPatternDim
  ifd.Bytes(33422, {0, 1, 1, 2});  // CFAPattern: R G / G B
  ifd.Long(50714, 0);              // BlackLevel
  ifd.Long(50717, 65535);          // WhiteLevel
}

void AddPreviewTags(Ifd& ifd, int width, int height, bool jpeg, uint32_t bytes) {
  ifd.Long(254, 1);  // NewSubFileType: reduced-resolution copy
  ifd.Long(256, static_cast<uint32_t>(width));
  ifd.Long(257, static_cast<uint32_t>(height));
  ifd.Shorts(258, {8, 8, 8});
  ifd.Shorts(259, {static_cast<uint16_t>(jpeg ? 7 : 1)});  // JPEG or uncompressed
  ifd.Shorts(262, {static_cast<uint16_t>(jpeg ? 6 : 2)});  // YCbCr or RGB
  ifd.Long(273, 0);      // StripOffsets, filled in later
  ifd.Shorts(277, {3});
  ifd.Long(278, static_cast<uint32_t>(height));
  ifd.Long(279, bytes);
  ifd.Shorts(284, {1});
}

// The scene as 8-bit sRGB samples, top row first.
std::string RgbSamples(const Scene& scene, int width, int height) {
  std::string samples;
  samples.reserve(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (double channel : scene((x + 0.5) / width, (y + 0.5) / height))
        samples.push_back(static_cast<char>(std::lround(255 * EncodeSrgb(channel))));
  return samples;
}

std::string Aligned(std::string bytes) {
  bytes.resize((bytes.size() + 1) & ~size_t{1}, '\0');
  return bytes;
}

}  // namespace

SceneColor ColorPatches(double x, double y) {
  static const SceneColor kPatches[6] = {
      {0.75, 0.02, 0.02}, {0.02, 0.75, 0.02}, {0.02, 0.02, 0.75},
      {0.02, 0.75, 0.75}, {0.75, 0.02, 0.75}, {0.75, 0.75, 0.02},
  };
  if (y >= 2.0 / 3.0) {
    const double level = 0.9 * x;
    return {level, level, level};
  }
  const int column = std::clamp(static_cast<int>(x * 3), 0, 2);
  const int row = y < 1.0 / 3.0 ? 0 : 1;
  return kPatches[row * 3 + column];
}

std::array<double, 2> PatchCentre(int index) {
  return {(index % 3 + 0.5) / 3.0, (index / 3 + 0.5) / 3.0};
}

std::string MakeJpeg(const Scene& scene, int width, int height) {
  FIBITMAP* dib = FreeImage_Allocate(width, height, 24);
  if (!dib) return {};
  for (int y = 0; y < height; ++y) {
    BYTE* row = FreeImage_GetScanLine(dib, height - 1 - y);  // FreeImage rows run bottom-up
    for (int x = 0; x < width; ++x) {
      const SceneColor colour = scene((x + 0.5) / width, (y + 0.5) / height);
      BYTE* pixel = row + 3 * x;
      pixel[FI_RGBA_RED] = static_cast<BYTE>(std::lround(255 * EncodeSrgb(colour[0])));
      pixel[FI_RGBA_GREEN] = static_cast<BYTE>(std::lround(255 * EncodeSrgb(colour[1])));
      pixel[FI_RGBA_BLUE] = static_cast<BYTE>(std::lround(255 * EncodeSrgb(colour[2])));
    }
  }
  std::string bytes;
  FIMEMORY* memory = FreeImage_OpenMemory();
  if (memory && FreeImage_SaveToMemory(FIF_JPEG, dib, memory, JPEG_QUALITYGOOD)) {
    BYTE* data = nullptr;
    DWORD size = 0;
    if (FreeImage_AcquireMemory(memory, &data, &size)) bytes.assign(reinterpret_cast<char*>(data), size);
  }
  if (memory) FreeImage_CloseMemory(memory);
  FreeImage_Unload(dib);
  return bytes;
}

std::string MakeDng(const DngOptions& options) {
  const int width = options.width;
  const int height = options.height;
  const bool withPreview = options.preview != DngPreview::kNone;
  if (width < 2 || height < 2 || width > 16384 || height > 16384) return {};
  if (withPreview && (options.previewWidth < 1 || options.previewHeight < 1 || options.previewWidth > 4096 ||
                      options.previewHeight > 4096))
    return {};

  if (options.orientation < 1 || options.orientation > 8) return {};

  const Scene scene = options.scene ? options.scene : Scene(ColorPatches);
  const std::string mosaic = MosaicSamples(scene, width, height);
  std::string preview;
  if (options.preview == DngPreview::kRgb) {
    preview = RgbSamples(scene, options.previewWidth, options.previewHeight);
  } else if (withPreview) {
    preview = MakeJpeg(scene, options.previewWidth, options.previewHeight);
    if (preview.empty()) return {};
  }

  // Layout: header, IFD 0, [sub-IFD], mosaic samples, [preview]. With a
  // preview, IFD 0 describes it and the mosaic sits in a sub-IFD, as cameras
  // write their DNGs; without one, IFD 0 is the mosaic itself.
  Ifd first;
  Ifd mosaicIfd;
  Ifd* mosaicTarget = withPreview ? &mosaicIfd : &first;
  AddMosaicTags(*mosaicTarget, width, height);
  if (withPreview) {
    AddPreviewTags(first, options.previewWidth, options.previewHeight, options.preview != DngPreview::kRgb,
                   static_cast<uint32_t>(preview.size()));
    first.Long(330, 0);  // SubIFDs, filled in later
  }
  AddDngTags(first, options.orientation);

  const uint32_t firstAt = 8;
  const uint32_t mosaicIfdAt = firstAt + static_cast<uint32_t>(first.Size());
  const uint32_t samplesAt = mosaicIfdAt + static_cast<uint32_t>(withPreview ? mosaicIfd.Size() : 0);
  const uint32_t previewAt = samplesAt + static_cast<uint32_t>(Aligned(mosaic).size());
  const uint32_t fileEnd = previewAt + static_cast<uint32_t>(Aligned(preview).size());

  mosaicTarget->Long(273, samplesAt);
  if (withPreview) {
    first.Long(330, mosaicIfdAt);
    // An unreadable preview points well beyond the end of the file, further
    // than the decoder's tolerance for reading past it.
    first.Long(273, options.preview != DngPreview::kUnreadable ? previewAt : fileEnd + (1u << 20));
  }

  std::string file = "II";
  PutU16(file, 42);
  PutU32(file, firstAt);
  file += first.Serialize(firstAt, 0);
  if (withPreview) file += mosaicIfd.Serialize(mosaicIfdAt, 0);
  file += Aligned(mosaic);
  if (options.preview != DngPreview::kUnreadable) file += Aligned(preview);
  return file;
}

bool WriteDng(const std::string& path, const DngOptions& options) {
  const std::string bytes = MakeDng(options);
  if (bytes.empty()) return false;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace pictavo::dng
