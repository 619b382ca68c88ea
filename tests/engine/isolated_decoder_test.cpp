// Decoding in the helper process: the bitmap that comes back is the one
// FreeImage made in the helper, down to the last metadata tag; whatever the
// helper does wrong costs that decode and nothing else.
#include "engine/isolated_decoder.h"

#include <FreeImage.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "decode/wire.h"
#include "engine/convert.h"
#include "engine/formats.h"
#include "engine/helper_process.h"
#include "tools/dng_writer.h"
#include "tests/support/temp_dir.h"

namespace pictavo {
namespace {

namespace fs = std::filesystem;

uint64_t Hash(const void* data, size_t size) {
  uint64_t hash = 1469598103934665603ull;  // FNV-1a
  for (size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<const uint8_t*>(data)[i]) * 1099511628211ull;
  return hash;
}

std::string Digest(const void* data, size_t size) {
  std::ostringstream out;
  out << size << " bytes #" << std::hex << Hash(data, size);
  return out.str();
}

// Everything FreeImage keeps about a bitmap, one property a line, so that a
// difference shows as the line that differs.
std::string Fingerprint(FIBITMAP* dib) {
  if (!dib) return "none";
  std::ostringstream out;
  const BITMAPINFOHEADER& info = *FreeImage_GetInfoHeader(dib);
  out << "type " << FreeImage_GetImageType(dib) << ", " << info.biWidth << "x" << info.biHeight << ", bpp "
      << info.biBitCount << ", pitch " << FreeImage_GetPitch(dib) << ", masks " << std::hex
      << FreeImage_GetRedMask(dib) << "/" << FreeImage_GetGreenMask(dib) << "/" << FreeImage_GetBlueMask(dib)
      << std::dec << "\n";
  out << "header " << info.biSize << " " << info.biPlanes << " " << info.biCompression << " " << info.biSizeImage
      << " " << info.biXPelsPerMeter << " " << info.biYPelsPerMeter << " " << info.biClrUsed << " "
      << info.biClrImportant << "\n";
  if (RGBQUAD* palette = FreeImage_GetPalette(dib))
    out << "palette " << Digest(palette, FreeImage_GetColorsUsed(dib) * sizeof(RGBQUAD)) << "\n";
  out << "transparent " << FreeImage_IsTransparent(dib) << ", count " << FreeImage_GetTransparencyCount(dib)
      << ", table " << Digest(FreeImage_GetTransparencyTable(dib), 256) << "\n";
  RGBQUAD background{};
  if (FreeImage_GetBackgroundColor(dib, &background))
    out << "background " << int{background.rgbRed} << "," << int{background.rgbGreen} << "," << int{background.rgbBlue}
        << " index " << int{background.rgbReserved} << "\n";
  const FIICCPROFILE* icc = FreeImage_GetICCProfile(dib);
  out << "icc flags " << icc->flags << ", " << Digest(icc->data, icc->data ? icc->size : 0) << "\n";
  out << "pixels " << Digest(FreeImage_GetBits(dib), size_t{FreeImage_GetPitch(dib)} * info.biHeight) << "\n";
  for (int model = FIMD_COMMENTS; model <= FIMD_EXIF_RAW; ++model) {
    if (FreeImage_GetMetadataCount(static_cast<FREE_IMAGE_MDMODEL>(model), dib) == 0) continue;
    FITAG* tag = nullptr;
    FIMETADATA* search = FreeImage_FindFirstMetadata(static_cast<FREE_IMAGE_MDMODEL>(model), dib, &tag);
    if (!search) continue;
    do {
      const char* description = FreeImage_GetTagDescription(tag);
      out << "tag " << model << " " << FreeImage_GetTagKey(tag) << " (" << (description ? description : "-")
          << ") id " << FreeImage_GetTagID(tag) << " type " << FreeImage_GetTagType(tag) << " count "
          << FreeImage_GetTagCount(tag) << " value " << Digest(FreeImage_GetTagValue(tag), FreeImage_GetTagLength(tag))
          << "\n";
    } while (FreeImage_FindNextMetadata(search, &tag));
    FreeImage_FindCloseMetadata(search);
  }
  if (FIBITMAP* thumbnail = FreeImage_GetThumbnail(dib)) out << "thumbnail {\n" << Fingerprint(thumbnail) << "}\n";
  return out.str();
}

Bitmap LoadInProcess(FREE_IMAGE_FORMAT format, const std::string& path, int flags) {
  return Bitmap(FreeImage_Load(format, path.c_str(), flags));
}

// An executable shell script standing in for the helper.
std::string FakeHelper(const test::TempDir& dir, const std::string& name, const std::string& body) {
  const std::string path = dir.file(name);
  test::WriteFile(path, "#!/bin/sh\n" + body + "\n");
  chmod(path.c_str(), 0755);
  return path;
}

// A stand-in that runs the real helper and then `after` (shell commands that
// may look at the result file, descriptor 3), ending with the helper's
// status. The real helper gets no counter to report through (4>&-): the
// program takes the result when the wrapper ends.
std::string WrappedHelper(const test::TempDir& dir, const std::string& name, const std::string& after) {
  return FakeHelper(dir, name,
                    "'" + DefaultHelperSettings().executable + "' \"$1\" \"$2\" \"$3\" $$ \"$5\" 4>&-\nstatus=$?\n" +
                        after + "\nexit $status");
}

size_t SharedPixelMappings() {
  std::ifstream maps("/proc/self/maps");
  size_t count = 0;
  for (std::string line; std::getline(maps, line);) count += line.find("memfd:pictavo-decode") != std::string::npos;
  return count;
}

// ---------------------------------------------------------------------------
// Every property of a decoded bitmap crosses over. Formats other than RAW and
// JPEG are used where only they give a property (palettes, transparency,
// types beyond 8 bits a channel): the helper runs any FreeImage decoder.

struct Sample {
  const char* name;
  FREE_IMAGE_FORMAT format;
  int loadFlags;
  Bitmap picture;
  std::vector<std::string> shows;  // what the decode must carry for the case to prove anything
};

Bitmap Pattern(FREE_IMAGE_TYPE type, int width, int height, int bpp, unsigned red = 0, unsigned green = 0,
               unsigned blue = 0) {
  Bitmap dib(FreeImage_AllocateT(type, width, height, bpp, red, green, blue));
  for (int y = 0; y < height; ++y) {
    BYTE* row = FreeImage_GetScanLine(dib.get(), y);
    for (unsigned x = 0; x < FreeImage_GetLine(dib.get()); ++x) row[x] = static_cast<BYTE>(x * 7 + y * 13);
  }
  if (RGBQUAD* palette = FreeImage_GetPalette(dib.get()))
    for (unsigned i = 0; i < FreeImage_GetColorsUsed(dib.get()); ++i)
      palette[i] = {BYTE(i * 3), BYTE(255 - i), BYTE(i * 11), 0};
  return dib;
}

void AddTag(FIBITMAP* dib, FREE_IMAGE_MDMODEL model, const char* key, FREE_IMAGE_MDTYPE type, const std::string& value) {
  FITAG* tag = FreeImage_CreateTag();
  FreeImage_SetTagKey(tag, key);
  FreeImage_SetTagType(tag, type);
  FreeImage_SetTagCount(tag, static_cast<DWORD>(value.size()));
  FreeImage_SetTagLength(tag, static_cast<DWORD>(value.size()));
  FreeImage_SetTagValue(tag, value.data());
  FreeImage_SetMetadata(model, dib, key, tag);
  FreeImage_DeleteTag(tag);
}

// A minimal Exif block: one IFD with the camera maker.
std::string ExifBlock() {
  const char tiff[] = "II*\0\x08\0\0\0"           // header, IFD at 8
                      "\x01\0"                     // one entry
                      "\x0F\x01\x02\0\x08\0\0\0"  // Make, ASCII, 8 characters
                      "\x1A\0\0\0"                 // at offset 26
                      "\0\0\0\0"                   // no next IFD
                      "Pictavo";
  return std::string("Exif\0\0", 6) + std::string(tiff, sizeof tiff);
}

std::vector<Sample> Samples() {
  std::vector<Sample> samples;

  Bitmap indexed = Pattern(FIT_BITMAP, 33, 17, 8);
  BYTE alpha[5] = {0, 64, 128, 200, 255};
  FreeImage_SetTransparencyTable(indexed.get(), alpha, 5);
  RGBQUAD background{30, 20, 10, 0};
  FreeImage_SetBackgroundColor(indexed.get(), &background);
  FreeImage_SetDotsPerMeterX(indexed.get(), 3937);
  FreeImage_SetDotsPerMeterY(indexed.get(), 2000);
  FreeImage_SetMetadataKeyValue(FIMD_COMMENTS, indexed.get(), "Title", "Lighthouse");
  samples.push_back({"8-bit palette, transparency, background, resolution, comment", FIF_PNG, 0, std::move(indexed),
                     {"count 5", "background", " 3937 2000 ", "tag 0 Title"}});
  samples.push_back({"4-bit palette", FIF_PNG, 0, Pattern(FIT_BITMAP, 31, 9, 4), {"bpp 4", "palette 64 bytes"}});
  samples.push_back({"1-bit palette", FIF_PNG, 0, Pattern(FIT_BITMAP, 45, 7, 1), {"bpp 1", "palette 8 bytes"}});
  samples.push_back({"16-bit RGBA", FIF_PNG, 0, Pattern(FIT_RGBA16, 21, 11, 64), {"type 10,"}});
  samples.push_back({"16-bit grey", FIF_PNG, 0, Pattern(FIT_UINT16, 23, 5, 16), {"type 2,"}});

  Bitmap deep = Pattern(FIT_RGB16, 19, 13, 48);
  std::string profile(600, '\0');
  for (size_t i = 0; i < profile.size(); ++i) profile[i] = static_cast<char>(i * 31);
  FreeImage_CreateICCProfile(deep.get(), profile.data(), static_cast<long>(profile.size()));
  samples.push_back({"48-bit RGB with an ICC profile", FIF_TIFF, 0, std::move(deep), {"type 9,", "600 bytes"}});
  samples.push_back({"32-bit float", FIF_TIFF, 0, Pattern(FIT_FLOAT, 17, 3, 32), {"type 6,"}});
  samples.push_back({"16-bit 5-6-5 with masks", FIF_BMP, 0,
                     Pattern(FIT_BITMAP, 27, 6, 16, FI16_565_RED_MASK, FI16_565_GREEN_MASK, FI16_565_BLUE_MASK),
                     {"masks f800/7e0/1f"}});

  Bitmap photo = Pattern(FIT_BITMAP, 64, 48, 24);
  Bitmap thumbnail = Pattern(FIT_BITMAP, 16, 12, 24);
  FreeImage_SetThumbnail(photo.get(), thumbnail.get());
  FreeImage_SetMetadataKeyValue(FIMD_COMMENTS, photo.get(), "Comment", "Harbour at dawn");
  FreeImage_SetMetadataKeyValue(FIMD_XMP, photo.get(), "XMLPacket", "<x:xmpmeta xmlns:x='adobe:ns:meta/'/>");
  FreeImage_SetMetadataKeyValue(FIMD_IPTC, photo.get(), "Headline", "Harbour");
  AddTag(photo.get(), FIMD_EXIF_RAW, "ExifRaw", FIDT_BYTE, ExifBlock());
  samples.push_back({"JPEG with thumbnail, comment, XMP, IPTC and Exif", FIF_JPEG, JPEG_ACCURATE | JPEG_EXIFROTATE,
                     std::move(photo),
                     {"thumbnail {", "tag 0 Comment", "tag 7 XMLPacket", "tag 6 Headline", "tag 1 Make",
                      "tag 11 ExifRaw"}});
  return samples;
}

TEST(HelperDecode, RebuildsEveryPropertyOfTheDecodedBitmap) {
  test::TempDir dir;
  for (Sample& sample : Samples()) {
    const std::string path = dir.file("sample");
    ASSERT_TRUE(FreeImage_Save(sample.format, sample.picture.get(), path.c_str(), 0)) << sample.name;
    const std::string expected = Fingerprint(LoadInProcess(sample.format, path, sample.loadFlags).get());
    for (const std::string& shown : sample.shows)
      ASSERT_NE(expected.find(shown), std::string::npos) << sample.name << " lacks " << shown << ":\n" << expected;

    Decoded decoded = DecodeInHelper(DefaultHelperSettings(), sample.format, path, sample.loadFlags);
    EXPECT_FALSE(decoded.decoderFailed) << sample.name;
    EXPECT_EQ(Fingerprint(decoded.image.get()), expected) << sample.name;
  }
}

// ---------------------------------------------------------------------------
// The helper's side is distrusted: crashes, hangs and results that do not hold
// together fail the decode and leave the program as it was.

TEST(HelperDecode, ACrashAHangOrAMissingHelperFailsTheDecode) {
  test::TempDir dir;
  const std::string input = dir.file("photo.nef");
  test::WriteFile(input, "not a photograph");
  const std::string pidFile = dir.file("helper.pid");

  struct Case {
    const char* name;
    std::string executable;
  };
  const Case cases[] = {
      {"crash", FakeHelper(dir, "crash", "kill -SEGV $$")},
      {"abort", FakeHelper(dir, "abort", "kill -ABRT $$")},
      {"error status", FakeHelper(dir, "error", "exit 1")},
      {"ends without a result", FakeHelper(dir, "silent", "exit 0")},
      {"garbage result", FakeHelper(dir, "garbage", "head -c 70000 /dev/urandom >&3")},
      {"hang", FakeHelper(dir, "hang", "echo $$ > '" + pidFile + "'\nexec sleep 30")},
      {"missing helper", dir.file("no-such-helper")},
  };
  for (const Case& c : cases) {
    HelperSettings helper = DefaultHelperSettings();
    helper.executable = c.executable;
    helper.timeout = std::chrono::milliseconds(500);
    const auto start = std::chrono::steady_clock::now();
    const Decoded decoded = DecodeInHelper(helper, FIF_RAW, input, 0);
    EXPECT_TRUE(decoded.decoderFailed) << c.name;
    EXPECT_EQ(decoded.image, nullptr) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << c.name << " was waited for";
  }
  // The hanging helper was killed, not left behind.
  const pid_t hung = std::atoi(test::ReadFile(pidFile).c_str());
  ASSERT_GT(hung, 0);
  EXPECT_NE(kill(hung, 0), 0);
}

TEST(HelperDecode, NoPictureIsAPlainNullAndNoFailure) {
  test::TempDir dir;
  const std::string text = dir.file("notes.nef");
  test::WriteFile(text, "a shopping list, not a photograph");
  const Decoded none = DecodeInHelper(DefaultHelperSettings(), FIF_RAW, text, RAW_PREVIEW);
  EXPECT_EQ(none.image, nullptr);
  EXPECT_FALSE(none.decoderFailed);
  // Folders and missing files never reach the helper.
  for (const std::string& path : {dir.path(), dir.file("missing.nef")}) {
    const Decoded skipped = DecodeInHelper(DefaultHelperSettings(), FIF_RAW, path, 0);
    EXPECT_EQ(skipped.image, nullptr) << path;
    EXPECT_FALSE(skipped.decoderFailed) << path;
  }
}

// The result the real helper leaves for `input`, and the picture it gives.
std::pair<std::string, Bitmap> CaptureResult(const test::TempDir& dir, const std::string& input) {
  const std::string captured = dir.file("result");
  HelperSettings capture = DefaultHelperSettings();
  capture.executable = WrappedHelper(dir, "capture", "cat /proc/self/fd/3 > '" + captured + "'");
  Decoded original = DecodeInHelper(capture, FIF_RAW, input, RAW_DISPLAY);
  return {test::ReadFile(captured), std::move(original.image)};
}

// A genuine result of the helper, captured and then damaged field by field.
TEST(HelperDecode, AResultThatDoesNotHoldTogetherIsRefused) {
  test::TempDir dir;
  const std::string input = dir.file("photo.dng");
  ASSERT_TRUE(dng::WriteDng(input, {}));
  const auto [genuine, picture] = CaptureResult(dir, input);
  ASSERT_NE(picture, nullptr);
  ASSERT_GT(genuine.size(), sizeof(wire::Prelude));

  HelperSettings replay = DefaultHelperSettings();
  const std::string result = dir.file("replayed");
  replay.executable = FakeHelper(dir, "replay", "cat '" + result + "' >&3");
  auto decodeReplayed = [&](const std::string& bytes) {
    test::WriteFile(result, bytes);
    return DecodeInHelper(replay, FIF_RAW, input, RAW_DISPLAY);
  };
  // Unchanged, the replayed result is the picture itself.
  EXPECT_EQ(Fingerprint(decodeReplayed(genuine).image.get()), Fingerprint(picture.get()));

  // Field offsets as decode/wire.h lays them out.
  const size_t description = sizeof(wire::Prelude);
  const size_t info = description + 5 * 4;
  auto patched = [&](size_t at, auto value) {
    std::string bytes = genuine;
    std::memcpy(bytes.data() + at, &value, sizeof value);
    return bytes;
  };
  wire::Prelude prelude{};
  std::memcpy(&prelude, genuine.data(), sizeof prelude);
  uint32_t pitch = 0;
  std::memcpy(&pitch, genuine.data() + description + 4, sizeof pitch);
  const std::pair<const char*, std::string> damaged[] = {
      {"no magic", patched(0, uint8_t{'X'})},
      {"unknown outcome", patched(offsetof(wire::Prelude, outcome), uint32_t{7})},
      {"pixels past the end", patched(offsetof(wire::Prelude, pixelSize), prelude.pixelSize + 1)},
      {"pixels off their alignment", patched(offsetof(wire::Prelude, pixelOffset), prelude.pixelOffset + 8)},
      {"description past the end", patched(offsetof(wire::Prelude, descriptionSize), uint64_t{genuine.size()})},
      {"bytes after the description", patched(offsetof(wire::Prelude, descriptionSize), prelude.descriptionSize + 1)},
      {"cut short", genuine.substr(0, description + 30)},
      {"unknown image type", patched(description, uint32_t{99})},
      {"pitch FreeImage would not use", patched(description + 4, pitch + 4)},
      {"wider than its pixels", patched(info + 4, int32_t{1 << 20})},
      {"depth the type cannot have", patched(info + 14, uint16_t{7})},
      {"palette on a 24-bit picture", patched(info + 40, uint32_t{5})},
  };
  for (const auto& [name, bytes] : damaged) {
    const Decoded decoded = decodeReplayed(bytes);
    EXPECT_TRUE(decoded.decoderFailed) << name;
    EXPECT_EQ(decoded.image, nullptr) << name;
  }

  // Sizes that fit a sparse file of tebibytes (the helper's blocks live
  // above 1 TiB) but no real picture: refused before anything is allocated
  // or mapped.
  HelperSettings sparse = DefaultHelperSettings();
  sparse.executable = FakeHelper(dir, "sparse", "cat '" + result + "' >&3\ntruncate -s 3T /proc/self/fd/3");
  const std::pair<const char*, std::string> huge[] = {
      {"two-tebibyte description", patched(offsetof(wire::Prelude, descriptionSize), uint64_t{2} << 40)},
      {"two-tebibyte pixels", patched(offsetof(wire::Prelude, pixelSize), uint64_t{2} << 40)},
  };
  for (const auto& [name, bytes] : huge) {
    test::WriteFile(result, bytes);
    const Decoded decoded = DecodeInHelper(sparse, FIF_RAW, input, RAW_DISPLAY);
    EXPECT_TRUE(decoded.decoderFailed) << name;
    EXPECT_EQ(decoded.image, nullptr) << name;
  }
}

// A helper that reports its result complete is not waited for while it
// ends, and is ended and collected afterwards.
TEST(HelperDecode, AHelperThatReportedIsNotWaitedFor) {
  test::TempDir dir;
  const std::string input = dir.file("photo.dng");
  ASSERT_TRUE(dng::WriteDng(input, {}));
  const auto [genuine, picture] = CaptureResult(dir, input);
  ASSERT_NE(picture, nullptr);
  const std::string result = dir.file("replayed");
  test::WriteFile(result, genuine);
  const std::string pidFile = dir.file("pid");
  HelperSettings lingering = DefaultHelperSettings();
  lingering.timeout = std::chrono::seconds(30);
  lingering.executable = FakeHelper(dir, "linger",
                                    "echo $$ > '" + pidFile + "'\ncat '" + result + "' >&3\n"
                                    "printf '\\001\\000\\000\\000\\000\\000\\000\\000' >&4\nexec sleep 300");

  const auto start = std::chrono::steady_clock::now();
  const Decoded decoded = DecodeInHelper(lingering, FIF_RAW, input, RAW_DISPLAY);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20)) << "the helper's end was waited for";
  EXPECT_EQ(Fingerprint(decoded.image.get()), Fingerprint(picture.get()));
  const pid_t helper = std::atoi(test::ReadFile(pidFile).c_str());
  ASSERT_GT(helper, 0);
  EXPECT_EQ(kill(helper, 0), 0) << "still ending, as far as the program is concerned";

