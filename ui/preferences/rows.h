// The row patterns of the preferences pages. Row i of a panel has its label
// at (10, 13 + 30 i), 160 × 20, and its controls at y = 10 + 30 i from x 170
// on, laid out by the pattern. A row is enabled and shown as a whole (label
// and controls).
//
// Every row is bound to the setting it edits (its descriptor in the settings
// table): it loads itself from a Settings record and stores itself back, and
// its controls are named after the setting ("Output/PNG Compression"), so
// tests and screen readers find them. Rows are added to a RowList, which
// numbers them in the order they are added.
#pragma once

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/settings.h"

class QCheckBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSlider;
class QToolButton;

namespace pictavo {

namespace prefs {

inline constexpr int kRowStep = 30;
inline int RowTop(int row) { return 10 + kRowStep * row; }
// The height a panel's content needs for `rows` rows.
inline int ContentHeight(int rows) { return RowTop(rows) + 5; }

QString PrefText(const char* key);

// The setting `key` of `group`; a name the table does not know is a
// programming error and fails when the page is built.
const SettingDescriptor& SettingIn(std::string_view group, std::string_view key);

// Text as the window stores texts typed into it: blanks trimmed at both
// ends, every TAB, CR and LF removed.
std::string CleanTypedText(const std::string& text);

// Where a row goes and what it edits. `setting` may be null for a row that
// stores nothing; `name` is then the controls' name.
struct RowPlace {
  QWidget* panel;
  int row;
  const char* labelKey;
  const SettingDescriptor* setting;
  QString name;
};

class Row {
 public:
  explicit Row(const RowPlace& place);
  virtual ~Row() = default;
  Row(const Row&) = delete;
  Row& operator=(const Row&) = delete;

  // Shows the setting's value from `settings` / stores the shown value.
  virtual void Load(const Settings& settings) = 0;
  virtual void Store(Settings& settings) const = 0;

  void SetEnabled(bool enabled);
  void SetVisible(bool visible);
  bool IsEnabled() const;
  QLabel* label() const { return label_; }
  const SettingDescriptor* setting() const { return setting_; }

 protected:
  // The bound setting's number; 0 for a row that stores nothing.
  int64_t Stored(const Settings& settings) const { return setting_ ? SettingAsInt(settings, *setting_) : 0; }

  // Adds a control at (x, row top + dy) with that size.
  template <typename W>
  W* Place(W* control, int x, int dy, int width, int height, const QString& name) {
    control->setGeometry(x, top_ + dy, width, height);
    control->setObjectName(name);
    controls_.push_back(control);
    return control;
  }
  QWidget* panel_;
  int top_;
  const SettingDescriptor* setting_;
  QString name_;

 private:
  QLabel* label_;
  std::vector<QWidget*> controls_;
};

// The rows of one panel, numbered in the order they are added; each row
// edits a setting of the list's group. Adding a row to a page is one call:
//   rows.Add<CheckRow>("Image Invert", "Image Invert");
class RowList {
 public:
  RowList(QWidget* panel, const char* group) : panel_(panel), group_(group) {}

  // A row of pattern R labelled with the Preferences text `labelKey`,
  // editing the setting `key`; `more` are the pattern's own arguments.
  template <typename R, typename... More>
  R& Add(const char* labelKey, const char* key, More&&... more) {
    return Adopt(std::make_unique<R>(Place(labelKey, &SettingIn(group_, key)), std::forward<More>(more)...));
  }
  // A row placed by the caller (next row number from NextPlace).
  template <typename R>
  R& Adopt(std::unique_ptr<R> row) {
    R& added = *row;
    rows_.push_back(std::move(row));
    return added;
  }
  RowPlace Place(const char* labelKey, const SettingDescriptor* setting, QString name = {}) const;

  void Load(const Settings& settings) const;
  void Store(Settings& settings) const;
  int count() const { return static_cast<int>(rows_.size()); }
  // The row editing `key`; nullptr when none does.
  Row* Find(std::string_view key) const;
  QWidget* panel() const { return panel_; }
  const char* group() const { return group_; }

 private:
  QWidget* panel_;
  const char* group_;
  std::vector<std::unique_ptr<Row>> rows_;
};

// Read-only drop-down list; entries are Preferences texts, index = value. A
// list without selection (a stored number outside its entries) leaves the
// setting as it was.
class ListRow : public Row {
 public:
  ListRow(const RowPlace& place, const std::vector<const char*>& entryKeys);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  int Index() const;
  void SetIndex(int index);  // an index outside the entries selects nothing
  QComboBox* list() const { return list_; }

 private:
  QComboBox* list_;
};

class CheckRow : public Row {
 public:
  explicit CheckRow(const RowPlace& place);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  bool Checked() const;
  void SetChecked(bool on);
  QCheckBox* box() const { return box_; }

 private:
  QCheckBox* box_;
};

// A typed text, stored cleaned (CleanTypedText).
class TextRow : public Row {
 public:
  explicit TextRow(const RowPlace& place);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  std::string Text() const;
  void SetText(const std::string& text);
  QLineEdit* field() const { return field_; }

