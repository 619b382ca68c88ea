// The pages Transform and Adjustment.
#pragma once

#include <vector>

#include "ui/preferences/page.h"
#include "ui/preferences/rows.h"

namespace pictavo {

class TransformPage : public PreferencesPage {
 public:
  TransformPage(QWidget* parent, PreferencesContext& context);

 private:
  void ApplyRules() override;
  prefs::CheckRow* rotate_;
  std::vector<prefs::Row*> rotation_;  // the rows that mean something only when rotating
  prefs::CheckRow* resize_;
  std::vector<prefs::Row*> resizing_;
};

class AdjustmentPage : public PreferencesPage {
 public:
  AdjustmentPage(QWidget* parent, PreferencesContext& context);
  // The rows, then whether colour correction runs at all.
  void Store(Settings& settings) const override;

 private:
  void ApplyRules() override;
  prefs::CheckRow* threshold_;
  prefs::SliderRow* thresholdLevel_;
};

}  // namespace pictavo
