#include "engine/isolated_decoder.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "decode/decoder.h"
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
constexpr long kMaxTimeoutSeconds = 3600;
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
  uint64_t memoryLimit = helper.memoryLimit;
  if (helper.start == HelperStart::ForkedProgram && kAddressSanitizer) memoryLimit = 0;
  return {std::to_string(static_cast<int>(format)), std::to_string(flags), std::to_string(memoryLimit),
          std::to_string(getpid()), path};
}

// The copy of the program becomes the helper as far as the decoder can
// tell: the same descriptors as a started helper and the signal actions a
// new program has, so that Ctrl+C ends it instead of running the program's
// clean-up a second time. It never returns into the program's code.
[[noreturn]] void BecomeHelper(const std::string& name, int resultFd, int doneFd, std::vector<std::string> args) {
  struct sigaction fresh {};
  fresh.sa_handler = SIG_DFL;
  for (int number = 1; number < NSIG; ++number) {
    struct sigaction action {};
    if (sigaction(number, nullptr, &action) == 0 && action.sa_handler != SIG_IGN && action.sa_handler != SIG_DFL)
      sigaction(number, &fresh, nullptr);
  }
  const int null = open("/dev/null", O_RDWR);
  if (null < 0 || dup2(null, STDIN_FILENO) < 0 || dup2(null, STDOUT_FILENO) < 0 || dup2(null, STDERR_FILENO) < 0 ||
      dup2(resultFd, kHelperResultFd) < 0 || dup2(doneFd, kHelperDoneFd) < 0)
    _exit(127);
  closefrom(kHelperDoneFd + 1);
  try {
    std::string program = name;
    std::vector<char*> argv{program.data()};
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    _exit(decode::DecoderMain(static_cast<int>(argv.size() - 1), argv.data()));
  } catch (...) {
    _exit(127);
  }
}

bool StartHelper(const HelperSettings& helper, int resultFd, int doneFd, FREE_IMAGE_FORMAT format,
                 const std::string& path, int flags, pid_t& pid) {
  std::vector<std::string> args = HelperArguments(helper, format, path, flags);
  if (helper.start == HelperStart::Executable)
    return SpawnHelperProcess(helper.executable, args, resultFd, doneFd, pid);
  pid = fork();
  if (pid == 0) BecomeHelper(helper.executable, resultFd, doneFd, std::move(args));
  return pid > 0;
}

// True when the calling thread is the process's only one (from
// /proc/self/stat, whose 20th field counts them).
bool OnlyThread() {
  char text[1024];
  const int fd = open("/proc/self/stat", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const ssize_t got = read(fd, text, sizeof text - 1);
  close(fd);
  if (got <= 0) return false;
  text[got] = '\0';
  // The name in parentheses may hold anything; the fields follow its last ")".
  const char* field = std::strrchr(text, ')');
  for (int number = 2; field && number < 20; ++number) field = std::strchr(field + 1, ' ');
  return field && std::strncmp(field, " 1 ", 3) == 0;
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

HelperSettings DefaultHelperSettings() {
  HelperSettings helper;
  helper.executable = HelperExecutable(kHelperName);
  if (const char* text = std::getenv("PICTAVO_DECODE_TIMEOUT")) {
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && seconds >= 1 && seconds <= kMaxTimeoutSeconds)
      helper.timeout = std::chrono::seconds(seconds);
  }
  return helper;
}

Decoded DecodeInHelper(const HelperSettings& helper, FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
  // As in the program's own decoder: only regular files. A FIFO would only
  // hold the helper up until its time runs out.
  struct stat info {};
  if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {};

  const HelperFd result(HelperResultFile("pictavo-decode"));
  const HelperFd done(HelperDoneSignal());
  if (!result || !done) return Failed();
  const auto run = [&] {
    pid_t pid = -1;
    return StartHelper(helper, result.get(), done.get(), format, path, flags, pid) &&
           WaitForHelperProcess(pid, done.get(), helper.timeout);
  };
  bool ended = false;
  if (helper.start == HelperStart::Executable || OnlyThread()) {
    // A process with one thread is copied as it stands (a console run).
    ended = run();
  } else {
    // Otherwise the copy is made from a new thread, which waits for it. The
    // copy's one thread then has none of the per-thread state the libraries
    // keep: an OpenMP thread pool that this thread had started would make
    // the copy wait forever for threads it does not have.
    std::thread([&] { ended = run(); }).join();
  }
  if (!ended) return Failed();
  return ReadHelperResult(result.get(), helper.memoryLimit);
}

Decoder IsolatedDecoder(HelperSettings helper) {
  return [helper = std::move(helper)](FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
    return DecodeInHelper(helper, format, path, flags);
  };
}

}  // namespace pictavo
