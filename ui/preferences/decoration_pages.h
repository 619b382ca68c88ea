// The pages Frame and Watermark.
#pragma once

#include <QStringList>

#include "ui/preferences/page.h"
#include "ui/preferences/rows.h"

namespace pictavo {

class FramePage : public PreferencesPage {
 public:
  FramePage(QWidget* parent, PreferencesContext& context);

 private:
  void ApplyRules() override;
  prefs::ListRow* type_;
  QWidget* solid_;
};

// The font in use, chosen from the font list setting (`Fonts`, whose names
// hold no comma); "..." opens the font dialog, and a font not yet listed
// joins the list setting of `live` (the settings the window edits) at once.
class FontRow : public prefs::ListButtonRow {
 public:
  FontRow(const prefs::RowPlace& place, const char* listKey, Settings& live);
  void Load(const Settings& settings) override;
  void Store(Settings& settings) const override;
  // Selects `name`, adding it to the list first when it is not there.
  void Choose(const std::string& name);

 private:
  const SettingDescriptor& listSetting_;
  Settings& live_;
};

class WatermarkPage : public PreferencesPage {
 public:
  WatermarkPage(QWidget* parent, PreferencesContext& context);

 private:
  void ApplyRules() override;
  void ChooseFont();
  void ChooseImage();
  prefs::ListRow* type_;
  QWidget* textPanel_;
  FontRow* font_;
  prefs::NumberUnitRow* fontSize_;
  prefs::ListRow* fontStyle_;
  prefs::ListRow* textSize_;
  prefs::SliderRow* textScale_;
  QWidget* imagePanel_;
  prefs::TextButtonRow* image_;
  prefs::ListRow* imageSize_;
  prefs::SliderRow* imageScale_;
};

// The file dialog filters of the watermark picture, in Qt's "Label (*.a *.b)"
// form, the first one selected.
QStringList WatermarkImageFilters();

// A font name from the font dialog as the font list keeps it: commas removed.
std::string FontListName(const std::string& family);

}  // namespace pictavo
