#include "ui/conversion_dialog.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <thread>

#include "tools/dng_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/ui/desktop_fixture.h"
#include "ui/commands.h"

namespace pictavo {
namespace {

using test::DesktopTest;
using test::TempDir;
using test::When;

TEST(ShortenMiddle, KeepsBothEndsOfALongText) {
  std::string text;
  for (int i = 0; i < 10; ++i) text += "0123456789";
  const std::string shortened = ShortenMiddle(text, 40);
  EXPECT_EQ(shortened, text.substr(0, 18) + "..." + text.substr(82));
  EXPECT_EQ(shortened.size(), 39u);

  EXPECT_EQ(ShortenMiddle(text.substr(0, 40), 40), text.substr(0, 40));
  EXPECT_EQ(ShortenMiddle("", 5), "");
}

TEST(ShortenMiddle, CountsCharactersNotBytes) {
  std::string text;
  for (int i = 0; i < 50; ++i) text += "\xC3\xBC";  // ü
  EXPECT_EQ(ShortenMiddle(text, 50), text);
  EXPECT_EQ(ShortenMiddle(text, 11), "\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC...\xC3\xBC\xC3\xBC\xC3\xBC\xC3\xBC");
}

QDialog* OpenProgressDialog() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->objectName() == QStringLiteral("conversionDialog") && widget->isVisible())
      return qobject_cast<QDialog*>(widget);
  return nullptr;
}

QPushButton* OkButton(QDialog* dialog) { return dialog->findChild<QPushButton*>(QStringLiteral("okButton")); }
QString Label(QDialog* dialog) { return dialog->findChild<QLabel*>(QStringLiteral("progressLabel"))->text(); }

bool Finished() {
  QDialog* dialog = OpenProgressDialog();
  return dialog && OkButton(dialog)->isEnabled();
}

// What the dialog showed when the run had ended.
struct Outcome {
  QString title;
  QString label;
  int bar = -1;
  int barMaximum = -1;
  bool mainWindowEnabled = true;
};

class ConversionTest : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    out_ = dir_.file("out");
    std::filesystem::create_directory(out_);
    // The files are converted by the program, not by the test.
    SetConversionServiceProgram(PICTAVO_EXECUTABLE);
  }
  void TearDown() override { SetConversionServiceProgram(""); }

  std::string Photo(const std::string& name, int width = 96, int height = 64) {
    const std::string path = dir_.file(name);
    dng::DngOptions options;
    options.width = width;
    options.height = height;
    EXPECT_TRUE(dng::WriteDng(path, options));
    return path;
  }

  // Every file the output folder holds, hidden ones included.
  std::vector<std::string> OutputFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(out_)) names.push_back(entry.path().filename());
    return names;
  }

  void ShowFolder(const std::string& folder) {
    window->folderList()->addItem(QString::fromStdString(folder));
    window->folderList()->setCurrentIndex(window->folderList()->count() - 1);
  }

  // Waits for the end of the run, notes what the dialog shows and presses OK.
  std::unique_ptr<QTimer> CloseWhenFinished(Outcome& outcome) {
    return When(Finished, [this, &outcome] {
      QDialog* dialog = OpenProgressDialog();
      if (!dialog) return;
      outcome.title = dialog->windowTitle();
      outcome.label = Label(dialog);
      auto* bar = dialog->findChild<QProgressBar*>(QStringLiteral("progressBar"));
      outcome.bar = bar->value();
      outcome.barMaximum = bar->maximum();
      outcome.mainWindowEnabled = window->isEnabled();
      OkButton(dialog)->click();
    });
  }

  // A failing check: false, one warning with `message`, the status text, and
  // no dialog.
  void ExpectRefused(const std::string& message, const std::string& status) {
    progress.index = -1;  // a dialog would start its run at 0
    Outcome unexpected;
    const auto closer = CloseWhenFinished(unexpected);  // should a run start after all
    EXPECT_FALSE(StartConversion(*window));
    EXPECT_EQ(progress.index, -1);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(dialogs.messages[0].title, "Warning");
    EXPECT_EQ(dialogs.messages[0].text, message);
    EXPECT_EQ(window->StatusText(), status);
    EXPECT_TRUE(std::filesystem::is_empty(out_));
  }

  // Fills the job as a started run would, for several files at once.
  void PrepareRun(const std::vector<std::string>& inputs) {
    files.clear();
    for (const std::string& input : inputs) files[input] = InputFileEntry{1, ""};
    job.outputFolder = out_ + "/";
    job.outputExtension = "png";
    ASSERT_TRUE(PrepareJob(settings, tables, job, progress));
  }

  TempDir dir_;
  std::string out_;
};

