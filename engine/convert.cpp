#include "engine/convert.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "engine/adjust.h"
#include "engine/depth.h"
#include "engine/exif.h"
#include "engine/geometry.h"
#include "engine/helper_process.h"
#include "engine/load.h"
#include "engine/naming.h"
#include "engine/stored_png.h"
#include "base/safe_files.h"

namespace pictavo {

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  struct stat sa {}, sb {};
  if (stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// FreeImage writes through these instead of its own stdio handle, which
// closes the file without looking at the result: a write error at the last
// flush (a full disk, a file-size limit) would pass as a saved file. Every
// write here is checked, and any failure fails the save.
class CheckedWriter {
 public:
  explicit CheckedWriter(PendingFile& file) : file_(file) { buffer_.reserve(kBufferBytes); }

  // Sends everything written through `inserter` first.
  void InsertMetadata(const PngExtras& extras) {
    inserter_.emplace(extras.exifBlock, extras.colors,
                      [this](const char* data, size_t size) { return Emit(data, size); });
  }

  static FreeImageIO Io() {
    FreeImageIO io{};
    io.read_proc = [](void*, unsigned, unsigned, fi_handle) -> unsigned { return 0; };
    io.write_proc = [](void* data, unsigned size, unsigned count, fi_handle handle) -> unsigned {
      return static_cast<CheckedWriter*>(handle)->Write(data, size, count);
    };
    io.seek_proc = [](fi_handle handle, long offset, int origin) -> int {
      return static_cast<CheckedWriter*>(handle)->Seek(offset, origin);
    };
    io.tell_proc = [](fi_handle handle) -> long { return static_cast<CheckedWriter*>(handle)->Tell(); };
    return io;
  }

  // Bytes of a file written without FreeImage.
  bool Put(const char* data, size_t size) {
    return !failed_ && (inserter_ ? inserter_->Feed(data, size) : Emit(data, size));
  }

  // True when everything written so far reached the file.
  bool Finish() { return Flush() && !failed_; }

 private:
  static constexpr size_t kBufferBytes = 256 * 1024;

  unsigned Write(const void* data, unsigned size, unsigned count) {
    const size_t bytes = size_t{size} * count;
    if (size != 0 && bytes / size != count) return 0;
    return Put(static_cast<const char*>(data), bytes) ? count : 0;
  }

  bool Emit(const char* data, size_t bytes) {
    if (failed_) return false;
    if (buffer_.size() + bytes > kBufferBytes && !Flush()) return false;
    if (bytes >= kBufferBytes) {
      if (!file_.WriteAll(data, bytes)) return Fail() != 0;
      position_ += static_cast<off_t>(bytes);
    } else {
      buffer_.append(data, bytes);
    }
    return true;
  }

  int Seek(long offset, int origin) {
    if (inserter_) inserter_->Stop();
    if (!Flush()) return -1;
    const off_t at = lseek(file_.fd(), offset, origin);
    if (at < 0) return -1;
    position_ = at;
    return 0;
  }

  long Tell() const { return static_cast<long>(position_ + static_cast<off_t>(buffer_.size())); }

  bool Flush() {
    if (failed_) return false;
    if (buffer_.empty()) return true;
    if (!file_.WriteAll(buffer_.data(), buffer_.size())) return Fail() != 0;
    position_ += static_cast<off_t>(buffer_.size());
    buffer_.clear();
    return true;
  }

  unsigned Fail() {
    failed_ = true;
    return 0;
  }

  PendingFile& file_;
  std::optional<PngMetadataInserter> inserter_;
  std::string buffer_;
  off_t position_ = 0;
  bool failed_ = false;
};

// What the saved pixels' colours are. The RAW decoder renders in sRGB; its
// 48-bit load is linear (sRGB primaries, gamma 1) until tone mapping other
// than the linear cut renders it for display, and stays so through every
// later step (grey and palette pictures included). A picture with a
// profile of its own says so itself (iCCP), and nothing is added to it.
ColorStatement ColorsOf(const Settings& settings, const ConversionJob& job, FIBITMAP* image) {
  if (FreeImage_GetICCProfile(image)->size > 0) return ColorStatement::kNone;
  const int tone = settings.input.rawToneMapping;
  const bool linearLoad = job.sourceBpp == 48 && (settings.input.rawLoadAs == RawLoadAs::HalfSize48 || settings.input.rawLoadAs == RawLoadAs::Full48);
  if (linearLoad && (tone == 0 || tone == 1)) return ColorStatement::kLinearSrgb;
  return ColorStatement::kSrgb;
}

// FreeImage writes a bitmap's metadata into the PNG: comments and XMP as
// text chunks, and the camera's EXIF date as tIME. That date is the
// camera's local time, which tIME would label UTC, so it never goes there
// (the eXIf chunk keeps it); without metadata, none goes.
void PrepareFreeImageMetadata(FIBITMAP* image, bool keepMetadata) {
  if (!keepMetadata) {
    for (int model = FIMD_COMMENTS; model <= FIMD_EXIF_RAW; ++model)
      FreeImage_SetMetadata(static_cast<FREE_IMAGE_MDMODEL>(model), image, nullptr, nullptr);
    return;
  }
  FreeImage_SetMetadata(FIMD_EXIF_MAIN, image, "DateTime", nullptr);
}

}  // namespace

std::unique_ptr<PendingFile> WriteBitmapSafely(FIBITMAP* image, int format, const std::string& path, int flags,
                                               const std::string& inputPath, const PngExtras* extras) {
  if (!image) return nullptr;
  if (!inputPath.empty() && SameFile(path, inputPath)) return nullptr;  // never overwrite the photograph

  const std::string folder = FolderOf(path);
  const std::string name = path.substr(folder.size());
  // Hidden while it is being written; removed on every way out but success,
  // an interrupting signal included. Its name keeps the start of the
  // target's, short enough for a target named at the length limit.
  auto temp = std::make_unique<PendingFile>(folder + "." + name.substr(0, 200) + ".pictavo-XXXXXX");
  if (temp->fd() < 0) return nullptr;

  CheckedWriter writer(*temp);
  if (extras && format == FIF_PNG && (!extras->exifBlock.empty() || extras->colors != ColorStatement::kNone))
    writer.InsertMetadata(*extras);
  StoredPngResult stored = StoredPngResult::kNotSuited;
  if (format == FIF_PNG)
    stored = SaveStoredPng(image, flags, [&writer](const char* data, size_t size) { return writer.Put(data, size); });
  bool saved = stored == StoredPngResult::kWritten;
  if (stored == StoredPngResult::kNotSuited) {
    FreeImageIO io = CheckedWriter::Io();
    saved = FreeImage_SaveToHandle(static_cast<FREE_IMAGE_FORMAT>(format), image, &io, &writer, flags) != FALSE;
  }
  if (!saved || !writer.Finish()) return nullptr;
  return temp;
}

bool SaveBitmapSafely(FIBITMAP* image, int format, const std::string& path, int flags, const std::string& inputPath,
                      const PngExtras* extras) {
  const std::unique_ptr<PendingFile> written = WriteBitmapSafely(image, format, path, flags, inputPath, extras);
  return written && written->Commit(path, 0666 & ~ProcessUmask());
}

bool ConvertFile(ConversionContext& context) {
  const Settings& settings = context.settings;
  ConversionJob& job = context.job;

  // The metadata is read beside the decoding, in a helper of its own.
  const bool keepMetadata = settings.advanced.keepMetadata != 0 && job.outputFormatId == FIF_PNG;
  ExifReading exif = keepMetadata ? ExifReading::Start(job.currentFile) : ExifReading();
  bool decoded = false;
  Bitmap image = LoadImage(settings, job.currentFile, &decoded);
  const int loadedWidth = image ? static_cast<int>(FreeImage_GetWidth(image.get())) : 0;
  const int loadedHeight = image ? static_cast<int>(FreeImage_GetHeight(image.get())) : 0;
  job.sourceBpp = image ? static_cast<int32_t>(FreeImage_GetBPP(image.get())) : 0;
  if (loadedWidth == 0 || loadedHeight == 0) return false;
  if (job.keepColorDepth) job.outputBpp = AutoDepth(context.tables.outputFormats, job.outputExtension, job.sourceBpp);

  // The transforming steps may drop metadata; a small placeholder keeps it
  // until the picture is final.
  Bitmap metadata(keepMetadata ? FreeImage_AllocateT(FIT_BITMAP, 10, 10, 8, 0, 0, 0) : nullptr);
  if (metadata) FreeImage_CloneMetadata(metadata.get(), image.get());

  image = RotateImage(settings, std::move(image));
  int width = image ? static_cast<int>(FreeImage_GetWidth(image.get())) : 0;
  int height = image ? static_cast<int>(FreeImage_GetHeight(image.get())) : 0;
  image = ResizeImage(settings, std::move(image), width, height);
  width = image ? static_cast<int>(FreeImage_GetWidth(image.get())) : 0;
  height = image ? static_cast<int>(FreeImage_GetHeight(image.get())) : 0;
  job.finalWidth = width;
  job.finalHeight = height;

  image = ToneMap(settings, std::move(image));
  if (image) FlipImage(settings, image.get());
  image = ApplyColorCorrection(settings, std::move(image));
  image = ApplyGreyscale(settings, std::move(image));
  image = ApplyThreshold(settings, std::move(image));
  if (context.decorations.frame) image = context.decorations.frame(std::move(image), width, height);
  if (context.decorations.watermark) image = context.decorations.watermark(std::move(image), width, height);

  image = ConvertColorDepth(job, std::move(image));
  if (image && metadata) FreeImage_CloneMetadata(image.get(), metadata.get());

  job.outputFile = BuildOutputPath(settings, job);
  // Nothing is ever written outside the output folder (and its kept
  // subfolders), whatever a mask expands to.
  if (!IsFileName(ExpandFilenameMask(settings, job))) return false;
  PngExtras extras;
  if (image) {
    PrepareFreeImageMetadata(image.get(), keepMetadata);
    // What the pixels are goes with every picture; what the camera said
    // only with the photograph it describes, not with bytes read as pixels.
    extras.colors = ColorsOf(settings, job, image.get());
    if (keepMetadata && decoded)
      extras.exifBlock = BuildExifBlock(exif.Finish(), FreeImage_GetWidth(image.get()),
                                        FreeImage_GetHeight(image.get()), extras.colors);
  }
  const std::unique_ptr<PendingFile> written =
      WriteBitmapSafely(image.get(), job.outputFormatId, job.outputFile, job.saveFlags, job.currentFile, &extras);
  // Nothing of the picture is needed while the file waits for its turn.
  image.reset();
  metadata.reset();
  if (!written || (context.commitGate && !context.commitGate())) return false;
  return written->Commit(job.outputFile, 0666 & ~ProcessUmask());
}

}  // namespace pictavo
