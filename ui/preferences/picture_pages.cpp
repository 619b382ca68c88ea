#include "ui/preferences/picture_pages.h"

#include <QCheckBox>

namespace pictavo {

TransformPage::TransformPage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "Transform") {
  prefs::ScrollingPanel scroll(this, 0, 0, 450, 255, 375, QStringLiteral("TransformScroll"));
  prefs::RowList& rows = RowsOn(scroll.content(), "Transform");
  const std::vector<const char*> units = {"Pixels", "Percent"};
  rotate_ = &rows.Add<prefs::CheckRow>("Image Rotation", "Do Image Rotation");
  rotation_ = {
      &rows.Add<prefs::ListRow>("Rotation Type", "Image Rotation Type",
                                std::vector<const char*>{"Simple Rotation", "Advanced Rotation"}),
      &rows.Add<prefs::SliderRow>("Rotation Angle", "Image Rotation", 0, 360),
      &rows.Add<prefs::ColorRow>("Background Color", "Image Rotation Back Color"),
  };
  resize_ = &rows.Add<prefs::CheckRow>("Image Resize", "Do Image Resize");
  resizing_ = {
      &rows.Add<prefs::NumberUnitRow>("Image Width", "Image Width", units, "Image Width Unit"),
      &rows.Add<prefs::NumberUnitRow>("Image Height", "Image Height", units, "Image Height Unit"),
      &rows.Add<prefs::CheckRow>("Keep Aspect Ratio", "Keep Aspect Ratio"),
      &rows.Add<prefs::ListRow>("Resize Type", "Image Resize Type", std::vector<const char*>{"All Images", "Large Images"}),
      &rows.Add<prefs::ListRow>("Resize Algorithm", "Image Resize Algorithm",
                                std::vector<const char*>{"Box", "Bilinear", "Bspline", "Bicubic", "Catmullrom", "Lanczos"}),
  };
  rows.Add<prefs::CheckRow>("Image Flip Horizontal", "Do Image Flip Horizontal");
  rows.Add<prefs::CheckRow>("Image Flip Vertical", "Do Image Flip Vertical");
  connect(rotate_->box(), &QCheckBox::toggled, this, [this] { ApplyRules(); });
  connect(resize_->box(), &QCheckBox::toggled, this, [this] { ApplyRules(); });
}

void TransformPage::ApplyRules() {
  for (prefs::Row* row : rotation_) row->SetEnabled(rotate_->Checked());
  for (prefs::Row* row : resizing_) row->SetEnabled(resize_->Checked());
}

AdjustmentPage::AdjustmentPage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "Adjustment") {
  prefs::RowList& rows = RowsOn(this, "Adjustment");
  // The sliders run from 0 to 200 for the boxes' -100 to 100.
  rows.Add<prefs::SliderRow>("Image Brightness", "Image Brightness", -100, 100, 100);
  rows.Add<prefs::SliderRow>("Image Contrast", "Image Contrast", -100, 100, 100);
  rows.Add<prefs::GammaRow>("Image Gamma", "Image Gamma");
  rows.Add<prefs::CheckRow>("Image Invert", "Image Invert");
  rows.Add<prefs::CheckRow>("Image Greyscale", "Do Image Greyscale");
  threshold_ = &rows.Add<prefs::CheckRow>("Image Threshold", "Do Image Threshold");
  thresholdLevel_ = &rows.Add<prefs::SliderRow>("Threshold Level", "Image Threshold", 0, 255);
  connect(threshold_->box(), &QCheckBox::toggled, this, [this] { ApplyRules(); });
}

void AdjustmentPage::ApplyRules() { thresholdLevel_->SetEnabled(threshold_->Checked()); }

void AdjustmentPage::Store(Settings& s) const {
  PreferencesPage::Store(s);
  Settings::Adjustment& a = s.adjustment;
  // Correction runs when any of its settings would change the picture.
  a.doImageColorCorrection =
      a.imageBrightness != 0 || a.imageContrast != 0 || a.imageGamma != 1.0f || a.imageInvert != 0 ? 1 : 0;
}

}  // namespace pictavo
