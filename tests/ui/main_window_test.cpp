#include "ui/main_window.h"

#include <gtest/gtest.h>
#include <functional>
#include <array>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "tests/ui/desktop_fixture.h"

namespace pictavo {
namespace {

using test::DesktopTest;

// Command numbers in the order a menu or toolbar shows them; -1 a separator.
std::vector<int> Commands(const QList<QAction*>& actions) {
  std::vector<int> out;
  for (const QAction* action : actions) {
    if (action->isSeparator()) {
      out.push_back(-1);
      continue;
    }
    QString name = action->objectName();
    name.remove(QStringLiteral("menuCommand")).remove(QStringLiteral("toolCommand"));
    out.push_back(name.toInt());
  }
  return out;
}

QAction* MenuAction(QMainWindow& window, int command) {
  return window.findChild<QAction*>(QStringLiteral("menuCommand%1").arg(command));
}

class MainWindowTest : public DesktopTest {};

TEST_F(MainWindowTest, WideningTo900StretchesTheFieldsAndMovesTheButtonsOnly) {
  window->resize(900, 400);
  QTRY_COMPARE(window->width(), 900);
  QApplication::processEvents();

  EXPECT_EQ(window->height(), 260);
  EXPECT_EQ(window->panel()->width(), 900);
  for (QWidget* field : {static_cast<QWidget*>(window->folderList()), static_cast<QWidget*>(window->formatList())}) {
    EXPECT_EQ(field->width(), 740) << field->objectName().toStdString();
    EXPECT_EQ(field->x(), 10);
  }
  // The input row leaves room for its second button, the folder's.
  EXPECT_EQ(window->inputField()->geometry(), QRect(10, 20, 716, 20));
  const int rowY[3] = {19, 59, 99};
  for (int n = 1; n <= 3; ++n) {
    EXPECT_EQ(window->fieldToolbar(n)->geometry(), QRect(754, rowY[n - 1], 24, 24)) << "field toolbar " << n;
  }
  EXPECT_EQ(window->fieldToolbar(4)->geometry(), QRect(730, 19, 24, 24));
  EXPECT_EQ(window->convertButton()->geometry(), QRect(790, 20, 100, 100));
  for (const char* label : {"inputLabel", "outputFolderLabel", "outputFormatLabel"})
    EXPECT_EQ(window->findChild<QLabel*>(QLatin1String(label))->geometry().topLeft().x(), 10) << label;
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("noticeLabel"))->geometry(), QRect(10, 190, 350, 20));
  // The panel sits below the toolbar and leaves room for the notice line.
  EXPECT_EQ(window->panel()->y(), window->toolbarHeight());
  EXPECT_EQ(window->panel()->height(),
            260 - window->menuHeight() - window->toolbarHeight() - window->statusBarHeight() - 40);
}

TEST_F(MainWindowTest, TheWindowCanOnlyBeWidened) {
  EXPECT_EQ(window->minimumSize(), QSize(510, 260));
  EXPECT_EQ(window->maximumHeight(), 260);
  EXPECT_EQ(window->maximumWidth(), QWIDGETSIZE_MAX);

  window->resize(300, 100);
  QTRY_COMPARE(window->size(), QSize(510, 260));
  window->resize(1200, 500);
  QTRY_COMPARE(window->size(), QSize(1200, 260));
}

TEST_F(MainWindowTest, MenusShowShortcutLabelsAndToolbarsTheBareTexts) {
  const QList<QAction*> menus = window->menuBar()->actions();
  ASSERT_EQ(menus.size(), 3);
  EXPECT_EQ(Commands(menus[0]->menu()->actions()), (std::vector<int>{0, -1, 5, 6, 7, -1, 3}));
  EXPECT_EQ(Commands(menus[1]->menu()->actions()), (std::vector<int>{14, -1, 16, -1, 17}));
  EXPECT_EQ(Commands(menus[2]->menu()->actions()), (std::vector<int>{18, -1, 21, 22, 23, -1, 24}));
  EXPECT_EQ(MenuAction(*window, 0)->text(), QStringLiteral("New\tCtrl+N"));
  EXPECT_EQ(MenuAction(*window, 3)->text(), QStringLiteral("Exit\tAlt+X"));
  EXPECT_EQ(MenuAction(*window, 14)->text(), QStringLiteral("Convert\tF5"));
  EXPECT_EQ(MenuAction(*window, 18)->text(), QStringLiteral("User Manual...\tF1"));

  QToolBar* toolbar = window->mainToolbar();
  EXPECT_EQ(Commands(toolbar->actions()), (std::vector<int>{0, 5, 7, -1, 17, -1, 14, -1, 18, 21, 22, 23}));
  EXPECT_EQ(toolbar->iconSize(), QSize(32, 32));  // UI Size 2
  EXPECT_EQ(window->findChild<QAction*>(QStringLiteral("toolCommand14"))->toolTip(), QStringLiteral("Convert"));
  const char* fieldTips[4] = {"Add Input File...", "Select Output Folder...", "Options...", "Add Input Folder..."};
  for (int n = 1; n <= 4; ++n) {
    ASSERT_EQ(window->fieldToolbar(n)->actions().size(), 1);
    EXPECT_EQ(window->fieldToolbar(n)->actions()[0]->toolTip(), QLatin1String(fieldTips[n - 1]));
  }
}

