#include "ui/preferences/rows.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "settings/settings.h"
#include "base/text_util.h"
#include "texts/language.h"
#include "ui/dialogs.h"
#include "ui/preferences/colors.h"

namespace pictavo::prefs {

namespace {

constexpr int kControlX = 170;

QToolButton* MoreButton(QWidget* panel) {
  auto* button = new QToolButton(panel);
  button->setText(QStringLiteral("..."));
  return button;
}

}  // namespace

QString PrefText(const char* key) { return QString::fromStdString(GetText("Preferences", key)); }

const SettingDescriptor& SettingIn(std::string_view group, std::string_view key) {
  const SettingDescriptor* d = FindSetting(group, key);
  if (!d) throw std::logic_error("preferences row edits unknown setting " + std::string(group) + "/" + std::string(key));
  return *d;
}

std::string CleanTypedText(const std::string& text) {
  std::string kept;
  for (char c : TrimBlanks(text))
    if (c != '\t' && c != '\r' && c != '\n') kept += c;
  return std::string(TrimBlanks(kept));
}

RowPlace RowList::Place(const char* labelKey, const SettingDescriptor* setting, QString name) const {
  if (name.isEmpty() && setting)
    name = QString::fromUtf8(setting->group) + QLatin1Char('/') + QString::fromUtf8(setting->key);
  return RowPlace{panel_, count(), labelKey, setting, std::move(name)};
}

void RowList::Load(const Settings& settings) const {
  for (const auto& row : rows_) row->Load(settings);
}

void RowList::Store(Settings& settings) const {
  for (const auto& row : rows_) row->Store(settings);
}

Row* RowList::Find(std::string_view key) const {
  for (const auto& row : rows_)
    if (row->setting() && key == row->setting()->key) return row.get();
  return nullptr;
}

Row::Row(const RowPlace& place)
    : panel_(place.panel), top_(RowTop(place.row)), setting_(place.setting), name_(place.name) {
  label_ = new QLabel(place.labelKey ? PrefText(place.labelKey) : QString(), panel_);
  label_->setGeometry(10, top_ + 3, 160, 20);
}

void Row::SetEnabled(bool enabled) {
  label_->setEnabled(enabled);
  for (QWidget* control : controls_) control->setEnabled(enabled);
}

void Row::SetVisible(bool visible) {
  label_->setVisible(visible);
  for (QWidget* control : controls_) control->setVisible(visible);
}

bool Row::IsEnabled() const { return label_->isEnabled(); }

ListRow::ListRow(const RowPlace& place, const std::vector<const char*>& entryKeys) : Row(place) {
  list_ = Place(new QComboBox(panel_), kControlX, 0, 240, 21, name_);
  for (const char* key : entryKeys) list_->addItem(PrefText(key));
  label()->setBuddy(list_);
}

void ListRow::Load(const Settings& settings) { SetIndex(static_cast<int>(Stored(settings))); }

void ListRow::Store(Settings& settings) const {
  if (setting_ && Index() >= 0) SetSettingInt(settings, *setting_, Index());
}

int ListRow::Index() const { return list_->currentIndex(); }

void ListRow::SetIndex(int index) { list_->setCurrentIndex(index >= 0 && index < list_->count() ? index : -1); }

CheckRow::CheckRow(const RowPlace& place) : Row(place) {
  box_ = Place(new QCheckBox(panel_), kControlX, 0, 240, 20, name_);
  label()->setBuddy(box_);
}

void CheckRow::Load(const Settings& settings) { SetChecked(Stored(settings) != 0); }

void CheckRow::Store(Settings& settings) const {
  if (setting_) SetSettingInt(settings, *setting_, Checked() ? 1 : 0);
}

bool CheckRow::Checked() const { return box_->isChecked(); }

void CheckRow::SetChecked(bool on) { box_->setChecked(on); }

TextRow::TextRow(const RowPlace& place) : Row(place) {
  field_ = Place(new QLineEdit(panel_), kControlX, 0, 240, 20, name_);
  label()->setBuddy(field_);
}

void TextRow::Load(const Settings& settings) {
  if (setting_) SetText(SettingAsText(settings, *setting_));
}

void TextRow::Store(Settings& settings) const {
  if (setting_) SetSettingText(settings, *setting_, CleanTypedText(Text()));
}

std::string TextRow::Text() const { return field_->text().toStdString(); }

void TextRow::SetText(const std::string& text) {
  field_->setText(QString::fromStdString(text));
  field_->setCursorPosition(0);
}

NumberUnitRow::NumberUnitRow(const RowPlace& place, const std::vector<const char*>& unitKeys, const char* unitKey)
    : Row(place) {
  if (unitKey) unitSetting_ = &SettingIn(setting_->group, unitKey);
  field_ = Place(new QLineEdit(panel_), kControlX, 0, 160, 20, name_);
  // Digits only when typed; a stored negative number still shows as it is.
  field_->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]*")), field_));
  units_ = Place(new QComboBox(panel_), 340, -1, 70, 21, name_ + QStringLiteral(" Unit"));
  for (const char* key : unitKeys) units_->addItem(PrefText(key));
  units_->setCurrentIndex(0);
  // The list as wide as its longest entry needs in the font in use (larger
  // fonts, other languages), taken from the field so the row keeps its end.
  const int wider = std::clamp(units_->sizeHint().width() - units_->width(), 0, 80);
  field_->resize(field_->width() - wider, field_->height());
  units_->setGeometry(units_->x() - wider, units_->y(), units_->width() + wider, units_->height());
  label()->setBuddy(field_);
}

