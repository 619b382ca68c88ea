#include "ui/preferences/picture_pages.h"

#include <QCheckBox>

namespace pictavo {

namespace {

QString Name(const char* group, const char* key) {
  return QString::fromUtf8(group) + QLatin1Char('/') + QString::fromUtf8(key);
}

}  // namespace

TransformPage::TransformPage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "Transform"),
      scroll_(this, 0, 0, 450, 255, 375, QStringLiteral("TransformScroll")),
      rotate_(scroll_.content(), 0, "Image Rotation", Name("Transform", "Do Image Rotation")),
      rotationType_(scroll_.content(), 1, "Rotation Type", {"Simple Rotation", "Advanced Rotation"},
                    Name("Transform", "Image Rotation Type")),
      rotation_(scroll_.content(), 2, "Rotation Angle", 0, 360, Name("Transform", "Image Rotation")),
      rotationBack_(scroll_.content(), 3, "Background Color", Name("Transform", "Image Rotation Back Color")),
      resize_(scroll_.content(), 4, "Image Resize", Name("Transform", "Do Image Resize")),
      width_(scroll_.content(), 5, "Image Width", {"Pixels", "Percent"}, Name("Transform", "Image Width")),
      height_(scroll_.content(), 6, "Image Height", {"Pixels", "Percent"}, Name("Transform", "Image Height")),
      keepAspect_(scroll_.content(), 7, "Keep Aspect Ratio", Name("Transform", "Keep Aspect Ratio")),
      resizeType_(scroll_.content(), 8, "Resize Type", {"All Images", "Large Images"},
                  Name("Transform", "Image Resize Type")),
      resizeAlgorithm_(scroll_.content(), 9, "Resize Algorithm",
                       {"Box", "Bilinear", "Bspline", "Bicubic", "Catmullrom", "Lanczos"},
                       Name("Transform", "Image Resize Algorithm")),
      flipHorizontal_(scroll_.content(), 10, "Image Flip Horizontal", Name("Transform", "Do Image Flip Horizontal")),
      flipVertical_(scroll_.content(), 11, "Image Flip Vertical", Name("Transform", "Do Image Flip Vertical")) {
  connect(rotate_.box(), &QCheckBox::toggled, this, [this] { ApplyRules(); });
  connect(resize_.box(), &QCheckBox::toggled, this, [this] { ApplyRules(); });
}

void TransformPage::ApplyRules() {
  const bool rotating = rotate_.Checked();
  rotationType_.SetEnabled(rotating);
  rotation_.SetEnabled(rotating);
  rotationBack_.SetEnabled(rotating);
  const bool resizing = resize_.Checked();
  for (prefs::Row* row : std::initializer_list<prefs::Row*>{&width_, &height_, &keepAspect_, &resizeType_, &resizeAlgorithm_})
    row->SetEnabled(resizing);
}

void TransformPage::Fill() {
  const Settings::Transform& t = context_.settings.transform;
  rotate_.SetChecked(t.doImageRotation != 0);
  rotationType_.SetIndex(t.imageRotationType);
  rotation_.SetValue(t.imageRotation);
  rotationBack_.SetColor(t.imageRotationBackColor);
  resize_.SetChecked(t.doImageResize != 0);
  width_.SetNumber(t.imageWidth);
  width_.SetUnitIndex(t.imageWidthUnit);
  height_.SetNumber(t.imageHeight);
  height_.SetUnitIndex(t.imageHeightUnit);
  keepAspect_.SetChecked(t.keepAspectRatio != 0);
  resizeType_.SetIndex(t.imageResizeType);
  resizeAlgorithm_.SetIndex(t.imageResizeAlgorithm);
  flipHorizontal_.SetChecked(t.doImageFlipHorizontal != 0);
  flipVertical_.SetChecked(t.doImageFlipVertical != 0);
  ApplyRules();
}

void TransformPage::Store(Settings& s) const {
  Settings::Transform& t = s.transform;
  t.doImageRotation = rotate_.Checked() ? 1 : 0;
  rotationType_.StoreIndex(t.imageRotationType);
  t.imageRotation = rotation_.Value();
  t.imageRotationBackColor = rotationBack_.Color();
  t.doImageResize = resize_.Checked() ? 1 : 0;
  t.imageWidth = width_.Number();
  if (width_.UnitIndex() >= 0) t.imageWidthUnit = static_cast<uint8_t>(width_.UnitIndex());
  t.imageHeight = height_.Number();
  if (height_.UnitIndex() >= 0) t.imageHeightUnit = static_cast<uint8_t>(height_.UnitIndex());
  t.keepAspectRatio = keepAspect_.Checked() ? 1 : 0;
  resizeType_.StoreIndex(t.imageResizeType);
  resizeAlgorithm_.StoreIndex(t.imageResizeAlgorithm);
  t.doImageFlipHorizontal = flipHorizontal_.Checked() ? 1 : 0;
  t.doImageFlipVertical = flipVertical_.Checked() ? 1 : 0;
}

AdjustmentPage::AdjustmentPage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "Adjustment"),
      brightness_(this, 0, "Image Brightness", -100, 100, Name("Adjustment", "Image Brightness"), 100),
      contrast_(this, 1, "Image Contrast", -100, 100, Name("Adjustment", "Image Contrast"), 100),
      gamma_(this, 2, "Image Gamma", Name("Adjustment", "Image Gamma")),
      invert_(this, 3, "Image Invert", Name("Adjustment", "Image Invert")),
      greyscale_(this, 4, "Image Greyscale", Name("Adjustment", "Do Image Greyscale")),
      threshold_(this, 5, "Image Threshold", Name("Adjustment", "Do Image Threshold")),
      thresholdLevel_(this, 6, "Threshold Level", 0, 255, Name("Adjustment", "Image Threshold")) {
  connect(threshold_.box(), &QCheckBox::toggled, this, [this] { ApplyRules(); });
}

void AdjustmentPage::ApplyRules() { thresholdLevel_.SetEnabled(threshold_.Checked()); }

void AdjustmentPage::Fill() {
  const Settings::Adjustment& a = context_.settings.adjustment;
  brightness_.SetValue(a.imageBrightness);
  contrast_.SetValue(a.imageContrast);
  gamma_.SetGamma(a.imageGamma);
  invert_.SetChecked(a.imageInvert != 0);
  greyscale_.SetChecked(a.doImageGreyscale != 0);
  threshold_.SetChecked(a.doImageThreshold != 0);
  thresholdLevel_.SetValue(a.imageThreshold);
  ApplyRules();
}

void AdjustmentPage::Store(Settings& s) const {
  Settings::Adjustment& a = s.adjustment;
  a.imageBrightness = brightness_.Value();
  a.imageContrast = contrast_.Value();
  a.imageGamma = gamma_.Gamma();
  a.imageInvert = invert_.Checked() ? 1 : 0;
  a.doImageGreyscale = greyscale_.Checked() ? 1 : 0;
  a.doImageThreshold = threshold_.Checked() ? 1 : 0;
  a.imageThreshold = thresholdLevel_.Value();
  // Correction runs when any of its settings would change the picture.
  a.doImageColorCorrection =
      a.imageBrightness != 0 || a.imageContrast != 0 || a.imageGamma != 1.0f || a.imageInvert != 0 ? 1 : 0;
}

}  // namespace pictavo
