// The theme.cfg value lookup. Input: the section on the first line, the key
// on the second, the theme.cfg text after that.
#pragma once

#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "ui/themes.h"

namespace pictavo::fuzz {

inline std::string ThemeConfigValue(std::string_view input) {
  const std::vector<std::string> fields = SplitFields(input, 3);
  const std::string& text = fields[2];
  const std::string value = ThemeValue(text, fields[0], fields[1]);
  // A value is a piece of one line, cut at the second "=".
  if (value.find('=') != std::string::npos) return "the value runs past a second '='";
  if (value.find("\r\n") != std::string::npos) return "the value runs over a line end";
  if (text.find(value) == std::string::npos) return "the value is not part of the text";
  return "";
}

}  // namespace pictavo::fuzz
