#include "engine/isolated_decoder.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "decode/wire.h"
#include "engine/helper_process.h"
#include "engine/job.h"

namespace pictavo {

static_assert(wire::kResultFd == kHelperResultFd && wire::kDoneFd == kHelperDoneFd,
              "the decoder finds its result and its counter where every helper does");

namespace {

constexpr const char* kHelperName = "pictavo-decode";
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
// Shape, palette, metadata, ICC profile and thumbnail of one picture; camera
// files carry a few hundred kilobytes of them at most.
constexpr uint64_t kMaxDescriptionBytes = uint64_t{256} << 20;

Decoded Failed() {
  Decoded failed;
  failed.decoderFailed = true;
  return failed;
}

// The helper's command line after its name (decode/main.cpp).
std::vector<std::string> HelperArguments(const HelperSettings& helper, FREE_IMAGE_FORMAT format,
                                         const std::string& path, int flags) {
  return {std::to_string(static_cast<int>(format)), std::to_string(flags), std::to_string(helper.memoryLimit),
          std::to_string(getpid()), path};
}

bool ReadAt(int fd, void* buffer, uint64_t size, uint64_t offset) {
  char* bytes = static_cast<char*>(buffer);
  while (size > 0) {
    const ssize_t got = pread(fd, bytes, static_cast<size_t>(size), static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    bytes += got;
    size -= static_cast<uint64_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

// The pixels stay where the helper wrote them; the mapping lives until the
// last bitmap wrapping it is unloaded. They need not start on a page.
std::shared_ptr<void> MapPixels(int fd, uint64_t offset, uint64_t size) {
  const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  const uint64_t lead = offset % page;
  const size_t length = static_cast<size_t>(lead + size);
  // Populated at once: every page is about to be read, and one call is
  // cheaper than a fault for each.
  void* address =
      mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd, static_cast<off_t>(offset - lead));
  if (address == MAP_FAILED) return nullptr;
  char* pixels = static_cast<char*>(address) + lead;
  return std::shared_ptr<void>(pixels, [address, length](void*) { munmap(address, length); });
}

struct Shape {
  uint32_t type = 0;
  uint32_t pitch = 0;
  uint32_t redMask = 0;
  uint32_t greenMask = 0;
  uint32_t blueMask = 0;
  BITMAPINFOHEADER info{};
};

// The depths FreeImage makes each type with. AllocateT takes the depth from
// the type for all but FIT_BITMAP, so a shape claiming another one would have
// its pixel bytes counted here at one size and allocated at another.
bool DepthFitsType(uint32_t type, uint16_t bpp) {
  switch (static_cast<FREE_IMAGE_TYPE>(type)) {
    case FIT_BITMAP:
      return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
    case FIT_UINT16:
    case FIT_INT16:
      return bpp == 16;
    case FIT_UINT32:
    case FIT_INT32:
    case FIT_FLOAT:
      return bpp == 32;
    case FIT_DOUBLE:
    case FIT_RGBA16:
      return bpp == 64;
    case FIT_RGB16:
      return bpp == 48;
    case FIT_RGBF:
      return bpp == 96;
    case FIT_COMPLEX:
    case FIT_RGBAF:
      return bpp == 128;
    default:
      return false;
  }
}

bool ReadShape(wire::Reader& in, Shape& shape) {
  in.Get(shape.type);
  in.Get(shape.pitch);
  in.Get(shape.redMask);
  in.Get(shape.greenMask);
  in.Get(shape.blueMask);
  in.Get(shape.info);
  // A type FreeImage does not have is no picture (and no enum value).
  return in.ok() && shape.type >= FIT_BITMAP && shape.type <= FIT_RGBAF &&
         DepthFitsType(shape.type, shape.info.biBitCount) && shape.info.biWidth > 0 && shape.info.biHeight > 0;
}

// What FreeImage derives from type, size and depth; a bitmap made from the
// shape must come out with exactly these, or the shape was not FreeImage's.
bool MatchesShape(FIBITMAP* dib, const Shape& shape) {
  const BITMAPINFOHEADER& made = *FreeImage_GetInfoHeader(dib);
  const BITMAPINFOHEADER& sent = shape.info;
  return FreeImage_GetImageType(dib) == shape.type && FreeImage_GetPitch(dib) == shape.pitch &&
         FreeImage_GetRedMask(dib) == shape.redMask && FreeImage_GetGreenMask(dib) == shape.greenMask &&
         FreeImage_GetBlueMask(dib) == shape.blueMask && made.biSize == sent.biSize &&
         made.biWidth == sent.biWidth && made.biHeight == sent.biHeight && made.biPlanes == sent.biPlanes &&
         made.biBitCount == sent.biBitCount && made.biCompression == sent.biCompression &&
         made.biClrUsed == sent.biClrUsed;
}

// Over `external` pixels it does not own, or with pixels of its own to be
// filled in later.
Bitmap Allocate(const Shape& shape, BYTE* external) {
  const auto type = static_cast<FREE_IMAGE_TYPE>(shape.type);
  const int width = shape.info.biWidth;
  const int height = shape.info.biHeight;
  const int bpp = shape.info.biBitCount;
  if (external)
    return Bitmap(FreeImage_ConvertFromRawBitsEx(FALSE, external, type, width, height, static_cast<int>(shape.pitch),
                                                 static_cast<unsigned>(bpp), shape.redMask, shape.greenMask,
                                                 shape.blueMask, FALSE));
  return Bitmap(FreeImage_AllocateT(type, width, height, bpp, shape.redMask, shape.greenMask, shape.blueMask));
}

bool ReadPalette(wire::Reader& in, FIBITMAP* dib) {
  RGBQUAD* palette = FreeImage_GetPalette(dib);
  const uint32_t colours = in.Get<uint32_t>();
  if (colours != (palette ? FreeImage_GetColorsUsed(dib) : 0)) return false;
  const std::string_view entries = in.Raw(uint64_t{colours} * sizeof(RGBQUAD));
  if (!in.ok()) return false;
  if (colours) std::memcpy(palette, entries.data(), entries.size());
  return true;
}

bool ReadTransparency(wire::Reader& in, FIBITMAP* dib) {
  const uint32_t transparent = in.Get<uint32_t>();
  const uint32_t count = in.Get<uint32_t>();
  const std::string_view table = in.Raw(256);
  if (!in.ok() || count > 256) return false;
  BYTE* bytes = reinterpret_cast<BYTE*>(const_cast<char*>(table.data()));
  // Count and flag exist for palette pictures only; the whole table is kept
  // as it was, entries past the count included.
  if (FreeImage_GetImageType(dib) == FIT_BITMAP && FreeImage_GetBPP(dib) <= 8) {
    FreeImage_SetTransparencyTable(dib, bytes, static_cast<int>(count));
    FreeImage_SetTransparent(dib, transparent ? TRUE : FALSE);
  }
  std::memcpy(FreeImage_GetTransparencyTable(dib), bytes, 256);
  return true;
}

bool ReadBackground(wire::Reader& in, FIBITMAP* dib) {
  const uint32_t hasBackground = in.Get<uint32_t>();
  RGBQUAD background = in.Get<RGBQUAD>();
  if (in.ok() && hasBackground) FreeImage_SetBackgroundColor(dib, &background);
  return in.ok();
}

bool ReadIccProfile(wire::Reader& in, FIBITMAP* dib) {
  const uint16_t flags = in.Get<uint16_t>();
  const std::string_view profile = in.Blob();
  if (!in.ok()) return false;
  if (!profile.empty())
    FreeImage_CreateICCProfile(dib, const_cast<char*>(profile.data()), static_cast<long>(profile.size()));
  FreeImage_GetICCProfile(dib)->flags = flags;
  return true;
}

struct TagDelete {
  void operator()(FITAG* tag) const { FreeImage_DeleteTag(tag); }
};

bool ReadTags(wire::Reader& in, FIBITMAP* dib) {
  const uint32_t count = in.Get<uint32_t>();
  for (uint32_t i = 0; i < count && in.ok(); ++i) {
    const uint32_t model = in.Get<uint32_t>();
    const std::string key(in.Blob());
    const uint8_t hasDescription = in.Get<uint8_t>();
    const std::string description(in.Blob());
    const uint16_t id = in.Get<uint16_t>();
    const uint16_t type = in.Get<uint16_t>();
    const uint32_t valueCount = in.Get<uint32_t>();
    const uint32_t length = in.Get<uint32_t>();
    const uint8_t hasValue = in.Get<uint8_t>();
    const std::string_view value = in.Blob();
    if (!in.ok() || model > FIMD_EXIF_RAW || key.empty() || value.size() != (hasValue ? length : 0)) return false;

    const std::unique_ptr<FITAG, TagDelete> tag(FreeImage_CreateTag());
    if (!tag) return false;
    FreeImage_SetTagKey(tag.get(), key.c_str());
    if (hasDescription) FreeImage_SetTagDescription(tag.get(), description.c_str());
    FreeImage_SetTagID(tag.get(), id);
    FreeImage_SetTagType(tag.get(), static_cast<FREE_IMAGE_MDTYPE>(type));
    FreeImage_SetTagCount(tag.get(), valueCount);
    FreeImage_SetTagLength(tag.get(), length);
    static const char kNoBytes = 0;
    // FreeImage refuses a tag whose length does not fit its count and type,
    // so such a tag cannot have been in a bitmap FreeImage made; skip it.
    if (hasValue && !FreeImage_SetTagValue(tag.get(), value.empty() ? &kNoBytes : value.data())) continue;
    const auto mdModel = static_cast<FREE_IMAGE_MDMODEL>(model);
    if (!FreeImage_SetMetadata(mdModel, dib, key.c_str(), tag.get())) continue;
    // Storing an IPTC tag replaces its id by the one FreeImage's table has
    // for the key; put the decoder's back.
    FITAG* stored = nullptr;
    if (mdModel == FIMD_IPTC && FreeImage_GetMetadata(mdModel, dib, key.c_str(), &stored) && stored)
      FreeImage_SetTagID(stored, id);
  }
  return in.ok();
}

// One bitmap of the description (decode/wire.h). The main picture wraps
// `pixels` in place; a thumbnail brings its own pixels and gets a copy.
Bitmap ReadBitmap(wire::Reader& in, BYTE* pixels, uint64_t pixelSize, bool isThumbnail) {
  Shape shape;
  if (!ReadShape(in, shape)) return nullptr;
  // Pitch as FreeImage lays rows out itself: the in-process decode had it.
  const uint64_t line = (uint64_t{static_cast<uint32_t>(shape.info.biWidth)} * shape.info.biBitCount + 7) / 8;
  if (shape.pitch != ((line + 3) & ~uint64_t{3})) return nullptr;
  const uint64_t bytes = uint64_t{shape.pitch} * static_cast<uint64_t>(shape.info.biHeight);
  if (isThumbnail ? bytes > in.Remaining() : (bytes != pixelSize || !pixels)) return nullptr;

  Bitmap dib = Allocate(shape, isThumbnail ? nullptr : pixels);
  if (!dib || !MatchesShape(dib.get(), shape)) return nullptr;
  BITMAPINFOHEADER& info = *FreeImage_GetInfoHeader(dib.get());
  info.biSizeImage = shape.info.biSizeImage;
  info.biXPelsPerMeter = shape.info.biXPelsPerMeter;
  info.biYPelsPerMeter = shape.info.biYPelsPerMeter;
  info.biClrImportant = shape.info.biClrImportant;

  if (!ReadPalette(in, dib.get()) || !ReadTransparency(in, dib.get()) || !ReadBackground(in, dib.get()) ||
      !ReadIccProfile(in, dib.get()) || !ReadTags(in, dib.get()))
    return nullptr;

  const uint32_t hasThumbnail = in.Get<uint32_t>();
  if (!in.ok() || (hasThumbnail && isThumbnail)) return nullptr;
  if (hasThumbnail) {
    Bitmap thumbnail = ReadBitmap(in, nullptr, 0, true);
    if (!thumbnail || !FreeImage_SetThumbnail(dib.get(), thumbnail.get())) return nullptr;
  }
  if (isThumbnail) {
    const std::string_view thumbnailPixels = in.Blob();
    if (!in.ok() || thumbnailPixels.size() != bytes) return nullptr;
    std::memcpy(FreeImage_GetBits(dib.get()), thumbnailPixels.data(), thumbnailPixels.size());
  }
  return dib;
}

}  // namespace

Decoded ReadHelperResult(int fd, uint64_t pixelLimit) try {
  struct stat info {};
  wire::Prelude prelude{};
  if (fstat(fd, &info) != 0 || static_cast<uint64_t>(info.st_size) < sizeof prelude ||
      !ReadAt(fd, &prelude, sizeof prelude, 0) || std::memcmp(prelude.magic, wire::kMagic, sizeof prelude.magic) != 0)
    return Failed();
  if (prelude.outcome == wire::kNoPicture) return {};
  if (prelude.outcome != wire::kPicture) return Failed();

  // Every size is the helper's word, and the helper may have been taken
  // over by the file it decoded: each is bounded by the file and by what a
  // real decode can produce before anything is allocated or mapped.
  const uint64_t fileSize = static_cast<uint64_t>(info.st_size);
  if (prelude.descriptionSize > kMaxDescriptionBytes || prelude.descriptionSize > fileSize - sizeof prelude)
    return Failed();
  const uint64_t descriptionEnd = sizeof prelude + prelude.descriptionSize;
  if (prelude.pixelOffset % wire::kPixelMinimumAlignment != 0 || prelude.pixelOffset < descriptionEnd ||
      prelude.pixelOffset > fileSize || prelude.pixelSize > fileSize - prelude.pixelOffset ||
      (pixelLimit != 0 && prelude.pixelSize > pixelLimit))
    return Failed();

  std::string description(static_cast<size_t>(prelude.descriptionSize), '\0');
  if (!ReadAt(fd, description.data(), description.size(), sizeof prelude)) return Failed();
  // The pixels are mapped only when the picture's own shape accounts for
  // exactly that many bytes.
  wire::Reader probe(description);
  Shape shape;
  if (!ReadShape(probe, shape) ||
      uint64_t{shape.pitch} * static_cast<uint64_t>(shape.info.biHeight) != prelude.pixelSize)
    return Failed();
  std::shared_ptr<void> pixels = MapPixels(fd, prelude.pixelOffset, prelude.pixelSize);
  if (!pixels) return Failed();

  wire::Reader in(description);
  Bitmap image = ReadBitmap(in, static_cast<BYTE*>(pixels.get()), prelude.pixelSize, false);
  if (!image || !in.AtEnd()) return Failed();
  image.get_deleter().pixelOwner = std::move(pixels);
  return image;
} catch (const std::exception&) {
  // Out of memory rebuilding metadata or the like: this file failed.
  return Failed();
}

Decoded DecodeInHelper(const HelperSettings& helper, FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
  // As in the program's own decoder: only regular files. A FIFO would only
  // hold the helper up until its time runs out.
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};

  const HelperFd result(HelperResultFile(kHelperName));
  const HelperFd done(HelperDoneSignal());
  if (!result || !done) return Failed();
  pid_t pid = -1;
  const bool ended =
      SpawnHelperProcess(helper.executable, HelperArguments(helper, format, path, flags), result.get(), done.get(),
                         pid) &&
      WaitForHelperProcess(pid, done.get(), helper.timeout);
  if (!ended) return Failed();
  return ReadHelperResult(result.get(), helper.memoryLimit);
}

Decoder IsolatedDecoder(HelperSettings helper) {
  return [helper = std::move(helper)](FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
    return DecodeInHelper(helper, format, path, flags);
  };
}

namespace {

void CountPhase(int phases) {
  if (phases < 0) return;
  const uint64_t one = 1;
  // Adding to an eventfd fails only when the count would overflow.
  [[maybe_unused]] const ssize_t sent = write(phases, &one, sizeof one);
}

// The soft address-space limit for as long as it lives, never above the one
// the process had; the hard one is left alone, so that it can be lifted
// again.
class AddressSpaceLimit {
 public:
  explicit AddressSpaceLimit(uint64_t bytes) {
    if (bytes == 0 || kAddressSanitizer || getrlimit(RLIMIT_AS, &saved_) != 0) return;
    const rlimit tight{std::min<rlim_t>(bytes, saved_.rlim_cur), saved_.rlim_max};
    active_ = setrlimit(RLIMIT_AS, &tight) == 0;
  }
  ~AddressSpaceLimit() {
    if (active_) setrlimit(RLIMIT_AS, &saved_);
  }
  AddressSpaceLimit(const AddressSpaceLimit&) = delete;
  AddressSpaceLimit& operator=(const AddressSpaceLimit&) = delete;

 private:
  rlimit saved_{};
  bool active_ = false;
};

}  // namespace

Decoder DecoderInThisProcess(HelperSettings limits, int phases) {
  return [limits = std::move(limits), phases](FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
    CountPhase(phases);
    Decoded decoded;
    {
      const AddressSpaceLimit limit(limits.memoryLimit);
      decoded = DecodeWithFreeImage(format, path, flags);
    }
    CountPhase(phases);
    return decoded;
  };
}

}  // namespace pictavo
