#include "ui/preferences/format_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>

#include "base/program.h"
#include "base/text_util.h"
#include "texts/language.h"

namespace pictavo {

namespace {

const std::vector<std::string>& ProgramList(std::string_view kind) {
  return kind == "Input" ? InputGroups() : OutputExtensions();
}

// At most this many formats are offered.
constexpr int kMaxListedFormats = 128;

}  // namespace

FormatPanel::FormatPanel(QWidget* page, const char* group, const char* format,
                         const std::vector<FormatSetting>& settings, const char* depthList)
    : group_(group), format_(format) {
  panel_ = new QWidget(page);
  panel_->setObjectName(QString::fromUtf8(group) + QLatin1Char('/') + QString::fromUtf8(format));
  panel_->setGeometry(0, 40, 450, 215);
  int row = 0;
  if (depthList) {
    const std::string key = DepthSettingKey(format);
    depthSetting_ = FindSetting("Output", key);
    depth_ = std::make_unique<prefs::ListRow>(panel_, row++, "Bits Per Pixel", std::vector<const char*>{"Auto"},
                                              QStringLiteral("Output/") + QString::fromStdString(key));
    for (const std::string& depth : SplitString(depthList, ','))
      if (!depth.empty()) depth_->list()->addItem(QString::fromStdString(depth));
  }
  for (const FormatSetting& setting : settings) {
    const SettingDescriptor* d = setting.key ? FindSetting(group, setting.key) : nullptr;
    const QString name = QString::fromUtf8(group) + QLatin1Char('/') +
                         QString::fromUtf8(setting.key ? setting.key : setting.label) +
                         (setting.key ? QString() : QStringLiteral(" ") + QString::fromUtf8(format));
    std::unique_ptr<prefs::Row> control;
    switch (setting.pattern) {
      case RowPattern::List: control = std::make_unique<prefs::ListRow>(panel_, row, setting.label, setting.entries, name); break;
      case RowPattern::Check: control = std::make_unique<prefs::CheckRow>(panel_, row, setting.label, name); break;
      case RowPattern::Slider:
        control = std::make_unique<prefs::SliderRow>(panel_, row, setting.label, setting.minimum, setting.maximum, name);
        break;
      case RowPattern::NumberUnit:
        control = std::make_unique<prefs::NumberUnitRow>(panel_, row, setting.label, setting.entries, name);
        break;
    }
    ++row;
    rows_.push_back(std::move(control));
    bound_.push_back({&setting, d});
  }
}

void FormatPanel::Fill(const Settings& settings) {
  if (depth_) {
    const int64_t bpp = SettingAsInt(settings, *depthSetting_);
    const int match = bpp == 0 ? 0 : depth_->list()->findText(QString::number(bpp), Qt::MatchFixedString);
    depth_->SetIndex(match);
  }
  for (size_t i = 0; i < bound_.size(); ++i) {
    const int64_t value = bound_[i].descriptor ? SettingAsInt(settings, *bound_[i].descriptor) : 0;
    prefs::Row* row = rows_[i].get();
    if (auto* list = dynamic_cast<prefs::ListRow*>(row)) list->SetIndex(static_cast<int>(value));
    else if (auto* check = dynamic_cast<prefs::CheckRow*>(row)) check->SetChecked(value != 0);
    else if (auto* slider = dynamic_cast<prefs::SliderRow*>(row)) slider->SetValue(static_cast<int>(value));
    else if (auto* number = dynamic_cast<prefs::NumberUnitRow*>(row)) number->SetNumber(value);
  }
}

void FormatPanel::Store(Settings& settings) const {
  if (depth_) {
    const int index = depth_->Index();
    SetSettingInt(settings, *depthSetting_, index <= 0 ? 0 : ParseDecimalInt(depth_->list()->currentText().toStdString()));
  }
  for (size_t i = 0; i < bound_.size(); ++i) {
    const SettingDescriptor* d = bound_[i].descriptor;
    if (!d) continue;
    const prefs::Row* row = rows_[i].get();
    if (auto* list = dynamic_cast<const prefs::ListRow*>(row)) {
      if (list->Index() >= 0) SetSettingInt(settings, *d, list->Index());
    } else if (auto* check = dynamic_cast<const prefs::CheckRow*>(row)) {
      SetSettingInt(settings, *d, check->Checked() ? 1 : 0);
    } else if (auto* slider = dynamic_cast<const prefs::SliderRow*>(row)) {
      SetSettingInt(settings, *d, slider->Value());
    } else if (auto* number = dynamic_cast<const prefs::NumberUnitRow*>(row)) {
      SetSettingInt(settings, *d, number->Number());
    }
  }
}

FormatPage::FormatPage(QWidget* parent, PreferencesContext& context, const char* kind)
    : PreferencesPage(parent, context, kind),
      kind_(kind),
      selector_(this, 0, std::string_view(kind) == "Input" ? "Input Format" : "Output Format", {},
                QString::fromUtf8(kind) + QStringLiteral("/Format")) {
  if (std::string_view(kind) == "Input") {
    for (const InputFormatDescription& format : InputFormatDescriptions())
      panels_.push_back(std::make_unique<FormatPanel>(this, "Input", format.group, format.settings, nullptr));
  } else {
    for (const OutputFormatDescription& format : OutputFormatDescriptions())
      panels_.push_back(
          std::make_unique<FormatPanel>(this, "Output", format.extension, format.settings, format.depthList));
  }
  connect(selector_.list(), &QComboBox::currentIndexChanged, this, [this] { ShowSelected(); });
  if (std::string_view(kind) == "Input")
    for (const auto& panel : panels_)
      if (panel->format() == "raw") {
        connect(dynamic_cast<prefs::ListRow&>(panel->SettingRow(0)).list(), &QComboBox::currentIndexChanged, this,
                [this] { ApplyRawRule(); });
        // Auto is not FreeImage's preview load any more; the page says what it is.
        autoNote_ = new QLabel(prefs::PrefText("Auto Load Note"), panel->panel());
        autoNote_->setObjectName(QStringLiteral("Input/RAW Load As Note"));
        autoNote_->setWordWrap(true);
        autoNote_->setGeometry(10, prefs::RowTop(5), 430, 40);
      }
}

void FormatPage::Fill() {
  const Settings& s = context_.settings;
  QComboBox* list = selector_.list();
  list->clear();
  const std::vector<std::string>& formats = ProgramList(kind_);
  const QIcon icon = context_.images.Icon(MenuImageIds().at("New"));
  for (size_t i = 0; i < formats.size() && static_cast<int>(i) < kMaxListedFormats; ++i)
    list->addItem(icon, QString::fromStdString(ToUpperAscii(formats[i])), static_cast<int>(i));
  const std::string& current = std::string_view(kind_) == "Input" ? s.input.format : s.output.format;
  int selected = 0;
  for (size_t i = 0; i < formats.size(); ++i)
    if (formats[i] == current) selected = static_cast<int>(i);
  list->setCurrentIndex(list->count() > 0 ? selected : -1);
  for (const auto& panel : panels_) panel->Fill(s);
  ApplyRawRule();
  ShowSelected();
}

int FormatPage::SelectedFormat() const {
  return selector_.Index() >= 0 ? selector_.list()->currentData().toInt() : -1;
}

void FormatPage::ShowSelected() {
  const int index = SelectedFormat();
  const std::vector<std::string>& formats = ProgramList(kind_);
  const std::string shown = index >= 0 && index < static_cast<int>(formats.size()) ? formats[index] : std::string();
  for (const auto& panel : panels_) panel->panel()->setVisible(panel->format() == shown);
}

// RAW Load As decides which of the RAW rows mean anything: the headerless
// size rows for the 8- and 16-bit loads, tone mapping for the 48-bit ones.
void FormatPage::ApplyRawRule() {
  for (const auto& panel : panels_) {
    if (panel->format() != "raw") continue;
    const int load = dynamic_cast<prefs::ListRow&>(panel->SettingRow(0)).Index();
    const bool headerless = load == 1 || load == 2;
    const bool toneMapped = load == 4 || load == 5;
    for (size_t row = 1; row <= 3; ++row) panel->SettingRow(row).SetEnabled(headerless);
    panel->SettingRow(4).SetEnabled(toneMapped);
    if (autoNote_) autoNote_->setVisible(load == 0);
  }
}

void FormatPage::Store(Settings& s) const {
  const int index = SelectedFormat();
  const std::vector<std::string>& formats = ProgramList(kind_);
  if (index >= 0 && index < static_cast<int>(formats.size()))
    (std::string_view(kind_) == "Input" ? s.input.format : s.output.format) = formats[index];
  for (const auto& panel : panels_) panel->Store(s);
}

}  // namespace pictavo
