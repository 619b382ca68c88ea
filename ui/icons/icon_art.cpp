#include "ui/icons/icon_art.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <vector>

namespace pictavo::icons {

namespace {

// Every motif is laid out on a 32 × 32 grid. Outlines sit on odd grid lines
// and are two units wide, so they land on whole pixels at 16, 32, 48 and 64.
constexpr double kGrid = 32.0;

constexpr std::string_view kIconNames[] = {
    "New",   "Add",  "InFiles", "InFolder",  "OutFolder", "OutFormat", "FavFolder",   "ImportFiles",     "ExportFiles",
    "Exit",  "Copy", "Delete",  "SelectAll", "Convert",   "Error",     "Preferences", "CustomConverter", "Help",
    "Email", "Web",  "Updates", "About"};
constexpr std::string_view kButtonNames[] = {"Convert", "InFiles", "InFolder"};

enum class Tone {
  Paper,
  PaperFold,
  Folder,
  FolderBack,
  Green,
  Blue,
  Red,
  Orange,
  Grey,
  Steel,
  Brown,
  Doorway,
  Envelope,
  Pointer
};

struct ToneColors {
  QColor fill;
  QColor ink;
};

ToneColors CleanTone(Tone tone) {
  switch (tone) {
    case Tone::Paper: return {QColor(0xFFFFFF), QColor(0x6B7785)};
    case Tone::PaperFold: return {QColor(0xD9E0E8), QColor(0x6B7785)};
    case Tone::Folder: return {QColor(0xF7C948), QColor(0xA8791F)};
    case Tone::FolderBack: return {QColor(0xDFA52C), QColor(0xA8791F)};
    case Tone::Green: return {QColor(0x3FAF5C), QColor(0x1F6E35)};
    case Tone::Blue: return {QColor(0x3B82D6), QColor(0x22538F)};
    case Tone::Red: return {QColor(0xE2493F), QColor(0x9C261E)};
    case Tone::Orange: return {QColor(0xFF9F1C), QColor(0xA85A06)};
    case Tone::Grey: return {QColor(0x9AA5B1), QColor(0x4F5A66)};
    case Tone::Steel: return {QColor(0x8393A3), QColor(0x434D57)};
    case Tone::Brown: return {QColor(0xB57A45), QColor(0x6A4220)};
    case Tone::Doorway: return {QColor(0x4A4038), QColor(0x2E2620)};
    case Tone::Envelope: return {QColor(0xFFF7E3), QColor(0x8C7A52)};
    case Tone::Pointer: return {QColor(0xFFFFFF), QColor(0x30343A)};
  }
  return {Qt::white, Qt::black};
}

// Crayon colours: the clean fill washed towards paper, all outlines in one ink.
ToneColors SketchTone(Tone tone) {
  const QColor base = CleanTone(tone).fill;
  const double keep = tone == Tone::Paper || tone == Tone::Envelope || tone == Tone::Pointer ? 1.0 : 0.78;
  const auto mix = [&](int c) { return static_cast<int>(std::lround(c * keep + 255 * (1.0 - keep))); };
  return {QColor(mix(base.red()), mix(base.green()), mix(base.blue())), QColor(0x2E2A27)};
}

// Deterministic noise in [-1, 1], so the sketchy drawings are the same on
// every build.
double Noise(uint32_t seed, uint32_t index) {
  uint32_t h = seed * 0x9E3779B1u ^ (index + 0x7F4A7C15u) * 0x85EBCA77u;
  h ^= h >> 15;
  h *= 0x2C1B3C6Du;
  h ^= h >> 12;
  h *= 0x297A2D39u;
  h ^= h >> 15;
  return h / 2147483647.5 - 1.0;
}

uint32_t SeedOf(std::string_view name, int size) {
  uint32_t h = 2166136261u;
  for (char c : name) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
  return h ^ static_cast<uint32_t>(size) * 0x01000193u;
}

QPointF Mid(QPointF a, QPointF b) { return (a + b) / 2.0; }

// Redraws a path as if traced by hand: corners stay corners, long edges and
// curves get a gentle, deterministic wobble.
QPainterPath Wobbled(const QPainterPath& path, uint32_t seed, double amplitude) {
  constexpr double kStep = 6.0;
  constexpr double kFlatten = 8.0;
  QPainterPath out;
  out.setFillRule(path.fillRule());
  uint32_t counter = 0;
  for (QPolygonF polygon : path.toSubpathPolygons(QTransform::fromScale(kFlatten, kFlatten))) {
    for (QPointF& point : polygon) point /= kFlatten;
    if (polygon.size() < 2) continue;
    const bool closed = polygon.size() > 2 && polygon.isClosed();
    if (closed) polygon.removeLast();
    const qsizetype n = polygon.size();

    // Corners (sharp turns) and the ends of an open stroke are anchors.
    std::vector<bool> corner(static_cast<size_t>(n), false);
    for (qsizetype i = 0; i < n; ++i) {
      if (!closed && (i == 0 || i == n - 1)) {
        corner[static_cast<size_t>(i)] = true;
        continue;
      }
      const QPointF in = polygon[i] - polygon[(i + n - 1) % n];
      const QPointF outDir = polygon[(i + 1) % n] - polygon[i];
      const double turn = std::abs(
          std::remainder(std::atan2(outDir.y(), outDir.x()) - std::atan2(in.y(), in.x()), 2 * std::numbers::pi));
      corner[static_cast<size_t>(i)] = turn > 0.5;
    }
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i)
      if (corner[static_cast<size_t>(i)]) {
        start = i;
        break;
      }
    const bool anyCorner = corner[static_cast<size_t>(start)];

    // Walk the outline from anchor to anchor, resampling the stretch between.
    std::vector<QPointF> points;
    std::vector<bool> anchors;
    const qsizetype edges = closed ? n : n - 1;
    QPolygonF stretch{polygon[start]};
    // A loop without corners (a dot, a ring) needs points all round to stay
    // a loop, however small it is.
    const int minimumParts = closed && !anyCorner ? 8 : 1;
    const auto flush = [&](bool endIsAnchor) {
      double length = 0;
      for (qsizetype k = 1; k < stretch.size(); ++k) length += QLineF(stretch[k - 1], stretch[k]).length();
      const int parts = std::max(minimumParts, static_cast<int>(std::lround(length / kStep)));
      double walked = 0;
      qsizetype k = 1;
      for (int part = 1; part < parts; ++part) {
        const double target = length * part / parts;
        while (k < stretch.size() && walked + QLineF(stretch[k - 1], stretch[k]).length() < target) {
          walked += QLineF(stretch[k - 1], stretch[k]).length();
          ++k;
        }
        if (k >= stretch.size()) break;
        const QLineF segment(stretch[k - 1], stretch[k]);
        const double t = segment.length() > 0 ? (target - walked) / segment.length() : 0;
        points.push_back(segment.pointAt(t));
        anchors.push_back(false);
      }
      points.push_back(stretch.last());
      anchors.push_back(endIsAnchor);
    };
    points.push_back(polygon[start]);
    anchors.push_back(anyCorner);
    for (qsizetype e = 1; e <= edges; ++e) {
      const qsizetype i = (start + e) % n;
      stretch.append(polygon[i]);
      if (corner[static_cast<size_t>(i)] || e == edges) {
        flush(corner[static_cast<size_t>(i)]);
        stretch = QPolygonF{polygon[i]};
      }
    }
    for (QPointF& point : points) {
      point += QPointF(Noise(seed, counter), Noise(seed, counter + 1)) * amplitude;
      counter += 2;
    }
    if (closed) points.back() = points.front();

    const size_t m = points.size();
    if (closed && !anyCorner) {
      // A smooth loop (a circle): quadratic pieces through the midpoints.
      out.moveTo(Mid(points[m - 2], points[0]));
      for (size_t i = 0; i + 1 < m; ++i) out.quadTo(points[i], Mid(points[i], points[i + 1]));
      out.closeSubpath();
      continue;
    }
    out.moveTo(points[0]);
    for (size_t i = 1; i < m; ++i) {
      if (anchors[i] || i + 1 == m)
        out.lineTo(points[i]);
      else
        out.quadTo(points[i], Mid(points[i], points[i + 1]));
    }
    if (closed) out.closeSubpath();
  }
  return out;
}

// One picture being drawn. Coordinates are grid units; the style decides
// how shapes are coloured and traced.
class Art {
 public:
  Art(QImage& image, Style style, uint32_t seed) : painter_(&image), style_(style), size_(image.width()), seed_(seed) {
    painter_.setRenderHint(QPainter::Antialiasing);
    painter_.scale(size_ / kGrid, size_ / kGrid);
  }

