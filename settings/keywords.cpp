#include "settings/keywords.h"

#include <initializer_list>
#include <utility>
#include <vector>

#include "base/text_util.h"

namespace pictavo {

namespace {

using Entry = std::pair<const char*, int>;
using Table = std::vector<Entry>;

// In the order of the Keywords enumeration.
const std::vector<Table>& Tables() {
  static const std::vector<Table> tables = {
      /* DdsLoadAs */ {{"AUTO", 0}, {"BGRA", 1}, {"RGBA", 2}},
      /* RawLoadAs */ {{"AUTO", 0}, {"8", 1}, {"16", 2}, {"24", 3}, {"48HS", 4}, {"48", 5}},
      /* FrameLoading */ {{"ALL", 0}, {"FIRST", 1}, {"MIDDLE", 2}, {"LAST", 3}, {"RANDOM", 4}},
      /* ToneMapping */ {{"NONE", 0}, {"LINEAR", 1}, {"AL", 2}, {"DRR", 3}, {"GD", 4}},
      /* Compression */
      {{"NONE", 0}, {"RLE", 1}, {"ZIP", 1}, {"PIZ", 2}, {"PXR24", 3}, {"B44", 4}, {"ZLIB1", 1}, {"ZLIB6", 2},
       {"ZLIB9", 3}, {"CCITTFAX3", 1}, {"CCITTFAX4", 2}, {"PACKBITS", 3}, {"DEFLATE", 4}, {"ADOBEDEFLATE", 5},
       {"LZW", 6}, {"JPEG", 7}, {"LOGLUV", 8}},
      /* BmpColorTable */ {{"AUTO", 0}, {"EXACT", 1}},
      /* TiffColorModel */ {{"RGB", 0}, {"CMYK", 1}, {"LAB", 2}},
      /* JpegChroma */ {{"NONE", 0}, {"LOW", 1}, {"MEDIUM", 2}, {"HIGH", 3}},
      /* JpegSaveAs */ {{"STANDARD", 0}, {"SIMPLE", 1}, {"OPTIMIZED", 2}, {"PROGRESSIVE", 3}},
      /* RotationType */ {{"SIMPLE", 0}, {"ADVANCED", 1}},
      /* SizeUnit */ {{"PIXELS", 0}, {"PERCENT", 1}},
      /* ResizeType */ {{"ALLIMAGES", 0}, {"LARGEIMAGES", 1}},
      /* ResizeAlgorithm */ {{"BOX", 0}, {"BILINEAR", 1}, {"BSPLINE", 2}, {"BICUBIC", 3}, {"CATMULLROM", 4}, {"LANCZOS", 5}},
      /* Frame */ {{"NONE", 0}, {"SOLID", 1}},
      /* Watermark */ {{"NONE", 0}, {"TEXT", 1}, {"IMAGE", 2}},
      /* FontStyle */ {{"REGULAR", 0}, {"BOLD", 1}, {"ITALIC", 2}, {"BOLDITALIC", 3}},
      /* FontEffect */ {{"NONE", 0}, {"UNDERLINE", 1}, {"STRIKETHROUGHT", 2}},
      /* TextAlignment */ {{"LEFT", 0}, {"CENTER", 1}, {"RIGHT", 2}},
      /* WatermarkBoundary */ {{"IMAGE", 0}, {"FRAME", 1}},
      /* WatermarkPosition */
      {{"TOPLEFT", 0}, {"TOPCENTER", 1}, {"TOPRIGHT", 2}, {"MIDDLELEFT", 3}, {"MIDDLECENTER", 4}, {"MIDDLERIGHT", 5},
       {"BOTTOMLEFT", 6}, {"BOTTOMCENTER", 7}, {"BOTTOMRIGHT", 8}},
      /* WatermarkSize */ {{"FIXED", 0}},
      /* FileTimestamp */ {{"CURRENT", 0}, {"ORIGINAL", 1}, {"CUSTOM", 2}},
  };
  return tables;
}

// The compression words of each format, numbered from 0 in this order.
std::vector<const char*> CompressionWords(std::string_view format) {
  if (format == "bmp" || format == "tga") return {"NONE", "RLE"};
  if (format == "exr") return {"NONE", "ZIP", "PIZ", "PXR24", "B44"};
  if (format == "png") return {"NONE", "ZLIB1", "ZLIB6", "ZLIB9"};
  if (format == "tiff")
    return {"NONE", "CCITTFAX3", "CCITTFAX4", "PACKBITS", "DEFLATE", "ADOBEDEFLATE", "LZW", "JPEG", "LOGLUV"};
  return {};
}

}  // namespace

int KeywordToNumber(Keywords table, std::string_view word) {
  const int index = static_cast<int>(table);
  if (index < 0 || index >= kKeywordTableCount) return 0;
  const std::string upper = ToUpperAscii(word);
  for (const Entry& entry : Tables()[static_cast<size_t>(index)])
    if (upper == entry.first) return entry.second;
  return 0;
}

std::string NumberToKeyword(Keywords table, int number, std::string_view format) {
  const int index = static_cast<int>(table);
  if (table == Keywords::Compression) {
    const std::vector<const char*> words = CompressionWords(format);
    if (number < 0 || number >= static_cast<int>(words.size())) return "";
    return words[static_cast<size_t>(number)];
  }
  if (index < 0 || index >= kKeywordTableCount) return "";
  for (const Entry& entry : Tables()[static_cast<size_t>(index)])
    if (entry.second == number) return entry.first;
  return "";
}

std::vector<std::string> KeywordsOf(Keywords table, std::string_view format) {
  std::vector<std::string> words;
  const int index = static_cast<int>(table);
  if (index < 0 || index >= kKeywordTableCount) return words;
  if (table == Keywords::Compression && !format.empty()) {
    for (const char* word : CompressionWords(format)) words.emplace_back(word);
    return words;
  }
  for (const Entry& entry : Tables()[static_cast<size_t>(index)]) words.emplace_back(entry.first);
  return words;
}

}  // namespace pictavo