  ReapFinishedHelpers(true);
  EXPECT_NE(kill(helper, 0), 0) << "left behind";
}

// A large picture is decoded straight into the shared file and handed over
// where it lies; a small one is copied in after the description. Either way
// the file the program keeps mapped holds the picture and little else.
TEST(HelperDecode, LargePicturesAreHandedOverWithoutACopy) {
  test::TempDir dir;
  const std::string prelude = dir.file("prelude");
  const std::string allocated = dir.file("allocated");
  HelperSettings watched = DefaultHelperSettings();
  watched.executable = WrappedHelper(dir, "watch",
                                     "head -c " + std::to_string(sizeof(wire::Prelude)) + " /proc/self/fd/3 > '" +
                                         prelude + "'\nstat -L -c '%b %B' /proc/self/fd/3 > '" + allocated + "'");
  dng::DngOptions large;
  large.width = 1200;
  large.height = 800;
  const std::string largeDng = dir.file("large.dng");
  const std::string smallDng = dir.file("small.dng");
  ASSERT_TRUE(dng::WriteDng(largeDng, large));
  ASSERT_TRUE(dng::WriteDng(smallDng, {}));

  for (const bool isLarge : {true, false}) {
    const std::string& input = isLarge ? largeDng : smallDng;
    const Decoded decoded = DecodeInHelper(watched, FIF_RAW, input, RAW_DEFAULT);
    ASSERT_NE(decoded.image, nullptr) << input;
    EXPECT_EQ(Fingerprint(decoded.image.get()), Fingerprint(LoadInProcess(FIF_RAW, input, RAW_DEFAULT).get()));

    wire::Prelude header{};
    const std::string bytes = test::ReadFile(prelude);
    ASSERT_EQ(bytes.size(), sizeof header);
    std::memcpy(&header, bytes.data(), sizeof header);
    const uint64_t pictureBytes = uint64_t{FreeImage_GetPitch(decoded.image.get())} * FreeImage_GetHeight(decoded.image.get());
    EXPECT_EQ(header.pixelSize, pictureBytes);
    if (isLarge)
      EXPECT_GE(header.pixelOffset, wire::kSharedBlocksOffset) << "a large picture was copied";
    else
      EXPECT_LT(header.pixelOffset, wire::kSharedBlocksOffset) << "a small picture left in a block";

    uint64_t blocks = 0, blockSize = 0;
    std::istringstream(test::ReadFile(allocated)) >> blocks >> blockSize;
    ASSERT_GT(blockSize, 0u);
    EXPECT_LE(blocks * blockSize, pictureBytes + (uint64_t{1} << 20)) << "memory of the decoder's other blocks kept";
  }
}

