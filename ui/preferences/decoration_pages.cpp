#include "ui/preferences/decoration_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>

#include "base/text_util.h"
#include "texts/language.h"
#include "ui/dialogs.h"
#include "ui/preferences/general_pages.h"

namespace pictavo {

namespace {

QString Name(const char* group, const char* key) {
  return QString::fromUtf8(group) + QLatin1Char('/') + QString::fromUtf8(key);
}

const std::vector<const char*> kPositions = {"Top-Left",    "Top-Center",    "Top-Right",
                                             "Middle-Left", "Middle-Center", "Middle-Right",
                                             "Bottom-Left", "Bottom-Center", "Bottom-Right"};
const std::vector<const char*> kBoundaries = {"Bound Image", "Bound Frame"};

// Font Style entries carry the style flags the font dialog reports.
constexpr int kStyleFlags[] = {0, 256, 512, 768};

}  // namespace

QStringList WatermarkImageFilters() {
  return {QString::fromStdString(GetText("Dialog", "All Supported Files")) +
              QStringLiteral(" (*.jpg *.jpeg *.jpe *.jif *.png *.bmp *.rle *.dib)"),
          QStringLiteral("JPEG File (*.jpg *.jpeg *.jpe *.jif)"), QStringLiteral("Portable Network Graphics (*.png)"),
          QStringLiteral("Windows or OS/2 Bitmap (*.bmp *.rle *.dib)"),
          QString::fromStdString(GetText("Dialog", "All Files")) + QStringLiteral(" (*.*)")};
}

std::string FontListName(const std::string& family) { return ReplaceAll(family, ",", ""); }

FramePage::FramePage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "Frame"),
      type_(this, 0, "Frame Type", {"None", "Frame Solid"}, Name("Frame", "Do Frame")),
      solid_(this, 0, 40, 450, 215, 310, QStringLiteral("FrameSolid")),
      left_(solid_.content(), 0, "Left", {"Pixels"}, Name("Frame", "Solid Left")),
      right_(solid_.content(), 1, "Right", {"Pixels"}, Name("Frame", "Solid Right")),
      top_(solid_.content(), 2, "Top", {"Pixels"}, Name("Frame", "Solid Top")),
      bottom_(solid_.content(), 3, "Bottom", {"Pixels"}, Name("Frame", "Solid Bottom")),
      leftColor_(solid_.content(), 4, "Left Color", Name("Frame", "Solid Left Color")),
      rightColor_(solid_.content(), 5, "Right Color", Name("Frame", "Solid Right Color")),
      topColor_(solid_.content(), 6, "Top Color", Name("Frame", "Solid Top Color")),
      bottomColor_(solid_.content(), 7, "Bottom Color", Name("Frame", "Solid Bottom Color")),
      opacity_(solid_.content(), 8, "Opacity", 1, 255, Name("Frame", "Solid Opacity")) {
  connect(type_.list(), &QComboBox::currentIndexChanged, this, [this] { ApplyRules(); });
}

void FramePage::ApplyRules() { solid_.panel()->setVisible(type_.Index() == 1); }

void FramePage::Fill() {
  const Settings::Frame& f = context_.settings.frame;
  type_.SetIndex(f.doFrame);
  left_.SetNumber(f.solidLeft);
  right_.SetNumber(f.solidRight);
  top_.SetNumber(f.solidTop);
  bottom_.SetNumber(f.solidBottom);
  leftColor_.SetColor(f.solidLeftColor);
  rightColor_.SetColor(f.solidRightColor);
  topColor_.SetColor(f.solidTopColor);
  bottomColor_.SetColor(f.solidBottomColor);
  opacity_.SetValue(f.solidOpacity);
  ApplyRules();
}