constexpr const char* kStopped = "Conversion stopped";
constexpr const char* kPreparing = "Preparing...";

TEST_F(ConversionTest, AnInputFieldOfSpacesOrAnUnacceptedFileIsRefused) {
  window->inputField()->setText(QStringLiteral("    "));
  ShowFolder(out_);
  ExpectRefused("No input file(s) found. Please, add valid file(s) and try again!", kStopped);

  dialogs.messages.clear();
  const std::string text = dir_.file("notes.txt");
  test::WriteFile(text, "text");
  window->inputField()->setText(QString::fromStdString(text));
  ExpectRefused("No input file(s) found. Please, add valid file(s) and try again!", kStopped);
}

TEST_F(ConversionTest, AnEmptyOrMissingOutputFolderIsRefused) {
  window->inputField()->setText(QString::fromStdString(Photo("photo.dng")));
  ExpectRefused("The output folder's field is empty. Please, select existed output folder and try again!", kStopped);

  dialogs.messages.clear();
  const std::string missing = dir_.file("missing");
  ShowFolder(missing);
  ExpectRefused("The following output folder is invalid or doesn't exist:\r\n" + missing +
                    "/\r\n\r\nPlease, correct the output path and try again!",
                kStopped);
}

TEST_F(ConversionTest, AZeroResizeWidthOrHeightIsRefusedWidthFirst) {
  window->inputField()->setText(QString::fromStdString(Photo("photo.dng")));
  ShowFolder(out_);
  settings.transform.doImageResize = 1;
  settings.transform.imageWidth = 0;
  settings.transform.imageHeight = 0;
  ExpectRefused("Invalid resize width value!", kStopped);

  dialogs.messages.clear();
  settings.transform.imageWidth = 200;
  ExpectRefused("Invalid resize height value!", kStopped);
}

TEST_F(ConversionTest, AnUnusableWatermarkIsRefusedWhileStillPreparing) {
  window->inputField()->setText(QString::fromStdString(Photo("photo.dng")));
  ShowFolder(out_);
  settings.watermark.doWatermark = WatermarkMode::Text;
  settings.watermark.font = "No Such Font Pictavo";
  ExpectRefused("Unable to load selected font for a watermark: No Such Font Pictavo", kPreparing);

  dialogs.messages.clear();
  settings.watermark.doWatermark = WatermarkMode::Picture;
  settings.watermark.image = "";
  ExpectRefused("Selected watermark image is invalid/empty!", kPreparing);

  dialogs.messages.clear();
  settings.watermark.image = dir_.file("logo.png");
  ExpectRefused("Unable to load selected file as a watermark image: " + settings.watermark.image, kPreparing);
}

