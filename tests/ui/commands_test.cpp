#include "ui/commands.h"

#include <gtest/gtest.h>

#include <map>

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "tools/dng_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/desktop_fixture.h"

namespace pictavo {
namespace {

using test::DesktopTest;
using test::TempDir;

std::vector<std::string> History(const Settings& settings) {
  std::vector<std::string> out;
  for (int i = 0; i < 10; ++i) {
    const std::string entry = RecentOutputFolder(settings, i);
    if (!entry.empty()) out.push_back(entry);
  }
  return out;
}

std::vector<std::string> ListItems(const QComboBox* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->count(); ++i) out.push_back(list->itemText(i).toStdString());
  return out;
}

using Folders = std::vector<std::string>;

TEST(RecentOutputFolders, AChosenFolderMovesToTheFrontAndTheOldestFallsOff) {
  Settings settings;
  settings.advanced.outFoldersNumber = 5;
  settings.file.recentOutFolders = "A\tB\tC\tD\tE";

  EXPECT_TRUE(PushRecentOutputFolder(settings, "C"));
  EXPECT_EQ(History(settings), (Folders{"C", "A", "B", "D", "E"}));
  EXPECT_TRUE(PushRecentOutputFolder(settings, "F"));
  EXPECT_EQ(History(settings), (Folders{"F", "C", "A", "B", "D"}));
  EXPECT_FALSE(PushRecentOutputFolder(settings, ""));
  EXPECT_EQ(History(settings), (Folders{"F", "C", "A", "B", "D"}));
}

TEST(RecentOutputFolders, TheSameFolderInAnotherLetterCaseReplacesTheOldEntry) {
  Settings settings;
  settings.advanced.outFoldersNumber = 5;
  settings.file.recentOutFolders = "/home/ann/Photos/\t/srv/out/";
  PushRecentOutputFolder(settings, "/SRV/Out/");
  EXPECT_EQ(History(settings), (Folders{"/SRV/Out/", "/home/ann/Photos/"}));
  EXPECT_EQ(FolderIdentity("/srv/Überall/"), FolderIdentity("/SRV/überall/"));
  EXPECT_NE(FolderIdentity("/srv/a/"), FolderIdentity("/srv/b/"));
}

TEST(RecentOutputFolders, ATrailingSlashDoesNotMakeASecondEntry) {
  Settings settings;
  settings.advanced.outFoldersNumber = 5;
  // From the folder dialog, then from a conversion, which ends folders in "/".
  PushRecentOutputFolder(settings, "/srv/out");
  PushRecentOutputFolder(settings, "/home/ann");
  PushRecentOutputFolder(settings, "/srv/out/");
  EXPECT_EQ(History(settings), (Folders{"/srv/out/", "/home/ann"}));
  EXPECT_NE(FolderIdentity("/"), FolderIdentity(""));
  EXPECT_EQ(FolderIdentity("/"), FolderIdentity("//"));
}

TEST(RecentOutputFolders, EntriesAreTrimmedAndMissingOnesAreEmpty) {
  Settings settings;
  settings.file.recentOutFolders = "  /a/  \t/b/";
  EXPECT_EQ(RecentOutputFolder(settings, 0), "/a/");
  EXPECT_EQ(RecentOutputFolder(settings, 1), "/b/");
  EXPECT_EQ(RecentOutputFolder(settings, 2), "");
  EXPECT_EQ(RecentOutputFolder(settings, -1), "");
}

TEST(InputFileFilters, GroupExtensionsByDescriptionLatestFirst) {
  BuildLanguageTable();
  const InputExtensionMap map = {
      {"a", {"raw", "Alpha Raw"}}, {"b", {"raw", "Beta Raw"}}, {"c", {"raw", "Alpha Raw"}}};
  const QStringList filters = InputFileFilters({"a", "b", "c"}, map);
  EXPECT_EQ(filters, (QStringList{QStringLiteral("All Supported Files (*.a *.b *.c)"),
                                  QStringLiteral("Alpha Raw (*.c *.a)"), QStringLiteral("Beta Raw (*.b)"),
                                  QStringLiteral("All Files (*)")}));
}

class CommandsTest : public DesktopTest {
 protected:
  // A real, accepted input file in the temporary folder.
  std::string Photo(const std::string& name) {
    const std::string path = dir_.file(name);
    EXPECT_TRUE(dng::WriteDng(path, {}));
    return path;
  }
  TempDir dir_;
};

TEST_F(CommandsTest, LoweringTheHistoryLengthShowsAndKeepsFewerFolders) {
  settings.advanced.outFoldersNumber = 5;
  settings.file.recentOutFolders = "/a/\t/b/\t/c/\t/d/\t/e/";
  RefreshOutputFolderList(*window);
  EXPECT_EQ(ListItems(window->folderList()), (Folders{"/a/", "/b/", "/c/", "/d/", "/e/"}));

  settings.advanced.outFoldersNumber = 3;
  window->RefreshAfterPreferences(-1);
  EXPECT_EQ(ListItems(window->folderList()), (Folders{"/a/", "/b/", "/c/"}));
  PushRecentOutputFolder(settings, "/f/");
  EXPECT_EQ(History(settings), (Folders{"/f/", "/a/", "/b/"}));
}

TEST_F(CommandsTest, NewEmptiesTheFieldsAndTheJobButKeepsTheHistory) {
  NewCommand(*window);  // with no history the one empty item stays
  EXPECT_EQ(ListItems(window->folderList()), (Folders{""}));

  SetInputItems(*window, {Photo("one.dng")});
  ASSERT_FALSE(window->inputField()->text().isEmpty());
  const std::string history = settings.file.recentOutFolders;
  job.currentFile = "leftover";

  NewCommand(*window);
  EXPECT_TRUE(window->inputField()->text().isEmpty());
  EXPECT_TRUE(window->folderList()->currentText().isEmpty());
  EXPECT_EQ(window->folderList()->count(), 1);  // the history's one folder stays listed
  EXPECT_TRUE(files.empty());
  EXPECT_TRUE(job.outputFolder.empty());
  EXPECT_TRUE(job.currentFile.empty());
  EXPECT_EQ(settings.file.recentOutFolders, history);
}

TEST_F(CommandsTest, AnAcceptedFileBringsItsFolderAsOutputFolder) {
  const std::string first = Photo("first.dng");
  EXPECT_TRUE(SetInputItems(*window, {first}));
  const std::string folder = dir_.path() + "/";
  EXPECT_EQ(window->inputField()->text().toStdString(), first);
  EXPECT_EQ(window->folderList()->currentText().toStdString(), folder);
  EXPECT_EQ(job.outputFolder, folder);
  EXPECT_EQ(History(settings), (Folders{folder}));

  // A second file replaces the first; the output folder stays.
  std::filesystem::create_directory(dir_.file("more"));
  const std::string second = dir_.file("more/second.DNG");
  ASSERT_TRUE(dng::WriteDng(second, {}));
  EXPECT_TRUE(SetInputItems(*window, {second}));
  EXPECT_EQ(window->inputField()->text().toStdString(), second);
  EXPECT_EQ(window->folderList()->currentText().toStdString(), folder);
  EXPECT_EQ(files.size(), 1u);
  EXPECT_TRUE(files.contains(second));
}

TEST_F(CommandsTest, ARejectedFileChangesNothing) {
  const std::string text = dir_.file("notes.txt");
  test::WriteFile(text, "not a photo");
  const std::string empty = dir_.file("empty.dng");
  test::WriteFile(empty, "");
  for (const std::string& path : {text, empty}) {
    EXPECT_FALSE(SetInputItems(*window, {path}));
    EXPECT_TRUE(window->inputField()->text().isEmpty());
    EXPECT_TRUE(window->folderList()->currentText().isEmpty());
    EXPECT_TRUE(settings.file.recentOutFolders.empty());
  }
}

// Every dropped file and folder is taken; the field says how many files
// that makes, and a folder's files keep the folder's name below the output.
TEST_F(CommandsTest, DroppingFilesAndAFolderTakesThemAll) {
  const std::string a = Photo("a.dng");
  const std::string b = Photo("b.dng");
  std::filesystem::create_directories(dir_.file("shoot/deeper"));
  const std::string c = Photo("shoot/c.dng");
  const std::string d = Photo("shoot/deeper/d.DNG");
  test::WriteFile(dir_.file("shoot/notes.txt"), "not a photo");
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(b)), QUrl::fromLocalFile(QString::fromStdString(a)),
                QUrl::fromLocalFile(QString::fromStdString(dir_.file("shoot")))});
  const QPoint at = window->inputField()->mapTo(window.get(), QPoint(5, 5));
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window.get(), &drop);

  EXPECT_EQ(window->inputField()->text().toStdString(), "4 files");
  std::map<std::string, std::string> taken;
  for (const auto& [path, entry] : files) taken[path] = entry.relativeFolder;
  EXPECT_EQ(taken, (std::map<std::string, std::string>{{a, ""}, {b, ""}, {c, "shoot/"}, {d, "shoot/deeper/"}}));
  EXPECT_EQ(window->InputItems(), (std::vector<std::string>{b, a, dir_.file("shoot")}));
  // Typing over the count makes the field a path again.
  window->inputField()->setText(QString::fromStdString(dir_.file("shoot")));
  EXPECT_EQ(window->InputItems(), std::vector<std::string>{dir_.file("shoot")});
}

