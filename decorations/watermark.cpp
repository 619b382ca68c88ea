// The watermark: a text block or a picture rendered into a small layer,
// rotated, cut to fit, placed at one of nine positions and composited.
#include <QStringList>

#include <algorithm>
#include <optional>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "decorations/decorations.h"
#include "decorations/drawing.h"
#include "decorations/frame_sides.h"
#include "decorations/watermark_font.h"
#include "engine/naming.h"

namespace pictavo {

namespace {

// The settings that differ between the text and the picture watermark.
struct Placement {
  uint8_t boundary;
  WatermarkPosition position;
  int xOffset;
  int yOffset;
  int rotation;
};

Placement PlacementOf(const Settings& settings) {
  const Settings::Watermark& w = settings.watermark;
  if (w.doWatermark == WatermarkMode::Picture)
    return {w.imageBoundary, w.imagePosition, w.imageXOffset, w.imageYOffset, w.imageRotation};
  return {w.textBoundary, w.textPosition, w.textXOffset, w.textYOffset, w.textRotation};
}

// The area the watermark is placed in and its top-left corner in the
// picture. Offsets and frame widths are whatever the user typed, so sums are
// taken in 64 bits.
struct Area {
  int64_t x = 0;
  int64_t y = 0;
  int64_t width = 0;
  int64_t height = 0;
};

// Coordinates beyond the int range are off the picture either way.
int Saturate(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX)); }

Area AreaOf(const Settings& settings, int width, int height) {
  if (settings.frame.doFrame == 0 || PlacementOf(settings).boundary != 1) return {0, 0, width, height};
  const FrameSides s = FrameSidesOf(settings);
  return {s.left, s.top, int64_t{width} - s.left - s.right, int64_t{height} - s.top - s.bottom};
}

// The part of `list` (of lines, or of a line's characters) that can fall on
// the picture: at most `keep` of them, from the end the watermark's position
// anchors (0 the start, 1 the middle, 2 the end).
template <typename List>
List Anchored(const List& list, qsizetype keep, int anchor) {
  if (list.size() <= keep) return list;
  const qsizetype start = anchor == 0 ? 0 : anchor == 2 ? list.size() - keep : (list.size() - keep) / 2;
  return list.mid(start, keep);
}