TEST_F(ConversionTest, ARunConvertsTheFileAndReportsIt) {
  const std::string photo = Photo("photo.dng");
  window->inputField()->setText(QString::fromStdString("  " + photo + " "));
  dialogs.nextFolder = out_;  // shown without a final "/"
  ChooseOutputFolder(*window);

  Outcome outcome;
  const auto finished = CloseWhenFinished(outcome);
  EXPECT_TRUE(StartConversion(*window));

  EXPECT_EQ(outcome.title, QStringLiteral("Conversion complete (1/1)"));
  EXPECT_EQ(outcome.label, QStringLiteral("Files converted: 1 of 1"));
  EXPECT_EQ(outcome.bar, 2);
  EXPECT_EQ(outcome.barMaximum, 2);
  EXPECT_FALSE(outcome.mainWindowEnabled);
  EXPECT_TRUE(window->isEnabled());
  EXPECT_EQ(OpenProgressDialog(), nullptr);
  EXPECT_EQ(window->StatusText(), "Conversion complete");
  EXPECT_GT(FileSizeOf(out_ + "/photo.png"), 0);

  // The folder gained its final "/" and went to the front of the history.
  EXPECT_EQ(job.outputFolder, out_ + "/");
  EXPECT_EQ(RecentOutputFolder(settings, 0), out_ + "/");
  EXPECT_EQ(window->folderList()->currentText().toStdString(), out_ + "/");
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(ConversionTest, AFileGivenOnTheCommandLineConvertsIntoItsFolderWithF5) {
  EXPECT_FALSE(OpenGivenFile(*window, dir_.file("missing.dng")));
  test::WriteFile(dir_.file("notes.txt"), "text");
  EXPECT_FALSE(OpenGivenFile(*window, dir_.file("notes.txt")));
  EXPECT_TRUE(window->inputField()->text().isEmpty());

  const std::string photo = Photo("given.dng");
  ASSERT_TRUE(OpenGivenFile(*window, photo));
  EXPECT_EQ(window->inputField()->text().toStdString(), photo);
  Outcome outcome;
  const auto finished = CloseWhenFinished(outcome);
  QApplication::setActiveWindow(window.get());
  QTest::keyClick(window.get(), Qt::Key_F5);
  EXPECT_EQ(outcome.label, QStringLiteral("Files converted: 1 of 1"));
  EXPECT_GT(FileSizeOf(dir_.file("given.png")), 0);
}

TEST_F(ConversionTest, AFileThatFailsInsideTheRunCountsAsNotConverted) {
  // Accepted by name, but there is nothing to load.
  window->inputField()->setText(QString::fromStdString(dir_.file("gone.dng")));
  ShowFolder(out_);
  Outcome outcome;
  const auto finished = CloseWhenFinished(outcome);
  EXPECT_TRUE(StartConversion(*window));
  EXPECT_EQ(outcome.title, QStringLiteral("Conversion complete (1/1)"));
  EXPECT_EQ(outcome.label, QStringLiteral("Files converted: 0 of 1"));
  EXPECT_TRUE(std::filesystem::is_empty(out_));
}

// A folder typed into the field converts every photograph below it into
// the same subfolders of the output, several at once.
TEST_F(ConversionTest, AFolderConvertsIntoItsSubfolders) {
  std::filesystem::create_directories(dir_.file("shoot/2019"));
  Photo("shoot/a.dng", 600, 400);
  Photo("shoot/2019/b.dng");
  window->inputField()->setText(QString::fromStdString(dir_.file("shoot")));
  ShowFolder(out_);
  settings.advanced.parallelConversions = 2;
  Outcome outcome;
  const auto finished = CloseWhenFinished(outcome);
  EXPECT_TRUE(StartConversion(*window));
  EXPECT_EQ(outcome.title, QStringLiteral("Conversion complete (2/2)"));
  EXPECT_EQ(outcome.label, QStringLiteral("Files converted: 2 of 2"));
  EXPECT_GT(FileSizeOf(out_ + "/a.png"), 0);
  EXPECT_GT(FileSizeOf(out_ + "/2019/b.png"), 0);
}

// A file that crashes its decoder costs that file only: the window reports
// the run as usual, the other file is converted, and the next run goes on.
TEST_F(ConversionTest, ADecoderCrashIsAFileNotConverted) {
  const std::filesystem::path crashing = std::filesystem::path(PICTAVO_SOURCE_DIR) / ".." / "shared" / "corpus" /
                                         "bad" / "fuzz_kodak_dc50_unpack_thumb_heap_overflow.kdc";
  if (!std::filesystem::exists(crashing)) GTEST_SKIP() << "malformed corpus not present at " << crashing;
  PrepareRun({crashing.string(), Photo("photo.dng")});
  settings.input.rawLoadAs = RawLoadAs::Display24;  // the load that crashes on this file
  Outcome outcome;
  {
    const auto finished = CloseWhenFinished(outcome);
    RunConversionDialog(*window);
  }
  EXPECT_EQ(outcome.title, QStringLiteral("Conversion complete (2/2)"));
  EXPECT_EQ(outcome.label, QStringLiteral("Files converted: 1 of 2"));
  EXPECT_TRUE(window->isEnabled());
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{"photo.png"});
}