TEST_F(MainWindowTest, ShortcutsRunTheirCommands) {
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  window->inputField()->setText(QStringLiteral("/somewhere/photo.dng"));
  QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
  EXPECT_TRUE(window->inputField()->text().isEmpty());

  // F5 runs the conversion checks: with no input file the first one fails.
  QTest::keyClick(window.get(), Qt::Key_F5);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(window->StatusText(), "Conversion stopped");

  QTest::keyClick(window.get(), Qt::Key_X, Qt::AltModifier);
  EXPECT_FALSE(window->isVisible());
}

// The menus open from the keyboard as on the desktop: F10 and Alt alone at
// the first menu; Alt and a menu's first letter at that menu (its mnemonic:
// the X server test tries it, the offscreen platform has no mnemonics).
// Their texts stay as they are.
TEST_F(MainWindowTest, TheMenusOpenFromTheKeyboard) {
  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  const QList<QAction*> menus = window->menuBar()->actions();
  ASSERT_EQ(menus.size(), 3);
  for (int i = 0; i < 3; ++i) {
    const QString title = menus[i]->menu()->title();
    EXPECT_TRUE(title.startsWith(QLatin1Char('&'))) << title.toStdString();
    EXPECT_EQ(QString(title).remove(QLatin1Char('&')).toStdString(),
              GetText("Menu", std::array{"File", "Converter", "Help"}[static_cast<size_t>(i)]));
  }
  const std::pair<const char*, std::function<void(QWidget*)>> presses[] = {
      {"F10", [](QWidget* w) { QTest::keyClick(w, Qt::Key_F10); }},
      {"Alt alone",
       [](QWidget* w) {
         QTest::keyPress(w, Qt::Key_Alt, Qt::AltModifier);
         QTest::keyRelease(w, Qt::Key_Alt);
       }},
  };
  for (const auto& [what, press] : presses) {
    window->inputField()->setFocus();
    press(window->inputField());
    QMenu* menu = menus[0]->menu();
    for (int i = 0; i < 100 && !menu->isVisible(); ++i) QTest::qWait(10);
    EXPECT_TRUE(menu->isVisible()) << what;
    menu->close();
    QApplication::processEvents();
  }
}

TEST_F(MainWindowTest, ExitAndTheCloseBoxEndTheSameWay) {
  window->resize(700, 260);
  QTRY_COMPARE(window->width(), 700);
  MenuAction(*window, 3)->trigger();
  QTRY_VERIFY(!window->isVisible());  // once the menu has closed
  EXPECT_EQ(window->FinalPlacement().innerWidth, 700);

  auto other = CreateMainWindow(Records());
  SetupMainWindow(*other);
  EXPECT_TRUE(other->close());
  EXPECT_FALSE(other->isVisible());
}

TEST_F(MainWindowTest, ListsStartWithAnEmptyFolderAndThePngFormat) {
  ASSERT_EQ(window->folderList()->count(), 1);
  EXPECT_TRUE(window->folderList()->currentText().isEmpty());
  ASSERT_EQ(window->formatList()->count(), 1);
  EXPECT_EQ(window->formatList()->currentText(), QStringLiteral("PNG (Portable Network Graphics)"));
  EXPECT_FALSE(window->formatList()->itemIcon(0).isNull());
  EXPECT_TRUE(window->StatusText().empty());
}

TEST_F(MainWindowTest, IconSizeChangeRebuildsOnlyTheMainToolbar) {
  QPointer<QToolBar> toolbar = window->mainToolbar();
  QPointer<QToolBar> field = window->fieldToolbar(1);
  QMenu* fileMenu = window->menuBar()->actions()[0]->menu();

  settings.interface.uiSize = 4;
  job.themeRefreshRequest = ThemeRefresh::IconSizeOnly;
  window->RefreshAfterPreferences(-1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  EXPECT_TRUE(toolbar.isNull());
  EXPECT_EQ(window->mainToolbar()->iconSize(), QSize(64, 64));
  EXPECT_EQ(window->fieldToolbar(1), field.data());
  EXPECT_EQ(window->menuBar()->actions()[0]->menu(), fileMenu);
  EXPECT_EQ(job.themeRefreshRequest, ThemeRefresh::None);

  job.themeRefreshRequest = ThemeRefresh::Theme;
  window->RefreshAfterPreferences(-1);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QApplication::processEvents();
  EXPECT_TRUE(field.isNull());
  EXPECT_NE(window->menuBar()->actions()[0]->menu(), fileMenu);
  EXPECT_EQ(job.themeRefreshRequest, ThemeRefresh::None);
  // Rebuilt field toolbars keep their places beside the rows.
  EXPECT_EQ(window->fieldToolbar(1)->geometry(), QRect(window->width() - 146, 19, 24, 24));
}

}  // namespace
}  // namespace pictavo
