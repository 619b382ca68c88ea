#include "ui/update_check.h"

#include <QApplication>
#include <QCursor>

#include "base/program.h"
#include "texts/language.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"

namespace pictavo {

namespace {

// The window cannot answer while the server is asked; the busy cursor says
// so, and the window is drawn once more first so no closed box stays on it.
class BusyWhileAsking {
 public:
  BusyWhileAsking() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  ~BusyWhileAsking() { QApplication::restoreOverrideCursor(); }
  BusyWhileAsking(const BusyWhileAsking&) = delete;
  BusyWhileAsking& operator=(const BusyWhileAsking&) = delete;
};

UpdateAnswer AskServer(const UpdateSource& source) {
  const BusyWhileAsking busy;
  return ReadUpdateAnswer(FetchUpdateText(source.address, ProgramTitle(), source.limits), kVersionNumber);
}

}  // namespace

void CheckForUpdates(const UpdateSource& source) {
  switch (AskServer(source)) {
    case UpdateAnswer::NoAnswer: ShowError(GetText("Msg", "Internet connection problems")); break;
    case UpdateAnswer::NewVersion:
      if (AskNewUpdate()) OpenWithShell(ProductPageAddress());
      break;
    case UpdateAnswer::UpToDate: ShowInformation(GetText("Msg", "No Update"), GetText("Msg", "No Update Text")); break;
  }
}

void AutoUpdateCheck(Settings& settings, const UpdateSource& source) {
  if (!AutoUpdateDue(settings.general.updateRange, settings.general.updateDate, LocalNowSeconds())) return;
  if (AskCheckForUpdates()) CheckForUpdates(source);
  settings.general.updateDate = LocalNowSeconds();
}

bool AskNewUpdate() {
  return CurrentDialogs().AskYesNo(MessageIcon::Question, GetText("Msg", "New Update"),
                                   GetText("Msg", "New Update Text"));
}

bool AskCheckForUpdates() {
  return CurrentDialogs().AskYesNo(MessageIcon::Question, GetText("Msg", "Check for Updates"),
                                   GetText("Msg", "Ask check for updates"));
}

}  // namespace pictavo