  Style style() const { return style_; }
  int size() const { return size_; }

  ToneColors Colors(Tone tone) const { return style_ == Style::Clean ? CleanTone(tone) : SketchTone(tone); }

  // A filled, outlined shape.
  void Shape(const QPainterPath& path, Tone tone, double width = 2.0) {
    const ToneColors colors = Colors(tone);
    if (style_ == Style::Clean) {
      const QRectF box = path.boundingRect();
      QLinearGradient gradient(box.topLeft(), box.bottomLeft());
      gradient.setColorAt(0, colors.fill.lighter(112));
      gradient.setColorAt(1, colors.fill);
      painter_.fillPath(path, gradient);
      painter_.strokePath(path, Pen(colors.ink, width));
      return;
    }
    // Colour slightly off the line, as a quick hand fills it in.
    const double shift = 0.35;
    painter_.fillPath(path.translated(shift, shift), colors.fill);
    if (size_ >= 32) Hatch(path.translated(shift, shift), colors.fill.darker(118));
    Trace(path, colors.ink, width);
  }

  // A stroke without outline, e.g. the white glyph on a round badge.
  void Mark(const QPainterPath& path, const QColor& color, double width) {
    if (style_ == Style::Clean) {
      painter_.strokePath(path, Pen(color, width));
      return;
    }
    painter_.strokePath(Wobbled(path, NextSeed(), Amplitude() * 0.6), Pen(color, width));
  }

