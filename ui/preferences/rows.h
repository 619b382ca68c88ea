// The row patterns of the preferences pages. Row i of a panel has its label
// at (10, 13 + 30 i), 160 × 20, and its controls at y = 10 + 30 i from x 170
// on, laid out by the pattern. A row is enabled and shown as a whole (label
// and controls). Controls are named after the setting they edit
// ("Output/PNG Compression"), so tests and screen readers find them.
#pragma once

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QSpinBox>
#include <string>
#include <vector>

class QCheckBox;
class QDateTimeEdit;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QSlider;
class QToolButton;

namespace pictavo {

struct Settings;

namespace prefs {

inline constexpr int kRowStep = 30;
inline int RowTop(int row) { return 10 + kRowStep * row; }
// The height a panel's content needs for `rows` rows.
inline int ContentHeight(int rows) { return RowTop(rows) + 5; }

QString PrefText(const char* key);

class Row {
 public:
  Row(QWidget* panel, int row, const char* labelKey);
  virtual ~Row() = default;
  Row(const Row&) = delete;
  Row& operator=(const Row&) = delete;

  void SetEnabled(bool enabled);
  void SetVisible(bool visible);
  bool IsEnabled() const;
  QLabel* label() const { return label_; }

 protected:
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

 private:
  QLabel* label_;
  std::vector<QWidget*> controls_;
};

// Read-only drop-down list; entries are Preferences texts, index = value.
class ListRow : public Row {
 public:
  ListRow(QWidget* panel, int row, const char* labelKey, const std::vector<const char*>& entryKeys,
          const QString& name);
  int Index() const;
  void SetIndex(int index);  // an index outside the entries selects nothing
  // Stores the selected index; a list without selection (a stored number
  // outside its entries) leaves the setting as it was.
  template <typename T>
  void StoreIndex(T& field) const {
    if (Index() >= 0) field = static_cast<T>(Index());
  }
  QComboBox* list() const { return list_; }

 private:
  QComboBox* list_;
};

class CheckRow : public Row {
 public:
  CheckRow(QWidget* panel, int row, const char* labelKey, const QString& name);
  bool Checked() const;
  void SetChecked(bool on);
  QCheckBox* box() const { return box_; }

 private:
  QCheckBox* box_;
};

class TextRow : public Row {
 public:
  TextRow(QWidget* panel, int row, const char* labelKey, const QString& name);
  std::string Text() const;
  void SetText(const std::string& text);
  QLineEdit* field() const { return field_; }

 private:
  QLineEdit* field_;
};

// A digits-only number field and a list of one or two units.
class NumberUnitRow : public Row {
 public:
  NumberUnitRow(QWidget* panel, int row, const char* labelKey, const std::vector<const char*>& unitKeys,
                const QString& name);
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
};

// A slider and a number box kept in step. The box takes whatever number is
// typed and clamps it to the range at once, so "150" in a 1-to-100 box
// becomes 100 rather than being refused. `offset` shifts the slider against
// the box (slider = value + offset).
class SliderRow : public Row {
 public:
  SliderRow(QWidget* panel, int row, const char* labelKey, int minimum, int maximum, const QString& name,
            int offset = 0);
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
  GammaRow(QWidget* panel, int row, const char* labelKey, const QString& name);
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
  ColorRow(QWidget* panel, int row, const char* labelKey, const QString& name);
  std::string Color() const;  // six upper-case digits
  void SetColor(const std::string& hex);
  QPushButton* button() const { return button_; }
  QLineEdit* field() const { return field_; }

 private:
  void Show(int32_t rgb);
  QPushButton* button_;
  QLineEdit* field_;
};

// A list of named colours from a list setting (`Font Colors`), and "..." to
// add one: a colour not yet in the list is appended to the control and to
// the list setting at once.
class ColorListRow : public Row {
 public:
  ColorListRow(QWidget* panel, int row, const char* labelKey, std::string& listSetting, const QString& name);
  void Fill(const std::string& color);
  std::string Color() const;  // the selected entry, six upper-case digits
  QComboBox* list() const { return list_; }
  QToolButton* more() const { return more_; }

 private:
  void AddEntry(int32_t rgb);
  void Choose();
  std::string& listSetting_;
  QComboBox* list_;
  QToolButton* more_;
};

// A drop-down list (or a text field) with a "..." button beside it.
class ListButtonRow : public Row {
 public:
  ListButtonRow(QWidget* panel, int row, const char* labelKey, const QString& name);
  QComboBox* list() const { return list_; }
  QToolButton* more() const { return more_; }

 private:
  QComboBox* list_;
  QToolButton* more_;
};

class TextButtonRow : public Row {
 public:
  TextButtonRow(QWidget* panel, int row, const char* labelKey, const QString& name);
  QLineEdit* field() const { return field_; }
  QToolButton* more() const { return more_; }

 private:
  QLineEdit* field_;
  QToolButton* more_;
};

// Date and time, year/month/day hour:minute, as stored dates count it.
class DateRow : public Row {
 public:
  DateRow(QWidget* panel, int row, const char* labelKey, const QString& name);
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
