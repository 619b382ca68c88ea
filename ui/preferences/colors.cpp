#include "ui/preferences/colors.h"

#include <QColor>
#include <utility>

#include "base/text_util.h"
#include "texts/language.h"

namespace pictavo {

namespace {

const std::pair<const char*, const char*> kNamedColors[] = {
    {"Black", "000000"},  {"Silver", "C0C0C0"}, {"Gray", "808080"},  {"White", "FFFFFF"}, {"Maroon", "800000"},
    {"Red", "FF0000"},    {"Purple", "800080"}, {"Fuchsia", "FF00FF"}, {"Green", "008000"}, {"Lime", "00FF00"},
    {"Olive", "808000"},  {"Yellow", "FFFF00"}, {"Navy", "000080"},  {"Blue", "0000FF"},  {"Teal", "008080"},
    {"Aqua", "00FFFF"},   {"Orange", "FF8000"}, {"Brown", "804000"},  {"Violet", "8000FF"},
};

}  // namespace

std::string ColorName(const std::string& hex) {
  const std::string upper = ToUpperAscii(hex);
  for (const auto& [name, color] : kNamedColors)
    if (upper == color) return GetText("Preferences", name);
  return GetText("Preferences", "Color") + " #" + upper;
}

QImage ColorSwatch(int32_t rgb, int width, int height) {
  QImage swatch(width, height, QImage::Format_RGB888);
  swatch.fill(QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF));
  return swatch;
}

}  // namespace pictavo