 private:
  QLineEdit* field_;
};

// A digits-only number field and a list of one or two units. With
// `unitKey` the unit is a setting of its own (of the same group), which the
// row loads and stores too; without, the list only names the unit.
class NumberUnitRow : public Row {
 public:
  NumberUnitRow(const RowPlace& place, const std::vector<const char*>& unitKeys, const char* unitKey = nullptr);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  // The field read as configuration integers are read.
  int32_t Number() const;
  void SetNumber(int64_t value);
  int UnitIndex() const { return units_->currentIndex(); }
  void SetUnitIndex(int index) { units_->setCurrentIndex(index); }
  QLineEdit* field() const { return field_; }
  QComboBox* units() const { return units_; }

 private:
  QLineEdit* field_;
  QComboBox* units_;
  const SettingDescriptor* unitSetting_ = nullptr;
};

// A slider and a number box kept in step. The box takes whatever number is
// typed and clamps it to the range at once, so "150" in a 1-to-100 box
// becomes 100 rather than being refused. `offset` shifts the slider against
// the box (slider = value + offset).
class SliderRow : public Row {
 public:
  SliderRow(const RowPlace& place, int minimum, int maximum, int offset = 0);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  int Value() const;
  void SetValue(int value);  // clamped to the range
  QSlider* slider() const { return slider_; }
  QSpinBox* box() const { return box_; }

 protected:
  QSlider* slider_;
  QSpinBox* box_;
  int offset_;
  int minimum_;
  int maximum_;
};

// Gamma: a slider of hundredths (1 to 999) and a box showing the value with
// two decimals; typed text is rounded to hundredths and clamped.
class GammaBox : public QSpinBox {
 public:
  explicit GammaBox(QWidget* parent);
  // Hundredths of a typed text, rounded and clamped to 1..999.
  int ValueOf(const QString& text) const;

 protected:
  QString textFromValue(int value) const override;
  int valueFromText(const QString& text) const override;
  QValidator::State validate(QString& text, int& position) const override;
  void fixup(QString& text) const override;
};

class GammaRow : public Row {
 public:
  explicit GammaRow(const RowPlace& place);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  float Gamma() const;
  void SetGamma(float gamma);
  QSlider* slider() const { return slider_; }
  GammaBox* box() const { return box_; }

 private:
  QSlider* slider_;
  GammaBox* box_;
};

// A button showing the colour and a read-only field with its six digits.
class ColorRow : public Row {
 public:
  explicit ColorRow(const RowPlace& place);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  std::string Color() const;  // six upper-case digits
  void SetColor(const std::string& hex);
  QPushButton* button() const { return button_; }
  QLineEdit* field() const { return field_; }

 private:
  void Show(int32_t rgb);
  QPushButton* button_;
  QLineEdit* field_;
};

// A colour setting chosen from the named colours of a list setting
// (`Font Colors`, key `listKey` of the same group), and "..." to add one: a
// colour not yet in the list is appended to the control and to the list
// setting of `live` (the settings the window edits) at once.
class ColorListRow : public Row {
 public:
  ColorListRow(const RowPlace& place, const char* listKey, Settings& live);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  std::string Color() const;  // the selected entry, six upper-case digits
  QComboBox* list() const { return list_; }
  QToolButton* more() const { return more_; }

 private:
  void AddEntry(int32_t rgb);
  void Choose();
  const SettingDescriptor& listSetting_;
  Settings& live_;
  QComboBox* list_;
  QToolButton* more_;
};

// A drop-down list with a "..." button beside it; the page's own row
// classes give it a meaning.
class ListButtonRow : public Row {
 public:
  explicit ListButtonRow(const RowPlace& place);
  QComboBox* list() const { return list_; }
  QToolButton* more() const { return more_; }

 private:
  QComboBox* list_;
  QToolButton* more_;
};

// A text field with a "..." button beside it; the text is stored cleaned.
class TextButtonRow : public Row {
 public:
  explicit TextButtonRow(const RowPlace& place);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  QLineEdit* field() const { return field_; }
  QToolButton* more() const { return more_; }

 private:
  QLineEdit* field_;
  QToolButton* more_;
};

// Date and time, year/month/day hour:minute, as stored dates count it.
class DateRow : public Row {
 public:
  explicit DateRow(const RowPlace& place);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  int32_t Seconds() const;
  void SetSeconds(int32_t localSeconds);
  QDateTimeEdit* picker() const { return picker_; }

 private:
  QDateTimeEdit* picker_;
};

// A panel that scrolls a taller content, 10 pixels a step, without border.
// Rows go into content().
class ScrollingPanel {
 public:
  ScrollingPanel(QWidget* parent, int x, int y, int width, int height, int contentHeight, const QString& name);
  QWidget* panel() const;
  QWidget* content() const { return content_; }

 private:
  QScrollArea* area_;
  QWidget* content_;
};

}  // namespace prefs
}  // namespace pictavo