void FramePage::Store(Settings& s) const {
  Settings::Frame& f = s.frame;
  type_.StoreIndex(f.doFrame);
  f.solidLeft = left_.Number();
  f.solidRight = right_.Number();
  f.solidTop = top_.Number();
  f.solidBottom = bottom_.Number();
  f.solidLeftColor = leftColor_.Color();
  f.solidRightColor = rightColor_.Color();
  f.solidTopColor = topColor_.Color();
  f.solidBottomColor = bottomColor_.Color();
  f.solidOpacity = opacity_.Value();
}

WatermarkPage::WatermarkPage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "Watermark"),
      type_(this, 0, "Watermark Type", {"None", "Watermark Text", "Watermark Image"}, Name("Watermark", "Do Watermark")),
      textPanel_(this, 0, 40, 450, 215, 610, QStringLiteral("WatermarkText")),
      text_(textPanel_.content(), 0, "Text", Name("Watermark", "Text")),
      font_(textPanel_.content(), 1, "Font", Name("Watermark", "Font")),
      fontSize_(textPanel_.content(), 2, "Font Size", {"Points"}, Name("Watermark", "Font Size")),
      fontLeading_(textPanel_.content(), 3, "Font Leading", {"Pixels"}, Name("Watermark", "Font Leading")),
      fontColor_(textPanel_.content(), 4, "Font Color", context.settings.watermark.fontColors,
                 Name("Watermark", "Font Color")),
      fontStyle_(textPanel_.content(), 5, "Font Style", {"Regular", "Bold", "Italic", "Bold Italic"},
                 Name("Watermark", "Font Style")),
      fontEffect_(textPanel_.content(), 6, "Font Effect", {"None", "Underline", "Strikeout"},
                  Name("Watermark", "Font Effect")),
      antialiasing_(textPanel_.content(), 7, "Antialiasing", Name("Watermark", "Text Antialiasing")),
      alignment_(textPanel_.content(), 8, "Text Alignment", {"Align Left", "Align Center", "Align Right"},
                 Name("Watermark", "Text Alignment")),
      padding_(textPanel_.content(), 9, "Text Padding", {"Pixels"}, Name("Watermark", "Text Padding")),
      textOpacity_(textPanel_.content(), 10, "Text Opacity", 1, 255, Name("Watermark", "Text Opacity")),
      backColor_(textPanel_.content(), 11, "Background Color", context.settings.watermark.backColors,
                 Name("Watermark", "Back Color")),
      backOpacity_(textPanel_.content(), 12, "Background Opacity", 1, 255, Name("Watermark", "Back Opacity")),
      textBoundary_(textPanel_.content(), 13, "Boundary", kBoundaries, Name("Watermark", "Text Boundary")),
      textPosition_(textPanel_.content(), 14, "Position", kPositions, Name("Watermark", "Text Position")),
      textX_(textPanel_.content(), 15, "X-Offset", {"Pixels"}, Name("Watermark", "Text X Offset")),
      textY_(textPanel_.content(), 16, "Y-Offset", {"Pixels"}, Name("Watermark", "Text Y Offset")),
      textRotation_(textPanel_.content(), 17, "Rotation Angle", 0, 360, Name("Watermark", "Text Rotation")),
      textSize_(textPanel_.content(), 18, "Size", {"Fixed"}, Name("Watermark", "Text Size")),
      textScale_(textPanel_.content(), 19, "Scale", 1, 200, Name("Watermark", "Text Scale")),
      imagePanel_(this, 0, 40, 450, 215, 310, QStringLiteral("WatermarkImage")),
      image_(imagePanel_.content(), 0, "Image", Name("Watermark", "Image")),
      imageGreyscale_(imagePanel_.content(), 1, "Image Greyscale", Name("Watermark", "Image Greyscale")),
      imageOpacity_(imagePanel_.content(), 2, "Opacity", 1, 255, Name("Watermark", "Image Opacity")),
      imageBoundary_(imagePanel_.content(), 3, "Boundary", kBoundaries, Name("Watermark", "Image Boundary")),
      imagePosition_(imagePanel_.content(), 4, "Position", kPositions, Name("Watermark", "Image Position")),
      imageX_(imagePanel_.content(), 5, "X-Offset", {"Pixels"}, Name("Watermark", "Image X Offset")),
      imageY_(imagePanel_.content(), 6, "Y-Offset", {"Pixels"}, Name("Watermark", "Image Y Offset")),
      imageRotation_(imagePanel_.content(), 7, "Rotation Angle", 0, 360, Name("Watermark", "Image Rotation")),
      imageSize_(imagePanel_.content(), 8, "Size", {"Fixed"}, Name("Watermark", "Image Size")),
      imageScale_(imagePanel_.content(), 9, "Scale", 1, 200, Name("Watermark", "Image Scale")) {
  for (int i = 0; i < fontStyle_.list()->count(); ++i) fontStyle_.list()->setItemData(i, kStyleFlags[i]);
  const int effects[] = {0, 4, 8};
  for (int i = 0; i < fontEffect_.list()->count(); ++i) fontEffect_.list()->setItemData(i, effects[i]);
  for (int i = 0; i < alignment_.list()->count(); ++i) alignment_.list()->setItemData(i, i);
  connect(type_.list(), &QComboBox::currentIndexChanged, this, [this] { ApplyRules(); });
  connect(textSize_.list(), &QComboBox::currentIndexChanged, this, [this] { ApplyRules(); });
  connect(imageSize_.list(), &QComboBox::currentIndexChanged, this, [this] { ApplyRules(); });
  connect(font_.more(), &QToolButton::clicked, this, [this] { ChooseFont(); });
  connect(image_.more(), &QToolButton::clicked, this, [this] { ChooseImage(); });
}