// Nothing (the watermark cannot be drawn: no font, a block no layer can
// hold) or the block; an empty one when there is nothing to draw. Only as
// much text is laid out as can fall on a picture of `width` × `height`,
// whatever its length: every character is at least a pixel wide, every line
// a pixel high, so twice the picture's diagonal of them always covers it.
std::optional<QImage> RenderText(const Settings& settings, const ConversionJob& job, int width, int height) {
  const std::optional<QFont> font = OpenedWatermarkFont();
  if (!font) return std::nullopt;
  const Settings::Watermark& w = settings.watermark;
  const int64_t padding = w.textPadding;

  const qsizetype reach = 2 * static_cast<qsizetype>(std::hypot(width, height)) + 2;
  const int cell = static_cast<int>(PlacementOf(settings).position);  // row by row, three to a row
  const int column = cell % 3, row = std::min(cell / 3, 2);
  QString text = QString::fromUtf8(ExpandWatermarkText(settings, job));
  // Markers are taken left to right without overlapping, so "%eol%eol%"
  // is one break followed by the text "eol%".
  QStringList lines = text.split(QStringLiteral("%eol%"), Qt::KeepEmptyParts, Qt::CaseInsensitive);
  lines = Anchored(lines, reach, row);
  for (QString& line : lines) line = Anchored(line, reach, column);
  if (lines.size() == 1) text = lines.front();
  const int breaks = static_cast<int>(lines.size()) - 1;

  int64_t textWidth = 0;
  int64_t textHeight = 0;
  int64_t lineStep = 0;
  if (breaks > 0) {
    int64_t lineHeight = 10;
    textWidth = 10;
    for (const QString& line : lines) {
      const draw::TextSize size = draw::MeasureRasterText(*font, line);
      textWidth = std::max<int64_t>(textWidth, size.width);
      lineHeight = std::max<int64_t>(lineHeight, size.height);
    }
    lineStep = lineHeight + w.fontLeading;
    textHeight = lineHeight + breaks * lineStep;
  } else {
    const draw::TextSize size = draw::MeasureRasterText(*font, text);
    textWidth = size.width;
    textHeight = size.height;
  }
  // Where each line goes in the block, and how far the ink of italic text
  // leans out of it: the block grows by that much on each side where it
  // does, so nothing is cut off, and keeps its size where nothing leans out.
  const bool vector = w.textAntialiasing != 0;
  const int64_t partWidth = textWidth + 2 * padding;
  const int64_t partHeight = textHeight + 2 * padding;
  if (partWidth <= 0 || partHeight <= 0) return QImage();
  if (partWidth > INT_MAX || partHeight > INT_MAX) return std::nullopt;
  struct Line {
    QString text;
    int64_t x;  // top-left corner in the block before it grows
    int64_t y;
  };
  std::vector<Line> placed;
  if (breaks > 0) {
    int64_t y = padding;
    for (const QString& line : lines) {
      const int width = vector ? static_cast<int>(std::lround(draw::VectorTextWidth(*font, line)))
                               : draw::MeasureRasterText(*font, line).width;
      placed.push_back({line, AlignX(settings, width, static_cast<int>(partWidth)), y});
      y += lineStep;
    }
  } else {
    placed.push_back({text, padding, padding});
  }

  int64_t inkLeft = 0, inkTop = 0, inkRight = partWidth, inkBottom = partHeight;
  for (const Line& line : placed) {
    const QRect ink = draw::InkBounds(*font, line.text, vector);
    if (ink.isEmpty()) continue;
    inkLeft = std::min<int64_t>(inkLeft, line.x + ink.left());
    inkTop = std::min<int64_t>(inkTop, line.y + ink.top());
    inkRight = std::max<int64_t>(inkRight, line.x + ink.right() + 1);
    inkBottom = std::max<int64_t>(inkBottom, line.y + ink.bottom() + 1);
  }
  // A block that does not fit in an int cannot be a layer anyway.
  const int64_t fullWidth = inkRight - inkLeft;
  const int64_t fullHeight = inkBottom - inkTop;
  if (fullWidth > INT_MAX || fullHeight > INT_MAX) return std::nullopt;
  const int blockWidth = static_cast<int>(fullWidth);
  const int blockHeight = static_cast<int>(fullHeight);
  const int64_t shiftX = -inkLeft;
  const int64_t shiftY = -inkTop;

  QImage block;
  if (!w.textAntialiasing) {
    // The opacities go into the colours; the text replaces the box's pixels
    // rather than blending with them.
    const uint32_t textColor = ColorWithAlpha(w.fontColor, w.textOpacity);
    block = draw::NewLayer(blockWidth, blockHeight, ColorWithAlpha(w.backColor, w.backOpacity));
    if (block.isNull()) return {};
    for (const Line& line : placed)
      draw::DrawRasterText(block, *font, Saturate(line.x + shiftX), Saturate(line.y + shiftY), line.text, textColor);
    return block;
  }

  // Antialiased: box and text are drawn opaque on their own layers, and the
  // opacities apply when the layers are laid on top of each other.
  const QImage box = draw::NewLayer(blockWidth, blockHeight, ColorWithAlpha(w.backColor, 255));
  QImage letters = draw::NewLayer(blockWidth, blockHeight);
  block = draw::NewLayer(blockWidth, blockHeight);
  if (box.isNull() || letters.isNull() || block.isNull()) return {};
  const uint32_t textColor = ColorWithAlpha(w.fontColor, 255);
  for (const Line& line : placed)
    draw::DrawVectorText(letters, *font, Saturate(line.x + shiftX), Saturate(line.y + shiftY), line.text, textColor);
  draw::DrawLayer(block, box, w.backOpacity);
  draw::DrawLayer(block, letters, w.textOpacity);
  return block;
}

QImage RenderPicture(const Settings& settings) {
  const Settings::Watermark& w = settings.watermark;
  const QImage picture = draw::ReadPicture(w.image);
  if (picture.isNull()) return {};
  // A picture without alpha goes onto a black background of alpha 0, which
  // is the transparent layer: the rectangle then shows the picture at the
  // watermark opacity. The opacity applies in grey as well.
  QImage layer = draw::NewLayer(picture.width(), picture.height());
  if (layer.isNull()) return {};
  draw::DrawLayer(layer, picture, w.imageOpacity, w.imageGreyscale ? draw::GreyscalePixel : nullptr);
  return layer;
}

}  // namespace

uint32_t ColorWithAlpha(std::string_view hex, int alpha) {
  return static_cast<uint32_t>(ColorFromHex(hex)) | (static_cast<uint32_t>(std::clamp(alpha, 0, 255)) << 24);
}

int AlignX(const Settings& settings, int lineWidth, int blockWidth) {
  const int64_t padding = settings.watermark.textPadding;
  switch (settings.watermark.textAlignment) {
    case 0:
      return Saturate(padding);
    case 1:
      return Saturate(std::llround((int64_t{blockWidth} - lineWidth) / 2.0));
    case 2:
      return Saturate(int64_t{blockWidth} - lineWidth - padding);
    default:
      return 0;
  }
}