TEST(HelperDecode, SharedPixelsLiveExactlyAsLongAsTheirBitmap) {
  test::TempDir dir;
  const std::string input = dir.file("photo.dng");
  ASSERT_TRUE(dng::WriteDng(input, {}));
  const size_t before = SharedPixelMappings();
  Bitmap image = DecodeInHelper(DefaultHelperSettings(), FIF_RAW, input, RAW_DEFAULT).image;
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(SharedPixelMappings(), before + 1);
  const std::string pixels = Fingerprint(image.get());

  // A step that makes a new bitmap lets go of the shared pixels with the old one.
  image = Bitmap(FreeImage_Clone(image.get()));
  EXPECT_EQ(SharedPixelMappings(), before);
  EXPECT_EQ(Fingerprint(image.get()), pixels);
}

// A DNG whose full decode needs about 200 MiB.
bool WriteTwelveMegapixels(const std::string& path) {
  dng::DngOptions options;
  options.width = 4000;
  options.height = 3000;
  return dng::WriteDng(path, options);
}

TEST(HelperDecode, MemoryBeyondTheLimitGivesNoPicture) {
  test::TempDir dir;
  const std::string small = dir.file("small.dng");
  const std::string large = dir.file("large.dng");
  ASSERT_TRUE(dng::WriteDng(small, {}));
  ASSERT_TRUE(WriteTwelveMegapixels(large));

  // A full decode of twelve megapixels needs about 200 MiB; a small one fits
  // in half of that with the program's libraries loaded.
  HelperSettings tight = DefaultHelperSettings();
  tight.memoryLimit = uint64_t{100} << 20;
  EXPECT_NE(DecodeInHelper(tight, FIF_RAW, small, RAW_DEFAULT).image, nullptr);
  EXPECT_EQ(DecodeInHelper(tight, FIF_RAW, large, RAW_DEFAULT).image, nullptr);
  EXPECT_NE(DecodeInHelper(DefaultHelperSettings(), FIF_RAW, large, RAW_DEFAULT).image, nullptr);
}

