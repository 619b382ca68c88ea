// pictavo-decode FORMAT FLAGS MEMORY-LIMIT PARENT-PID PATH
//
// Decodes one file with FreeImage (Auto's photograph: engine/raw_photograph.h)
// in a process of its own, so that a decoder that corrupts memory, crashes or
// loops takes down nothing but this process.
// The program's loader (engine/isolated_decoder.cpp) is its only caller: it
// passes the FreeImage format and load flags, the address space the decode may
// use (bytes, 0 for no limit), its own process id and the file, and hands over
// the shared memory file for the result (decode/wire.h) as descriptor 3.
// Ends with status 0 once the result is complete; any other end means that
// the decode failed.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <FreeImage.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "decode/shared_heap.h"
#include "engine/raw_photograph.h"
#include "decode/wire.h"

namespace {

using pictavo::wire::Writer;

bool ParseNumber(const char* text, long long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text, &end, 10);
  return errno == 0 && end != text && *end == '\0';
}

void LimitResources(unsigned long long addressSpace) {
  // A crash leaves no core file behind: the input file reproduces it.
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  rlimit current{};
  if (addressSpace == 0 || getrlimit(RLIMIT_AS, &current) != 0) return;
  const rlim_t cap = current.rlim_max == RLIM_INFINITY ? addressSpace : std::min<rlim_t>(addressSpace, current.rlim_max);
  const rlimit limited{cap, cap};
  setrlimit(RLIMIT_AS, &limited);
}

void DescribeTags(Writer& out, FIBITMAP* dib) {
  Writer tags;
  uint32_t count = 0;
  for (int model = FIMD_COMMENTS; model <= FIMD_EXIF_RAW; ++model) {
    // A model can exist with no tag in it (FreeImage keeps the model when it
    // refuses a tag), and searching an empty one reads past its end.
    const auto mdModel = static_cast<FREE_IMAGE_MDMODEL>(model);
    if (FreeImage_GetMetadataCount(mdModel, dib) == 0) continue;
    FITAG* tag = nullptr;
    FIMETADATA* search = FreeImage_FindFirstMetadata(mdModel, dib, &tag);
    if (!search) continue;
    do {
      const char* key = FreeImage_GetTagKey(tag);
      const char* description = FreeImage_GetTagDescription(tag);
      const void* value = FreeImage_GetTagValue(tag);
      tags.Put<uint32_t>(static_cast<uint32_t>(model));
      tags.Blob(key, key ? std::strlen(key) : 0);
      tags.Put<uint8_t>(description != nullptr);
      tags.Blob(description, description ? std::strlen(description) : 0);
      tags.Put<uint16_t>(FreeImage_GetTagID(tag));
      tags.Put<uint16_t>(static_cast<uint16_t>(FreeImage_GetTagType(tag)));
      tags.Put<uint32_t>(FreeImage_GetTagCount(tag));
      tags.Put<uint32_t>(FreeImage_GetTagLength(tag));
      tags.Put<uint8_t>(value != nullptr);
      tags.Blob(value, value ? FreeImage_GetTagLength(tag) : 0);
      ++count;
    } while (FreeImage_FindNextMetadata(search, &tag));
    FreeImage_FindCloseMetadata(search);
  }
  out.Put(count);
  out.Raw(tags.bytes().data(), tags.bytes().size());
}

uint64_t PixelBytes(FIBITMAP* dib) { return uint64_t{FreeImage_GetPitch(dib)} * FreeImage_GetHeight(dib); }

// Everything about the bitmap but its pixels, in the order of decode/wire.h.
void Describe(Writer& out, FIBITMAP* dib, bool isThumbnail) {
  out.Put<uint32_t>(FreeImage_GetImageType(dib));
  out.Put<uint32_t>(FreeImage_GetPitch(dib));
  out.Put<uint32_t>(FreeImage_GetRedMask(dib));
  out.Put<uint32_t>(FreeImage_GetGreenMask(dib));
  out.Put<uint32_t>(FreeImage_GetBlueMask(dib));
  out.Put(*FreeImage_GetInfoHeader(dib));

  const RGBQUAD* palette = FreeImage_GetPalette(dib);
  const uint32_t colours = palette ? FreeImage_GetColorsUsed(dib) : 0;
  out.Put(colours);
  out.Raw(palette, colours * sizeof(RGBQUAD));

  // Only palette pictures keep a transparency flag of their own; FreeImage
  // works the others out from their type or their pixels.
  const bool palettised = FreeImage_GetImageType(dib) == FIT_BITMAP && FreeImage_GetBPP(dib) <= 8;
  out.Put<uint32_t>(palettised && FreeImage_IsTransparent(dib) ? 1 : 0);
  out.Put<uint32_t>(FreeImage_GetTransparencyCount(dib));
  out.Raw(FreeImage_GetTransparencyTable(dib), 256);

  RGBQUAD background{};
  out.Put<uint32_t>(FreeImage_GetBackgroundColor(dib, &background) ? 1 : 0);
  out.Put(background);

  const FIICCPROFILE* icc = FreeImage_GetICCProfile(dib);
  out.Put<uint16_t>(icc->flags);
  out.Blob(icc->data, icc->data && icc->size > 0 ? static_cast<uint64_t>(icc->size) : 0);

  DescribeTags(out, dib);

  FIBITMAP* thumbnail = isThumbnail ? nullptr : FreeImage_GetThumbnail(dib);
  if (thumbnail && !FreeImage_HasPixels(thumbnail)) thumbnail = nullptr;
  out.Put<uint32_t>(thumbnail ? 1 : 0);
  if (thumbnail) {
    Describe(out, thumbnail, true);
    out.Blob(FreeImage_GetBits(thumbnail), PixelBytes(thumbnail));
  }
}

