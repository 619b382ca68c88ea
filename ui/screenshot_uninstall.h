// The two run modes that show a window of their own besides the desktop:
// the screenshot mode (-T), which pictures the main window filled with
// sample data, and the uninstall page (-U).
#pragma once

#include <QDialog>
#include <QSize>
#include <string>

#include "ui/main_window.h"

class QCheckBox;

namespace pictavo {

// Size of the screenshot's thumbnail: 180 pixels wide, the height in
// proportion, to the nearest pixel (526 × 306 gives 180 × 105).
QSize ScreenshotThumbnailSize(QSize picture);

// Shows the main window at (400, 400), 510 × 260, with sample data, waits
// 500 ms and saves folder/pictavo1.jpg and its thumbnail folder/pictavo1x.jpg.
// An empty folder is the program's folder; a folder that does not exist
// shows nothing and saves nothing. Returns 0.
int ScreenshotMode(DesktopRecords records, std::string folder);

class UninstallPage : public QDialog {
 public:
  UninstallPage();
  QCheckBox* visitBox() const { return visit_; }
  // "Next": the uninstall web page when the box is checked, then the end.
  void Next();

 private:
  QCheckBox* visit_;
};

// Runs the page until it is closed; returns 0.
int RunUninstallPage();

}  // namespace pictavo
