#include "ui/conversion_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <thread>

#include "decorations/decorations.h"
#include "engine/convert.h"
#include "settings/program.h"
#include "settings/text_util.h"
#include "ui/commands.h"
#include "ui/dialogs.h"
#include "texts/language.h"
#include "ui/main_window.h"

namespace pictavo {

namespace {

constexpr int kPollMilliseconds = 15;
constexpr int kLabelWidth = 280;

std::string ProgressPart(int32_t index, int32_t total) {
  return FillPlaceholders(GetText("Msg", "Progress"), std::to_string(index), std::to_string(total));
}

// The progress dialog of one run. It owns the worker thread, which it starts
// when built and joins before it closes.
class ProgressDialog final : public QDialog {
 public:
  explicit ProgressDialog(MainWindow& window);
  ~ProgressDialog() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // Escape counts as the close box.
  void reject() override { CloseBox(); }

 private:
  void Poll();
  void CloseBox();
  // Joins the ended worker and reports the result in the status bar and,
  // when `show`, in the dialog.
  void Finish(bool show);
  int CharacterWidth() const;
  // The file name as the label shows it: its middle left out when too long.
  std::string FittedName(const std::string& name) const;

  MainWindow& window_;
  DesktopRecords& records_;
  ConversionContext context_;
  QLabel* label_;
  QProgressBar* bar_;
  QPushButton* okButton_;
  QTimer poll_;

  int32_t total_ = 0;
  int32_t lastIndex_ = 0;
  int capacity_ = 0;
  int characterWidth_ = 7;
  bool broken_ = false;
  std::thread worker_;
  std::atomic<bool> workerEnded_{false};
};

ProgressDialog::ProgressDialog(MainWindow& window)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      window_(window),
      records_(window.records()),
      context_{records_.settings, records_.job, records_.tables, records_.files,
               records_.progress, records_.decorations, {}, ConvertFile} {
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
    if (!worker_.joinable()) accept();
  });

  const QRect owner = window.frameGeometry();
  move(owner.center() - QPoint(width() / 2, height() / 2));
  winId();  // the native window has to exist to be given its owner
  if (QWindow* handle = windowHandle()) handle->setTransientParent(window.windowHandle());

  characterWidth_ = CharacterWidth();
  capacity_ = (300 - 20) / characterWidth_;

  ConversionProgress& progress = records_.progress;
  {
    std::lock_guard lock(progress.mutex);
    progress.index = 0;
    progress.currentName.clear();
    progress.converted = 0;
    progress.running = 1;
  }
  worker_ = std::thread([this] {
    ConversionWorker(context_);
    workerEnded_ = true;
  });

  connect(&poll_, &QTimer::timeout, this, [this] { Poll(); });
  poll_.start(kPollMilliseconds);
}

