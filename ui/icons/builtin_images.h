// Pictures compiled into the program: the about box banner, the large button
// pictures and the 16 × 16 icons, as encoded PNG bytes. The data is drawn and
// written at build time by the icon generator in this folder.
#pragma once

#include <span>
#include <string_view>

namespace pictavo {

enum class BuiltInSet { Banner, Button, Icon };

struct BuiltInImage {
  BuiltInSet set;
  std::string_view name;  // "Convert", "New", ...; "Banner" for the banner
  std::span<const unsigned char> png;
};

std::span<const BuiltInImage> BuiltInImages();

}  // namespace pictavo