// A process that decodes in itself (a console run's copy of the program)
// does so under the address-space limit, which counts its own mappings too,
// and has it lifted again afterwards; it tells the program as each decode
// starts and ends. Under AddressSanitizer there is no limit: the sanitizer's
// shadow memory alone exceeds any.
TEST(DecoderInThisProcess, DecodesUnderTheLimitAndCountsItsPhases) {
  test::TempDir dir;
  const std::string small = dir.file("small.dng");
  const std::string large = dir.file("large.dng");
  ASSERT_TRUE(dng::WriteDng(small, {}));
  ASSERT_TRUE(WriteTwelveMegapixels(large));
  std::istringstream status(test::ReadFile("/proc/self/status"));
  uint64_t ownKiB = 0;
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmSize:", 0) == 0) ownKiB = std::stoull(line.substr(7));
  ASSERT_GT(ownKiB, 0u);
  rlimit before{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &before), 0);

  const HelperFd phases(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
  HelperSettings tight = DefaultHelperSettings();
  tight.memoryLimit = (ownKiB << 10) + (uint64_t{100} << 20);
  const Decoder decode = DecoderInThisProcess(tight, phases.get());
  EXPECT_NE(decode(FIF_RAW, small, RAW_DEFAULT).image, nullptr);
#if defined(__SANITIZE_ADDRESS__)
  EXPECT_NE(decode(FIF_RAW, large, RAW_DEFAULT).image, nullptr);
#else
  EXPECT_EQ(decode(FIF_RAW, large, RAW_DEFAULT).image, nullptr);
#endif
  uint64_t counted = 0;
  ASSERT_EQ(read(phases.get(), &counted, sizeof counted), static_cast<ssize_t>(sizeof counted));
  EXPECT_EQ(counted, 4u);

  rlimit after{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &after), 0);
  EXPECT_EQ(after.rlim_cur, before.rlim_cur);
  EXPECT_EQ(after.rlim_max, before.rlim_max);
  EXPECT_NE(DecodeWithFreeImage(FIF_RAW, large, RAW_DEFAULT), nullptr);
}