TEST_F(CommandsTest, TheFolderCommandTakesAFolderWithPhotographs) {
  std::filesystem::create_directories(dir_.file("empty"));
  std::filesystem::create_directories(dir_.file("shoot"));
  Photo("shoot/a.dng");
  dialogs.nextFolder = dir_.file("empty");
  EXPECT_FALSE(ChooseInputFolder(*window));
  EXPECT_TRUE(window->inputField()->text().isEmpty());
  dialogs.nextFolder = dir_.file("shoot");
  EXPECT_TRUE(ChooseInputFolder(*window));
  EXPECT_EQ(dialogs.folderTitle, "Select Input Folder");
  EXPECT_EQ(window->inputField()->text().toStdString(), dir_.file("shoot"));
  // A lone folder is its own output folder, as a file's folder is.
  EXPECT_EQ(job.outputFolder, dir_.file("shoot") + "/");
  EXPECT_EQ(files.size(), 1u);
}

TEST_F(CommandsTest, TheOpenFileDialogOffersRawFilesAndForgetsItsPreset) {
  dialogs.nextFile = Photo("chosen.dng");
  job.currentFile = "/earlier/run.dng";
  EXPECT_TRUE(ChooseInputFile(*window));
  EXPECT_EQ(dialogs.fileTitle, "Select Input Files");
  EXPECT_EQ(dialogs.filePreset, "/earlier/run.dng");
  ASSERT_GE(dialogs.fileFilters.size(), 3);
  EXPECT_TRUE(dialogs.fileFilters.front().startsWith(QStringLiteral("All Supported Files (")));
  EXPECT_TRUE(dialogs.fileFilters.front().contains(QStringLiteral("*.dng")));
  EXPECT_TRUE(dialogs.fileFilters.front().contains(QStringLiteral("*.cr2")));
  EXPECT_FALSE(dialogs.fileFilters.front().contains(QStringLiteral("*.jpg")));
  EXPECT_EQ(dialogs.fileFilters.back(), QStringLiteral("All Files (*)"));
  EXPECT_EQ(window->inputField()->text().toStdString(), *dialogs.nextFile);
  EXPECT_TRUE(job.currentFile.empty());

  dialogs.nextFile.reset();  // cancelled
  EXPECT_FALSE(ChooseInputFile(*window));
  EXPECT_EQ(dialogs.filePreset, "");
}

