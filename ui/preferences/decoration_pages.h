// The pages Frame and Watermark.
#pragma once

#include <QStringList>

#include "ui/preferences/page.h"
#include "ui/preferences/rows.h"

namespace pictavo {

class FramePage : public PreferencesPage {
 public:
  FramePage(QWidget* parent, PreferencesContext& context);
  void Fill() override;
  void Store(Settings& settings) const override;

 private:
  void ApplyRules();
  prefs::ListRow type_;
  prefs::ScrollingPanel solid_;
  prefs::NumberUnitRow left_, right_, top_, bottom_;
  prefs::ColorRow leftColor_, rightColor_, topColor_, bottomColor_;
  prefs::SliderRow opacity_;
};

class WatermarkPage : public PreferencesPage {
 public:
  WatermarkPage(QWidget* parent, PreferencesContext& context);
  void Fill() override;
  void Store(Settings& settings) const override;

 private:
  void ApplyRules();
  void ChooseFont();
  void ChooseImage();
  prefs::ListRow type_;
  prefs::ScrollingPanel textPanel_;
  prefs::TextRow text_;
  prefs::ListButtonRow font_;
  prefs::NumberUnitRow fontSize_;
  prefs::NumberUnitRow fontLeading_;
  prefs::ColorListRow fontColor_;
  prefs::ListRow fontStyle_;
  prefs::ListRow fontEffect_;
  prefs::CheckRow antialiasing_;
  prefs::ListRow alignment_;
  prefs::NumberUnitRow padding_;
  prefs::SliderRow textOpacity_;
  prefs::ColorListRow backColor_;
  prefs::SliderRow backOpacity_;
  prefs::ListRow textBoundary_;
  prefs::ListRow textPosition_;
  prefs::NumberUnitRow textX_, textY_;
  prefs::SliderRow textRotation_;
  prefs::ListRow textSize_;
  prefs::SliderRow textScale_;
  prefs::ScrollingPanel imagePanel_;
  prefs::TextButtonRow image_;
  prefs::CheckRow imageGreyscale_;
  prefs::SliderRow imageOpacity_;
  prefs::ListRow imageBoundary_;
  prefs::ListRow imagePosition_;
  prefs::NumberUnitRow imageX_, imageY_;
  prefs::SliderRow imageRotation_;
  prefs::ListRow imageSize_;
  prefs::SliderRow imageScale_;
};

// The file dialog filters of the watermark picture, in Qt's "Label (*.a *.b)"
// form, the first one selected.
QStringList WatermarkImageFilters();

// A font name from the font dialog as the font list keeps it: commas removed.
std::string FontListName(const std::string& family);

}  // namespace pictavo
