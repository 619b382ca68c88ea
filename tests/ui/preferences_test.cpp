// The preferences window and the custom converter, driven headless through
// their named controls with scripted answers for every dialog.
#include <gtest/gtest.h>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "settings/config.h"
#include "base/program.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/desktop_fixture.h"
#include "ui/preferences/colors.h"
#include "ui/preferences/custom_converter.h"
#include "ui/preferences/preferences_window.h"

namespace pictavo {
namespace {

class PreferencesTest : public test::DesktopTest {
 protected:
  void SetUp() override {
    settings.configPath = dir.file("config.ini");
    themes.names = {{"handdrawn", "Hand Drawn"}, {"plain", "Plain"}};
    DesktopTest::SetUp();
  }
  void TearDown() override {
    if (prefs) prefs->close();
    QApplication::processEvents();
  }

  PreferencesWindow* Open(int command = kCommandPreferences) {
    window->RunCommand(command);
    prefs = qobject_cast<PreferencesWindow*>(QApplication::activeModalWidget());
    if (!prefs) ADD_FAILURE() << "no preferences window";
    return prefs;
  }
  template <typename W>
  W* Control(const char* name) const {
    W* control = prefs->findChild<W*>(QString::fromUtf8(name));
    if (!control) ADD_FAILURE() << "no control " << name;
    return control;
  }
  // Replaces a box's text as typed, then leaves it (Enter).
  static void Type(QWidget* box, const QString& text) {
    if (auto* spin = qobject_cast<QAbstractSpinBox*>(box)) spin->selectAll();
    if (auto* line = qobject_cast<QLineEdit*>(box)) line->selectAll();
    QTest::keyClicks(box, text);
  }
  static void Leave(QWidget* box) { QTest::keyClick(box, Qt::Key_Return); }
  void PressOk() { QTest::mouseClick(Control<QPushButton>("okButton"), Qt::LeftButton); }