TEST(HelperDecode, TimeLimitComesFromTheEnvironmentWhenSane) {
  const std::pair<const char*, std::chrono::milliseconds> cases[] = {
      {"5", std::chrono::seconds(5)}, {"0", std::chrono::seconds(60)}, {"5s", std::chrono::seconds(60)}};
  for (const auto& [text, expected] : cases) {
    setenv("PICTAVO_DECODE_TIMEOUT", text, 1);
    EXPECT_EQ(DefaultHelperSettings().timeout, expected) << '"' << text << '"';
  }
  unsetenv("PICTAVO_DECODE_TIMEOUT");
  EXPECT_EQ(DefaultHelperSettings().timeout, std::chrono::seconds(60));
  EXPECT_EQ(fs::path(DefaultHelperSettings().executable).filename(), "pictavo-decode");
}

// ---------------------------------------------------------------------------
// Loading with the isolated decoder.

TEST(LoadImage, GivesUpOnAFileThatTookTheDecoderDown) {
  test::TempDir dir;
  const std::string path = dir.file("photo.nef");
  test::WriteFile(path, std::string(2000, 'x'));
  std::vector<FREE_IMAGE_FORMAT> calls;
  SetDecoder([&](FREE_IMAGE_FORMAT format, const std::string&, int) {
    calls.push_back(format);
    Decoded failed;
    failed.decoderFailed = true;
    return failed;
  });
  Settings settings;
  EXPECT_EQ(LoadImage(settings, path), nullptr);  // not its bytes as headerless pixels either
  EXPECT_EQ(calls, std::vector<FREE_IMAGE_FORMAT>{FIF_RAW});
  // A file read as headerless pixels by choice never meets the decoder.
  settings.input.rawLoadAs = 2;
  EXPECT_NE(LoadImage(settings, path), nullptr);
  SetDecoder(nullptr);
}

