// The camera's metadata on its way into the PNG: the tags as the helper hands
// them over, the EXIF block rebuilt for the new file, and the chunks put into
// the PNG as it is written.
#include "engine/exif.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <FreeImage.h>
#include <exiv2/exiv2.hpp>

#include <random>

#include "engine/bitmap.h"

namespace pictavo {
namespace {

exif::Tag Ascii(uint8_t directory, uint16_t id, const std::string& text) {
  return {directory, id, 2, static_cast<uint32_t>(text.size() + 1), text + std::string(1, '\0')};
}
exif::Tag Short(uint8_t directory, uint16_t id, uint16_t value) {
  return {directory, id, 3, 1, std::string{static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}};
}
exif::Tag Rational(uint8_t directory, uint16_t id, uint32_t numerator, uint32_t denominator) {
  std::string bytes;
  exif::PutLe(bytes, numerator, 4);
  exif::PutLe(bytes, denominator, 4);
  return {directory, id, 5, 1, bytes};
}

Exiv2::ExifData Parse(const std::string& block) {
  Exiv2::ExifData data;
  Exiv2::ExifParser::decode(data, reinterpret_cast<const Exiv2::byte*>(block.data()), static_cast<uint32_t>(block.size()));
  return data;
}

std::string Value(const Exiv2::ExifData& data, const char* key) {
  const auto it = data.findKey(Exiv2::ExifKey(key));
  return it == data.end() ? std::string("(none)") : it->toString();
}

TEST(ExifBlock, TellsTheTruthAboutTheNewFile) {
  const std::vector<exif::Tag> source = {
      Ascii(exif::kMainImage, 0x010F, "Canon"),
      Ascii(exif::kMainImage, 0x0110, "PowerShot G2"),
      Short(exif::kMainImage, 0x0112, 6),          // rotated in the source
      Short(exif::kMainImage, 0x0100, 2272),       // the source's own width
      Short(exif::kMainImage, 0x0111, 1234),       // a strip offset into the source
      Rational(exif::kExif, 0x829A, 1, 52),        // exposure time
      Short(exif::kExif, 0x8827, 200),             // ISO
      Short(exif::kMainImage, 0x4746, 4),          // rating
      {exif::kExif, 0x927C, 7, 4, "abcd"},         // maker note
      Short(exif::kExif, 0xA002, 2272),            // the source's size
      Short(exif::kExif, 0xA001, 0xFFFF),          // the source's colour space: uncalibrated
      Rational(exif::kGps, 0x0002, 48, 1),         // latitude
  };
  // The colour space is the new file's: sRGB beside an sRGB chunk, none for linear light.
  EXPECT_EQ(Value(Parse(BuildExifBlock(source, 640, 480, ColorStatement::kLinearSrgb)), "Exif.Photo.ColorSpace"),
            "(none)");
  const Exiv2::ExifData data = Parse(BuildExifBlock(source, 640, 480, ColorStatement::kSrgb));
  const std::pair<const char*, const char*> expected[] = {
      {"Exif.Photo.ColorSpace", "1"},
      {"Exif.Image.Rating", "4"},
      {"Exif.Image.Make", "Canon"},
      {"Exif.Image.Model", "PowerShot G2"},
      {"Exif.Image.Orientation", "1"},
      {"Exif.Image.Software", "Pictavo 2.8"},
      {"Exif.Photo.ExposureTime", "1/52"},
      {"Exif.Photo.ISOSpeedRatings", "200"},
      {"Exif.Photo.PixelXDimension", "640"},
      {"Exif.Photo.PixelYDimension", "480"},
      {"Exif.GPSInfo.GPSLatitude", "48/1"},
      {"Exif.Image.ImageWidth", "(none)"},
      {"Exif.Image.StripOffsets", "(none)"},
      {"Exif.Photo.MakerNote", "(none)"},
  };
  for (const auto& [key, value] : expected) EXPECT_EQ(Value(data, key), value) << key;
  EXPECT_EQ(BuildExifBlock({}, 640, 480, ColorStatement::kSrgb), "");
}

TEST(ExifTags, OnlyAResultThatHoldsTogetherIsRead) {
  const std::string good = exif::WriteExifTags({Ascii(exif::kMainImage, 0x010F, "Canon"), Short(exif::kExif, 0x8827, 100)});
  std::vector<exif::Tag> tags;
  ASSERT_TRUE(exif::ReadExifTags(good, tags));
  EXPECT_EQ(tags.size(), 2u);
  auto patched = [&](size_t at, char byte) {
    std::string bytes = good;
    bytes[at] = byte;
    return bytes;
  };
  const std::pair<const char*, std::string> bad[] = {
      {"no magic", patched(0, 'X')},
      {"more tags than there are", patched(8, 3)},
      {"directory beyond GPS", patched(12, 3)},
      {"type TIFF does not have", patched(15, 13)},
      {"size that does not fit the type", patched(21, 7)},
      {"cut short", good.substr(0, good.size() - 1)},
      {"bytes after the last tag", good + "x"},
  };
  for (const auto& [name, bytes] : bad) EXPECT_FALSE(exif::ReadExifTags(bytes, tags)) << name;
}

// A real PNG as FreeImage writes it.
std::string PngOf(FIBITMAP* image) {
  FIMEMORY* memory = FreeImage_OpenMemory();
  FreeImage_SaveToMemory(FIF_PNG, image, memory, PNG_Z_NO_COMPRESSION);
  BYTE* data = nullptr;
  DWORD size = 0;
  FreeImage_AcquireMemory(memory, &data, &size);
  std::string png(reinterpret_cast<const char*>(data), size);
  FreeImage_CloseMemory(memory);
  return png;
}

struct Chunk {
  std::string type;
  bool crcRight;
};
std::vector<Chunk> ChunksOf(const std::string& png) {
  std::vector<Chunk> chunks;
  for (size_t at = 8; at + 12 <= png.size();) {
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length = (length << 8) | static_cast<uint8_t>(png[at + i]);
    if (at + 12 + length > png.size()) break;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(png.data() + at + 4), length + 4);
    uint32_t stored = 0;
    for (int i = 0; i < 4; ++i) stored = (stored << 8) | static_cast<uint8_t>(png[at + 8 + length + i]);
    chunks.push_back({png.substr(at + 4, 4), crc == stored});
    at += 12 + length;
  }
  return chunks;
}

TEST(PngMetadata, GoesBeforeThePixelsWhateverPiecesThePngArrivesIn) {
  Bitmap picture(FreeImage_Allocate(40, 30, 24));
  const std::string plain = PngOf(picture.get());
  const std::string block = BuildExifBlock({Ascii(exif::kMainImage, 0x010F, "Canon")}, 40, 30, ColorStatement::kSrgb);
  std::mt19937 random(7);
  for (const ColorStatement colors : {ColorStatement::kSrgb, ColorStatement::kLinearSrgb}) {
    std::string out;
    PngMetadataInserter inserter(block, colors, [&](const char* data, size_t size) {
      out.append(data, size);
      return true;
    });
    for (size_t at = 0; at < plain.size();) {
      const size_t piece = std::min<size_t>(1 + random() % 9000, plain.size() - at);
      ASSERT_TRUE(inserter.Feed(plain.data() + at, piece));
      at += piece;
    }
    std::vector<std::string> types;
    for (const Chunk& chunk : ChunksOf(out)) {
      EXPECT_TRUE(chunk.crcRight) << chunk.type;
      types.push_back(chunk.type);
    }
    const auto idat = std::find(types.begin(), types.end(), "IDAT");
    const auto exifChunk = std::find(types.begin(), types.end(), "eXIf");
    ASSERT_NE(exifChunk, types.end());
    EXPECT_LT(exifChunk, idat);
    EXPECT_EQ(std::count(types.begin(), idat, colors == ColorStatement::kSrgb ? "sRGB" : "gAMA"), 1);
    // The pixels are as they were.
    FIMEMORY* memory = FreeImage_OpenMemory(reinterpret_cast<BYTE*>(out.data()), static_cast<DWORD>(out.size()));
    Bitmap back(FreeImage_LoadFromMemory(FIF_PNG, memory, 0));
    FreeImage_CloseMemory(memory);
    ASSERT_TRUE(back);
    EXPECT_EQ(FreeImage_GetWidth(back.get()), 40u);
  }
  // A file that states its colours already keeps them as they are.
  EXPECT_EQ(MetadataChunks(block, ColorStatement::kSrgb, true), PngChunk("eXIf", block));
}

}  // namespace
}  // namespace pictavo