  // A flat fill without outline, for details inside a shape.
  void Fill(const QPainterPath& path, const QColor& color) {
    painter_.fillPath(style_ == Style::Clean ? path : Wobbled(path, NextSeed(), Amplitude() * 0.5), color);
  }

  // A soft highlight over the top of a round badge; only the clean style has
  // a glossy look, and only where there are pixels enough to show it.
  void Gloss(QPointF center, double radius) {
    if (style_ != Style::Clean || size_ < 24) return;
    painter_.save();
    QPainterPath clip;
    clip.addEllipse(center, radius - 1, radius - 1);
    painter_.setClipPath(clip);
    QPainterPath shine;
    shine.addEllipse(QPointF(center.x(), center.y() - radius * 0.55), radius * 0.85, radius * 0.55);
    QLinearGradient gradient(0, center.y() - radius, 0, center.y());
    gradient.setColorAt(0, QColor(255, 255, 255, 110));
    gradient.setColorAt(1, QColor(255, 255, 255, 0));
    painter_.fillPath(shine, gradient);
    painter_.restore();
  }

  QPainter& painter() { return painter_; }

 private:
  static QPen Pen(const QColor& color, double width) {
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  }

  double Amplitude() const { return size_ <= 16 ? 0.5 : 0.75; }
  uint32_t NextSeed() { return seed_ = seed_ * 1664525u + 1013904223u; }

  // Ink line: a firm pass and, where there is room, a lighter second pass
  // that does not quite follow the first.
  void Trace(const QPainterPath& path, const QColor& ink, double width) {
    const double firm = size_ >= 32 ? width * 0.85 : width;
    painter_.strokePath(Wobbled(path, NextSeed(), Amplitude()), Pen(ink, firm));
    if (size_ >= 24) {
      QColor light = ink;
      light.setAlpha(110);
      painter_.strokePath(Wobbled(path, NextSeed(), Amplitude() * 1.3), Pen(light, width * 0.45));
    }
  }

  // Pencil shading: diagonal strokes inside the shape.
  void Hatch(const QPainterPath& area, QColor color) {
    color.setAlpha(120);
    painter_.save();
    painter_.setClipPath(area, Qt::IntersectClip);
    const QRectF box = area.boundingRect();
    QPainterPath lines;
    for (double d = box.left() - box.height(); d < box.right(); d += 3.0) {
      lines.moveTo(d, box.bottom());
      lines.lineTo(d + box.height(), box.top());
    }
    painter_.strokePath(Wobbled(lines, NextSeed(), 0.4), QPen(color, 0.8, Qt::SolidLine, Qt::RoundCap));
    painter_.restore();
  }

