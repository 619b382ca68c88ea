#include "decorations/watermark_font.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGuiApplication>
#include <QStringList>

#include <fontconfig/fontconfig.h>

#include <mutex>

#include "decorations/decorations.h"
#include "decorations/drawing.h"

namespace pictavo {

namespace {

std::mutex g_fontMutex;
std::optional<QFont> g_font;

QtMessageHandler g_previousHandler = nullptr;

// The offscreen application complains once that there is no runtime folder,
// which a script does not care about; everything else is passed on.
void QuietRuntimeFolderNotice(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.contains(QStringLiteral("XDG_RUNTIME_DIR"))) return;
  if (g_previousHandler) g_previousHandler(type, context, message);
}

// Fonts need a GUI application. Console runs get one on the offscreen
// platform, whatever QT_QPA_PLATFORM says, so they never need a display. It
// stays until the process ends: Qt allows one per process.
bool EnsureGuiApplication() {
  if (QCoreApplication::instance()) return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
  static char name[] = "pictavo";
  static char platformOption[] = "-platform";
  static char platform[] = "offscreen";
  static char* argv[] = {name, platformOption, platform, nullptr};
  static int argc = 3;
  g_previousHandler = qInstallMessageHandler(QuietRuntimeFolderNotice);
  new QGuiApplication(argc, argv);
  return true;
}

// The family itself and every family fontconfig's configuration binds to it
// as strongly as the name (its metric aliases). Generic fallbacks such as
// "sans-serif" and their members come in weakly bound and are left out.
QStringList EquivalentFamilies(const QString& family) {
  QStringList families{family};
  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return families;
  const QByteArray name = family.toUtf8();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
  if (FcConfigSubstitute(nullptr, pattern, FcMatchPattern)) {
    FcValue value;
    FcValueBinding binding;
    for (int i = 0; FcPatternGetWithBinding(pattern, FC_FAMILY, i, &value, &binding) == FcResultMatch; ++i) {
      if (binding != FcValueBindingWeak && value.type == FcTypeString)
        families.append(QString::fromUtf8(reinterpret_cast<const char*>(value.u.s)));
    }
  }
  FcPatternDestroy(pattern);
  return families;
}

// Families of the default font list that Debian ships no font or metric
// alias for, and the installed family drawn in their place. DejaVu Sans
// comes from the same design family as their common replacements.
const std::pair<const char*, const char*> kDesignatedSubstitutes[] = {
    {"Tahoma", "DejaVu Sans"},
    {"Verdana", "DejaVu Sans"},
};

QFont FontFromSettings(const Settings& settings, const QString& family) {
  const Settings::Watermark& w = settings.watermark;
  QFont font(family);
  font.setPointSizeF(w.fontSize);
  font.setBold(w.fontStyle == 1 || w.fontStyle == 3);
  font.setItalic(w.fontStyle == 2 || w.fontStyle == 3);
  font.setUnderline(w.fontEffect == 1);
  font.setStrikeOut(w.fontEffect == 2);
  return draw::At96Dpi(font);
}

}  // namespace

bool FontFamilyIsProvided(const QString& family) {
  if (family.trimmed().isEmpty()) return false;
  if (QFontDatabase::families().contains(family, Qt::CaseInsensitive)) return true;
  const QString resolved = QFontInfo(QFont(family)).family();
  return EquivalentFamilies(family).contains(resolved, Qt::CaseInsensitive);
}

QString DrawnFamily(const QString& family) {
  if (FontFamilyIsProvided(family)) return family;
  for (const auto& [name, substitute] : kDesignatedSubstitutes)
    if (family.trimmed().compare(QString::fromUtf8(name), Qt::CaseInsensitive) == 0 &&
        FontFamilyIsProvided(QString::fromUtf8(substitute)))
      return QString::fromUtf8(substitute);
  return {};
}

bool OpenWatermarkFont(const Settings& settings) {
  CloseWatermarkFont();
  if (!EnsureGuiApplication()) return false;
  // A size Qt would refuse would silently become its default size.
  if (settings.watermark.fontSize <= 0) return false;
  const QString family = DrawnFamily(QString::fromUtf8(settings.watermark.font));
  if (family.isEmpty()) return false;
  const QFont font = FontFromSettings(settings, family);
  std::lock_guard lock(g_fontMutex);
  g_font = font;
  return true;
}

void CloseWatermarkFont() {
  std::lock_guard lock(g_fontMutex);
  g_font.reset();
}

bool WatermarkFontIsOpen() {
  std::lock_guard lock(g_fontMutex);
  return g_font.has_value();
}

std::optional<QFont> OpenedWatermarkFont() {
  std::lock_guard lock(g_fontMutex);
  return g_font;
}

}  // namespace pictavo
