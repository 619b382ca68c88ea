// The words of the command line and of profiles for every enumerated
// setting, and the numbers the settings store for them. The console run's
// debug lines print the same words.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pictavo {

// The keyword tables, numbered 0 to 21 as documented for scripts.
enum class Keywords : int {
  None = -1,
  DdsLoadAs = 0,
  RawLoadAs,
  FrameLoading,
  ToneMapping,
  Compression,  // restarts its numbers for each output format
  BmpColorTable,
  TiffColorModel,
  JpegChroma,
  JpegSaveAs,
  RotationType,
  SizeUnit,
  ResizeType,
  ResizeAlgorithm,
  Frame,
  Watermark,
  FontStyle,
  FontEffect,
  TextAlignment,
  WatermarkBoundary,
  WatermarkPosition,
  WatermarkSize,
  FileTimestamp,
};
inline constexpr int kKeywordTableCount = 22;

// Number of an upper- or lower-case word in a table; 0 when the word or the
// table is unknown. Compression words of every format are known at once.
int KeywordToNumber(Keywords table, std::string_view word);

// The word for `number`, "" when the table has none. Compression numbers
// restart for each output format, so `format` picks the format's words:
// "bmp", "tga", "exr", "png" or "tiff".
std::string NumberToKeyword(Keywords table, int number, std::string_view format = "");

// Every word of a table in number order (the compression words of `format`,
// or of all formats when it is empty), for documentation and completion.
std::vector<std::string> KeywordsOf(Keywords table, std::string_view format = "");

}  // namespace pictavo