  QPainter painter_;
  Style style_;
  int size_;
  uint32_t seed_;
};

// ---- shape helpers (grid units) ----

QPainterPath Polygon(std::initializer_list<QPointF> points) {
  QPainterPath path;
  path.addPolygon(QPolygonF(QList<QPointF>(points)));
  path.closeSubpath();
  return path;
}

QPainterPath Polyline(std::initializer_list<QPointF> points) {
  QPainterPath path;
  path.addPolygon(QPolygonF(QList<QPointF>(points)));
  return path;
}

QPainterPath Circle(QPointF center, double radius) {
  QPainterPath path;
  path.addEllipse(center, radius, radius);
  return path;
}

QPainterPath Box(double x0, double y0, double x1, double y1) {
  QPainterPath path;
  path.addRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)));
  return path;
}

// A stroke turned into an outline, so it can be filled and inked like any
// other shape.
QPainterPath Outline(const QPainterPath& stroke, double width, Qt::PenCapStyle cap = Qt::RoundCap) {
  QPainterPathStroker stroker;
  stroker.setWidth(width);
  stroker.setCapStyle(cap);
  stroker.setJoinStyle(Qt::RoundJoin);
  return stroker.createStroke(stroke).simplified();
}

// Arrow pointing from (x0, y) to (x1, y).
QPainterPath ArrowRight(double x0, double x1, double y, double shaft, double head, double headLength) {
  const double neck = x1 - headLength;
  return Polygon({{x0, y - shaft},
                  {neck, y - shaft},
                  {neck, y - head},
                  {x1, y},
                  {neck, y + head},
                  {neck, y + shaft},
                  {x0, y + shaft}});
}

// The same arrow pointing down from (x, y0) to (x, y1): mirrored across the
// diagonal, so there is one definition of the arrow's shape.
QPainterPath ArrowDown(double x, double y0, double y1, double shaft, double head, double headLength) {
  const QTransform swap(0, 1, 1, 0, 0, 0);  // (a, b) -> (b, a)
  return swap.map(ArrowRight(y0, y1, x, shaft, head, headLength));
}

void Page(Art& art, double x0, double y0, double x1, double y1, double fold = 6) {
  art.Shape(Polygon({{x0, y0}, {x1 - fold, y0}, {x1, y0 + fold}, {x1, y1}, {x0, y1}}), Tone::Paper);
  art.Shape(Polygon({{x1 - fold, y0}, {x1 - fold, y0 + fold}, {x1, y0 + fold}}), Tone::PaperFold, 1.5);
}

void Folder(Art& art, double x0, double y0, double x1, double y1) {
  art.Shape(Polygon({{x0, y0}, {x0 + 10, y0}, {x0 + 14, y0 + 4}, {x1, y0 + 4}, {x1, y1}, {x0, y1}}), Tone::FolderBack);
  art.Shape(Box(x0, y0 + 8, x1, y1), Tone::Folder);
}

// A framed landscape photograph: the shorthand for "a picture".
void Photo(Art& art, double x0, double y0, double x1, double y1) {
  art.Shape(Box(x0, y0, x1, y1), Tone::Paper);
  const double inset = (x1 - x0) >= 20 ? 3 : 2.5;
  const double l = x0 + inset, t = y0 + inset, r = x1 - inset, b = y1 - inset;
  art.Fill(Box(l, t, r, b), QColor(0x9BD1F5));
  const double w = r - l, h = b - t;
  art.Fill(Polygon({{l, b},
                    {l, b - h * 0.3},
                    {l + w * 0.3, t + h * 0.35},
                    {l + w * 0.55, b - h * 0.3},
                    {l + w * 0.7, t + h * 0.55},
                    {r, b - h * 0.15},
                    {r, b}}),
           QColor(0x4FA860));
  art.Fill(Circle(QPointF(l + w * 0.78, t + h * 0.27), std::max(1.6, h * 0.14)), QColor(0xFFC928));
}

// A round badge in a tone, with its highlight.
void Badge(Art& art, QPointF center, double radius, Tone tone) {
  art.Shape(Circle(center, radius), tone);
  art.Gloss(center, radius);
}

QPainterPath Star(QPointF center, double outer, double inner) {
  QPainterPath path;
  for (int i = 0; i < 10; ++i) {
    const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
    const double r = i % 2 == 0 ? outer : inner;
    const QPointF point(center.x() + r * std::cos(angle), center.y() + r * std::sin(angle));
    if (i == 0)
      path.moveTo(point);
    else
      path.lineTo(point);
  }
  path.closeSubpath();
  return path;
}