void WatermarkPage::ApplyRules() {
  textPanel_.panel()->setVisible(type_.Index() == 1);
  imagePanel_.panel()->setVisible(type_.Index() == 2);
  // Scales mean something only for a size mode other than "Fixed".
  textScale_.SetVisible(textSize_.Index() == 1);
  imageScale_.SetVisible(imageSize_.Index() == 1);
}

void WatermarkPage::Fill() {
  Settings::Watermark& w = context_.settings.watermark;
  type_.SetIndex(w.doWatermark);
  text_.SetText(w.text);
  // An empty font list starts with the font in use.
  if (w.fonts.empty()) w.fonts = w.font;
  QComboBox* fonts = font_.list();
  fonts->clear();
  for (const std::string& name : SplitString(w.fonts, ',')) fonts->addItem(QString::fromStdString(std::string(TrimBlanks(name))));
  fonts->setCurrentIndex(fonts->count() > 0 ? 0 : -1);
  const int current = fonts->findText(QString::fromStdString(w.font), Qt::MatchFixedString);
  if (current >= 0) fonts->setCurrentIndex(current);
  fontSize_.SetNumber(w.fontSize);
  fontLeading_.SetNumber(w.fontLeading);
  fontColor_.Fill(w.fontColor);
  fontStyle_.SetIndex(w.fontStyle);
  fontEffect_.SetIndex(w.fontEffect);
  antialiasing_.SetChecked(w.textAntialiasing != 0);
  alignment_.SetIndex(w.textAlignment);
  padding_.SetNumber(w.textPadding);
  textOpacity_.SetValue(w.textOpacity);
  backColor_.Fill(w.backColor);
  backOpacity_.SetValue(w.backOpacity);
  textBoundary_.SetIndex(w.textBoundary);
  textPosition_.SetIndex(w.textPosition);
  textX_.SetNumber(w.textXOffset);
  textY_.SetNumber(w.textYOffset);
  textRotation_.SetValue(w.textRotation);
  textSize_.SetIndex(w.textSize);
  textScale_.SetValue(w.textScale);
  image_.field()->setText(QString::fromStdString(w.image));
  imageGreyscale_.SetChecked(w.imageGreyscale != 0);
  imageOpacity_.SetValue(w.imageOpacity);
  imageBoundary_.SetIndex(w.imageBoundary);
  imagePosition_.SetIndex(w.imagePosition);
  imageX_.SetNumber(w.imageXOffset);
  imageY_.SetNumber(w.imageYOffset);
  imageRotation_.SetValue(w.imageRotation);
  imageSize_.SetIndex(w.imageSize);
  imageScale_.SetValue(w.imageScale);
  ApplyRules();
}

