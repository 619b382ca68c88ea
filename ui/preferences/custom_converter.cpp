#include "ui/preferences/custom_converter.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include "base/program.h"
#include "texts/language.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"

namespace pictavo {

namespace {

QString Text(const char* key) { return QString::fromStdString(GetText("Custom-Converter", key)); }

// The first twelve characters in lower case, then only letters and digits:
// the cut comes first, so a long run of punctuation leaves little.
std::string CleanExtension(const QString& typed) {
  return KeepAlphanumerics(typed.left(12).toLower().toStdString());
}

}  // namespace

std::string KeepAlphanumerics(std::string_view text) {
  std::string kept;
  for (char c : text)
    if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) kept += c;
  return kept;
}

std::string ConverterSearchAddress(const std::string& source, const std::string& target) {
  return std::string(kMakerSite) + "find/" + source + "-" + target + "/";
}

CustomConverterDialog::CustomConverterDialog(MainWindow& window)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      window_(window) {
  setObjectName(QStringLiteral("customConverter"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(Text("Title"));
  setFixedSize(370, 60);
  auto* from = new QLabel(Text("From"), this);
  from->setGeometry(10, 23, 40, 20);
  source_ = new QLineEdit(this);
  source_->setObjectName(QStringLiteral("source"));
  source_->setGeometry(50, 20, 80, 20);
  from->setBuddy(source_);
  auto* to = new QLabel(Text("To"), this);
  to->setGeometry(150, 23, 30, 20);
  target_ = new QLineEdit(this);
  target_->setObjectName(QStringLiteral("target"));
  target_->setGeometry(180, 20, 80, 20);
  to->setBuddy(target_);
  auto* search = new QPushButton(Text("Search"), this);
  search->setObjectName(QStringLiteral("searchButton"));
  search->setGeometry(280, 18, 80, 25);
  search->setDefault(true);
  connect(search, &QPushButton::clicked, this, [this] { Search(); });

  const QRect owner = window.frameGeometry();
  move(owner.center() - QPoint(width() / 2, height() / 2));
  winId();
  if (QWindow* handle = windowHandle()) handle->setTransientParent(window.windowHandle());
}

bool CustomConverterDialog::ReadConverterExtensions() {
  ConversionJob& job = window_.records().job;
  job.converterSource = CleanExtension(source_->text());
  job.converterTarget = CleanExtension(target_->text());
  return !job.converterSource.empty() && !job.converterTarget.empty();
}

void CustomConverterDialog::Search() {
  if (!ReadConverterExtensions()) {
    ShowWarning(GetText("Msg", "Empty extensions"));
    return;
  }
  hide();
  const ConversionJob& job = window_.records().job;
  OpenWithShell(ConverterSearchAddress(job.converterSource, job.converterTarget));
  close();
}

void CustomConverterDialog::reject() { close(); }

void CustomConverterDialog::closeEvent(QCloseEvent* event) {
  window_.ReturnFromSecondaryWindow();
  event->accept();
}

CustomConverterDialog* OpenCustomConverter(MainWindow& window) {
  auto* dialog = new CustomConverterDialog(window);
  window.setEnabled(false);
  dialog->show();
  dialog->activateWindow();
  dialog->source()->setFocus();
  return dialog;
}

}  // namespace pictavo