TEST_F(CommandsTest, TheFolderDialogTakesOnlyExistingFolders) {
  const std::string out = dir_.file("out");
  std::filesystem::create_directory(out);
  dialogs.nextFolder = out;
  ChooseOutputFolder(*window);
  EXPECT_EQ(dialogs.folderTitle, "Select Output Folder");
  EXPECT_EQ(window->folderList()->currentText().toStdString(), out);
  EXPECT_EQ(job.outputFolder, out);
  EXPECT_EQ(History(settings), (Folders{out}));

  // The next dialog starts in the folder part of the shown folder.
  dialogs.nextFolder = dir_.file("missing");
  ChooseOutputFolder(*window);
  EXPECT_EQ(dialogs.folderStart, dir_.path() + "/");
  EXPECT_EQ(History(settings), (Folders{out}));
  EXPECT_EQ(job.outputFolder, out);
}

TEST_F(CommandsTest, ChoosingAListedFolderMakesItTheOutputFolder) {
  settings.file.recentOutFolders = "/a/\t/b/";
  RefreshOutputFolderList(*window);
  window->folderList()->setFocus();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  window->folderList()->setCurrentIndex(0);
  QTest::keyClick(window->folderList(), Qt::Key_Down);
  EXPECT_EQ(job.outputFolder, "/b/");
}

}  // namespace
}  // namespace pictavo
