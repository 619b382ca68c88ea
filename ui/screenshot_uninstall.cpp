#include "ui/screenshot_uninstall.h"

#include <QBuffer>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEventLoop>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <cmath>

#include "engine/job.h"
#include "base/program.h"
#include "base/safe_files.h"
#include "texts/language.h"

namespace pictavo {

namespace {

constexpr int kScreenshotQuality = 90;  // 9 on a scale of 0 to 10

// The whole window, frame and title bar included, as the screen shows it;
// without a screen to read (offscreen) the window's own picture.
QImage PictureOf(QWidget& window) {
  const QRect frame = window.frameGeometry();
  if (QGuiApplication::platformName() != QStringLiteral("offscreen")) {
    if (QScreen* screen = window.screen()) {
      const QImage shot = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height()).toImage();
      if (!shot.isNull() && shot.size() == frame.size()) return shot;
    }
  }
  return window.grab().toImage();
}

void DrawCaption(QImage& picture) {
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::TextAntialiasing);
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(11);  // 8 points at 96 dpi
  painter.setFont(font);
  painter.setPen(Qt::black);
  const QString caption = QString::fromUtf8(kMakerSite);
  const QFontMetrics metrics(font);
  const int x = picture.width() - metrics.horizontalAdvance(caption) - 35;
  const int y = picture.height() - 26;
  painter.drawText(x, y + metrics.ascent(), caption);
}

}  // namespace

QSize ScreenshotThumbnailSize(QSize picture) {
  if (picture.width() <= 0 || picture.height() <= 0) return {};
  const double height = 180.0 / (static_cast<double>(picture.width()) / picture.height());
  return {180, static_cast<int>(std::lround(height))};
}

namespace {

// Saved as the outputs are saved: a hidden file renamed over the name, so
// that a link planted there is replaced, never written through, and a
// failed save leaves the old picture.
bool SaveJpeg(const QImage& picture, const std::string& folder, const std::string& name) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "JPEG", kScreenshotQuality)) return false;
  PendingFile file(folder + "." + name + ".pictavo-XXXXXX");
  return file.fd() >= 0 && file.WriteAll(bytes.constData(), static_cast<size_t>(bytes.size())) &&
         file.Commit(folder + name, 0666 & ~ProcessUmask());
}

}  // namespace

int ScreenshotMode(DesktopRecords records, std::string folder) {
  if (folder.empty()) folder = records.job.programFolder;
  if (!folder.empty() && folder.back() != '/') folder += '/';
  if (!IsFolder(folder)) return 0;

  Settings& settings = records.settings;
  settings.window.isMaximized = 0;
  settings.window.x = 400;
  settings.window.y = 400;
  settings.window.width = kMinimumInnerWidth;
  settings.window.height = kInnerHeight;
  std::unique_ptr<MainWindow> window = CreateMainWindow(records);
  window->activateWindow();
  SetupMainWindow(*window);

  // Sample data: a photograph in the input field and a converted folder.
  const std::string group = InputGroups()[static_cast<size_t>(RandomInRange(0, static_cast<int32_t>(InputGroups().size()) - 1))];
  window->inputField()->setText(QString::fromStdString("/home/photos/corvane." + group));
  QComboBox* folders = window->folderList();
  folders->addItem(records.images.Icon(MenuImageIds().at("FavFolder")), QStringLiteral("/home/converted/"));
  folders->setCurrentIndex(folders->count() - 1);
  window->formatList()->setFocus();
  folders->setFocus();
  window->convertButton()->setFocus();

  QEventLoop wait;
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &wait, &QEventLoop::quit);
  timer.start(500);
  wait.exec();

  QImage picture = PictureOf(*window).convertToFormat(QImage::Format_RGB32);
  DrawCaption(picture);
  SaveJpeg(picture, folder, "pictavo1.jpg");
  SaveJpeg(picture.scaled(ScreenshotThumbnailSize(picture.size()), Qt::IgnoreAspectRatio, Qt::SmoothTransformation),
           folder, "pictavo1x.jpg");
  return 0;
}

UninstallPage::UninstallPage()
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("uninstallPage"));
  setWindowTitle(QString::fromStdString(GetText("Uninstall", "Title")));
  setFixedSize(300, 100);
  visit_ = new QCheckBox(QString::fromStdString(GetText("Uninstall", "Uninstall Text")), this);
  visit_->setObjectName(QStringLiteral("visitBox"));
  visit_->setGeometry(30, 20, 250, 20);
  visit_->setChecked(true);
  auto* next = new QPushButton(QString::fromStdString(GetText("Uninstall", "Next")), this);
  next->setObjectName(QStringLiteral("nextButton"));
  next->setGeometry(200, 60, 80, 25);
  next->setDefault(true);
  connect(next, &QPushButton::clicked, this, [this] { Next(); });
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->geometry().center() - QPoint(width() / 2, height() / 2));
}

void UninstallPage::Next() {
  if (visit_->isChecked()) OpenWithShell(std::string(kMakerSite) + kBaseName + "/uninstall.html");
  accept();
}

int RunUninstallPage() {
  UninstallPage page;
  page.show();
  page.activateWindow();
  page.exec();
  return 0;
}

}  // namespace pictavo