class BreakTest : public ConversionTest {
 protected:
  void SetUp() override {
    ConversionTest::SetUp();
    // Large enough to be under way when the question is answered; a long
    // name, so the label has to shorten it.
    first_ = Photo("a_photograph_with_a_rather_long_name_from_the_summer_holidays_0001.dng", 3000, 2000);
    second_ = Photo("b.dng");
    settings.advanced.parallelConversions = 1;
  }

  // Closes the dialog while the first file is under way, answering the
  // break question with `answer`.
  std::unique_ptr<QTimer> CloseBoxDuringFirstFile(bool answer, bool& stayedOpen) {
    return When(
        [] {
          QDialog* dialog = OpenProgressDialog();
          return dialog && dialog->windowTitle() == QStringLiteral("Converting (1/2)");
        },
        [this, answer, &stayedOpen] {
          QDialog* dialog = OpenProgressDialog();
          EXPECT_FALSE(OkButton(dialog)->isEnabled());
          labelDuringRun_ = Label(dialog).toStdString();
          dialogs.answers = {answer};
          dialog->close();
          stayedOpen = dialog->isVisible();
        });
  }

  std::string first_, second_;
  std::string labelDuringRun_;
};

// Break abandons the files under way: nothing of them is left behind.
TEST_F(BreakTest, YesAbandonsTheFilesUnderWay) {
  PrepareRun({first_, second_});
  bool stayedOpen = false;
  const auto closing = CloseBoxDuringFirstFile(true, stayedOpen);
  Outcome outcome;
  const auto finished = CloseWhenFinished(outcome);
  window->SetStatusText("Converting...");
  RunConversionDialog(*window);

  EXPECT_TRUE(stayedOpen);
  ASSERT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(dialogs.questions[0].icon, MessageIcon::Warning);
  EXPECT_EQ(dialogs.questions[0].title, "Warning");
  EXPECT_EQ(dialogs.questions[0].text, "Do you want to break the conversion?");
  EXPECT_EQ(outcome.title, QStringLiteral("Conversion stopped (1/2)"));
  EXPECT_EQ(outcome.label, QStringLiteral("Conversion stopped"));
  EXPECT_EQ(window->StatusText(), "Conversion stopped");
  EXPECT_EQ(OutputFiles(), std::vector<std::string>{});

  // The running label showed both ends of the long path around "...".
  EXPECT_NE(labelDuringRun_.find("..."), std::string::npos);
  EXPECT_LT(labelDuringRun_.size(), first_.size());
  EXPECT_EQ(labelDuringRun_.substr(0, 5), first_.substr(0, 5));
  EXPECT_EQ(labelDuringRun_.substr(labelDuringRun_.size() - 8), first_.substr(first_.size() - 8));
}

TEST_F(BreakTest, NoLetsTheRunGoOn) {
  PrepareRun({first_, second_});
  bool stayedOpen = false;
  const auto closing = CloseBoxDuringFirstFile(false, stayedOpen);
  Outcome outcome;
  const auto finished = CloseWhenFinished(outcome);
  RunConversionDialog(*window);

  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(outcome.title, QStringLiteral("Conversion complete (2/2)"));
  EXPECT_EQ(outcome.label, QStringLiteral("Files converted: 2 of 2"));
  EXPECT_EQ(window->StatusText(), "Conversion complete");
  EXPECT_GT(FileSizeOf(out_ + "/b.png"), 0);
}

TEST_F(BreakTest, YesAfterTheRunHasEndedKeepsTheTrueResult) {
  PrepareRun({second_});
  // The run goes on while the question is shown; here it ends before the
  // answer comes, so there is nothing left to break.
  dialogs.whileAsked = [this] {
    for (int i = 0; i < 1000 && FileSizeOf(out_ + "/b.png") <= 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
  };
  const auto closing = When([] { return OpenProgressDialog() != nullptr; },
                            [this] {
                              dialogs.answers = {true};
                              OpenProgressDialog()->close();
                            });
  Outcome outcome;
  const auto finished = CloseWhenFinished(outcome);
  RunConversionDialog(*window);

  EXPECT_EQ(dialogs.questions.size(), 1u);
  EXPECT_EQ(outcome.title, QStringLiteral("Conversion complete (1/1)"));
  EXPECT_EQ(outcome.label, QStringLiteral("Files converted: 1 of 1"));
}

}  // namespace
}  // namespace pictavo
