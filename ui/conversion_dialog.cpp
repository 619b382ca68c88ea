#include "ui/conversion_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QProcess>
#include <QWindow>
#include <algorithm>
#include <map>
#include <optional>

#include "decorations/decorations.h"
#include "engine/convert.h"
#include "engine/run_request.h"
#include "base/program.h"
#include "base/text_util.h"
#include "ui/commands.h"
#include "ui/dialogs.h"
#include "texts/language.h"
#include "ui/main_window.h"

namespace pictavo {

namespace {

constexpr int kLabelWidth = 280;

std::string ProgressPart(int32_t index, int32_t total) {
  return FillPlaceholders(GetText("Msg", "Progress"), std::to_string(index), std::to_string(total));
}

std::string& ServiceProgram() {
  static std::string program;
  return program;
}

// The progress dialog of one run. The files are converted by the program
// started for the run (app/conversion_service.h), never in the window's own
// process; the dialog follows what it reports and ends it on Break.
class ProgressDialog final : public QDialog {
 public:
  explicit ProgressDialog(MainWindow& window);
  ~ProgressDialog() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape counts as the close box.
  void reject() override { CloseBox(); }

 private:
  void ReadEvents();
  void Show(const RunEvent& event);
  void CloseBox();
  // Reports the result in the status bar and, when `show`, in the dialog.
  void Finish(bool show);
  bool Running() const { return !finished_; }
  int CharacterWidth() const;
  // The file name as the label shows it: its middle left out when too long.
  std::string FittedName(const std::string& name) const;

  MainWindow& window_;
  DesktopRecords& records_;
  QLabel* label_;
  QProgressBar* bar_;
  QPushButton* okButton_;
  QProcess service_;

  std::string received_;
  std::map<int32_t, std::string> underWay_;  // file number → input
  int32_t total_ = 0;
  int32_t lastIndex_ = 0;
  int32_t done_ = 0;
  int32_t converted_ = 0;
  int capacity_ = 0;
  int characterWidth_ = 7;
  bool ended_ = false;     // the run's end was reported
  bool finished_ = false;  // the program has ended and the result is shown
  bool broken_ = false;
};

ProgressDialog::ProgressDialog(MainWindow& window)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      window_(window),
      records_(window.records()) {
  // Not a child of the main window: disabling the main window would disable
  // the dialog with it. It stays on top of it as its transient window.
  setObjectName(QStringLiteral("conversionDialog"));
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(QString::fromUtf8(GetText("Dialog", "Convert Progress")));
  setFixedSize(300, 110);

  total_ = static_cast<int32_t>(records_.files.size());
  label_ = new QLabel(this);
  label_->setObjectName(QStringLiteral("progressLabel"));
  label_->setGeometry(10, 13, kLabelWidth, 20);
  bar_ = new QProgressBar(this);
  bar_->setObjectName(QStringLiteral("progressBar"));
  bar_->setGeometry(10, 40, kLabelWidth, 20);
  bar_->setRange(0, total_ + 1);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  okButton_ = new QPushButton(QString::fromUtf8(GetText("Dialog", "OK")), this);
  okButton_->setObjectName(QStringLiteral("okButton"));
  okButton_->setGeometry(110, 75, 80, 25);
  okButton_->setDefault(true);
  okButton_->setEnabled(false);
  connect(okButton_, &QPushButton::clicked, this, [this] {
    if (finished_) accept();
  });

  const QRect owner = window.frameGeometry();
  move(owner.center() - QPoint(width() / 2, height() / 2));
  winId();  // the native window has to exist to be given its owner
  if (QWindow* handle = windowHandle()) handle->setTransientParent(window.windowHandle());

  characterWidth_ = CharacterWidth();
  capacity_ = (300 - 20) / characterWidth_;

  connect(&service_, &QProcess::readyReadStandardOutput, this, [this] { ReadEvents(); });
  connect(&service_, &QProcess::finished, this, [this] {
    ReadEvents();
    Finish(true);
  });
  connect(&service_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) Finish(true);
  });
  service_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  const std::string program = ServiceProgram().empty() ? ExecutablePath() : ServiceProgram();
  service_.start(QString::fromStdString(program), {QStringLiteral("--conversion-service")});
  const std::string request = EncodeRunRequest(records_.settings, records_.job, records_.files,
                                               records_.settings.advanced.parallelConversions);
  service_.write(request.data(), static_cast<qint64>(request.size()));
  service_.closeWriteChannel();
}

