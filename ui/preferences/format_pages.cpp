#include "ui/preferences/format_pages.h"

#include <QComboBox>
#include <QLabel>
#include <memory>

#include "base/program.h"
#include "base/text_util.h"

namespace pictavo {

namespace {

// At most this many formats are offered.
constexpr int kMaxListedFormats = 128;

// "Auto" and the format's bit depths; the setting holds the depth, 0 for
// Auto. A stored depth the format lacks selects nothing and stores Auto.
class DepthRow : public prefs::ListRow {
 public:
  DepthRow(const prefs::RowPlace& place, const char* depthList) : ListRow(place, {"Auto"}) {
    for (const std::string& depth : SplitString(depthList, ','))
      if (!depth.empty()) list()->addItem(QString::fromStdString(depth));
  }
  void Load(const Settings& settings) override {
    const int64_t bpp = Stored(settings);
    SetIndex(bpp == 0 ? 0 : list()->findText(QString::number(bpp), Qt::MatchFixedString));
  }
  void Store(Settings& settings) const override {
    SetSettingInt(settings, *setting(), Index() <= 0 ? 0 : ParseDecimalInt(list()->currentText().toStdString()));
  }
};

std::unique_ptr<prefs::Row> FormatRow(const prefs::RowPlace& place, const FormatSetting& setting) {
  switch (setting.pattern) {
    case RowPattern::List: return std::make_unique<prefs::ListRow>(place, setting.entries);
    case RowPattern::Check: return std::make_unique<prefs::CheckRow>(place);
    case RowPattern::Slider: return std::make_unique<prefs::SliderRow>(place, setting.minimum, setting.maximum);
    case RowPattern::NumberUnit: return std::make_unique<prefs::NumberUnitRow>(place, setting.entries);
  }
  return nullptr;
}

}  // namespace

FormatSelectorRow::FormatSelectorRow(const prefs::RowPlace& place, const std::vector<std::string>& formats, QIcon icon)
    : ListRow(place, {}), formats_(formats), icon_(std::move(icon)) {}

void FormatSelectorRow::Load(const Settings& settings) {
  QComboBox* formats = list();
  formats->clear();
  for (size_t i = 0; i < formats_.size() && static_cast<int>(i) < kMaxListedFormats; ++i)
    formats->addItem(icon_, QString::fromStdString(ToUpperAscii(formats_[i])), static_cast<int>(i));
  const std::string current = SettingAsText(settings, *setting());
  int selected = 0;
  for (size_t i = 0; i < formats_.size(); ++i)
    if (formats_[i] == current) selected = static_cast<int>(i);
  formats->setCurrentIndex(formats->count() > 0 ? selected : -1);
}

int FormatSelectorRow::SelectedFormat() const { return Index() >= 0 ? list()->currentData().toInt() : -1; }

void FormatSelectorRow::Store(Settings& settings) const {
  const int index = SelectedFormat();
  if (index >= 0 && index < static_cast<int>(formats_.size())) SetSettingText(settings, *setting(), formats_[index]);
}

FormatPage::FormatPage(QWidget* parent, PreferencesContext& context, const char* kind)
    : PreferencesPage(parent, context, kind),
      kind_(kind),
      formats_(std::string_view(kind) == "Input" ? InputGroups() : OutputExtensions()) {
  selector_ = &RowsOn(this, kind).Add<FormatSelectorRow>(
      std::string_view(kind) == "Input" ? "Input Format" : "Output Format", "Format", formats_,
      context.images.Icon(MenuImageIds().at("New")));
  if (std::string_view(kind) == "Input") {
    for (const InputFormatDescription& format : InputFormatDescriptions()) {
      prefs::RowList& rows = AddPanel(format.group, format.settings, nullptr);
      if (std::string_view(format.group) != "raw") continue;
      raw_ = &rows;
      // Auto is not FreeImage's preview load any more; the page says what it is.
      autoNote_ = new QLabel(prefs::PrefText("Auto Load Note"), rows.panel());
      autoNote_->setObjectName(QStringLiteral("Input/RAW Load As Note"));
      autoNote_->setWordWrap(true);
      autoNote_->setGeometry(10, prefs::RowTop(rows.count()), 430, 40);
      connect(static_cast<prefs::ListRow*>(rows.Find("RAW Load As"))->list(), &QComboBox::currentIndexChanged, this,
              [this] { ApplyRawRule(); });
    }
  } else {
    for (const OutputFormatDescription& format : OutputFormatDescriptions())
      AddPanel(format.extension, format.settings, format.depthList);
  }
  connect(selector_->list(), &QComboBox::currentIndexChanged, this, [this] { ShowSelected(); });
}

prefs::RowList& FormatPage::AddPanel(const char* format, const std::vector<FormatSetting>& settings,
                                     const char* depthList) {
  auto* panel = new QWidget(this);
  panel->setObjectName(QString::fromUtf8(kind_) + QLatin1Char('/') + QString::fromUtf8(format));
  panel->setGeometry(0, 40, 450, 215);
  panels_.push_back({format, panel});
  prefs::RowList& rows = RowsOn(panel, kind_);
  if (depthList)
    rows.Adopt(std::make_unique<DepthRow>(
        rows.Place("Bits Per Pixel", &prefs::SettingIn(kind_, DepthSettingKey(format))), depthList));
  for (const FormatSetting& setting : settings) {
    // A row without a setting shows what the format does and stores nothing.
    const QString name = setting.key ? QString()
                                     : QString::fromUtf8(kind_) + QLatin1Char('/') + QString::fromUtf8(setting.label) +
                                           QLatin1Char(' ') + QString::fromUtf8(format);
    rows.Adopt(FormatRow(rows.Place(setting.label, setting.key ? &prefs::SettingIn(kind_, setting.key) : nullptr, name),
                         setting));
  }
  return rows;
}

void FormatPage::ApplyRules() {
  ApplyRawRule();
  ShowSelected();
}

void FormatPage::ShowSelected() {
  const int index = SelectedFormat();
  const std::string shown = index >= 0 && index < static_cast<int>(formats_.size()) ? formats_[index] : std::string();
  for (const Panel& panel : panels_) panel.panel->setVisible(panel.format == shown);
}

// RAW Load As decides which of the RAW rows mean anything: the headerless
// size rows for the 8- and 16-bit loads, tone mapping for the 48-bit ones.
void FormatPage::ApplyRawRule() {
  if (!raw_) return;
  const int load = static_cast<prefs::ListRow*>(raw_->Find("RAW Load As"))->Index();
  const bool headerless = load == 1 || load == 2;
  for (const char* key : {"RAW Header Size", "RAW Image Width", "RAW Image Height"})
    raw_->Find(key)->SetEnabled(headerless);
  raw_->Find("RAW Tone Mapping")->SetEnabled(load == 4 || load == 5);
  autoNote_->setVisible(load == 0);
}

}  // namespace pictavo