void WatermarkPage::ChooseFont() {
  QFont initial(font_.list()->currentText());
  if (fontSize_.Number() > 0) initial.setPointSize(fontSize_.Number());
  const std::optional<QFont> chosen = CurrentDialogs().ChooseFont(font_.label()->text().toStdString(), initial);
  if (!chosen) return;
  const std::string name = FontListName(chosen->family().toStdString());
  Settings::Watermark& w = context_.settings.watermark;
  bool listed = false;
  for (const std::string& element : SplitString(w.fonts, ',')) listed = listed || TrimBlanks(element) == name;
  if (!listed) {
    // Kept in the settings at once, even if the window is then cancelled.
    font_.list()->addItem(QString::fromStdString(name));
    w.fonts += "," + name;
  }
  font_.list()->setCurrentIndex(font_.list()->findText(QString::fromStdString(name), Qt::MatchExactly));
  fontSize_.SetNumber(chosen->pointSize());
  const int flags = (chosen->bold() ? 256 : 0) + (chosen->italic() ? 512 : 0) + (chosen->underline() ? 4 : 0) +
                    (chosen->strikeOut() ? 8 : 0);
  // Underline and strike-out are no style: then no entry matches.
  const int style = fontStyle_.list()->findData(flags);
  if (style >= 0) fontStyle_.SetIndex(style);
}

void WatermarkPage::ChooseImage() {
  const std::optional<std::string> file =
      CurrentDialogs().OpenFile(GetText("Dialog", "Select Watermark Image"), WatermarkImageFilters(),
                                std::string(TrimBlanks(image_.field()->text().toStdString())));
  if (file) image_.field()->setText(QString::fromStdString(*file));
}

void WatermarkPage::Store(Settings& s) const {
  Settings::Watermark& w = s.watermark;
  type_.StoreIndex(w.doWatermark);
  w.text = CleanTypedText(text_.Text());
  w.font = font_.list()->currentText().toStdString();
  w.fontSize = fontSize_.Number();
  w.fontLeading = fontLeading_.Number();
  w.fontColor = fontColor_.Color();
  fontStyle_.StoreIndex(w.fontStyle);
  fontEffect_.StoreIndex(w.fontEffect);
  w.textAntialiasing = antialiasing_.Checked() ? 1 : 0;
  alignment_.StoreIndex(w.textAlignment);
  w.textPadding = padding_.Number();
  w.textOpacity = textOpacity_.Value();
  w.backColor = backColor_.Color();
  w.backOpacity = backOpacity_.Value();
  textBoundary_.StoreIndex(w.textBoundary);
  textPosition_.StoreIndex(w.textPosition);
  w.textXOffset = textX_.Number();
  w.textYOffset = textY_.Number();
  w.textRotation = textRotation_.Value();
  textSize_.StoreIndex(w.textSize);
  w.textScale = textScale_.Value();
  w.image = CleanTypedText(image_.field()->text().toStdString());
  w.imageGreyscale = imageGreyscale_.Checked() ? 1 : 0;
  w.imageOpacity = imageOpacity_.Value();
  imageBoundary_.StoreIndex(w.imageBoundary);
  imagePosition_.StoreIndex(w.imagePosition);
  w.imageXOffset = imageX_.Number();
  w.imageYOffset = imageY_.Number();
  w.imageRotation = imageRotation_.Value();
  imageSize_.StoreIndex(w.imageSize);
  w.imageScale = imageScale_.Value();
}

}  // namespace pictavo