bool WriteAt(int fd, const void* data, uint64_t size, uint64_t offset) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = pwrite(fd, bytes, static_cast<size_t>(size), static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<uint64_t>(written);
    offset += static_cast<uint64_t>(written);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  long long format = 0, flags = 0, memoryLimit = 0, parent = 0;
  if (argc != 6 || !ParseNumber(argv[1], format) || !ParseNumber(argv[2], flags) ||
      !ParseNumber(argv[3], memoryLimit) || memoryLimit < 0 || !ParseNumber(argv[4], parent))
    return 2;

  // Nobody wants the result once the program is gone; a hanging decode must
  // not outlive it.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) return 3;

  struct stat result {};
  if (fstat(pictavo::wire::kResultFd, &result) != 0 || !S_ISREG(result.st_mode)) return 4;

  LimitResources(static_cast<unsigned long long>(memoryLimit));
  // FreeImage's large blocks, the picture among them, are made in the result
  // file, far above where the description goes.
  pictavo::decode::StartSharedHeap(pictavo::wire::kResultFd, pictavo::wire::kSharedBlocksOffset,
                                    reinterpret_cast<const void*>(&FreeImage_AllocateT));

  // Auto's photograph may keep its pixels in memory of its own, which the
  // Bitmap holds until the result is written.
  pictavo::Bitmap photograph;
  FIBITMAP* dib = nullptr;
  if (format == FIF_RAW && flags == pictavo::kRawPhotographFlags) {
    try {
      photograph = pictavo::LoadRawPhotograph(argv[5]);
    } catch (const std::exception&) {
      return 5;  // out of memory: the decode failed
    }
  } else {
    photograph.reset(FreeImage_Load(static_cast<FREE_IMAGE_FORMAT>(format), argv[5], static_cast<int>(flags)));
  }
  // Only a header (FIF_LOAD_NOPIXELS, which loading never asks for) is no
  // picture to hand over.
  if (photograph && !FreeImage_HasPixels(photograph.get())) photograph.reset();
  dib = photograph.get();

  pictavo::wire::Prelude prelude{};
  std::memcpy(prelude.magic, pictavo::wire::kMagic, sizeof prelude.magic);
  prelude.outcome = dib ? pictavo::wire::kPicture : pictavo::wire::kNoPicture;
  Writer description;
  if (dib) {
    Describe(description, dib, false);
    prelude.pixelSize = PixelBytes(dib);
  }
  prelude.descriptionSize = description.bytes().size();
  if (prelude.descriptionSize > pictavo::wire::kSharedBlocksOffset - sizeof prelude) return 5;

  const int fd = pictavo::wire::kResultFd;
  if (!WriteAt(fd, description.bytes().data(), prelude.descriptionSize, sizeof prelude)) return 5;
  // The picture is handed over where the decoder wrote it when that is in the
  // file already; otherwise it is copied in after the description.
  uint64_t inFile = 0;
  if (dib && pictavo::decode::KeepInFile(FreeImage_GetBits(dib), prelude.pixelSize, inFile)) {
    prelude.pixelOffset = inFile;
  } else {
    const uint64_t alignment = pictavo::wire::kPixelAlignment;
    prelude.pixelOffset = (sizeof prelude + prelude.descriptionSize + alignment - 1) / alignment * alignment;
    if (dib && !WriteAt(fd, FreeImage_GetBits(dib), prelude.pixelSize, prelude.pixelOffset)) return 5;
  }
  // Freeing what the decoder allocated is where damage to the heap shows at
  // the latest, and it must show before the result counts as complete.
  photograph.reset();
  pictavo::decode::ReleaseUnkeptBlocks();
  if (!WriteAt(fd, &prelude, sizeof prelude, 0)) return 5;
  // The result is complete: the program takes it from here while this
  // process ends.
  const uint64_t done = 1;
  [[maybe_unused]] const ssize_t told = write(pictavo::wire::kDoneFd, &done, sizeof done);

  // No exit handlers: nothing here needs tidying, and a sanitizer's leak
  // report at exit would turn a complete result into a failure.
  _exit(0);
}
