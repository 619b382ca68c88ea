// The process-wide text watermark font, shared by the run that opens it and
// the worker that draws with it.
#pragma once

#include <QFont>
#include <QString>

#include <optional>

namespace pictavo {

// A copy of the open font; nothing when none is open.
std::optional<QFont> OpenedWatermarkFont();

// True when the font database has the family itself or fontconfig binds a
// replacement to it as an equal (a metric-compatible alias such as
// Arial → Liberation Sans), and that is the font Qt actually resolves.
// Needs a GUI application.
bool FontFamilyIsProvided(const QString& family);

// The family a watermark in `family` is drawn with: the family when it is
// provided, the designated substitute of a default family that Debian does
// not ship (Tahoma, Verdana → DejaVu Sans), or "" when none is there.
QString DrawnFamily(const QString& family);

}  // namespace pictavo