void NumberUnitRow::Load(const Settings& settings) {
  SetNumber(Stored(settings));
  if (unitSetting_) SetUnitIndex(static_cast<int>(SettingAsInt(settings, *unitSetting_)));
}

void NumberUnitRow::Store(Settings& settings) const {
  if (!setting_) return;
  SetSettingInt(settings, *setting_, Number());
  if (unitSetting_ && UnitIndex() >= 0) SetSettingInt(settings, *unitSetting_, UnitIndex());
}

int32_t NumberUnitRow::Number() const { return ParseDecimalInt(field_->text().toStdString()); }

void NumberUnitRow::SetNumber(int64_t value) { field_->setText(QString::number(value)); }

SliderRow::SliderRow(const RowPlace& place, int minimum, int maximum, int offset)
    : Row(place), offset_(offset), minimum_(minimum), maximum_(maximum) {
  slider_ = Place(new QSlider(Qt::Horizontal, panel_), kControlX, 0, 170, 20, name_ + QStringLiteral(" Slider"));
  slider_->setRange(minimum + offset, maximum + offset);
  box_ = Place(new QSpinBox(panel_), 340, 0, 70, 20, name_);
  // The box itself takes any number, so that typing is never refused; the
  // row clamps what arrives.
  box_->setRange(-999999999, 999999999);
  label()->setBuddy(box_);
  QObject::connect(slider_, &QSlider::valueChanged, box_, [this](int value) {
    if (box_->value() != value - offset_) box_->setValue(value - offset_);
  });
  QObject::connect(box_, &QSpinBox::valueChanged, slider_, [this](int value) {
    const int clamped = std::clamp(value, minimum_, maximum_);
    if (clamped != value) {
      box_->setValue(clamped);
      return;
    }
    if (slider_->value() != value + offset_) slider_->setValue(value + offset_);
  });
}

void SliderRow::Load(const Settings& settings) { SetValue(static_cast<int>(Stored(settings))); }

void SliderRow::Store(Settings& settings) const {
  if (setting_) SetSettingInt(settings, *setting_, Value());
}

int SliderRow::Value() const { return std::clamp(box_->value(), minimum_, maximum_); }

void SliderRow::SetValue(int value) {
  box_->setValue(std::clamp(value, minimum_, maximum_));
  slider_->setValue(box_->value() + offset_);
}

