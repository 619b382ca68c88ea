// The "Find a File Converter" dialog: two extensions typed by the user, and
// the maker's search page for that pair opened in the browser.
#pragma once

#include <QDialog>
#include <string>

class QLineEdit;

namespace pictavo {

class MainWindow;

// Only the ASCII letters and digits of `text`.
std::string KeepAlphanumerics(std::string_view text);

class CustomConverterDialog : public QDialog {
  Q_OBJECT

 public:
  explicit CustomConverterDialog(MainWindow& window);

  // Cleans both fields into the job's converter source and target; true
  // when neither is empty.
  bool ReadConverterExtensions();
  void Search();
  QLineEdit* source() const { return source_; }
  QLineEdit* target() const { return target_; }

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;

 private:
  MainWindow& window_;
  QLineEdit* source_;
  QLineEdit* target_;
};

// Opens the dialog over the main window, which is disabled until it closes;
// returns it (it deletes itself when closed).
CustomConverterDialog* OpenCustomConverter(MainWindow& window);

// The search page of a source and target extension.
std::string ConverterSearchAddress(const std::string& source, const std::string& target);

}  // namespace pictavo
