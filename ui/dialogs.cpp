#include "ui/dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QUrl>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

#include "texts/language.h"

namespace pictavo {

namespace {

QString Text(const std::string& text) {
  // Some interface texts carry CR LF line breaks; Qt wants plain LF.
  return QString::fromUtf8(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Information: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

class QtDialogs final : public Dialogs {
 public:
  void Message(MessageIcon icon, const std::string& title, const std::string& text) override {
    QMessageBox box(BoxIcon(icon), Text(title), Text(text), QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
  }

  bool AskYesNo(MessageIcon icon, const std::string& title, const std::string& text) override {
    QMessageBox box(BoxIcon(icon), Text(title), Text(text), QMessageBox::Yes | QMessageBox::No,
                    QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
  }

  std::optional<std::string> OpenFile(const std::string& title, const QStringList& filters,
                                      const std::string& preset) override {
    QString selected = filters.isEmpty() ? QString() : filters.front();
    const QString file = QFileDialog::getOpenFileName(QApplication::activeWindow(), Text(title),
                                                      QString::fromUtf8(preset),
                                                      filters.join(QStringLiteral(";;")), &selected,
                                                      // The supported list runs to dozens of patterns.
                                                      QFileDialog::HideNameFilterDetails);
    if (file.isEmpty()) return std::nullopt;
    return file.toStdString();
  }

  std::vector<std::string> OpenFiles(const std::string& title, const QStringList& filters,
                                     const std::string& preset) override {
    QString selected = filters.isEmpty() ? QString() : filters.front();
    const QStringList files = QFileDialog::getOpenFileNames(QApplication::activeWindow(), Text(title),
                                                            QString::fromUtf8(preset),
                                                            filters.join(QStringLiteral(";;")), &selected,
                                                            // The supported list runs to dozens of patterns.
                                                            QFileDialog::HideNameFilterDetails);
    std::vector<std::string> chosen;
    for (const QString& file : files) chosen.push_back(file.toStdString());
    return chosen;
  }

  std::optional<std::string> ChooseFolder(const std::string& title, const std::string& start) override {
    const QString folder =
        QFileDialog::getExistingDirectory(QApplication::activeWindow(), Text(title), QString::fromUtf8(start));
    if (folder.isEmpty()) return std::nullopt;
    return folder.toStdString();
  }

  std::optional<QColor> ChooseColor(const std::string& title, const QColor& initial) override {
    const QColor color = QColorDialog::getColor(initial, QApplication::activeWindow(), Text(title));
    if (!color.isValid()) return std::nullopt;
    return color;
  }

  std::optional<QFont> ChooseFont(const std::string& title, const QFont& initial) override {
    bool chosen = false;
    const QFont font = QFontDialog::getFont(&chosen, initial, QApplication::activeWindow(), Text(title));
    if (!chosen) return std::nullopt;
    return font;
  }

  void OpenExternal(const std::string& target) override {
    const QString text = QString::fromStdString(target);
    QDesktopServices::openUrl(target.starts_with('/') ? QUrl::fromLocalFile(text) : QUrl(text, QUrl::TolerantMode));
  }
};

Dialogs* g_installed = nullptr;

}  // namespace

Dialogs& CurrentDialogs() {
  static QtDialogs qtDialogs;
  return g_installed ? *g_installed : qtDialogs;
}

Dialogs* InstallDialogs(Dialogs* dialogs) {
  Dialogs* previous = g_installed;
  g_installed = dialogs;
  return previous;
}

void ShowWarning(const std::string& text) {
  CurrentDialogs().Message(MessageIcon::Warning, GetText("Msg", "Warning"), text);
}

void ShowError(const std::string& text) { CurrentDialogs().Message(MessageIcon::Error, GetText("Msg", "Error"), text); }

void ShowInformation(const std::string& title, const std::string& text) {
  CurrentDialogs().Message(MessageIcon::Information, title, text);
}

}  // namespace pictavo
