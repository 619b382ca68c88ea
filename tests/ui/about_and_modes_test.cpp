// The about box, the uninstall page, the screenshot mode and the manual.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "base/program.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/desktop_fixture.h"
#include "ui/about_box.h"
#include "ui/screenshot_uninstall.h"

namespace pictavo {
namespace {

using AboutBoxTest = test::DesktopTest;

TEST_F(AboutBoxTest, LinksOpenWithTheDesktopAndEnterOrEscapeClose) {
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
    dialogs.opened.clear();
    window->RunCommand(kCommandAbout);
    QPointer<AboutBox> box = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
    ASSERT_FALSE(box.isNull());
    EXPECT_FALSE(window->isEnabled());
    EXPECT_EQ(box->findChild<QLabel*>(QStringLiteral("aboutTitle"))->text(), QStringLiteral("Pictavo 2.8"));
    emit box->webLink()->linkActivated(QString::fromUtf8(kMakerSite));
    emit box->mailLink()->linkActivated(QStringLiteral("mailto:") + QString::fromUtf8(kSupportAddress));
    EXPECT_EQ(dialogs.opened, (std::vector<std::string>{kMakerSite, std::string("mailto:") + kSupportAddress}));
    ASSERT_FALSE(box.isNull());  // the links leave it open
    QApplication::setActiveWindow(box);
    QTest::keyClick(box, key);
    QApplication::processEvents();
    EXPECT_TRUE(box.isNull()) << key;
    EXPECT_TRUE(window->isEnabled());
  }
}

// The notice fits its label whole, and a clicked link leaves Enter to the
// box: it closes instead of opening the link again.
TEST_F(AboutBoxTest, TheNoticeFitsAndAClickedLinkLeavesEnterToTheBox) {
  window->RunCommand(kCommandAbout);
  QPointer<AboutBox> box = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
  ASSERT_FALSE(box.isNull());
  const QLabel* notice = box->findChild<QLabel*>(QStringLiteral("aboutNotice"));
  const int wrap = notice->wordWrap() ? Qt::TextWordWrap : 0;
  const QRect needed = notice->fontMetrics().boundingRect(QRect(0, 0, notice->width(), 1000),
                                                          wrap | Qt::AlignHCenter, notice->text());
  EXPECT_LE(needed.width(), notice->width());
  EXPECT_LE(needed.height(), notice->height());

  QApplication::setActiveWindow(box);
  QLabel* web = box->webLink();
  QTest::mouseClick(web, Qt::LeftButton, {}, QPoint(10, web->height() / 2));
  EXPECT_EQ(dialogs.opened, std::vector<std::string>{kMakerSite});
  QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : box.data(), Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_TRUE(box.isNull());
  EXPECT_EQ(dialogs.opened.size(), 1u);
}

TEST(UninstallPage, NextVisitsThePageOnlyWhenTheBoxIsChecked) {
  test::ScriptedDialogs dialogs;
  ScopedDialogs scoped(dialogs);
  BuildLanguageTable();
  for (const bool checked : {true, false}) {
    UninstallPage page;
    EXPECT_TRUE(page.visitBox()->isChecked());
    page.visitBox()->setChecked(checked);
    page.Next();
    EXPECT_EQ(page.result(), QDialog::Accepted);
  }
  EXPECT_EQ(dialogs.opened, std::vector<std::string>{std::string(kMakerSite) + "pictavo/uninstall.html"});
}

TEST(Screenshot, ThumbnailIs180WideInProportion) {
  EXPECT_EQ(ScreenshotThumbnailSize({526, 306}), QSize(180, 105));
  EXPECT_EQ(ScreenshotThumbnailSize({510, 260}), QSize(180, 92));
  EXPECT_EQ(ScreenshotThumbnailSize({0, 260}), QSize());
}

TEST(Screenshot, WritesBothPicturesIntoAnExistingFolderOnly) {
  test::TempDir dir;
  const std::string file = dir.file("not-a-folder");
  test::WriteFile(file, "x");
  // A link planted under a picture's name is replaced, never written through.
  test::WriteFile(dir.file("victim"), "keep me");
  std::filesystem::create_symlink(dir.file("victim"), dir.file("pictavo1.jpg"));
  for (const std::string& target : {dir.path(), file}) {
    const auto r = test::RunProgram({"-T", target}, {"QT_QPA_PLATFORM=offscreen"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
  }
  const QImage full(QString::fromStdString(dir.file("pictavo1.jpg")));
  const QImage thumbnail(QString::fromStdString(dir.file("pictavo1x.jpg")));
  ASSERT_FALSE(full.isNull());
  EXPECT_GE(full.width(), kMinimumInnerWidth);
  EXPECT_EQ(thumbnail.size(), ScreenshotThumbnailSize(full.size()));
  EXPECT_FALSE(std::filesystem::exists(file + "/pictavo1.jpg"));
  EXPECT_EQ(test::ReadFile(dir.file("victim")), "keep me");
  EXPECT_FALSE(std::filesystem::is_symlink(dir.file("pictavo1.jpg")));
}

TEST(Manual, LiesBesideTheProgramOrInTheInstalledDataFolder) {
  test::TempDir dir;
  std::filesystem::create_directories(dir.file("bin"));
  const std::string program = dir.file("bin") + "/";
  EXPECT_EQ(ManualPath(program), program + "../share/pictavo/pictavo.html");
  test::WriteFile(program + "pictavo.html", "<html></html>");
  EXPECT_EQ(ManualPath(program), program + "pictavo.html");
}

}  // namespace
}  // namespace pictavo