GammaBox::GammaBox(QWidget* parent) : QSpinBox(parent) {
  setRange(1, 999);
  setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QString GammaBox::textFromValue(int value) const { return QString::fromStdString(FormatFixed(value / 100.0, 2)); }

int GammaBox::ValueOf(const QString& text) const { return valueFromText(text); }

int GammaBox::valueFromText(const QString& text) const {
  const double typed = ParseReal(text.trimmed().toStdString());
  const double hundredths = std::round(typed * 100.0);
  if (!(hundredths >= minimum())) return minimum();  // NaN too
  return static_cast<int>(std::min<double>(hundredths, maximum()));
}

QValidator::State GammaBox::validate(QString& text, int&) const {
  const QString body = text.trimmed();
  static const QRegularExpression number(QStringLiteral("^[0-9]*\\.?[0-9]*$"));
  if (!number.match(body).hasMatch()) return QValidator::Invalid;
  if (body.isEmpty() || body == QStringLiteral(".")) return QValidator::Intermediate;
  // Anything else is a number: fixup rounds and clamps it when editing ends.
  const double hundredths = std::round(ParseReal(body.toStdString()) * 100.0);
  return hundredths >= minimum() && hundredths <= maximum() && textFromValue(static_cast<int>(hundredths)) == body
             ? QValidator::Acceptable
             : QValidator::Intermediate;
}

void GammaBox::fixup(QString& text) const { text = textFromValue(valueFromText(text)); }

GammaRow::GammaRow(const RowPlace& place) : Row(place) {
  slider_ = Place(new QSlider(Qt::Horizontal, panel_), kControlX, 0, 170, 20, name_ + QStringLiteral(" Slider"));
  slider_->setRange(1, 999);
  box_ = Place(new GammaBox(panel_), 340, 0, 70, 20, name_);
  label()->setBuddy(box_);
  QObject::connect(slider_, &QSlider::valueChanged, box_, [this](int value) {
    if (box_->value() != value) box_->setValue(value);
  });
  QObject::connect(box_, &QSpinBox::valueChanged, slider_, [this](int value) {
    if (slider_->value() != value) slider_->setValue(value);
  });
  // A typed value counts once it is complete: the box reads it, rounds it
  // to hundredths, clamps it and shows it with two decimals.
  QObject::connect(box_, &QAbstractSpinBox::editingFinished, box_, [this] {
    const int value = box_->ValueOf(box_->text());
    box_->setValue(value);
    box_->findChild<QLineEdit*>()->setText(QString::fromStdString(FormatFixed(value / 100.0, 2)));
  });
}

void GammaRow::Load(const Settings& settings) {
  if (setting_) SetGamma(SettingAsFloat(settings, *setting_));
}

void GammaRow::Store(Settings& settings) const {
  if (setting_) SetSettingFloat(settings, *setting_, Gamma());
}

float GammaRow::Gamma() const {
  // Pending text (OK pressed with the cursor still in the box) counts too.
  return static_cast<float>(box_->ValueOf(box_->text())) / 100.0f;
}

void GammaRow::SetGamma(float gamma) {
  const double hundredths = std::round(static_cast<double>(gamma) * 100.0);
  const int value = hundredths >= 1 ? static_cast<int>(std::min(hundredths, 999.0)) : 1;
  box_->setValue(value);
  slider_->setValue(value);
  // The stored value with two decimals, as it is, even beyond the range.
  if (std::isfinite(gamma)) box_->findChild<QLineEdit*>()->setText(QString::fromStdString(FormatFixed(gamma, 2)));
}

ColorRow::ColorRow(const RowPlace& place) : Row(place) {
  button_ = Place(new QPushButton(panel_), kControlX, -1, 44, 22, name_ + QStringLiteral(" Button"));
  button_->setIconSize(QSize(34, 12));
  field_ = Place(new QLineEdit(panel_), 220, 0, 190, 20, name_);
  field_->setReadOnly(true);
  label()->setBuddy(button_);
  QObject::connect(button_, &QPushButton::clicked, button_, [this] {
    const int32_t current = ColorFromHex(field_->text().toStdString());
    const QColor initial(current & 0xFF, (current >> 8) & 0xFF, (current >> 16) & 0xFF);
    const std::optional<QColor> chosen = CurrentDialogs().ChooseColor(label()->text().toStdString(), initial);
    if (!chosen) return;
    const int32_t rgb = chosen->red() + chosen->green() * 256 + chosen->blue() * 65536;
    if (rgb != current) Show(rgb);
  });
}

void ColorRow::Load(const Settings& settings) {
  if (setting_) SetColor(SettingAsText(settings, *setting_));
}

void ColorRow::Store(Settings& settings) const {
  if (setting_) SetSettingText(settings, *setting_, Color());
}

std::string ColorRow::Color() const { return ColorToHex(ColorFromHex(field_->text().toStdString())); }

void ColorRow::SetColor(const std::string& hex) { Show(ColorFromHex(hex)); }

void ColorRow::Show(int32_t rgb) {
  field_->setText(QString::fromStdString(ColorToHex(rgb)));
  button_->setIcon(QIcon(QPixmap::fromImage(ColorSwatch(rgb, 34, 12))));
}

ColorListRow::ColorListRow(const RowPlace& place, const char* listKey, Settings& live)
    : Row(place), listSetting_(SettingIn(setting_->group, listKey)), live_(live) {
  list_ = Place(new QComboBox(panel_), kControlX, 0, 214, 21, name_);
  more_ = Place(MoreButton(panel_), 389, -1, 22, 22, name_ + QStringLiteral(" Button"));
  label()->setBuddy(list_);
  QObject::connect(more_, &QToolButton::clicked, more_, [this] { Choose(); });
}

void ColorListRow::AddEntry(int32_t rgb) {
  list_->addItem(QIcon(QPixmap::fromImage(ColorSwatch(rgb, 16, 16))),
                 QString::fromStdString(ColorName(ColorToHex(rgb))), rgb);
}

void ColorListRow::Load(const Settings& settings) {
  list_->clear();
  for (const std::string& element : SplitString(SettingAsText(settings, listSetting_), ','))
    AddEntry(ColorFromHex(TrimBlanks(element)));
  list_->setCurrentIndex(list_->count() > 0 ? 0 : -1);
  const int match = list_->findData(ColorFromHex(SettingAsText(settings, *setting_)));
  if (match >= 0) list_->setCurrentIndex(match);
}

void ColorListRow::Store(Settings& settings) const { SetSettingText(settings, *setting_, Color()); }

std::string ColorListRow::Color() const {
  return ColorToHex(list_->currentIndex() >= 0 ? list_->currentData().toInt() : 0);
}

void ColorListRow::Choose() {
  const int32_t current = list_->currentIndex() >= 0 ? list_->currentData().toInt() : 0;
  const QColor initial(current & 0xFF, (current >> 8) & 0xFF, (current >> 16) & 0xFF);
  const std::optional<QColor> chosen = CurrentDialogs().ChooseColor(label()->text().toStdString(), initial);
  if (!chosen) return;
  const int32_t rgb = chosen->red() + chosen->green() * 256 + chosen->blue() * 65536;
  const std::string listed = SettingAsText(live_, listSetting_);
  bool known = false;
  for (const std::string& element : SplitString(listed, ','))
    known = known || ColorFromHex(TrimBlanks(element)) == rgb;
  if (!known) {
    // Kept in the settings at once, even if the window is then cancelled.
    AddEntry(rgb);
    SetSettingText(live_, listSetting_, listed + "," + ColorToHex(rgb));
  }
  list_->setCurrentIndex(list_->findData(rgb));
}

ListButtonRow::ListButtonRow(const RowPlace& place) : Row(place) {
  list_ = Place(new QComboBox(panel_), kControlX, 0, 214, 21, name_);
  more_ = Place(MoreButton(panel_), 389, -1, 22, 22, name_ + QStringLiteral(" Button"));
  label()->setBuddy(list_);
}

TextButtonRow::TextButtonRow(const RowPlace& place) : Row(place) {
  field_ = Place(new QLineEdit(panel_), kControlX, 0, 214, 20, name_);
  more_ = Place(MoreButton(panel_), 389, -1, 22, 22, name_ + QStringLiteral(" Button"));
  label()->setBuddy(field_);
}

void TextButtonRow::Load(const Settings& settings) { field_->setText(QString::fromStdString(SettingAsText(settings, *setting_))); }

void TextButtonRow::Store(Settings& settings) const {
  SetSettingText(settings, *setting_, CleanTypedText(field_->text().toStdString()));
}

DateRow::DateRow(const RowPlace& place) : Row(place) {
  picker_ = Place(new QDateTimeEdit(panel_), kControlX, 0, 240, 21, name_);
  picker_->setDisplayFormat(QStringLiteral("yyyy/MM/dd HH:mm"));
  // Stored dates count local wall-clock seconds as if they were UTC.
  picker_->setTimeSpec(Qt::UTC);
  // What the setting holds: 32-bit seconds from 1970 on. A later or earlier
  // date would be stored as another one.
  picker_->setDateTimeRange(QDateTime::fromSecsSinceEpoch(0, Qt::UTC),
                            QDateTime::fromSecsSinceEpoch(INT32_MAX, Qt::UTC));
  picker_->setCalendarPopup(true);
  label()->setBuddy(picker_);
}

void DateRow::Load(const Settings& settings) { SetSeconds(static_cast<int32_t>(Stored(settings))); }

void DateRow::Store(Settings& settings) const {
  if (setting_) SetSettingInt(settings, *setting_, Seconds());
}

int32_t DateRow::Seconds() const {
  return static_cast<int32_t>(std::clamp<qint64>(picker_->dateTime().toSecsSinceEpoch(), INT32_MIN, INT32_MAX));
}

void DateRow::SetSeconds(int32_t localSeconds) {
  picker_->setDateTime(QDateTime::fromSecsSinceEpoch(localSeconds, Qt::UTC));
}

QWidget* ScrollingPanel::panel() const { return area_; }

ScrollingPanel::ScrollingPanel(QWidget* parent, int x, int y, int width, int height, int contentHeight,
                               const QString& name) {
  area_ = new QScrollArea(parent);
  area_->setObjectName(name);
  area_->setGeometry(x, y, width, height);
  area_->setFrameShape(QFrame::NoFrame);
  area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  area_->verticalScrollBar()->setSingleStep(10);
  content_ = new QWidget;
  content_->setFixedSize(width - 30, contentHeight);
  area_->setWidget(content_);
}

}  // namespace pictavo::prefs
