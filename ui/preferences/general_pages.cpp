#include "ui/preferences/general_pages.h"

#include <QComboBox>

#include "engine/convert.h"
#include "base/text_util.h"
#include "texts/language.h"

namespace pictavo {

namespace {

QString Name(const char* group, const char* key) {
  return QString::fromUtf8(group) + QLatin1Char('/') + QString::fromUtf8(key);
}

// At most this many themes are listed.
constexpr int kMaxListedThemes = 128;

}  // namespace

PreferencesPage::PreferencesPage(QWidget* parent, PreferencesContext& context, const char* categoryKey)
    : QWidget(parent), context_(context), categoryKey_(categoryKey) {
  setObjectName(QString::fromUtf8(categoryKey) + QStringLiteral("Page"));
  setGeometry(140, 50, 450, 255);
}

std::string CleanTypedText(const std::string& text) {
  std::string kept;
  for (char c : TrimBlanks(text))
    if (c != '\t' && c != '\r' && c != '\n') kept += c;
  return std::string(TrimBlanks(kept));
}

GeneralPage::GeneralPage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "General"),
      language_(this, 0, "Language", {}, Name("General", "Language")),
      updateRange_(this, 1, "Check for Updates",
                   {"Every day", "Every week", "Every month", "Every 3 months", "Every 6 months", "Never"},
                   Name("General", "Update Range")),
      saveWindowPosition_(this, 2, "Save window position", Name("General", "Save Window Position")) {
  language_.list()->addItem(QStringLiteral("English"));
}

void GeneralPage::Fill() {
  const Settings& s = context_.settings;
  language_.SetIndex(0);
  updateRange_.SetIndex(s.general.updateRange);
  saveWindowPosition_.SetChecked(s.general.saveWindowPosition != 0);
}

void GeneralPage::Store(Settings& s) const {
  s.general.language = "en";
  updateRange_.StoreIndex(s.general.updateRange);
  s.general.saveWindowPosition = saveWindowPosition_.Checked() ? 1 : 0;
}

InterfacePage::InterfacePage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "Interface"),
      theme_(this, 0, "UI Theme", {}, Name("Interface", "UI Theme")),
      size_(this, 1, "UI Size", {"Small", "Medium", "Large"}, Name("Interface", "UI Size")) {}

void InterfacePage::Fill() {
  const Settings& s = context_.settings;
  QComboBox* list = theme_.list();
  list->clear();
  // The theme list is ordered by identifier already.
  for (const auto& [id, name] : context_.themes.names) {
    if (name.empty()) continue;
    if (list->count() == kMaxListedThemes) break;
    list->addItem(QString::fromStdString(name), QString::fromStdString(id));
  }
  if (list->count() == 0) list->addItem(prefs::PrefText("None"));
  const int current = list->findData(QString::fromStdString(s.interface.uiTheme));
  list->setCurrentIndex(current >= 0 ? current : 0);
  size_.SetIndex(s.interface.uiSize);
}

std::string InterfacePage::SelectedTheme() const { return theme_.list()->currentData().toString().toStdString(); }

void InterfacePage::Store(Settings& s) const {
  s.interface.uiTheme = SelectedTheme();
  size_.StoreIndex(s.interface.uiSize);
}

AdvancedPage::AdvancedPage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "Advanced"),
      mask_(this, 0, "Filename Mask", Name("Advanced", "Filename Mask")),
      timestamp_(this, 1, "File Timestamp", {"Current", "Original", "Custom"}, Name("Advanced", "File Timestamp")),
      customTimestamp_(this, 2, "Custom Timestamp", Name("Advanced", "Custom Timestamp")),
      history_(this, 3, "Out Folders History", {"Clean On Exit", "Keep Folders"},
               Name("Advanced", "Out Folders History")),
      historyLength_(this, 4, "Out Folders Number", 1, 50, Name("Advanced", "Out Folders Number")),
      keepMetadata_(this, 5, "Keep Metadata", Name("Advanced", "Keep Metadata")),
      keepSubfolders_(this, 6, "Keep Subfolders", Name("Advanced", "Keep Subfolders")),
      parallel_(this, 7, "Parallel Conversions", 0, kMaxParallelConversions,
                Name("Advanced", "Parallel Conversions")) {
  // 0 lets the program choose: one per core, fewer when memory is short.
  // The box shows it by name, which it does only at its lowest value.
  parallel_.box()->setMinimum(0);
  parallel_.box()->setSpecialValueText(prefs::PrefText("Auto"));
  connect(timestamp_.list(), &QComboBox::currentIndexChanged, this, [this] { ApplyTimestampRule(); });
}

void AdvancedPage::ApplyTimestampRule() { customTimestamp_.SetEnabled(timestamp_.Index() == 2); }

void AdvancedPage::Fill() {
  const Settings& s = context_.settings;
  mask_.SetText(s.advanced.filenameMask);
  timestamp_.SetIndex(s.advanced.fileTimestamp);
  customTimestamp_.SetSeconds(s.advanced.customTimestamp);
  history_.SetIndex(s.advanced.outFoldersHistory);
  historyLength_.SetValue(s.advanced.outFoldersNumber);
  keepMetadata_.SetChecked(s.advanced.keepMetadata != 0);
  keepSubfolders_.SetChecked(s.advanced.keepSubfolders != 0);
  parallel_.SetValue(s.advanced.parallelConversions);
  ApplyTimestampRule();
}

void AdvancedPage::Store(Settings& s) const {
  s.advanced.filenameMask = CleanTypedText(mask_.Text());
  timestamp_.StoreIndex(s.advanced.fileTimestamp);
  s.advanced.customTimestamp = customTimestamp_.Seconds();
  history_.StoreIndex(s.advanced.outFoldersHistory);
  s.advanced.outFoldersNumber = static_cast<uint8_t>(historyLength_.Value());
  s.advanced.keepMetadata = keepMetadata_.Checked() ? 1 : 0;
  s.advanced.keepSubfolders = keepSubfolders_.Checked() ? 1 : 0;
  s.advanced.parallelConversions = parallel_.Value();
}

}  // namespace pictavo
