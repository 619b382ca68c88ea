#include "decorations/drawing.h"

#include <QFile>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

namespace pictavo::draw {

namespace {

// 96 dots per inch in dots per metre, the basis of every layer.
constexpr int kDotsPerMeter96 = 3780;

// 1 GiB of pixels: room for the frame of any camera's picture, while a text
// block sized from an absurd font size or padding fails cleanly instead of
// exhausting memory.
constexpr int64_t kMaxLayerPixels = int64_t{1} << 28;

// FreeImage keeps 32-bit pixels as B, G, R, A bytes on little-endian
// machines, which is exactly QImage's Format_ARGB32 there.
static_assert(FI_RGBA_BLUE == 0 && FI_RGBA_GREEN == 1 && FI_RGBA_RED == 2 && FI_RGBA_ALPHA == 3,
              "layer hand-off assumes FreeImage's BGRA byte order");

const QImage& Device96() {
  static const QImage device = [] {
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.setDotsPerMeterX(kDotsPerMeter96);
    image.setDotsPerMeterY(kDotsPerMeter96);
    return image;
  }();
  return device;
}

QFont RasterFont(const QFont& font) {
  QFont raster = At96Dpi(font);
  raster.setStyleStrategy(QFont::NoAntialias);
  return raster;
}

QFont VectorFont(const QFont& font) {
  QFont vector = At96Dpi(font);
  vector.setStyleStrategy(QFont::PreferAntialias);
  vector.setHintingPreference(QFont::PreferNoHinting);
  return vector;
}

// One signed number; a leading run of signs multiplies out.
std::optional<double> ParseNumber(std::string_view token) {
  bool negative = false;
  size_t at = 0;
  while (at < token.size() && (token[at] == '-' || token[at] == '+')) {
    if (token[at] == '-') negative = !negative;
    ++at;
  }
  const std::string_view digits = token.substr(at);
  if (digits.empty()) return std::nullopt;
  double value = 0;
  double scale = 0;
  for (char c : digits) {
    if (c == '.' && scale == 0) {
      scale = 1;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      if (scale == 0) {
        value = value * 10 + (c - '0');
      } else {
        scale /= 10;
        value += (c - '0') * scale;
      }
    } else {
      return std::nullopt;
    }
  }
  return negative ? -value : value;
}

}  // namespace

QImage NewLayer(int width, int height, uint32_t rgba) {
  if (width <= 0 || height <= 0 || int64_t{width} * height > kMaxLayerPixels) return {};
  QImage layer(width, height, QImage::Format_ARGB32_Premultiplied);
  if (layer.isNull()) return {};
  layer.setDotsPerMeterX(kDotsPerMeter96);
  layer.setDotsPerMeterY(kDotsPerMeter96);
  layer.fill(ToColor(rgba));
  return layer;
}

QColor ToColor(uint32_t rgba) {
  return QColor(static_cast<int>(rgba & 0xFF), static_cast<int>((rgba >> 8) & 0xFF),
                static_cast<int>((rgba >> 16) & 0xFF), static_cast<int>(rgba >> 24));
}

void FillBox(QImage& layer, int x, int y, int width, int height, uint32_t rgba) {
  if (layer.isNull() || width <= 0 || height <= 0) return;
  QPainter painter(&layer);
  painter.fillRect(QRect(x, y, width, height), ToColor(rgba));
}

std::optional<QPainterPath> ParsePath(std::string_view text) {
  std::vector<std::string_view> tokens;
  size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && text[at] == ' ') ++at;
    const size_t start = at;
    while (at < text.size() && text[at] != ' ') ++at;
    if (at > start) tokens.push_back(text.substr(start, at - start));
  }

  QPainterPath path;
  QPointF cursor;
  bool started = false;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::string_view command = tokens[i];
    if (command == "Z" || command == "z") {
      if (!started) return std::nullopt;
      path.closeSubpath();
      cursor = path.currentPosition();
      continue;
    }
    if ((command != "M" && command != "l") || i + 2 >= tokens.size()) return std::nullopt;
    const std::optional<double> a = ParseNumber(tokens[i + 1]);
    const std::optional<double> b = ParseNumber(tokens[i + 2]);
    if (!a || !b) return std::nullopt;
    i += 2;
    if (command == "M") {
      cursor = QPointF(*a, *b);
      path.moveTo(cursor);
      started = true;
    } else {
      if (!started) return std::nullopt;
      cursor += QPointF(*a, *b);
      path.lineTo(cursor);
    }
  }
  if (!started) return std::nullopt;
  return path;
}

