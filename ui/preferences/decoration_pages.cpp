#include "ui/preferences/decoration_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <string>
#include <tuple>
#include <utility>

#include "base/text_util.h"
#include "texts/language.h"
#include "ui/dialogs.h"

namespace pictavo {

namespace {

const std::vector<const char*> kPositions = {"Top-Left",    "Top-Center",    "Top-Right",
                                             "Middle-Left", "Middle-Center", "Middle-Right",
                                             "Bottom-Left", "Bottom-Center", "Bottom-Right"};
const std::vector<const char*> kBoundaries = {"Bound Image", "Bound Frame"};

// Font Style entries carry the style flags the font dialog reports.
constexpr int kStyleFlags[] = {0, 256, 512, 768};

// The placement rows the text and the picture watermark share, editing
// "Text Boundary", "Text Position"… or the same of "Image"; the size list
// and the scale slider, which the page enables together.
std::pair<prefs::ListRow*, prefs::SliderRow*> AddPlacementRows(prefs::RowList& rows, const std::string& of) {
  const auto key = [&of](const char* name) { return of + " " + name; };
  const std::vector<const char*> pixels = {"Pixels"};
  rows.Add<prefs::ListRow>("Boundary", key("Boundary").c_str(), kBoundaries);
  rows.Add<prefs::ListRow>("Position", key("Position").c_str(), kPositions);
  rows.Add<prefs::NumberUnitRow>("X-Offset", key("X Offset").c_str(), pixels);
  rows.Add<prefs::NumberUnitRow>("Y-Offset", key("Y Offset").c_str(), pixels);
  rows.Add<prefs::SliderRow>("Rotation Angle", key("Rotation").c_str(), 0, 360);
  auto& size = rows.Add<prefs::ListRow>("Size", key("Size").c_str(), std::vector<const char*>{"Fixed"});
  auto& scale = rows.Add<prefs::SliderRow>("Scale", key("Scale").c_str(), 1, 200);
  return {&size, &scale};
}

}  // namespace

QStringList WatermarkImageFilters() {
  return {QString::fromStdString(GetText("Dialog", "All Supported Files")) +
              QStringLiteral(" (*.jpg *.jpeg *.jpe *.jif *.png *.bmp *.rle *.dib)"),
          QStringLiteral("JPEG File (*.jpg *.jpeg *.jpe *.jif)"), QStringLiteral("Portable Network Graphics (*.png)"),
          QStringLiteral("Windows or OS/2 Bitmap (*.bmp *.rle *.dib)"),
          QString::fromStdString(GetText("Dialog", "All Files")) + QStringLiteral(" (*.*)")};
}

std::string FontListName(const std::string& family) { return ReplaceAll(family, ",", ""); }

FramePage::FramePage(QWidget* parent, PreferencesContext& context) : PreferencesPage(parent, context, "Frame") {
  type_ = &RowsOn(this, "Frame").Add<prefs::ListRow>("Frame Type", "Do Frame", std::vector<const char*>{"None", "Frame Solid"});
  prefs::ScrollingPanel solid(this, 0, 40, 450, 215, 310, QStringLiteral("FrameSolid"));
  solid_ = solid.panel();
  prefs::RowList& rows = RowsOn(solid.content(), "Frame");
  const std::vector<const char*> pixels = {"Pixels"};
  rows.Add<prefs::NumberUnitRow>("Left", "Solid Left", pixels);
  rows.Add<prefs::NumberUnitRow>("Right", "Solid Right", pixels);
  rows.Add<prefs::NumberUnitRow>("Top", "Solid Top", pixels);
  rows.Add<prefs::NumberUnitRow>("Bottom", "Solid Bottom", pixels);
  rows.Add<prefs::ColorRow>("Left Color", "Solid Left Color");
  rows.Add<prefs::ColorRow>("Right Color", "Solid Right Color");
  rows.Add<prefs::ColorRow>("Top Color", "Solid Top Color");
  rows.Add<prefs::ColorRow>("Bottom Color", "Solid Bottom Color");
  rows.Add<prefs::SliderRow>("Opacity", "Solid Opacity", 1, 255);
  connect(type_->list(), &QComboBox::currentIndexChanged, this, [this] { ApplyRules(); });
}

void FramePage::ApplyRules() { solid_->setVisible(type_->Index() == 1); }

FontRow::FontRow(const prefs::RowPlace& place, const char* listKey, Settings& live)
    : ListButtonRow(place), listSetting_(prefs::SettingIn(place.setting->group, listKey)), live_(live) {}

void FontRow::Load(const Settings& settings) {
  const std::string font = SettingAsText(settings, *setting());
  // An empty font list starts with the font in use.
  if (SettingAsText(settings, listSetting_).empty()) SetSettingText(live_, listSetting_, font);
  QComboBox* fonts = list();
  fonts->clear();
  for (const std::string& name : SplitString(SettingAsText(live_, listSetting_), ','))
    fonts->addItem(QString::fromStdString(std::string(TrimBlanks(name))));
  fonts->setCurrentIndex(fonts->count() > 0 ? 0 : -1);
  const int current = fonts->findText(QString::fromStdString(font), Qt::MatchFixedString);
  if (current >= 0) fonts->setCurrentIndex(current);
}

void FontRow::Store(Settings& settings) const { SetSettingText(settings, *setting(), list()->currentText().toStdString()); }

void FontRow::Choose(const std::string& name) {
  const std::string listed = SettingAsText(live_, listSetting_);
  bool known = false;
  for (const std::string& element : SplitString(listed, ',')) known = known || TrimBlanks(element) == name;
  if (!known) {
    // Kept in the settings at once, even if the window is then cancelled.
    list()->addItem(QString::fromStdString(name));
    SetSettingText(live_, listSetting_, listed + "," + name);
  }
  list()->setCurrentIndex(list()->findText(QString::fromStdString(name), Qt::MatchExactly));
}

WatermarkPage::WatermarkPage(QWidget* parent, PreferencesContext& context)
    : PreferencesPage(parent, context, "Watermark") {
  Settings& live = context.settings;
  type_ = &RowsOn(this, "Watermark")
               .Add<prefs::ListRow>("Watermark Type", "Do Watermark",
                                    std::vector<const char*>{"None", "Watermark Text", "Watermark Image"});
  const std::vector<const char*> pixels = {"Pixels"};

  prefs::ScrollingPanel text(this, 0, 40, 450, 215, 610, QStringLiteral("WatermarkText"));
  textPanel_ = text.panel();
  prefs::RowList& t = RowsOn(text.content(), "Watermark");
  t.Add<prefs::TextRow>("Text", "Text");
  font_ = &t.Add<FontRow>("Font", "Font", "Fonts", live);
  fontSize_ = &t.Add<prefs::NumberUnitRow>("Font Size", "Font Size", std::vector<const char*>{"Points"});
  t.Add<prefs::NumberUnitRow>("Font Leading", "Font Leading", pixels);
  t.Add<prefs::ColorListRow>("Font Color", "Font Color", "Font Colors", live);
  fontStyle_ = &t.Add<prefs::ListRow>("Font Style", "Font Style",
                                      std::vector<const char*>{"Regular", "Bold", "Italic", "Bold Italic"});
  auto& effect = t.Add<prefs::ListRow>("Font Effect", "Font Effect", std::vector<const char*>{"None", "Underline", "Strikeout"});
  t.Add<prefs::CheckRow>("Antialiasing", "Text Antialiasing");
  auto& alignment = t.Add<prefs::ListRow>("Text Alignment", "Text Alignment",
                                          std::vector<const char*>{"Align Left", "Align Center", "Align Right"});
  t.Add<prefs::NumberUnitRow>("Text Padding", "Text Padding", pixels);
  t.Add<prefs::SliderRow>("Text Opacity", "Text Opacity", 1, 255);
  t.Add<prefs::ColorListRow>("Background Color", "Back Color", "Back Colors", live);
  t.Add<prefs::SliderRow>("Background Opacity", "Back Opacity", 1, 255);
  std::tie(textSize_, textScale_) = AddPlacementRows(t, "Text");

  prefs::ScrollingPanel picture(this, 0, 40, 450, 215, 310, QStringLiteral("WatermarkImage"));
  imagePanel_ = picture.panel();
  prefs::RowList& i = RowsOn(picture.content(), "Watermark");
  image_ = &i.Add<prefs::TextButtonRow>("Image", "Image");
  i.Add<prefs::CheckRow>("Image Greyscale", "Image Greyscale");
  i.Add<prefs::SliderRow>("Opacity", "Image Opacity", 1, 255);
  std::tie(imageSize_, imageScale_) = AddPlacementRows(i, "Image");

  for (int n = 0; n < fontStyle_->list()->count(); ++n) fontStyle_->list()->setItemData(n, kStyleFlags[n]);
  const int effects[] = {0, 4, 8};
  for (int n = 0; n < effect.list()->count(); ++n) effect.list()->setItemData(n, effects[n]);
  for (int n = 0; n < alignment.list()->count(); ++n) alignment.list()->setItemData(n, n);
  connect(type_->list(), &QComboBox::currentIndexChanged, this, [this] { ApplyRules(); });
  connect(textSize_->list(), &QComboBox::currentIndexChanged, this, [this] { ApplyRules(); });
  connect(imageSize_->list(), &QComboBox::currentIndexChanged, this, [this] { ApplyRules(); });
  connect(font_->more(), &QToolButton::clicked, this, [this] { ChooseFont(); });
  connect(image_->more(), &QToolButton::clicked, this, [this] { ChooseImage(); });
}

void WatermarkPage::ApplyRules() {
  textPanel_->setVisible(type_->Index() == 1);
  imagePanel_->setVisible(type_->Index() == 2);
  // Scales mean something only for a size mode other than "Fixed".
  textScale_->SetVisible(textSize_->Index() == 1);
  imageScale_->SetVisible(imageSize_->Index() == 1);
}

void WatermarkPage::ChooseFont() {
  QFont initial(font_->list()->currentText());
  if (fontSize_->Number() > 0) initial.setPointSize(fontSize_->Number());
  const std::optional<QFont> chosen = CurrentDialogs().ChooseFont(font_->label()->text().toStdString(), initial);
  if (!chosen) return;
  font_->Choose(FontListName(chosen->family().toStdString()));
  fontSize_->SetNumber(chosen->pointSize());
  const int flags = (chosen->bold() ? 256 : 0) + (chosen->italic() ? 512 : 0) + (chosen->underline() ? 4 : 0) +
                    (chosen->strikeOut() ? 8 : 0);
  // Underline and strike-out are no style: then no entry matches.
  const int style = fontStyle_->list()->findData(flags);
  if (style >= 0) fontStyle_->SetIndex(style);
}

void WatermarkPage::ChooseImage() {
  const std::optional<std::string> file =
      CurrentDialogs().OpenFile(GetText("Dialog", "Select Watermark Image"), WatermarkImageFilters(),
                                std::string(TrimBlanks(image_->field()->text().toStdString())));
  if (file) image_->field()->setText(QString::fromStdString(*file));
}

}  // namespace pictavo
