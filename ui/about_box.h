// The about box: banner, program title, a notice line and the maker's web
// and mail links. The links open with the desktop and leave the box open;
// OK, Enter and Escape close it.
#pragma once

#include <QDialog>

class QLabel;

namespace pictavo {

class MainWindow;

class AboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit AboutBox(MainWindow& window);
  QLabel* webLink() const { return web_; }
  QLabel* mailLink() const { return mail_; }

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  MainWindow& window_;
  QLabel* web_;
  QLabel* mail_;
};

// Opens the box over the main window, which is disabled until it closes;
// returns it (it deletes itself when closed).
AboutBox* ShowAboutBox(MainWindow& window);

}  // namespace pictavo
