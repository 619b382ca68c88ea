// The keyword tables of the command line: the words typed for every
// enumerated setting and the numbers they stand for.
#pragma once

#include <string>
#include <string_view>

namespace pictavo {

inline constexpr int kKeywordTableCount = 22;

// Number of an upper- or lower-case word in table `table`; 0 when the word or
// the table is unknown.
int KeywordToNumber(int table, std::string_view word);

// The word for `number`, "" when the table has none. Table 4 (compression)
// restarts its numbers for each output format, so `format` picks the group of
// words: "bmp", "tga", "exr", "png" or "tiff".
std::string NumberToKeyword(int table, int number, std::string_view format = "");

}  // namespace pictavo