  test::TempDir dir;
  QPointer<PreferencesWindow> prefs;
};

TEST_F(PreferencesTest, OpensAtTheStartPageWhichThenGoesBackToGeneral) {
  Open(kCommandOutputFormatOptions);
  EXPECT_EQ(prefs->CurrentPage(), kPrefsOutput);
  EXPECT_EQ(Control<QLabel>("caption")->text(), QStringLiteral("Output"));
  EXPECT_EQ(job.prefsStartPage, 0);
  EXPECT_FALSE(window->isEnabled());
  QTest::keyClick(prefs, Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_TRUE(prefs.isNull());
  EXPECT_TRUE(window->isEnabled());

  Open();
  EXPECT_EQ(prefs->CurrentPage(), kPrefsGeneral);
  EXPECT_EQ(Control<QLabel>("caption")->text(), QStringLiteral("General"));
  Control<QListWidget>("categories")->setCurrentRow(kPrefsAdvanced);
  EXPECT_EQ(Control<QLabel>("caption")->text(), QStringLiteral("Advanced"));
}

TEST_F(PreferencesTest, ThemeRefreshFollowsWhatChanged) {
  struct Case {
    bool theme, size;
    ThemeRefresh expected;
  };
  using enum ThemeRefresh;
  for (const Case c : {Case{false, false, None}, Case{false, true, IconSizeOnly}, Case{true, false, Theme},
                       Case{true, true, Theme}}) {
    Open();
    Control<QComboBox>("Interface/UI Theme")->setCurrentIndex(c.theme ? 1 : 0);
    Control<QComboBox>("Interface/UI Size")->setCurrentIndex(c.size ? 0 : 2);
    EXPECT_EQ(prefs->ThemeRefreshFor(settings), c.expected) << c.theme << c.size;
    PressOk();
    EXPECT_EQ(settings.interface.uiTheme, c.theme ? "plain" : "handdrawn");
    EXPECT_EQ(job.themeRefreshRequest, ThemeRefresh::None);  // consumed by the main window
    settings.interface.uiTheme = "handdrawn";
    settings.interface.uiSize = 2;
  }
}

TEST_F(PreferencesTest, DefaultsAskFirstAndResetOnlyOnYes) {
  settings.adjustment.imageBrightness = 40;
  Open();
  dialogs.answers = {false};
  QTest::mouseClick(Control<QPushButton>("defaultsButton"), Qt::LeftButton);
  ASSERT_FALSE(prefs.isNull());
  EXPECT_TRUE(prefs->isVisible());
  EXPECT_EQ(dialogs.questions.back().text, GetText("Msg", "Ask reset to defaults"));
  EXPECT_EQ(settings.adjustment.imageBrightness, 40);
  EXPECT_FALSE(std::filesystem::exists(settings.configPath));

  dialogs.answers = {true};
  QTest::mouseClick(Control<QPushButton>("defaultsButton"), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_TRUE(prefs.isNull());
  EXPECT_EQ(settings.adjustment.imageBrightness, 0);
  EXPECT_TRUE(std::filesystem::exists(settings.configPath));
}

TEST_F(PreferencesTest, ANewColourJoinsItsListAtOnceAndStaysAfterCancel) {
  const std::string before = settings.watermark.fontColors;
  Open();
  auto* list = Control<QComboBox>("Watermark/Font Color");
  dialogs.nextColor = QColor(0xFF, 0x00, 0x00);  // already listed: selected, nothing added
  QTest::mouseClick(Control<QToolButton>("Watermark/Font Color Button"), Qt::LeftButton);
  EXPECT_EQ(list->currentText(), QStringLiteral("Red"));
  EXPECT_EQ(settings.watermark.fontColors, before);

  dialogs.nextColor = QColor(0x12, 0x34, 0x56);
  QTest::mouseClick(Control<QToolButton>("Watermark/Font Color Button"), Qt::LeftButton);
  EXPECT_EQ(list->currentText(), QStringLiteral("Color #123456"));
  EXPECT_EQ(settings.watermark.fontColors, before + ",123456");
  QTest::mouseClick(Control<QPushButton>("cancelButton"), Qt::LeftButton);
  EXPECT_EQ(settings.watermark.fontColors, before + ",123456");
  EXPECT_EQ(settings.watermark.fontColor, "FFFFFF");
}

// Every unit list shows its entries whole, in the usual font and in one
// half as large again.
TEST_F(PreferencesTest, UnitListsShowTheirWholeEntries) {
  const QFont usual = QApplication::font();
  for (const double scale : {1.0, 1.5}) {
    QFont font = usual;
    font.setPointSizeF(usual.pointSizeF() * scale);
    QApplication::setFont(font);
    PreferencesWindow* preferences = OpenPreferences(*window);
    int lists = 0;
    for (QComboBox* list : preferences->findChildren<QComboBox*>()) {
      if (!list->objectName().endsWith(QStringLiteral(" Unit"))) continue;
      ++lists;
      QStyleOptionComboBox option;
      option.initFrom(list);
      option.editable = false;
      const int room =
          list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list).width();
      for (int i = 0; i < list->count(); ++i)
        EXPECT_LE(list->fontMetrics().horizontalAdvance(list->itemText(i)), room)
            << list->objectName().toStdString() << " " << list->itemText(i).toStdString() << " at " << scale;
    }
    EXPECT_GE(lists, 2);
    preferences->close();
    QApplication::processEvents();
  }
  QApplication::setFont(usual);
}

TEST_F(PreferencesTest, EnablingAndShowingFollowTheirControls) {
  Open();
  struct RawCase {
    int load;
    bool sizes, toneMapping;
  };
  for (const RawCase c : {RawCase{2, true, false}, RawCase{5, false, true}, RawCase{3, false, false}}) {
    Control<QComboBox>("Input/RAW Load As")->setCurrentIndex(c.load);
    EXPECT_EQ(Control<QLineEdit>("Input/RAW Header Size")->isEnabled(), c.sizes) << c.load;
    EXPECT_EQ(Control<QLineEdit>("Input/RAW Image Height")->isEnabled(), c.sizes) << c.load;
    EXPECT_EQ(Control<QComboBox>("Input/RAW Tone Mapping")->isEnabled(), c.toneMapping) << c.load;
  }
  auto* timestamp = Control<QComboBox>("Advanced/File Timestamp");
  timestamp->setCurrentIndex(0);
  EXPECT_FALSE(Control<QDateTimeEdit>("Advanced/Custom Timestamp")->isEnabled());
  timestamp->setCurrentIndex(2);
  auto* date = Control<QDateTimeEdit>("Advanced/Custom Timestamp");
  EXPECT_TRUE(date->isEnabled());
  // The picker offers only what the 32-bit setting can hold.
  date->setDateTime(QDateTime(QDate(2099, 5, 1), QTime(12, 0), Qt::UTC));
  EXPECT_EQ(date->dateTime().date(), QDate(2038, 1, 19));
  date->setDateTime(QDateTime(QDate(1960, 5, 1), QTime(12, 0), Qt::UTC));
  EXPECT_EQ(date->dateTime().toSecsSinceEpoch(), 0);

  Control<QCheckBox>("Transform/Do Image Resize")->setChecked(false);
  EXPECT_FALSE(Control<QLineEdit>("Transform/Image Width")->isEnabled());
  EXPECT_FALSE(Control<QComboBox>("Transform/Image Resize Algorithm")->isEnabled());
  EXPECT_TRUE(Control<QCheckBox>("Transform/Do Image Flip Vertical")->isEnabled());

  // Only the selected watermark kind's rows show; hidden ones still store.
  Control<QListWidget>("categories")->setCurrentRow(kPrefsWatermark);
  auto* kind = Control<QComboBox>("Watermark/Do Watermark");
  kind->setCurrentIndex(0);
  EXPECT_FALSE(Control<QLineEdit>("Watermark/Text")->isVisible());
  kind->setCurrentIndex(2);
  EXPECT_TRUE(Control<QLineEdit>("Watermark/Image")->isVisible());
  EXPECT_FALSE(Control<QLineEdit>("Watermark/Text")->isVisible());
  Control<QLineEdit>("Watermark/Text")->setText(QStringLiteral("hidden but kept"));
  PressOk();
  EXPECT_EQ(settings.watermark.text, "hidden but kept");
}

TEST_F(PreferencesTest, NumberPairsStayInStepAndClampWhatIsTyped) {
  settings.adjustment.imageBrightness = -30;
  Open();
  auto* brightness = Control<QSpinBox>("Adjustment/Image Brightness");
  EXPECT_EQ(brightness->value(), -30);
  EXPECT_EQ(Control<QSlider>("Adjustment/Image Brightness Slider")->value(), 70);
  Type(brightness, QStringLiteral("-250"));
  EXPECT_EQ(brightness->text(), QStringLiteral("-100"));
  EXPECT_EQ(Control<QSlider>("Adjustment/Image Brightness Slider")->value(), 0);

  // The JPEG sub-panel is hidden with the program's formats, but it exists.
  auto* quality = Control<QSpinBox>("Output/JPG Quality");
  Type(quality, QStringLiteral("150"));
  EXPECT_EQ(quality->text(), QStringLiteral("100"));
  EXPECT_EQ(Control<QSlider>("Output/JPG Quality Slider")->value(), 100);
  Control<QSlider>("Output/JPG Quality Slider")->setValue(42);
  EXPECT_EQ(quality->value(), 42);

  struct GammaCase {
    const char* typed;
    const char* shown;
    int slider;
  };
  auto* gamma = Control<QSpinBox>("Adjustment/Image Gamma");
  for (const GammaCase c : {GammaCase{"2.347", "2.35", 235}, GammaCase{"0", "0.01", 1}, GammaCase{"12", "9.99", 999}}) {
    Type(gamma, QString::fromUtf8(c.typed));
    Leave(gamma);
    EXPECT_EQ(gamma->text(), QString::fromUtf8(c.shown)) << c.typed;
    EXPECT_EQ(Control<QSlider>("Adjustment/Image Gamma Slider")->value(), c.slider) << c.typed;
  }
  PressOk();
  EXPECT_EQ(settings.adjustment.imageBrightness, -100);
  EXPECT_FLOAT_EQ(settings.adjustment.imageGamma, 9.99f);
  EXPECT_EQ(settings.output.jpgQuality, 42);
}

TEST_F(PreferencesTest, OkStoresCleanedTextsDepthsAndTheDerivedCorrectionFlag) {
  settings.output.pngBpp = 16;  // not a PNG depth
  Open();
  EXPECT_EQ(Control<QComboBox>("Output/PNG BPP")->currentIndex(), -1);
  Type(Control<QLineEdit>("Advanced/Filename Mask"), QStringLiteral(" %filename%_x.%ext%\t "));
  Type(Control<QLineEdit>("Watermark/Image"), QStringLiteral("  /pictures/logo.png "));
  PressOk();
  EXPECT_EQ(settings.output.pngBpp, 0);
  EXPECT_EQ(settings.advanced.filenameMask, "%filename%_x.%ext%");
  EXPECT_EQ(settings.watermark.image, "/pictures/logo.png");

  struct Case {
    const char* control;
    const char* typed;  // into a box; nullptr: check the invert box
    uint8_t expected;
  };
  for (const Case c : {Case{"Adjustment/Image Gamma", "1.00", 0}, Case{"Adjustment/Image Gamma", "1.01", 1},
                       Case{"Adjustment/Image Contrast", "5", 1}, Case{"Adjustment/Image Invert", nullptr, 1}}) {
    settings.adjustment = {1, 0, 0, 1.0f, 0, 0, 0, 0};
    Open();
    if (c.typed) {
      Type(Control<QWidget>(c.control), QString::fromUtf8(c.typed));
      Leave(Control<QWidget>(c.control));
    } else {
      Control<QCheckBox>(c.control)->setChecked(true);
    }
    PressOk();
    EXPECT_EQ(settings.adjustment.doImageColorCorrection, c.expected) << c.control << " " << (c.typed ? c.typed : "");
  }
}

TEST_F(PreferencesTest, FontsComeFromTheListAndTheFontDialog) {
  settings.watermark.font = "Nowhere Sans";  // not in Fonts
  Open();
  auto* fonts = Control<QComboBox>("Watermark/Font");
  EXPECT_EQ(fonts->currentText(), QStringLiteral("Arial"));

  QFont chosen;
  chosen.setFamilies({QStringLiteral("Times, New")});
  chosen.setPointSize(20);
  chosen.setBold(true);
  dialogs.nextFont = chosen;
  QTest::mouseClick(Control<QToolButton>("Watermark/Font Button"), Qt::LeftButton);
  EXPECT_EQ(dialogs.fontInitial.family(), QStringLiteral("Arial"));
  EXPECT_EQ(fonts->currentText(), QStringLiteral("Times New"));
  EXPECT_EQ(settings.watermark.fonts, "Arial,Tahoma,Verdana,Times New");  // at once
  EXPECT_EQ(Control<QLineEdit>("Watermark/Font Size")->text(), QStringLiteral("20"));
  EXPECT_EQ(Control<QComboBox>("Watermark/Font Style")->currentIndex(), 1);

  chosen.setUnderline(true);  // no style entry matches: the style stays
  chosen.setBold(false);
  dialogs.nextFont = chosen;
  QTest::mouseClick(Control<QToolButton>("Watermark/Font Button"), Qt::LeftButton);
  EXPECT_EQ(settings.watermark.fonts, "Arial,Tahoma,Verdana,Times New");
  EXPECT_EQ(Control<QComboBox>("Watermark/Font Style")->currentIndex(), 1);
  PressOk();
  EXPECT_EQ(settings.watermark.font, "Times New");

  settings.watermark.fonts.clear();
  settings.watermark.font = "Lone";
  Open();
  EXPECT_EQ(settings.watermark.fonts, "Lone");
  PressOk();
  EXPECT_EQ(settings.watermark.font, "Lone");
}

TEST_F(PreferencesTest, KeyboardMovesThroughTheRowsAndEnterIsOk) {
  Open();
  Control<QListWidget>("categories")->setCurrentRow(kPrefsAdvanced);
  Control<QComboBox>("Advanced/File Timestamp")->setCurrentIndex(0);
  auto* mask = Control<QLineEdit>("Advanced/Filename Mask");
  QApplication::setActiveWindow(prefs);
  mask->setFocus();
  QApplication::processEvents();
  ASSERT_EQ(QApplication::focusWidget(), mask);
  const char* const order[] = {"Advanced/File Timestamp", "Advanced/Out Folders History",
                               "Advanced/Out Folders Number Slider", "Advanced/Out Folders Number"};
  for (const char* next : order) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* focused = QApplication::focusWidget();
    while (focused && focused->objectName().isEmpty()) focused = focused->parentWidget();  // a spin box's editor
    EXPECT_EQ(focused ? focused->objectName() : QString(), QString::fromUtf8(next));
  }
  Type(mask, QStringLiteral("%n%.%ext%"));
  QTest::keyClick(mask, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_TRUE(prefs.isNull());
  EXPECT_EQ(settings.advanced.filenameMask, "%n%.%ext%");
}

TEST_F(PreferencesTest, EveryPageKeepsItsChangeThroughARestart) {
  Open();
  Control<QComboBox>("General/Update Range")->setCurrentIndex(4);
  Control<QComboBox>("Interface/UI Size")->setCurrentIndex(1);
  Control<QComboBox>("Input/RAW Load As")->setCurrentIndex(5);
  Control<QCheckBox>("Output/PNG Interlaced")->setChecked(true);
  Control<QCheckBox>("Transform/Do Image Flip Horizontal")->setChecked(true);
  Control<QSlider>("Adjustment/Image Threshold Slider")->setValue(77);
  Control<QComboBox>("Frame/Do Frame")->setCurrentIndex(1);
  Type(Control<QLineEdit>("Frame/Solid Top"), QStringLiteral("12"));
  Control<QComboBox>("Watermark/Text Position")->setCurrentIndex(4);
  Control<QSlider>("Advanced/Out Folders Number Slider")->setValue(9);
  PressOk();

  Settings restarted;
  restarted.configPath = settings.configPath;
  LoadConfig(restarted);
  settings = restarted;
  window = CreateMainWindow(Records());
  SetupMainWindow(*window);
  Open();
  EXPECT_EQ(Control<QComboBox>("General/Update Range")->currentIndex(), 4);
  EXPECT_EQ(Control<QComboBox>("Interface/UI Size")->currentIndex(), 1);
  EXPECT_EQ(Control<QComboBox>("Input/RAW Load As")->currentIndex(), 5);
  EXPECT_TRUE(Control<QCheckBox>("Output/PNG Interlaced")->isChecked());
  EXPECT_TRUE(Control<QCheckBox>("Transform/Do Image Flip Horizontal")->isChecked());
  EXPECT_EQ(Control<QSpinBox>("Adjustment/Image Threshold")->value(), 77);
  EXPECT_EQ(Control<QComboBox>("Frame/Do Frame")->currentIndex(), 1);
  EXPECT_EQ(Control<QLineEdit>("Frame/Solid Top")->text(), QStringLiteral("12"));
  EXPECT_EQ(Control<QComboBox>("Watermark/Text Position")->currentIndex(), 4);
  EXPECT_EQ(Control<QSpinBox>("Advanced/Out Folders Number")->value(), 9);
}

// Each row loads its own setting and stores it back: a window filled from
// these settings and stored over the defaults saves what was there, every
// field set apart from its neighbours so that a row bound to another setting
// shows.
TEST_F(PreferencesTest, OkWithoutChangesSavesTheSettingsAsTheyWere) {
  Settings& s = settings;
  s.general = {s.general.cfg, "en", 4, s.general.updateDate, 0};
  s.interface.uiSize = 1;
  s.input.rawLoadAs = RawLoadAs::Headerless16;
  s.input.rawHeaderSize = 11;
  s.input.rawImageWidth = 12;
  s.input.rawImageHeight = 13;
  s.input.rawToneMapping = 3;
  s.output.pngBpp = 24;
  s.output.pngCompression = 2;
  s.output.pngInterlaced = 1;
  s.transform = {1, 1, 90, "102030", 1, 640, 1, 480, 0, 0, 1, 4, 1, 0};
  s.adjustment = {1, -20, 30, 1.5f, 1, 1, 1, 99};
  s.frame = {1, 1, 2, 3, 4, "FF0000", "00FF00", "0000FF", "FFFF00", 200};
  Settings::Watermark& w = s.watermark;
  w.doWatermark = WatermarkMode::Picture;
  w.text = "words";
  w.font = "Verdana";
  w.fontSize = 21;
  w.fontLeading = 3;
  w.fontColor = "FF8000";
  w.fontStyle = 3;
  w.fontEffect = 2;
  w.textAntialiasing = 1;
  w.textAlignment = 2;
  w.textPadding = 5;
  w.textOpacity = 111;
  w.backColor = "008000";
  w.backOpacity = 122;
  w.textBoundary = 1;
  w.textPosition = WatermarkPosition::MiddleLeft;
  w.textXOffset = 31;
  w.textYOffset = 32;
  w.textRotation = 33;
  w.textScale = 34;
  w.image = "/logo.png";
  w.imageGreyscale = 1;
  w.imageOpacity = 133;
  w.imageBoundary = 1;
  w.imagePosition = WatermarkPosition::MiddleRight;
  w.imageXOffset = 41;
  w.imageYOffset = 42;
  w.imageRotation = 43;
  w.imageScale = 44;
  s.advanced = {"%n%.%ext%", 2, 86400 * 365 + 60, 0, 7, 1, 0, 3};
  ASSERT_TRUE(SaveConfig(s));
  const std::string before = test::ReadFile(s.configPath);
  Open();
  const int32_t updateDate = s.general.updateDate;  // no row shows it
  SetDefaultSettings(s, 0);
  s.general.updateDate = updateDate;
  PressOk();
  EXPECT_EQ(test::ReadFile(s.configPath), before);
}

TEST(ColorNames, NamedColoursByNameOthersByDigits) {
  BuildLanguageTable();
  EXPECT_EQ(ColorName("ff0000"), "Red");
  EXPECT_EQ(ColorName("804000"), "Brown");
  EXPECT_EQ(ColorName("123456"), "Color #123456");
  const QImage swatch = ColorSwatch(0x563412, 34, 12);
  EXPECT_EQ(swatch.size(), QSize(34, 12));
  EXPECT_EQ(swatch.pixelColor(33, 11), QColor(0x12, 0x34, 0x56));
}

TEST_F(PreferencesTest, TheConverterSearchCleansBothExtensions) {
  struct Case {
    const char* source;
    const char* target;
    const char* page;  // nullptr: the warning
  };
  const Case cases[] = {
      {".JPG", "  Png ", "find/jpg-png/"},
      {"abcdefghijklmnop", "x", "find/abcdefghijkl-x/"},
      {"...........abc", "x", "find/a-x/"},  // cut to twelve before cleaning
      {"\xC3\xA9", "png", nullptr},
  };
  for (const Case& c : cases) {
    dialogs.opened.clear();
    dialogs.messages.clear();
    window->RunCommand(kCommandCustomConverter);
    QPointer<CustomConverterDialog> dialog = qobject_cast<CustomConverterDialog*>(QApplication::activeModalWidget());
    ASSERT_FALSE(dialog.isNull());
    EXPECT_FALSE(window->isEnabled());
    dialog->source()->setText(QString::fromUtf8(c.source));
    QTest::keyClicks(dialog->target(), QString::fromUtf8(c.target));
    QTest::keyClick(dialog->target(), Qt::Key_Return);  // Enter searches
    QApplication::processEvents();
    if (c.page) {
      EXPECT_EQ(dialogs.opened, std::vector<std::string>{std::string(kMakerSite) + c.page}) << c.source;
      EXPECT_TRUE(dialog.isNull());
      EXPECT_TRUE(window->isEnabled());
    } else {
      ASSERT_EQ(dialogs.messages.size(), 1u);
      EXPECT_EQ(dialogs.messages[0].text, GetText("Msg", "Empty extensions"));
      EXPECT_TRUE(dialogs.opened.empty());
      ASSERT_FALSE(dialog.isNull());
      EXPECT_EQ(dialog->source()->text(), QString::fromUtf8(c.source));  // kept for another try
      dialog->close();
    }
  }
}

}  // namespace
}  // namespace pictavo