bool FillPath(QImage& layer, std::string_view pathText, uint32_t rgba) {
  const std::optional<QPainterPath> path = ParsePath(pathText);
  if (!path) return false;
  if (layer.isNull()) return true;
  QPainter painter(&layer);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(*path, ToColor(rgba));
  return true;
}

QFont At96Dpi(const QFont& font) { return QFont(font, &Device96()); }

TextSize MeasureRasterText(const QFont& font, const QString& text) {
  const QFontMetrics metrics(RasterFont(font), &Device96());
  return {metrics.horizontalAdvance(text), metrics.height()};
}

void DrawRasterText(QImage& layer, const QFont& font, int x, int y, const QString& text, uint32_t rgba) {
  if (layer.isNull()) return;
  const QFont raster = RasterFont(font);
  QPainter painter(&layer);
  painter.setRenderHint(QPainter::TextAntialiasing, false);
  painter.setCompositionMode(QPainter::CompositionMode_Source);
  painter.setFont(raster);
  painter.setPen(ToColor(rgba));
  painter.drawText(x, y + QFontMetrics(raster, &layer).ascent(), text);
}

double VectorTextWidth(const QFont& font, const QString& text) {
  return QFontMetricsF(VectorFont(font), &Device96()).horizontalAdvance(text);
}

void DrawVectorText(QImage& layer, const QFont& font, int x, int y, const QString& text, uint32_t rgba) {
  if (layer.isNull()) return;
  const QFont vector = VectorFont(font);
  QPainterPath path;
  path.addText(QPointF(x, y + QFontMetricsF(vector, &Device96()).ascent()), vector, text);
  QPainter painter(&layer);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillPath(path, ToColor(rgba));
}

QRect InkBounds(const QFont& font, const QString& text, bool vector) {
  const TextSize cell = MeasureRasterText(font, text);
  const int width = std::max(cell.width, static_cast<int>(std::ceil(VectorTextWidth(font, text))));
  // No glyph reaches further than a line height past its cell.
  const int margin = std::max(cell.height, 8);
  QImage scratch = NewLayer(width + 2 * margin, cell.height + 2 * margin);
  if (scratch.isNull()) return {};
  if (vector) DrawVectorText(scratch, font, margin, margin, text, 0xFFFFFFFFu);
  else DrawRasterText(scratch, font, margin, margin, text, 0xFFFFFFFFu);
  int left = scratch.width(), top = scratch.height(), right = -1, bottom = -1;
  for (int y = 0; y < scratch.height(); ++y) {
    const QRgb* line = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
    for (int x = 0; x < scratch.width(); ++x) {
      if (qAlpha(line[x]) == 0) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return {};
  return QRect(QPoint(left - margin, top - margin), QPoint(right - margin, bottom - margin));
}

void DrawLayer(QImage& target, const QImage& source, int opacity, PixelFilter filter) {
  if (target.isNull() || source.isNull()) return;
  QImage filtered;
  if (filter) {
    filtered = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < filtered.height(); ++y) {
      QRgb* line = reinterpret_cast<QRgb*>(filtered.scanLine(y));
      for (int x = 0; x < filtered.width(); ++x) line[x] = filter(line[x]);
    }
  }
  QPainter painter(&target);
  painter.setOpacity(std::clamp(opacity, 0, 255) / 255.0);
  painter.drawImage(0, 0, filter ? filtered : source);
}

QRgb GreyscalePixel(QRgb pixel) {
  const int grey = (77 * qRed(pixel) + 150 * qGreen(pixel) + 29 * qBlue(pixel)) >> 8;
  return qRgba(grey, grey, grey, qAlpha(pixel));
}

QImage ReadPicture(const std::string& path) {
  QImageReader reader(QFile::decodeName(QByteArray::fromStdString(path)));
  return reader.read();
}

Bitmap ToBitmap(const QImage& layer) {
  if (layer.isNull()) return nullptr;
  // FreeImage composites with straight alpha.
  QImage straight = layer.convertToFormat(QImage::Format_ARGB32);
  if (straight.isNull()) return nullptr;
  return Bitmap(FreeImage_ConvertFromRawBits(straight.bits(), straight.width(), straight.height(),
                                             static_cast<int>(straight.bytesPerLine()), 32, FI_RGBA_RED_MASK,
                                             FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, TRUE));
}

}  // namespace pictavo::draw
