#include "engine/exif.h"

#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <utility>

#include "engine/helper_process.h"
#include "base/program.h"

namespace pictavo {

static_assert(exif::kResultFd == kHelperResultFd && exif::kDoneFd == kHelperDoneFd,
              "the metadata reader finds its result and its counter where every helper does");

namespace {

constexpr const char* kExifHelperName = "pictavo-exif";
// Exiv2 maps the file it reads; a camera file needs far less than this.
constexpr uint64_t kExifMemoryLimit = uint64_t{2} << 30;
// The helper's result: the tags and their values, nothing more.
constexpr uint64_t kMaxResultBytes = uint64_t{4} << 20;

// TIFF tag numbers the block writes or refuses.
constexpr uint16_t kOrientation = 0x0112;
constexpr uint16_t kSoftware = 0x0131;
constexpr uint16_t kExifPointer = 0x8769;
constexpr uint16_t kGpsPointer = 0x8825;
constexpr uint16_t kMakerNote = 0x927C;
constexpr uint16_t kColorSpace = 0xA001;
constexpr uint16_t kPixelXDimension = 0xA002;
constexpr uint16_t kPixelYDimension = 0xA003;
constexpr uint16_t kInteropPointer = 0xA005;
constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;
constexpr uint16_t kAscii = 2;

// Main-image tags that describe the photograph rather than the source's own
// image data (its strips, sub-images and raw sensor layout).
bool KeptInMainImage(uint16_t id) {
  switch (id) {
    case 0x010E:  // ImageDescription
    case 0x010F:  // Make
    case 0x0110:  // Model
    case 0x011A:  // XResolution
    case 0x011B:  // YResolution
    case 0x0128:  // ResolutionUnit
    case 0x0132:  // DateTime
    case 0x013B:  // Artist
    case 0x4746:  // Rating
    case 0x4749:  // RatingPercent
    case 0x8298:  // Copyright
      return true;
    default:
      return id >= 0x9C9B && id <= 0x9C9F;  // the title, comment, author, keywords and subject
  }
}

bool KeptInExif(uint16_t id) {
  // The maker note and the interoperability directory hold offsets into the
  // source file, which point nowhere in the new one; the size and the colour
  // space are the new file's.
  return id != kMakerNote && id != kInteropPointer && id != kPixelXDimension && id != kPixelYDimension &&
         id != kColorSpace;
}

void PutLe(std::string& out, uint32_t value, int bytes) { exif::PutLe(out, value, bytes); }

exif::Tag Number(uint8_t directory, uint16_t id, uint16_t type, uint32_t value) {
  std::string bytes;
  PutLe(bytes, value, static_cast<int>(exif::TypeSize(type)));
  return {directory, id, type, 1, bytes};
}

// One directory at `base` in the file: entries sorted by tag, then the
// values longer than four bytes, each on an even offset.
std::string Directory(const std::map<uint16_t, exif::Tag>& tags, uint32_t base) {
  const uint32_t entriesEnd = base + 2 + 12 * static_cast<uint32_t>(tags.size()) + 4;
  std::string head, data;
  PutLe(head, static_cast<uint32_t>(tags.size()), 2);
  for (const auto& [id, tag] : tags) {
    PutLe(head, id, 2);
    PutLe(head, tag.type, 2);
    PutLe(head, tag.count, 4);
    if (tag.value.size() <= 4) {
      head += tag.value;
      head.append(4 - tag.value.size(), '\0');
    } else {
      PutLe(head, entriesEnd + static_cast<uint32_t>(data.size()), 4);
      data += tag.value;
      if (data.size() % 2) data += '\0';
    }
  }
  PutLe(head, 0, 4);  // no further directory: thumbnails are not kept
  return head + data;
}

}  // namespace

ExifReading::ExifReading(ExifReading&& other) noexcept
    : result_(std::move(other.result_)),
      done_(std::move(other.done_)),
      pid_(std::exchange(other.pid_, -1)),
      timeout_(other.timeout_) {}

ExifReading::~ExifReading() {
  if (pid_ > 0) EndHelperProcess(pid_);
}

ExifReading ExifReading::Start(const std::string& path, const std::string& executable,
                               std::chrono::milliseconds timeout) {
  ExifReading reading;
  reading.timeout_ = timeout;
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return reading;
  UniqueFd result(HelperResultFile(kExifHelperName));
  UniqueFd done(HelperDoneSignal());
  pid_t pid = -1;
  const std::string helper = executable.empty() ? HelperExecutable(kExifHelperName) : executable;
  if (!result || !done ||
      !SpawnHelperProcess(helper, {std::to_string(kExifMemoryLimit), std::to_string(getpid()), path}, result.get(),
                          done.get(), pid))
    return reading;
  reading.pid_ = pid;
  reading.result_ = std::move(result);
  reading.done_ = std::move(done);
  return reading;
}

std::vector<exif::Tag> ExifReading::Finish() {
  std::vector<exif::Tag> tags;
  if (pid_ <= 0 || !result_) return tags;
  const bool ended = WaitForHelperProcess(pid_, done_.get(), timeout_);
  pid_ = -1;
  struct stat info {};
  if (!ended || fstat(result_.get(), &info) != 0 || static_cast<uint64_t>(info.st_size) > kMaxResultBytes) return tags;
  std::string bytes(static_cast<size_t>(info.st_size), '\0');
  if (ReadAt(result_.get(), bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(bytes.size())) return tags;
  if (!exif::ReadExifTags(bytes, tags)) tags.clear();
  return tags;
}

std::string BuildExifBlock(const std::vector<exif::Tag>& tags, uint32_t width, uint32_t height,
                           ColorStatement colors) {
  if (tags.empty()) return {};
  std::map<uint16_t, exif::Tag> main, photo, gps;
  for (const exif::Tag& tag : tags) {
    // Of two tags with one number the first counts, as a reader would take it.
    if (tag.directory == exif::kMainImage && KeptInMainImage(tag.id)) main.emplace(tag.id, tag);
    if (tag.directory == exif::kExif && KeptInExif(tag.id)) photo.emplace(tag.id, tag);
    if (tag.directory == exif::kGps) gps.emplace(tag.id, tag);
  }
  main[kOrientation] = Number(exif::kMainImage, kOrientation, kShort, 1);
  const std::string software = ProgramTitle() + std::string(1, '\0');
  main[kSoftware] = {exif::kMainImage, kSoftware, kAscii, static_cast<uint32_t>(software.size()), software};
  photo[kPixelXDimension] = Number(exif::kExif, kPixelXDimension, kLong, width);
  photo[kPixelYDimension] = Number(exif::kExif, kPixelYDimension, kLong, height);
  // EXIF knows sRGB (1) and "uncalibrated"; linear light and a picture's own
  // profile are stated by the PNG's chunks alone.
  if (colors == ColorStatement::kSrgb) photo[kColorSpace] = Number(exif::kExif, kColorSpace, kShort, 1);
  main[kExifPointer] = Number(exif::kMainImage, kExifPointer, kLong, 0);
  if (!gps.empty()) main[kGpsPointer] = Number(exif::kMainImage, kGpsPointer, kLong, 0);

  // The main directory's size does not depend on where the others go, so
  // it is laid out once to learn it and again with the pointers filled in.
  const uint32_t mainBase = 8;
  const uint32_t photoBase = mainBase + static_cast<uint32_t>(Directory(main, mainBase).size());
  const std::string photoBytes = Directory(photo, photoBase);
  const uint32_t gpsBase = photoBase + static_cast<uint32_t>(photoBytes.size());
  main[kExifPointer] = Number(exif::kMainImage, kExifPointer, kLong, photoBase);
  if (!gps.empty()) main[kGpsPointer] = Number(exif::kMainImage, kGpsPointer, kLong, gpsBase);

  std::string block = "II*";
  block += '\0';
  PutLe(block, mainBase, 4);
  block += Directory(main, mainBase) + photoBytes;
  if (!gps.empty()) block += Directory(gps, gpsBase);
  return block;
}

std::string PngChunk(std::string_view type, std::string_view data) {
  std::string chunk;
  const uint32_t length = static_cast<uint32_t>(data.size());
  for (int shift = 24; shift >= 0; shift -= 8) chunk += static_cast<char>((length >> shift) & 0xFF);
  chunk += type;
  chunk += data;
  uLong crc = crc32(0L, Z_NULL, 0);
  crc = crc32(crc, reinterpret_cast<const Bytef*>(chunk.data() + 4), static_cast<uInt>(chunk.size() - 4));
  for (int shift = 24; shift >= 0; shift -= 8) chunk += static_cast<char>((crc >> shift) & 0xFF);
  return chunk;
}

std::string MetadataChunks(const std::string& exifBlock, ColorStatement colors, bool statesColors) {
  std::string chunks;
  if (!statesColors) {
    auto be32 = [](uint32_t value) {
      std::string out;
      for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
      return out;
    };
    if (colors == ColorStatement::kSrgb) chunks += PngChunk("sRGB", std::string(1, '\0'));  // perceptual
    if (colors == ColorStatement::kLinearSrgb) {
      // The sRGB primaries and white point, and a response of gamma 1.
      chunks += PngChunk("cHRM", be32(31270) + be32(32900) + be32(64000) + be32(33000) + be32(30000) + be32(60000) +
                                     be32(15000) + be32(6000));
      chunks += PngChunk("gAMA", be32(100000));
    }
  }
  if (!exifBlock.empty()) chunks += PngChunk("eXIf", exifBlock);
  return chunks;
}

PngMetadataInserter::PngMetadataInserter(std::string exifBlock, ColorStatement colors, Sink sink)
    : exifBlock_(std::move(exifBlock)), colors_(colors), sink_(std::move(sink)) {}

bool PngMetadataInserter::Feed(const char* data, size_t size) {
  while (size > 0) {
    if (done_ || passThrough_ > 0) {
      const size_t n = done_ ? size : static_cast<size_t>(std::min<uint64_t>(size, passThrough_));
      if (!sink_(data, n)) return false;
      if (!done_) passThrough_ -= n;
      data += n;
      size -= n;
      continue;
    }
    const size_t n = std::min(size, 8 - header_.size());
    header_.append(data, n);
    data += n;
    size -= n;
    if (header_.size() < 8) continue;
    uint64_t length = 0;
    for (int i = 0; i < 4; ++i) length = (length << 8) | static_cast<uint8_t>(header_[static_cast<size_t>(i)]);
    const std::string_view type = std::string_view(header_).substr(4);
    if (type == "IDAT") {
      const std::string chunks = MetadataChunks(exifBlock_, colors_, statesColors_);
      if (!chunks.empty() && !sink_(chunks.data(), chunks.size())) return false;
      done_ = true;
    } else if (type == "iCCP" || type == "sRGB" || type == "gAMA") {
      statesColors_ = true;
    }
    if (!sink_(header_.data(), header_.size())) return false;
    header_.clear();
    passThrough_ = length + 4;  // the data and the CRC
  }
  return true;
}

}  // namespace pictavo