// The PNG the program writes is the same byte for byte whether the decoders
// ran in the program or in the helper, in every RAW load mode.
class SameOutputEitherWay : public ::testing::TestWithParam<int> {
 protected:
  void TearDown() override { SetDecoder(nullptr); }

  std::string ConvertedPng(const std::string& input, bool inHelper) {
    SetDecoder(inHelper ? IsolatedDecoder() : nullptr);
    Settings settings;
    settings.input.rawLoadAs = GetParam();
    FormatTables tables;
    BuildFormatTables(tables);
    ConversionJob job;
    job.currentFile = input;
    job.outputFolder = out.path() + "/";
    job.outputExtension = "png";
    job.outputFormatId = FIF_PNG;
    job.saveFlags = SaveFlagsFor(settings, "png");
    job.keepColorDepth = 1;
    InputFiles files;
    ConversionProgress progress;
    ConversionContext context{settings, job, tables, files, progress, {}, {}, {}};
    std::string png;
    if (ConvertFile(context)) png = test::ReadFile(job.outputFile);
    fs::remove(job.outputFile);
    return png;
  }

  void ExpectSame(const std::string& input) {
    const std::string inProcess = ConvertedPng(input, false);
    ASSERT_FALSE(inProcess.empty()) << input;
    Settings settings;
    settings.input.rawLoadAs = GetParam();
    SetDecoder(nullptr);
    const std::string expected = Fingerprint(LoadImage(settings, input).get());
    EXPECT_TRUE(ConvertedPng(input, true) == inProcess) << input << ", RAW Load As " << GetParam();
    // The loaded bitmaps themselves, metadata the PNG leaves out included.
    SetDecoder(IsolatedDecoder());
    EXPECT_EQ(Fingerprint(LoadImage(settings, input).get()), expected) << input;
  }

