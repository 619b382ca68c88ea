#include "ui/preferences/preferences_window.h"

#include <QFrame>
#include <QCloseEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWindow>

#include "texts/language.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/preferences/decoration_pages.h"
#include "ui/preferences/format_pages.h"
#include "ui/preferences/general_pages.h"
#include "ui/preferences/picture_pages.h"

namespace pictavo {

namespace {

QString DialogText(const char* key) { return QString::fromStdString(GetText("Dialog", key)); }

}  // namespace

std::vector<PreferencesPage*> MakePreferencesPages(QWidget* parent, PreferencesContext& context) {
  return {new GeneralPage(parent, context),     new InterfacePage(parent, context),
          new FormatPage(parent, context, "Input"), new FormatPage(parent, context, "Output"),
          new TransformPage(parent, context),   new AdjustmentPage(parent, context),
          new FramePage(parent, context),       new WatermarkPage(parent, context),
          new AdvancedPage(parent, context)};
}

PreferencesWindow::PreferencesWindow(MainWindow& window)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      window_(window),
      context_{window.records().settings, window.records().job, window.records().themes, window.records().images} {
  // Not a child of the main window, which is disabled while this is open;
  // it stays on top of it as its transient window.
  setObjectName(QStringLiteral("preferencesWindow"));
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowModality(Qt::ApplicationModal);
  setWindowTitle(QString::fromStdString(GetText("Preferences", "Title")));
  setFixedSize(600, 350);

  categories_ = new QListWidget(this);
  categories_->setObjectName(QStringLiteral("categories"));
  categories_->setGeometry(10, 10, 120, 295);

  auto* band = new QFrame(this);
  band->setGeometry(140, 10, 450, 30);
  band->setFrameShape(QFrame::Box);
  band->setAutoFillBackground(true);
  QPalette white = band->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  band->setPalette(white);
  caption_ = new QLabel(band);
  caption_->setObjectName(QStringLiteral("caption"));
  caption_->setGeometry(10, 6, 330, 20);
  caption_->setPalette(white);
  QFont bold = caption_->font();
  bold.setPointSize(10);
  bold.setBold(true);
  caption_->setFont(bold);

  pages_ = MakePreferencesPages(this, context_);
  interfacePage_ = dynamic_cast<InterfacePage*>(pages_[kPrefsInterface]);
  outputPage_ = dynamic_cast<FormatPage*>(pages_[kPrefsOutput]);
  for (PreferencesPage* page : pages_) {
    categories_->addItem(QString::fromStdString(GetText("Preferences", page->categoryKey())));
    page->hide();
  }
  connect(categories_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) ShowPreferencesPage(row);
  });

  auto* defaults = new QPushButton(DialogText("Defaults"), this);
  defaults->setObjectName(QStringLiteral("defaultsButton"));
  defaults->setGeometry(10, 315, 80, 25);
  defaults->setAutoDefault(false);
  auto* ok = new QPushButton(DialogText("OK"), this);
  ok->setObjectName(QStringLiteral("okButton"));
  ok->setGeometry(420, 315, 80, 25);
  ok->setDefault(true);
  auto* cancel = new QPushButton(DialogText("Cancel"), this);
  cancel->setObjectName(QStringLiteral("cancelButton"));
  cancel->setGeometry(510, 315, 80, 25);
  cancel->setAutoDefault(false);
  connect(defaults, &QPushButton::clicked, this, [this] { Defaults(); });
  connect(ok, &QPushButton::clicked, this, [this] { Ok(); });
  connect(cancel, &QPushButton::clicked, this, [this] { reject(); });

  const QRect owner = window.frameGeometry();
  move(owner.center() - QPoint(width() / 2, height() / 2));
  winId();  // the native window has to exist to be given its owner
  if (QWindow* handle = windowHandle()) handle->setTransientParent(window.windowHandle());
}

PreferencesWindow::~PreferencesWindow() = default;

void PreferencesWindow::FillPreferences() {
  ConversionJob& job = context_.job;
  const bool known = job.prefsStartPage >= 0 && static_cast<size_t>(job.prefsStartPage) < pages_.size();
  const int start = known ? job.prefsStartPage : 0;
  for (PreferencesPage* page : pages_) page->Fill();
  categories_->setCurrentRow(start);
  ShowPreferencesPage(start);
  job.prefsStartPage = 0;
}

void PreferencesWindow::ShowPreferencesPage(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size())) return;
  caption_->setText(QString::fromStdString(GetText("Preferences", pages_[index]->categoryKey())));
  for (int i = 0; i < static_cast<int>(pages_.size()); ++i) pages_[i]->setVisible(i == index);
  if (categories_->currentRow() != index) categories_->setCurrentRow(index);
}

int PreferencesWindow::CurrentPage() const {
  for (int i = 0; i < static_cast<int>(pages_.size()); ++i)
    if (pages_[i]->isVisibleTo(this)) return i;
  return -1;
}

ThemeRefresh PreferencesWindow::ThemeRefreshFor(const Settings& settings) const {
  ThemeRefresh request = ThemeRefresh::None;
  if (interfacePage_->SelectedIconSize() != settings.interface.uiSize) request = ThemeRefresh::IconSizeOnly;
  // A new theme brings its own pictures at every size: it wins.
  if (interfacePage_->SelectedTheme() != settings.interface.uiTheme) request = ThemeRefresh::Theme;
  return request;
}

void PreferencesWindow::Ok() {
  Settings& settings = context_.settings;
  context_.job.themeRefreshRequest = ThemeRefreshFor(settings);
  for (PreferencesPage* page : pages_) page->Store(settings);
  SaveConfig(settings);
  window_.RefreshAfterPreferences(outputPage_->SelectedFormat());
  Finish();
}

void PreferencesWindow::Defaults() {
  if (!CurrentDialogs().AskYesNo(MessageIcon::Question, GetText("Msg", "Reset to Defaults"),
                                 GetText("Msg", "Ask reset to defaults")))
    return;
  Settings& settings = context_.settings;
  SetDefaultSettings(settings, 0);
  context_.job.themeRefreshRequest = ThemeRefreshFor(settings);
  SaveConfig(settings);
  window_.RefreshAfterPreferences(outputPage_->SelectedFormat());
  Finish();
}

// Cancel, Escape and the close box: nothing is stored.
void PreferencesWindow::reject() { close(); }

void PreferencesWindow::Finish() { close(); }

void PreferencesWindow::closeEvent(QCloseEvent* event) {
  window_.ReturnFromSecondaryWindow();
  event->accept();
}

PreferencesWindow* OpenPreferences(MainWindow& window) {
  auto* preferences = new PreferencesWindow(window);
  preferences->FillPreferences();
  window.setEnabled(false);
  preferences->show();
  preferences->activateWindow();
  preferences->findChild<QListWidget*>(QStringLiteral("categories"))->setFocus();
  return preferences;
}

}  // namespace pictavo
