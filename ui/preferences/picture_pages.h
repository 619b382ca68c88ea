// The pages Transform and Adjustment.
#pragma once

#include "ui/preferences/page.h"
#include "ui/preferences/rows.h"

namespace pictavo {

class TransformPage : public PreferencesPage {
 public:
  TransformPage(QWidget* parent, PreferencesContext& context);
  void Fill() override;
  void Store(Settings& settings) const override;

 private:
  void ApplyRules();
  prefs::ScrollingPanel scroll_;
  prefs::CheckRow rotate_;
  prefs::ListRow rotationType_;
  prefs::SliderRow rotation_;
  prefs::ColorRow rotationBack_;
  prefs::CheckRow resize_;
  prefs::NumberUnitRow width_;
  prefs::NumberUnitRow height_;
  prefs::CheckRow keepAspect_;
  prefs::ListRow resizeType_;
  prefs::ListRow resizeAlgorithm_;
  prefs::CheckRow flipHorizontal_;
  prefs::CheckRow flipVertical_;
};

class AdjustmentPage : public PreferencesPage {
 public:
  AdjustmentPage(QWidget* parent, PreferencesContext& context);
  void Fill() override;
  void Store(Settings& settings) const override;

 private:
  void ApplyRules();
  prefs::SliderRow brightness_;
  prefs::SliderRow contrast_;
  prefs::GammaRow gamma_;
  prefs::CheckRow invert_;
  prefs::CheckRow greyscale_;
  prefs::CheckRow threshold_;
  prefs::SliderRow thresholdLevel_;
};

}  // namespace pictavo