  test::TempDir dir;
  test::TempDir out;
};

TEST_P(SameOutputEitherWay, ForDngsOfTheTestWriter) {
  dng::DngOptions plain;
  dng::DngOptions preview;
  preview.preview = dng::DngPreview::kJpeg;
  dng::DngOptions unreadable;
  unreadable.preview = dng::DngPreview::kUnreadable;
  dng::DngOptions odd;
  odd.width = 250;
  odd.height = 171;
  // Large enough for the picture to be handed over in place.
  dng::DngOptions large;
  large.width = 1200;
  large.height = 800;
  int index = 0;
  for (const dng::DngOptions& options : {plain, preview, unreadable, odd, large}) {
    const std::string path = dir.file("writer" + std::to_string(index++) + ".dng");
    ASSERT_TRUE(dng::WriteDng(path, options));
    ExpectSame(path);
  }
  const std::string jpeg = dir.file("jpeg.nef");
  test::WriteFile(jpeg, dng::MakeJpeg(dng::ColorPatches, 60, 45));
  ExpectSame(jpeg);
}

TEST_P(SameOutputEitherWay, ForTheCameraCorpus) {
  const fs::path corpus = fs::path(PICTAVO_SOURCE_DIR) / ".." / "shared" / "corpus" / "raw";
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no camera corpus at " << corpus.string();
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    ExpectSame(entry.path().string());
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryRawLoadMode, SameOutputEitherWay, ::testing::Values(0, 1, 2, 3, 4, 5));

}  // namespace
}  // namespace pictavo
