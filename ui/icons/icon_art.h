// The program's own interface pictures, drawn as vectors so that every size
// is rendered from the shapes instead of scaled from a bitmap. Used only by
// the build-time generator; the program itself embeds the resulting PNGs.
#pragma once

#include <QImage>
#include <span>
#include <string_view>

namespace pictavo::icons {

// Clean: the flat built-in look. Sketch: the same motifs in wobbly ink over
// pencil-shaded colour, for the shipped "Hand Drawn" theme.
enum class Style { Clean, Sketch };

// Names of the icon set (menus and toolbar) and of the large buttons.
std::span<const std::string_view> IconNames();
std::span<const std::string_view> ButtonNames();

// A size × size ARGB picture with a transparent background; null for a
// name that is not in the set.
QImage DrawIcon(std::string_view name, int size, Style style);

// The large button pictures reuse the icon motifs with more detail room.
QImage DrawButton(std::string_view name, int size, Style style);

// The about box's 360 × 40 opaque banner. Draws text, so it needs a
// QGuiApplication for the font database.
QImage DrawBanner();

// The application icon for the desktop's menus: a lens on a rounded tile,
// size × size with a transparent surround.
QImage DrawAppIcon(int size);

}  // namespace pictavo::icons