ProgressDialog::~ProgressDialog() {
  if (worker_.joinable()) {
    records_.progress.running = 0;
    worker_.join();
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

void ProgressDialog::Poll() {
  if (!worker_.joinable()) return;
  if (workerEnded_) {
    Finish(true);
    return;
  }
  int32_t index;
  std::string name;
  {
    std::lock_guard lock(records_.progress.mutex);
    index = records_.progress.index;
    name = records_.progress.currentName;
  }
  if (index <= lastIndex_) return;
  lastIndex_ = index;
  setWindowTitle(QString::fromUtf8(GetText("Dialog", "Convert Progress") + " " + ProgressPart(index, total_)));
  label_->setText(QString::fromUtf8(FittedName(name)));
  bar_->setValue(index);
}

void ProgressDialog::Finish(bool show) {
  worker_.join();
  poll_.stop();
  int32_t converted;
  {
    std::lock_guard lock(records_.progress.mutex);
    converted = records_.progress.converted;
    // A worker that ends between two polls has moved on since the last one.
    lastIndex_ = std::max(lastIndex_, records_.progress.index);
  }
  const std::string outcome = GetText("Msg", broken_ ? "Conversion is not complete" : "Conversion complete");
  window_.SetStatusText(outcome);
  if (!show) return;
  setWindowTitle(QString::fromUtf8(outcome + " " + ProgressPart(lastIndex_, total_)));
  if (broken_) {
    label_->setText(QString::fromUtf8(outcome));
  } else {
    label_->setText(QString::fromUtf8(
        FillPlaceholders(GetText("Msg", "Files converted"), std::to_string(converted), std::to_string(total_))));
    bar_->setValue(total_ + 1);
  }
  okButton_->setEnabled(true);
  okButton_->setFocus();
}

void ProgressDialog::CloseBox() {
  if (!worker_.joinable()) {
    accept();
    return;
  }
  if (workerEnded_) {
    // Ended but not yet noticed: close without showing the result.
    Finish(false);
    accept();
    return;
  }
  // The worker cannot be suspended here, so it goes on while the question is
  // shown; the result waits until the answer is in.
  poll_.stop();
  const bool yes = AskBreakConversion();
  // A worker that finished meanwhile has nothing left to break, and its
  // result is the true one.
  if (yes && !workerEnded_) {
    broken_ = true;
    std::lock_guard lock(records_.progress.mutex);
    records_.progress.running = 0;
  }
  poll_.start(kPollMilliseconds);
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

bool AskBreakConversion() {
  return CurrentDialogs().AskYesNo(MessageIcon::Warning, GetText("Msg", "Warning"), GetText("Msg", "Ask break conversion"));
}

void RunConversionDialog(MainWindow& window) {
  ProgressDialog dialog(window);
  window.setEnabled(false);
  dialog.exec();
  window.setEnabled(true);
  window.activateWindow();
  window.setFocus();
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

  job.currentFile = std::string(TrimBlanks(window.inputField()->text().toStdString()));
  r.files.clear();
  AddInputFile(job.currentFile, r.files, job, r.accepted);
  job.outputFolder = std::string(TrimBlanks(window.folderList()->currentText().toStdString()));
  const int formatIndex = window.formatList()->currentData().toInt();
  const std::vector<std::string>& extensions = OutputExtensions();
  job.outputExtension =
      formatIndex >= 0 && static_cast<size_t>(formatIndex) < extensions.size() ? extensions[formatIndex] : "";
  window.SetStatusText(GetText("General", "Preparing"));

  if (r.files.empty()) return stopped(GetText("Msg", "Empty input files"));
  if (job.outputFolder.empty()) return stopped(GetText("Msg", "Empty output folder"));
  if (!EndsWith(job.outputFolder, "/")) job.outputFolder += "/";
  if (FileSizeOf(job.outputFolder) != -2)
    return stopped(FillPlaceholders(GetText("Msg", "Invalid output folder"), job.outputFolder));
  if (s.transform.doImageResize) {
    if (s.transform.imageWidth == 0) return stopped(GetText("Msg", "Invalid width"));
    if (s.transform.imageHeight == 0) return stopped(GetText("Msg", "Invalid height"));
  }

  // The font and image checks leave "Preparing..." in the status bar.
  bool fontOpened = false;
  if (s.watermark.doWatermark == 1) {
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

  if (s.watermark.doWatermark == 2) {
    if (s.watermark.image.empty()) {
      ShowWarning(GetText("Msg", "Empty watermark image"));
      return false;
    }
    if (FileSizeOf(s.watermark.image) <= 0) {
      ShowWarning(FillPlaceholders(GetText("Msg", "Invalid watermark image"), s.watermark.image));
      return false;
    }
  }

  const auto format = r.tables.outputFormats.find(job.outputExtension);
  const SettingDescriptor* depth = DepthSettingFor(job.outputExtension);
  // Only listed formats reach the list, so this guards against tables that
  // were never built rather than against anything the user did.
  if (format == r.tables.outputFormats.end() || depth == nullptr) {
    window.SetStatusText(GetText("Msg", "Conversion is not complete"));
    return false;
  }
  job.outputFormatId = format->second.formatNumber;
  job.outputBpp = static_cast<int32_t>(SettingAsInt(s, *depth));
  job.saveFlags = SaveFlagsFor(s, job.outputExtension);
  job.keepColorDepth = job.outputBpp == 0;

  if (PushRecentOutputFolder(r.settings, job.outputFolder)) RefreshOutputFolderList(window);

  window.SetStatusText(GetText("General", "Converting"));
  RunConversionDialog(window);
  return true;
}

}  // namespace pictavo
