// Naming and showing colours in the preferences window.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>

namespace pictavo {

// The name of a colour text: one of the named colours ("Red" for "ff0000")
// in the interface language, or "Color #RRGGBB".
std::string ColorName(const std::string& hex);

// An image of that size filled with the colour (R + G×256 + B×65536).
QImage ColorSwatch(int32_t rgb, int width, int height);

}  // namespace pictavo
