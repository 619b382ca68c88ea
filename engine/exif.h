// The camera's metadata in the saved PNG: its EXIF tags, read by pictavo-exif
// in a process of its own, rebuilt to describe the new file, and the colour
// space of the pixels.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>
#include <string>
#include <vector>

#include "decode/exif_wire.h"
#include "engine/helper_process.h"

namespace pictavo {

// A read of one file's EXIF running in pictavo-exif, started early so that
// it overlaps the decoding.
class ExifReading {
 public:
  ExifReading() = default;
  ExifReading(ExifReading&& other) noexcept;
  ExifReading& operator=(ExifReading&&) = delete;
  ~ExifReading();

  // Starts reading `path` with `executable` (pictavo-exif); an empty
  // executable looks beside the program.
  static ExifReading Start(const std::string& path, const std::string& executable = "",
                           std::chrono::milliseconds timeout = std::chrono::seconds(10));

  // The tags once the helper is done; none when it failed, crashed, ran out
  // of time or gave a result that does not hold together.
  std::vector<exif::Tag> Finish();

 private:
  UniqueFd result_;
  UniqueFd done_;
  pid_t pid_ = -1;
  std::chrono::milliseconds timeout_{0};
};

// What the PNG says about its colours.
enum class ColorStatement {
  kNone,        // a colour profile of its own
  kSrgb,        // sRGB chunk
  kLinearSrgb,  // sRGB primaries with a linear response: cHRM and gAMA 1.0
};

// The tags as a TIFF-structured EXIF block (little-endian) that tells the
// truth about the converted picture: orientation 1 (the pixels are
// upright), the final size, this program as software, a colour space that
// agrees with `colors` (sRGB, or none at all), and nothing that describes
// the source's own image data (strips, thumbnails, maker notes whose
// offsets point into the source). "" when no tag is left to keep.
std::string BuildExifBlock(const std::vector<exif::Tag>& tags, uint32_t width, uint32_t height,
                           ColorStatement colors);

// A PNG chunk with its length and CRC.
std::string PngChunk(std::string_view type, std::string_view data);

// The chunks to put before the first IDAT: eXIf with `exifBlock` (when not
// empty) and the colour statement, which is left out when the file already
// states its colours (`statesColors`: an iCCP, sRGB or gAMA chunk came first).
std::string MetadataChunks(const std::string& exifBlock, ColorStatement colors, bool statesColors);

// Puts MetadataChunks into a PNG as it is being written: bytes go through to
// `sink` unchanged, with the chunks inserted right before the first IDAT.
// Whether the file states its colours already is known by then.
class PngMetadataInserter {
 public:
  using Sink = std::function<bool(const char* data, size_t size)>;
  PngMetadataInserter(std::string exifBlock, ColorStatement colors, Sink sink);

  // False when the sink failed.
  bool Feed(const char* data, size_t size);
  // Past this point the stream is not followed any more (a writer that
  // seeks): nothing is inserted.
  void Stop() { done_ = true; }

 private:
  std::string exifBlock_;
  ColorStatement colors_;
  Sink sink_;
  std::string header_;     // the part of a chunk header seen so far
  uint64_t passThrough_ = 8;  // bytes to pass before the next header: the signature first
  bool statesColors_ = false;
  bool done_ = false;
};

}  // namespace pictavo
