#include "ui/about_box.h"

#include <QCloseEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QWindow>

#include "base/program.h"
#include "texts/language.h"
#include "ui/main_window.h"
#include "ui/themes.h"

namespace pictavo {

namespace {

constexpr const char* kNotice = "Camera RAW photographs to PNG, from the desktop or from scripts.";

QLabel* Link(QWidget* parent, const QString& shown, const std::string& target, const QString& name) {
  auto* link = new QLabel(parent);
  link->setObjectName(name);
  link->setText(QStringLiteral("<a href=\"%1\" style=\"color:#0000ff\">%2</a>")
                    .arg(QString::fromStdString(target).toHtmlEscaped(), shown.toHtmlEscaped()));
  // A click opens the link and leaves the focus where it was: Enter and
  // Escape stay the box's OK.
  link->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  link->setFocusPolicy(Qt::NoFocus);
  QObject::connect(link, &QLabel::linkActivated, link,
                   [](const QString& href) { OpenWithShell(href.toStdString()); });
  return link;
}

}  // namespace

AboutBox::AboutBox(MainWindow& window)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      window_(window) {
  setObjectName(QStringLiteral("aboutBox"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(QString::fromStdString(GetText("About", "Title")));
  setFixedSize(360, 240);

  auto* banner = new QLabel(this);
  banner->setGeometry(0, 0, 360, 40);
  banner->setPixmap(window.records().images.Pixmap(kBannerImageId));
  auto* frame = new QFrame(this);
  frame->setGeometry(0, 40, 360, 150);
  frame->setFrameShape(QFrame::StyledPanel);
  auto* title = new QLabel(QString::fromStdString(ProgramTitle()), this);
  title->setObjectName(QStringLiteral("aboutTitle"));
  title->setGeometry(20, 50, 320, 20);
  title->setAlignment(Qt::AlignHCenter);
  auto* notice = new QLabel(QString::fromUtf8(kNotice), this);
  notice->setObjectName(QStringLiteral("aboutNotice"));
  // Two lines where one does not hold it.
  notice->setGeometry(20, 70, 320, 36);
  notice->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  notice->setWordWrap(true);
  auto* webLabel = new QLabel(QString::fromStdString(GetText("About", "Website")), this);
  webLabel->setGeometry(80, 115, 60, 20);
  auto* mailLabel = new QLabel(QString::fromStdString(GetText("About", "Email")), this);
  mailLabel->setGeometry(80, 135, 50, 20);
  web_ = Link(this, QString::fromUtf8(kMakerSite), kMakerSite, QStringLiteral("webLink"));
  web_->setGeometry(140, 115, 215, 20);
  mail_ = Link(this, QString::fromUtf8(kSupportAddress), std::string("mailto:") + kSupportAddress,
               QStringLiteral("mailLink"));
  mail_->setGeometry(140, 135, 215, 20);
  auto* ok = new QPushButton(QString::fromStdString(GetText("Dialog", "OK")), this);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setGeometry(140, 200, 80, 25);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QWidget::close);

  const QRect owner = window.frameGeometry();
  move(owner.center() - QPoint(width() / 2, height() / 2));
  winId();
  if (QWindow* handle = windowHandle()) handle->setTransientParent(window.windowHandle());
}

// Escape and the close box.
void AboutBox::reject() { close(); }

void AboutBox::closeEvent(QCloseEvent* event) {
  window_.ReturnFromSecondaryWindow();
  event->accept();
}

AboutBox* ShowAboutBox(MainWindow& window) {
  auto* box = new AboutBox(window);
  window.setEnabled(false);
  box->show();
  box->activateWindow();
  box->findChild<QPushButton*>(QStringLiteral("okButton"))->setFocus();
  return box;
}

}  // namespace pictavo