ProgressDialog::~ProgressDialog() {
  if (service_.state() != QProcess::NotRunning) {
    service_.terminate();
    service_.waitForFinished(-1);
  }
}

std::string ProgressDialog::FittedName(const std::string& name) const {
  const int length = static_cast<int>(QString::fromUtf8(name).toUcs4().size());
  std::string shown = name;
  if (length * characterWidth_ > kLabelWidth) shown = ShortenMiddle(name, capacity_);
  // The average character width underestimates paths full of wide letters;
  // shorten further until the text really fits the label.
  const QFontMetrics metrics(label_->font());
  for (int capacity = std::min(length, capacity_);
       capacity > 5 && metrics.horizontalAdvance(QString::fromUtf8(shown)) > kLabelWidth;)
    shown = ShortenMiddle(name, --capacity);
  return shown;
}

int ProgressDialog::CharacterWidth() const {
  const int width = QFontMetrics(label_->font()).horizontalAdvance(QStringLiteral("abc123:\\-")) / 9;
  return width > 0 ? width : 7;
}

void ProgressDialog::ReadEvents() {
  received_ += service_.readAllStandardOutput().toStdString();
  bool broken = false;
  while (std::optional<RunEvent> event = TakeRunEvent(received_, broken)) Show(*event);
  if (broken && service_.state() != QProcess::NotRunning) service_.kill();  // not our program's words
}

void ProgressDialog::Show(const RunEvent& event) {
  switch (event.kind) {
    case RunEvent::Kind::kStarted:
      if (event.index < 1 || event.index > total_) return;
      underWay_[event.index] = event.name;
      lastIndex_ = std::max(lastIndex_, event.index);
      break;
    case RunEvent::Kind::kFinished:
      underWay_.erase(event.index);
      ++done_;
      if (event.saved) ++converted_;
      // The numbering goes on in the window's next run.
      records_.job.randomNumber = event.randomNumber;
      records_.job.sequenceNumber = event.sequenceNumber;
      bar_->setValue(std::min(done_, total_));
      break;
    case RunEvent::Kind::kEnded:
      ended_ = true;
      converted_ = event.index;
      return;
  }
  {
    std::lock_guard lock(records_.progress.mutex);
    records_.progress.index = lastIndex_;
    records_.progress.converted = converted_;
  }
  if (finished_) return;
  setWindowTitle(QString::fromUtf8(GetText("Dialog", "Convert Progress") + " " + ProgressPart(lastIndex_, total_)));
  // The file under way, or the names of those under way together.
  std::string names;
  if (underWay_.size() == 1) {
    names = underWay_.begin()->second;
  } else {
    for (const auto& [index, input] : underWay_)
      names += (names.empty() ? "" : ", ") + input.substr(input.find_last_of('/') + 1);
  }
  if (!names.empty()) label_->setText(QString::fromUtf8(FittedName(names)));
}

void ProgressDialog::Finish(bool show) {
  if (finished_) return;
  finished_ = true;
  // A run that ended without saying so was ended: by Break or by a failure
  // of its own.
  if (!ended_) broken_ = true;
  {
    std::lock_guard lock(records_.progress.mutex);
    records_.progress.converted = converted_;
    records_.progress.running = 0;
  }
  const std::string outcome = GetText("Msg", broken_ ? "Conversion is not complete" : "Conversion complete");
  window_.SetStatusText(outcome);
  if (!show) return;
  setWindowTitle(QString::fromUtf8(outcome + " " + ProgressPart(lastIndex_, total_)));
  if (broken_) {
    label_->setText(QString::fromUtf8(outcome));
  } else {
    label_->setText(QString::fromUtf8(
        FillPlaceholders(GetText("Msg", "Files converted"), std::to_string(converted_), std::to_string(total_))));
    bar_->setValue(total_ + 1);
  }
  okButton_->setEnabled(true);
  okButton_->setFocus();
}

void ProgressDialog::CloseBox() {
  if (finished_) {
    accept();
    return;
  }
  if (service_.state() == QProcess::NotRunning) {
    // Ended but not yet noticed: close without showing the result.
    ReadEvents();
    Finish(false);
    accept();
    return;
  }
  // The run goes on while the question is shown; the result waits until
  // the answer is in.
  const bool yes = AskBreakConversion();
  // A run that ended meanwhile has nothing left to break, and its result is
  // the true one.
  service_.waitForReadyRead(0);
  ReadEvents();
  if (yes && !ended_) {
    broken_ = true;
    // The files under way are abandoned: their copies remove what they wrote.
    service_.terminate();
  }
}

void ProgressDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  CloseBox();
}

}  // namespace

std::string ShortenMiddle(std::string_view text, int maxChars) {
  const std::u32string chars = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toStdU32String();
  if (chars.empty() || static_cast<int64_t>(chars.size()) <= maxChars) return std::string(text);
  const size_t keep = static_cast<size_t>(std::max(0, (maxChars - 3) / 2));
  const std::u32string shortened = chars.substr(0, keep) + U"..." + chars.substr(chars.size() - keep);
  return QString::fromStdU32String(shortened).toStdString();
}

void SetConversionServiceProgram(const std::string& program) { ServiceProgram() = program; }

bool AskBreakConversion() {
  return CurrentDialogs().AskYesNo(MessageIcon::Warning, GetText("Msg", "Warning"), GetText("Msg", "Ask break conversion"));
}

void RunConversionDialog(MainWindow& window) {
  ProgressDialog dialog(window);
  window.setEnabled(false);
  dialog.exec();
  window.ReturnFromSecondaryWindow();
}

bool StartConversion(MainWindow& window) {
  DesktopRecords& r = window.records();
  ConversionJob& job = r.job;
  const Settings& s = r.settings;
  const auto stopped = [&](const std::string& message) {
    window.SetStatusText(GetText("Msg", "Conversion is not complete"));
    ShowWarning(message);
    return false;
  };

  // The field's files and folders, read again: the folders may have changed.
  const std::vector<std::string> items = window.InputItems();
  job.currentFile = items.front();
  r.files.clear();
  CollectInputFiles(items, r.files, job, r.accepted);
  job.outputFolder = std::string(TrimBlanks(window.folderList()->currentText().toStdString()));
  const int formatIndex = window.formatList()->currentData().toInt();
  const std::vector<std::string>& extensions = OutputExtensions();
  job.outputExtension =
      formatIndex >= 0 && static_cast<size_t>(formatIndex) < extensions.size() ? extensions[formatIndex] : "";
  window.SetStatusText(GetText("General", "Preparing"));

  if (r.files.empty()) return stopped(GetText("Msg", "Empty input files"));
  if (job.outputFolder.empty()) return stopped(GetText("Msg", "Empty output folder"));
  if (!job.outputFolder.ends_with("/")) job.outputFolder += "/";
  if (!IsFolder(job.outputFolder))
    return stopped(FillPlaceholders(GetText("Msg", "Invalid output folder"), job.outputFolder));
  if (s.transform.doImageResize) {
    if (s.transform.imageWidth == 0) return stopped(GetText("Msg", "Invalid width"));
    if (s.transform.imageHeight == 0) return stopped(GetText("Msg", "Invalid height"));
  }

  // The font and image checks leave "Preparing..." in the status bar.
  bool fontOpened = false;
  if (s.watermark.doWatermark == WatermarkMode::Text) {
    fontOpened = OpenWatermarkFont(s);
    if (!fontOpened) {
      ShowWarning(FillPlaceholders(GetText("Msg", "Invalid watermark font"), s.watermark.font));
      return false;
    }
  }
  struct FontRelease {
    bool opened;
    ~FontRelease() {
      if (opened) CloseWatermarkFont();
    }
  } fontRelease{fontOpened};

  if (s.watermark.doWatermark == WatermarkMode::Picture) {
    if (s.watermark.image.empty()) {
      ShowWarning(GetText("Msg", "Empty watermark image"));
      return false;
    }
    if (FileSizeOf(s.watermark.image) <= 0) {
      ShowWarning(FillPlaceholders(GetText("Msg", "Invalid watermark image"), s.watermark.image));
      return false;
    }
  }

  // Only listed formats reach the list, so this guards against tables that
  // were never built rather than against anything the user did.
  if (!PrepareJob(s, r.tables, job, r.progress)) {
    window.SetStatusText(GetText("Msg", "Conversion is not complete"));
    return false;
  }

  if (PushRecentOutputFolder(r.settings, job.outputFolder)) RefreshOutputFolderList(window);

  window.SetStatusText(GetText("General", "Converting"));
  RunConversionDialog(window);
  return true;
}

}  // namespace pictavo