QPainterPath Gear(QPointF center, int teeth, double outer, double root, double hole) {
  QPainterPath path;
  const double step = 2 * std::numbers::pi / teeth;
  for (int i = 0; i < teeth; ++i) {
    const double a = i * step;
    const double angles[] = {a - step * 0.30, a - step * 0.17, a + step * 0.17, a + step * 0.30};
    const double radii[] = {root, outer, outer, root};
    for (int k = 0; k < 4; ++k) {
      const QPointF point(center.x() + radii[k] * std::cos(angles[k]), center.y() + radii[k] * std::sin(angles[k]));
      if (i == 0 && k == 0)
        path.moveTo(point);
      else
        path.lineTo(point);
    }
  }
  path.closeSubpath();
  path.addEllipse(center, hole, hole);
  path.setFillRule(Qt::OddEvenFill);
  return path;
}

// ---- the icons ----

void DrawNew(Art& art) { Page(art, 7, 3, 25, 29); }

void DrawAdd(Art& art) {
  Page(art, 5, 3, 21, 27);
  Badge(art, {23, 23}, 8, Tone::Green);
  art.Mark(Polyline({{23, 18.5}, {23, 27.5}}), Qt::white, 3);
  art.Mark(Polyline({{18.5, 23}, {27.5, 23}}), Qt::white, 3);
}

void DrawInFiles(Art& art) {
  Photo(art, 11, 3, 29, 19);
  Photo(art, 3, 11, 23, 29);
}

void DrawInFolder(Art& art) {
  Folder(art, 3, 9, 29, 29);
  art.Shape(ArrowDown(16, 1, 21, 2, 6, 7), Tone::Green);
}

void DrawOutFolder(Art& art) { Folder(art, 3, 5, 29, 27); }

void DrawFavFolder(Art& art) {
  Folder(art, 1, 3, 27, 25);
  art.Shape(Star({22, 21}, 9.5, 4.2), Tone::Orange, 1.6);
}

void DrawOutFormat(Art& art) { Photo(art, 3, 5, 29, 27); }

void DrawImportFiles(Art& art) {
  Page(art, 13, 3, 29, 29);
  art.Shape(ArrowRight(1, 21, 16, 2, 6, 7), Tone::Green);
}

void DrawExportFiles(Art& art) {
  Page(art, 3, 3, 19, 29);
  art.Shape(ArrowRight(11, 31, 16, 2, 6, 7), Tone::Blue);
}

void DrawExit(Art& art) {
  // A dark doorway, the door swung open towards us, and the way out.
  art.Shape(Box(5, 3, 19, 29), Tone::Doorway);
  art.Shape(Polygon({{5, 3}, {12, 6}, {12, 30.5}, {5, 29}}), Tone::Brown, 1.6);
  art.Fill(Circle({10, 18}, 1.2), QColor(0xFFD54A));
  art.Shape(ArrowRight(14, 31, 16, 2, 6, 7), Tone::Red);
}

void DrawCopy(Art& art) {
  Page(art, 11, 3, 27, 23);
  Page(art, 5, 9, 21, 29);
}

void DrawDelete(Art& art) {
  QPainterPath cross;
  cross.moveTo(8, 8);
  cross.lineTo(24, 24);
  cross.moveTo(24, 8);
  cross.lineTo(8, 24);
  art.Shape(Outline(cross, 6), Tone::Red, 1.8);
}

void DrawSelectAll(Art& art) {
  art.Fill(Box(6, 6, 26, 26), QColor(0xCFE3FA));
  QPainter& p = art.painter();
  QPen pen(art.Colors(Tone::Blue).fill.darker(120), 2, Qt::CustomDashLine, Qt::FlatCap, Qt::MiterJoin);
  pen.setDashPattern({2.0, 1.0});
  p.strokePath(Box(3, 3, 29, 29), pen);
  art.Shape(Polygon({{12, 10}, {12, 25}, {15.5, 21.5}, {18, 27}, {20.5, 26}, {18, 20.5}, {23, 20.5}}), Tone::Pointer,
            1.8);
}

void DrawConvert(Art& art) {
  Badge(art, {16, 16}, 13, Tone::Green);
  art.Fill(ArrowRight(8, 25, 16, 3, 7.5, 8), Qt::white);
}

void DrawError(Art& art) {
  Badge(art, {16, 16}, 13, Tone::Red);
  art.Mark(Polyline({{16, 8.5}, {16, 18}}), Qt::white, 3.6);
  art.Fill(Circle({16, 23.5}, 2.2), Qt::white);
}

