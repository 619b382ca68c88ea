// The thin 2D drawing layer under the frame and the watermark, on Qt Gui.
//
// Layers are premultiplied 32-bit QImages at 96 dpi, so font sizes in points
// come out at the same pixel sizes everywhere (14 pt = 18.67 px). Colours are
// 32-bit values red + green * 256 + blue * 65536 + alpha * 16777216. Nothing
// here needs a GUI application except the text functions, which need the
// fonts of one (see OpenWatermarkFont).
#pragma once

#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QRect>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/bitmap.h"

namespace pictavo::draw {

// A width × height layer filled with `rgba` (0: fully transparent); a null
// image when the size is not positive or the memory is not there.
QImage NewLayer(int width, int height, uint32_t rgba = 0);

QColor ToColor(uint32_t rgba);

// Vector drawing with a solid colour, blended over what is there.
void FillBox(QImage& layer, int x, int y, int width, int height, uint32_t rgba);
// Segment text: "M x y" moves to a point, "l dx dy" draws a line by an
// offset, "Z" closes the figure; tokens are separated by blanks. A run of
// signs before a number multiplies out ("--5" is 5), so texts built from
// negative differences still describe the intended points. Nothing for
// malformed text.
std::optional<QPainterPath> ParsePath(std::string_view text);
// False when the text does not parse; nothing is drawn then.
bool FillPath(QImage& layer, std::string_view pathText, uint32_t rgba);

// `font` resolved for the layers' 96-dpi basis.
QFont At96Dpi(const QFont& font);

// Raster text: hinted, not antialiased, measured in whole pixels. Drawing
// writes all four channels: covered pixels take `rgba` exactly, alpha
// included, instead of being blended over the background.
struct TextSize {
  int width = 0;
  int height = 0;
};
TextSize MeasureRasterText(const QFont& font, const QString& text);
// (x, y) is the top-left corner of the text cell.
void DrawRasterText(QImage& layer, const QFont& font, int x, int y, const QString& text, uint32_t rgba);

// Vector text: unhinted outlines filled antialiased, blended over the layer.
double VectorTextWidth(const QFont& font, const QString& text);
void DrawVectorText(QImage& layer, const QFont& font, int x, int y, const QString& text, uint32_t rgba);

// Where the ink of `text` lands when drawn at (0, 0) by DrawRasterText
// (vector false) or DrawVectorText (vector true), as found by drawing it:
// italic letters lean past their cell ("f", "/"). Empty for text without
// ink, and for text too large to try.
QRect InkBounds(const QFont& font, const QString& text, bool vector);

// Draws `source` onto `target` at (0, 0), blended with a constant opacity
// (0..255, 255 plain). A filter, when given, maps each source pixel
// (straight ARGB) first.
using PixelFilter = QRgb (*)(QRgb);
void DrawLayer(QImage& target, const QImage& source, int opacity = 255, PixelFilter filter = nullptr);

// Grey level (77 R + 150 G + 29 B) / 256 of a pixel, keeping its alpha.
QRgb GreyscalePixel(QRgb pixel);

// A picture file by its content (PNG with alpha, JPEG, BMP, GIF and the rest
// of Qt's readers); a null image when it cannot be read.
QImage ReadPicture(const std::string& path);

// The layer as a 32-bit FreeImage bitmap with straight alpha, handed over
// directly instead of through an encoded file.
Bitmap ToBitmap(const QImage& layer);

}  // namespace pictavo::draw
