#include "ui/preferences/general_pages.h"

#include <QComboBox>
#include <QSpinBox>

#include "engine/convert.h"
#include "texts/language.h"

namespace pictavo {

namespace {

// At most this many themes are listed.
constexpr int kMaxListedThemes = 128;

// English is the one language: the list shows it, and OK stores it.
class LanguageRow : public prefs::ListRow {
 public:
  explicit LanguageRow(const prefs::RowPlace& place) : ListRow(place, {}) { list()->addItem(QStringLiteral("English")); }
  void Load(const Settings&) override { SetIndex(0); }
  void Store(Settings& settings) const override { SetSettingText(settings, *setting(), "en"); }
};

}  // namespace

PreferencesPage::PreferencesPage(QWidget* parent, PreferencesContext& context, const char* categoryKey)
    : QWidget(parent), context_(context), categoryKey_(categoryKey) {
  setObjectName(QString::fromUtf8(categoryKey) + QStringLiteral("Page"));
  setGeometry(140, 50, 450, 255);
}

prefs::RowList& PreferencesPage::RowsOn(QWidget* panel, const char* group) {
  rows_.push_back(std::make_unique<prefs::RowList>(panel, group));
  return *rows_.back();
}

void PreferencesPage::Fill() {
  for (const auto& rows : rows_) rows->Load(context_.settings);
  ApplyRules();
}

void PreferencesPage::Store(Settings& settings) const {
  for (const auto& rows : rows_) rows->Store(settings);
}

GeneralPage::GeneralPage(QWidget* parent, PreferencesContext& context) : PreferencesPage(parent, context, "General") {
  prefs::RowList& rows = RowsOn(this, "General");
  rows.Add<LanguageRow>("Language", "Language");
  rows.Add<prefs::ListRow>("Check for Updates", "Update Range",
                           std::vector<const char*>{"Every day", "Every week", "Every month", "Every 3 months",
                                                    "Every 6 months", "Never"});
  rows.Add<prefs::CheckRow>("Save window position", "Save Window Position");
}

ThemeRow::ThemeRow(const prefs::RowPlace& place, const ThemeList& themes) : ListRow(place, {}), themes_(themes) {}

void ThemeRow::Load(const Settings& settings) {
  QComboBox* themes = list();
  themes->clear();
  // The theme list is ordered by identifier already.
  for (const auto& [id, name] : themes_.names) {
    if (name.empty()) continue;
    if (themes->count() == kMaxListedThemes) break;
    themes->addItem(QString::fromStdString(name), QString::fromStdString(id));
  }
  if (themes->count() == 0) themes->addItem(prefs::PrefText("None"));
  const int current = themes->findData(QString::fromStdString(SettingAsText(settings, *setting())));
  themes->setCurrentIndex(current >= 0 ? current : 0);
}

std::string ThemeRow::SelectedTheme() const { return list()->currentData().toString().toStdString(); }

void ThemeRow::Store(Settings& settings) const { SetSettingText(settings, *setting(), SelectedTheme()); }

InterfacePage::InterfacePage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "Interface"),
      rows_(RowsOn(this, "Interface")),
      theme_(rows_.Add<ThemeRow>("UI Theme", "UI Theme", context.themes)),
      size_(rows_.Add<prefs::ListRow>("UI Size", "UI Size", std::vector<const char*>{"Small", "Medium", "Large"})) {}

AdvancedPage::AdvancedPage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "Advanced") {
  prefs::RowList& rows = RowsOn(this, "Advanced");
  rows.Add<prefs::TextRow>("Filename Mask", "Filename Mask");
  timestamp_ = &rows.Add<prefs::ListRow>("File Timestamp", "File Timestamp",
                                         std::vector<const char*>{"Current", "Original", "Custom"});
  customTimestamp_ = &rows.Add<prefs::DateRow>("Custom Timestamp", "Custom Timestamp");
  rows.Add<prefs::ListRow>("Out Folders History", "Out Folders History",
                           std::vector<const char*>{"Clean On Exit", "Keep Folders"});
  rows.Add<prefs::SliderRow>("Out Folders Number", "Out Folders Number", 1, 50);
  rows.Add<prefs::CheckRow>("Keep Metadata", "Keep Metadata");
  rows.Add<prefs::CheckRow>("Keep Subfolders", "Keep Subfolders");
  auto& parallel = rows.Add<prefs::SliderRow>("Parallel Conversions", "Parallel Conversions", 0, kMaxParallelConversions);
  // 0 lets the program choose: one per core, fewer when memory is short.
  // The box shows it by name, which it does only at its lowest value.
  parallel.box()->setMinimum(0);
  parallel.box()->setSpecialValueText(prefs::PrefText("Auto"));
  connect(timestamp_->list(), &QComboBox::currentIndexChanged, this, [this] { ApplyRules(); });
}

void AdvancedPage::ApplyRules() { customTimestamp_->SetEnabled(timestamp_->Index() == 2); }

}  // namespace pictavo