void DrawPreferences(Art& art) { art.Shape(Gear({16, 16}, 8, 14, 10.5, 4.5), Tone::Grey); }

void DrawCustomConverter(Art& art) {
  // A spanner along the x axis, head at the origin, then turned to lie
  // diagonally with the jaw at the top right.
  QPainterPath head = Circle({0, 0}, 8);
  QPainterPath handle;
  handle.addRoundedRect(QRectF(-21, -3.2, 18, 6.4), 3.2, 3.2);
  QPainterPath jaw;
  jaw.addRect(QRectF(-1, -3, 12, 6));
  QPainterPath spanner = head.united(handle).subtracted(jaw).subtracted(Circle({-17.5, 0}, 1.4));
  QTransform place;
  place.translate(20, 12).rotate(-45);
  art.Shape(place.map(spanner), Tone::Steel);
}

void DrawHelp(Art& art) {
  Badge(art, {16, 16}, 13, Tone::Blue);
  QPainterPath hook;
  hook.moveTo(11.6, 12.2);
  hook.arcTo(QRectF(11.6, 7.6, 8.8, 8.8), 180, -225);
  hook.lineTo(16, 17.3);
  hook.lineTo(16, 18.6);
  art.Mark(hook, Qt::white, 3.4);
  art.Fill(Circle({16, 23.6}, 2.1), Qt::white);
}

void DrawEmail(Art& art) {
  art.Shape(Box(3, 7, 29, 25), Tone::Envelope);
  art.Mark(Polyline({{3.5, 7.5}, {16, 18}, {28.5, 7.5}}), art.Colors(Tone::Envelope).ink, 1.8);
}

void DrawWeb(Art& art) {
  const QPointF c(16, 16);
  const double r = 13;
  art.Shape(Circle(c, r), Tone::Blue);
  QPainterPath grid;
  grid.addEllipse(c, 5.5, r);
  grid.moveTo(16, 3);
  grid.lineTo(16, 29);
  grid.moveTo(3, 16);
  grid.lineTo(29, 16);
  for (double dy : {-7.0, 7.0}) {
    const double half = std::sqrt(r * r - dy * dy);
    grid.moveTo(16 - half, 16 + dy);
    grid.lineTo(16 + half, 16 + dy);
  }
  // The grid stays inside the outline, whatever the pen's wobble.
  art.painter().save();
  art.painter().setClipPath(Circle(c, r - 1));
  art.Mark(grid, QColor(255, 255, 255, 215), 1.6);
  art.painter().restore();
  art.Gloss(c, r);
}

void DrawUpdates(Art& art) {
  // Two arcs chasing each other round the centre, each ending in a head.
  const QPointF c(16, 16);
  const double r = 10;
  QPainterPath shape;
  for (double startDeg : {150.0, -30.0}) {
    const double endDeg = startDeg - 130;  // clockwise on screen
    QPainterPath arc;
    const QRectF box(c.x() - r, c.y() - r, 2 * r, 2 * r);
    arc.arcMoveTo(box, startDeg);
    arc.arcTo(box, startDeg, endDeg - startDeg);
    shape = shape.united(Outline(arc, 4.4, Qt::FlatCap));
    const double a = endDeg * std::numbers::pi / 180;
    const QPointF radial(std::cos(a), -std::sin(a));
    const QPointF tangent(std::sin(a), std::cos(a));
    const QPointF base = c + radial * r;
    shape = shape.united(Polygon({base + radial * 5.6, base + tangent * 6.5, base - radial * 5.6}));
  }
  art.Shape(shape.simplified(), Tone::Green, 1.8);
}

void DrawAbout(Art& art) {
  Badge(art, {16, 16}, 13, Tone::Blue);
  art.Fill(Circle({16, 9.6}, 2.3), Qt::white);
  art.Mark(Polyline({{16, 14.2}, {16, 23.2}}), Qt::white, 3.8);
}

using Drawer = void (*)(Art&);