Bitmap CropWatermark(const Settings& settings, Bitmap watermark, int width, int height) {
  if (!watermark) return watermark;
  const Placement p = PlacementOf(settings);
  const Area area = AreaOf(settings, width, height);
  int64_t cropWidth = FreeImage_GetWidth(watermark.get());
  int64_t cropHeight = FreeImage_GetHeight(watermark.get());
  bool changed = false;
  if (cropWidth + p.xOffset > area.width) {
    cropWidth = area.width - p.xOffset;
    changed = true;
  }
  if (cropHeight + p.yOffset > area.height) {
    cropHeight = area.height - p.yOffset;
    changed = true;
  }
  if (!changed) return watermark;
  // Nothing left to show fails the copy, which leaves no watermark.
  return Bitmap(FreeImage_Copy(watermark.get(), 0, 0, Saturate(cropWidth), Saturate(cropHeight)));
}

WatermarkOrigin PlaceWatermark(const Settings& settings, int width, int height, int watermarkWidth,
                               int watermarkHeight) {
  const Placement p = PlacementOf(settings);
  const Area a = AreaOf(settings, width, height);
  const int64_t left = p.xOffset;
  const int64_t center = (a.width - watermarkWidth) / 2;
  const int64_t right = a.width - watermarkWidth - p.xOffset;
  const int64_t top = p.yOffset;
  const int64_t middle = (a.height - watermarkHeight) / 2;
  const int64_t bottom = a.height - watermarkHeight - p.yOffset;
  struct {
    int64_t x = 0;
    int64_t y = 0;
  } origin;
  switch (p.position) {
    using enum WatermarkPosition;
    case TopLeft: origin = {left, top}; break;
    case TopCenter: origin = {center, top}; break;
    case TopRight: origin = {right, top}; break;
    case MiddleLeft: origin = {left, middle}; break;
    case MiddleCenter: origin = {center, middle}; break;
    case MiddleRight: origin = {right, middle}; break;
    case BottomLeft: origin = {left, bottom}; break;
    case BottomCenter: origin = {center, bottom}; break;
    case BottomRight: origin = {right, bottom}; break;
    default: break;  // a number beyond the list in config.ini
  }
  // The boundary's corner shifts every position, the default one included.
  return {Saturate(origin.x + a.x), Saturate(origin.y + a.y)};
}

Bitmap DrawWatermark(const Settings& settings, const ConversionJob& job, Bitmap image, int width, int height) {
  const Settings::Watermark& w = settings.watermark;
  if (!WatermarkStepActive(settings) || !image) return image;
  if (FreeImage_GetBPP(image.get()) != 24) image = Bitmap(FreeImage_ConvertTo24Bits(image.get()));
  if (!image) return image;

  // A watermark that is on but cannot be drawn fails the file: a picture
  // without it is not what was asked for.
  Bitmap mark;
  if (w.doWatermark == WatermarkMode::Text) {
    const std::optional<QImage> block = RenderText(settings, job, width, height);
    if (!block) return nullptr;
    if (block->isNull()) return image;  // no text to draw
    mark = draw::ToBitmap(*block);
  } else if (w.doWatermark == WatermarkMode::Picture) {
    mark = draw::ToBitmap(RenderPicture(settings));
  }
  if (!mark) return nullptr;

  const int angle = PlacementOf(settings).rotation;
  if (angle >= 1 && angle <= 359) mark = Bitmap(FreeImage_Rotate(mark.get(), angle, nullptr));
  if (!mark) return nullptr;
  mark = CropWatermark(settings, std::move(mark), width, height);
  if (!mark) return image;

  const int markWidth = static_cast<int>(FreeImage_GetWidth(mark.get()));
  const int markHeight = static_cast<int>(FreeImage_GetHeight(mark.get()));
  const WatermarkOrigin at = PlaceWatermark(settings, width, height, markWidth, markHeight);
  const int depth = static_cast<int>(FreeImage_GetBPP(mark.get()));
  Bitmap canvas(FreeImage_AllocateT(FIT_BITMAP, width, height, depth, 0, 0, 0));
  if (!canvas) return nullptr;
  // FreeImage_Paste with an alpha of 255 still blends (every byte comes out
  // as 255/256 of itself, so opaque pixels lose their opacity); any value
  // above 255 is its plain copy. A watermark that does not fit is not
  // pasted, and a transparent canvas would change nothing.
  if (!FreeImage_Paste(canvas.get(), mark.get(), at.x, at.y, 256)) return image;
  return Bitmap(FreeImage_Composite(canvas.get(), FALSE, nullptr, image.get()));
}

}  // namespace pictavo