Drawer DrawerFor(std::string_view name) {
  static const std::pair<std::string_view, Drawer> kDrawers[] = {
      {"New", DrawNew},
      {"Add", DrawAdd},
      {"InFiles", DrawInFiles},
      {"InFolder", DrawInFolder},
      {"OutFolder", DrawOutFolder},
      {"OutFormat", DrawOutFormat},
      {"FavFolder", DrawFavFolder},
      {"ImportFiles", DrawImportFiles},
      {"ExportFiles", DrawExportFiles},
      {"Exit", DrawExit},
      {"Copy", DrawCopy},
      {"Delete", DrawDelete},
      {"SelectAll", DrawSelectAll},
      {"Convert", DrawConvert},
      {"Error", DrawError},
      {"Preferences", DrawPreferences},
      {"CustomConverter", DrawCustomConverter},
      {"Help", DrawHelp},
      {"Email", DrawEmail},
      {"Web", DrawWeb},
      {"Updates", DrawUpdates},
      {"About", DrawAbout},
  };
  for (const auto& [key, drawer] : kDrawers)
    if (key == name) return drawer;
  return nullptr;
}

}  // namespace

std::span<const std::string_view> IconNames() { return kIconNames; }
std::span<const std::string_view> ButtonNames() { return kButtonNames; }

QImage DrawIcon(std::string_view name, int size, Style style) {
  const Drawer drawer = DrawerFor(name);
  if (drawer == nullptr || size <= 0) return {};
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    Art art(image, style, SeedOf(name, size));
    drawer(art);
  }
  return image.convertToFormat(QImage::Format_ARGB32);
}

QImage DrawButton(std::string_view name, int size, Style style) {
  for (std::string_view button : kButtonNames)
    if (button == name) return DrawIcon(name, size, style);
  return {};
}

QImage DrawBanner() {
  constexpr int kWidth = 360;
  constexpr int kHeight = 40;
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);

  QLinearGradient sky(0, 0, kWidth, kHeight);
  sky.setColorAt(0, QColor(0x17324D));
  sky.setColorAt(1, QColor(0x2C7A96));
  p.fillRect(image.rect(), sky);

  // A lens: the mark of a photo program, drawn like the icons.
  const QPointF lens(21, 20);
  p.setPen(QPen(QColor(0xE8F4FA), 2.4));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(lens, 13, 13);
  QRadialGradient glass(lens + QPointF(-2.5, -2.5), 9);
  glass.setColorAt(0, QColor(0x7FD3F0));
  glass.setColorAt(1, QColor(0x1D5E7C));
  p.setPen(Qt::NoPen);
  p.setBrush(glass);
  p.drawEllipse(lens, 8.5, 8.5);
  p.setBrush(QColor(255, 255, 255, 200));
  p.drawEllipse(lens + QPointF(-3, -3), 2.2, 2.2);

  QFont title(QStringLiteral("Liberation Sans"));
  title.setPixelSize(22);
  title.setBold(true);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRectF(44, 0, 200, kHeight), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Pictavo"));

  QFont tagline(QStringLiteral("Liberation Sans"));
  tagline.setPixelSize(12);
  p.setFont(tagline);
  p.setPen(QColor(0xBFE3F0));
  p.drawText(QRectF(150, 0, kWidth - 162, kHeight), Qt::AlignVCenter | Qt::AlignRight,
             QStringLiteral("camera RAW to PNG"));
  p.end();
  return image.convertToFormat(QImage::Format_RGB888);
}

QImage DrawAppIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);  // drawn on a 64-unit grid

  // The banner's colours on a rounded tile.
  QLinearGradient sky(0, 0, 64, 64);
  sky.setColorAt(0, QColor(0x17324D));
  sky.setColorAt(1, QColor(0x2C7A96));
  p.setPen(Qt::NoPen);
  p.setBrush(sky);
  p.drawRoundedRect(QRectF(3, 3, 58, 58), 12, 12);

  const QPointF lens(32, 32);
  p.setPen(QPen(QColor(0xE8F4FA), 4.5));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(lens, 20, 20);
  QRadialGradient glass(lens + QPointF(-4, -4), 15);
  glass.setColorAt(0, QColor(0x7FD3F0));
  glass.setColorAt(1, QColor(0x1D5E7C));
  p.setPen(Qt::NoPen);
  p.setBrush(glass);
  p.drawEllipse(lens, 13.5, 13.5);
  p.setBrush(QColor(255, 255, 255, 210));
  p.drawEllipse(lens + QPointF(-5, -5), 3.6, 3.6);
  p.end();
  return image.convertToFormat(QImage::Format_ARGB32);
}

}  // namespace pictavo::icons
