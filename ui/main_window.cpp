#include "ui/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QShortcut>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <algorithm>

#include "base/program.h"
#include "base/text_util.h"
#include "ui/commands.h"
#include "ui/about_box.h"
#include "ui/conversion_dialog.h"
#include "ui/dialogs.h"
#include "ui/preferences/custom_converter.h"
#include "ui/preferences/preferences_window.h"
#include "ui/update_check.h"
#include "texts/language.h"

namespace pictavo {

namespace {

// The user manual ships beside the executable.
constexpr const char* kManualFile = "pictavo.html";

// The fixed line below the panel.
constexpr const char* kNotice = "Tip: drop RAW photos or folders onto this window.";

QString Qs(const std::string& text) { return QString::fromUtf8(text); }

QString MenuText(const char* key, const char* shortcut = nullptr) {
  QString text = Qs(GetText("Menu", key));
  if (shortcut) text += QLatin1Char('\t') + QLatin1String(shortcut);
  return text;
}

// A toolbar or menu being replaced may be the one whose button started the
// rebuild (through the preferences window), so it goes once that click is over.
void Retire(QObject* object) {
  if (!object) return;
  if (auto* widget = qobject_cast<QWidget*>(object)) widget->hide();
  object->deleteLater();
}

}  // namespace

MainWindow::MainWindow(DesktopRecords records) : records_(std::move(records)) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowTitle(Qs(ProgramTitle()));
  CreateControls();
}

MainWindow::~MainWindow() = default;

QIcon MainWindow::MenuIcon(const char* name) const { return records_.images.Icon(MenuImageIds().at(name)); }

QAction* MainWindow::CommandAction(QObject* owner, int command, const QString& text, const QIcon& icon) {
  auto* action = new QAction(icon, text, owner);
  // The command runs once the menu that triggered it has closed and the
  // menu bar has settled. A dialog opened (and the window disabled) inside
  // the trigger itself leaves the menu bar believing a menu is still open,
  // and the first click on it after the dialog closes only ends that belief.
  connect(action, &QAction::triggered, this, [this, command] {
    QMetaObject::invokeMethod(this, [this, command] { RunCommand(command); }, Qt::QueuedConnection);
  });
  return action;
}

void MainWindow::CreateControls() {
  const Settings::Window& w = records_.settings.window;
  const int width = std::max(w.width, kMinimumInnerWidth);
  // The height is fixed; a stored height that differs would push the lower
  // controls out of the window.
  const int height = kInnerHeight;

  move(w.x, w.y);
  resize(width, height);
  setMinimumSize(kMinimumInnerWidth, kInnerHeight);
  setMaximumSize(QWIDGETSIZE_MAX, kInnerHeight);
  setAcceptDrops(true);

  // Coordinates below are those of the area under the menu bar, where the
  // main toolbar sits at the top.
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  setCentralWidget(client_);

  menuBar()->setNativeMenuBar(false);
  BuildMenus();
  BuildMainToolbar();

  statusField_ = new QLabel(this);
  statusField_->setObjectName(QStringLiteral("statusField"));
  statusBar()->addWidget(statusField_, 1);
  statusBarHeight_ = statusBar()->sizeHint().height();

  panelTop_ = 0;
  panel_ = new QWidget(client_);
  panel_->setObjectName(QStringLiteral("panel"));
  panel_->setGeometry(0, toolbarHeight_ + panelTop_, width, height - 130);

  const auto rowLabel = [this](const char* name, const char* key, int y) {
    auto* label = new QLabel(Qs(GetText("General", key)), panel_);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setGeometry(10, y, 350, 20);
    return label;
  };

  inputLabel_ = rowLabel("inputLabel", "Input File", 5);
  inputField_ = new QLineEdit(panel_);
  inputField_->setObjectName(QStringLiteral("inputField"));
  // Files dropped on the field go to the window like any other drop.
  inputField_->setAcceptDrops(false);
  inputField_->setGeometry(10, 20, 326, 20);

  BuildFieldToolbars();
  fieldToolbars_[0]->move(364, 19);
  fieldToolbars_[3]->move(340, 19);

  rowSpacing_ = 30;
  folderLabel_ = rowLabel("outputFolderLabel", "Output Folder", rowSpacing_ + 15);
  folderList_ = new QComboBox(panel_);
  folderList_->setObjectName(QStringLiteral("outputFolderList"));
  folderList_->setGeometry(10, rowSpacing_ + 30, 350, 21);
  fieldToolbars_[1]->move(364, rowSpacing_ + 29);

  formatLabel_ = rowLabel("outputFormatLabel", "Output Format", rowSpacing_ + 55);
  formatList_ = new QComboBox(panel_);
  formatList_->setObjectName(QStringLiteral("outputFormatList"));
  formatList_->setGeometry(10, rowSpacing_ + 70, 350, 21);
  fieldToolbars_[2]->move(396, rowSpacing_ + 69);

  convertButton_ = new QToolButton(panel_);
  convertButton_->setObjectName(QStringLiteral("convertButton"));
  convertButton_->setIconSize(QSize(64, 64));
  convertButton_->setIcon(records_.images.Icon(ButtonImageIds().at("Convert")));
  convertButton_->setToolTip(MenuText("Convert"));
  convertButton_->setGeometry(400, 20, 100, 100);
  connect(convertButton_, &QToolButton::clicked, this, [this] { RunCommand(kCommandConvert); });

  noticeLabel_ = new QLabel(QLatin1String(kNotice), client_);
  noticeLabel_->setObjectName(QStringLiteral("noticeLabel"));
  noticeLabel_->setGeometry(10, height - 70, 350, 20);

  // Only choices the user makes count: the lists are also refilled by code.
  connect(folderList_, &QComboBox::activated, this,
          [this] { records_.job.outputFolder = folderList_->currentText().toStdString(); });
  connect(formatList_, &QComboBox::activated, this, [this] {
    const int index = formatList_->currentData().toInt();
    const std::vector<std::string>& extensions = OutputExtensions();
    if (index >= 0 && static_cast<size_t>(index) < extensions.size())
      records_.settings.output.format = extensions[static_cast<size_t>(index)];
  });

  RegisterShortcuts();
}

void MainWindow::RegisterShortcuts() {
  const std::pair<QKeySequence, int> shortcuts[] = {
      {QKeySequence(Qt::CTRL | Qt::Key_N), kCommandNew},
      {QKeySequence(Qt::ALT | Qt::Key_X), kCommandExit},
      {QKeySequence(Qt::Key_F5), kCommandConvert},
      {QKeySequence(Qt::Key_F1), kCommandManual},
  };
  for (const auto& [keys, command] : shortcuts) {
    auto* shortcut = new QShortcut(keys, this);
    shortcut->setObjectName(QStringLiteral("shortcut%1").arg(command));
    connect(shortcut, &QShortcut::activated, this, [this, command = command] { RunCommand(command); });
  }
  // F10, and Alt pressed and let go alone, open the menu bar at its first
  // menu, as on the desktops the program runs on.
  auto* menuKey = new QShortcut(QKeySequence(Qt::Key_F10), this);
  menuKey->setObjectName(QStringLiteral("shortcutMenuBar"));
  connect(menuKey, &QShortcut::activated, this, [this] { OpenMenuBar(); });
  qApp->installEventFilter(this);
}

void MainWindow::OpenMenuBar() {
  const QList<QAction*> menus = menuBar()->actions();
  if (!menus.isEmpty() && isEnabled()) menuBar()->setActiveAction(menus.front());
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
    auto* widget = qobject_cast<QWidget*>(watched);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (widget && widget->window() == this && !key->isAutoRepeat()) {
      const bool alt = key->key() == Qt::Key_Alt && (key->modifiers() & ~Qt::AltModifier) == Qt::NoModifier;
      if (event->type() == QEvent::KeyPress) {
        altAlone_ = alt;
      } else if (alt && altAlone_) {
        altAlone_ = false;
        OpenMenuBar();
      }
    }
  } else if (event->type() == QEvent::MouseButtonPress) {
    altAlone_ = false;
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::BuildMenus() {
  QMenuBar* bar = menuBar();
  for (QAction* action : bar->actions()) Retire(action->menu());
  bar->clear();

  struct Item {
    int command;  // -1: separator
    const char* key;
    const char* shortcut;
    const char* image;
  };
  const auto addMenu = [&](const char* name, const char* key, std::initializer_list<Item> items) {
    // The text as it stands, its first letter the key that opens it with Alt.
    QString title = Qs(GetText("Menu", key));
    title.replace(QLatin1Char('&'), QStringLiteral("&&")).prepend(QLatin1Char('&'));
    QMenu* menu = bar->addMenu(title);
    menu->setObjectName(QLatin1String(name));
    for (const Item& item : items) {
      if (item.command < 0) {
        menu->addSeparator();
        continue;
      }
      QAction* action = CommandAction(menu, item.command, MenuText(item.key, item.shortcut), MenuIcon(item.image));
      action->setObjectName(QStringLiteral("menuCommand%1").arg(item.command));
      menu->addAction(action);
    }
  };
  addMenu("fileMenu", "File",
          {{kCommandNew, "New", "Ctrl+N", "New"},
           {-1, nullptr, nullptr, nullptr},
           {kCommandAddInputFile, "Select Input File", nullptr, "Add"},
           {kCommandAddInputFolder, "Select Input Folder", nullptr, "FavFolder"},
           {kCommandSelectOutputFolder, "Select Output Folder", nullptr, "OutFolder"},
           {-1, nullptr, nullptr, nullptr},
           {kCommandExit, "Exit", "Alt+X", "Exit"}});
  addMenu("converterMenu", "Converter",
          {{kCommandConvert, "Convert", "F5", "Convert"},
           {-1, nullptr, nullptr, nullptr},
           {kCommandCustomConverter, "Custom Converter", nullptr, "CustomConverter"},
           {-1, nullptr, nullptr, nullptr},
           {kCommandPreferences, "Preferences", nullptr, "Preferences"}});
  addMenu("helpMenu", "Help",
          {{kCommandManual, "Manual", "F1", "Help"},
           {-1, nullptr, nullptr, nullptr},
           {kCommandSendFeedback, "Send Feedback", nullptr, "Email"},
           {kCommandVisitHomepage, "Visit Homepage", nullptr, "Web"},
           {kCommandCheckForNewVersion, "Check For New Version", nullptr, "Updates"},
           {-1, nullptr, nullptr, nullptr},
           {kCommandAbout, "About", nullptr, "About"}});
  menuHeight_ = bar->sizeHint().height();
}

void MainWindow::BuildMainToolbar() {
  Retire(mainToolbar_);
  mainToolbar_ = new QToolBar(client_);
  mainToolbar_->setObjectName(QStringLiteral("mainToolbar"));
  mainToolbar_->setMovable(false);
  mainToolbar_->setFloatable(false);
  const int size = IconSizeForUiSize(records_.settings.interface.uiSize);
  mainToolbar_->setIconSize(QSize(size, size));

  const auto button = [this](int command, const char* key, const char* image) {
    const QIcon icon = records_.images.Icon(ToolbarImageIds().at(image));
    QAction* action = CommandAction(mainToolbar_, command, Qs(GetText("Menu", key)), icon);
    action->setObjectName(QStringLiteral("toolCommand%1").arg(command));
    action->setToolTip(action->text());
    mainToolbar_->addAction(action);
  };
  button(kCommandNew, "New", "New");
  button(kCommandAddInputFile, "Select Input File", "Add");
  button(kCommandSelectOutputFolder, "Select Output Folder", "OutFolder");
  mainToolbar_->addSeparator();
  button(kCommandPreferences, "Preferences", "Preferences");
  mainToolbar_->addSeparator();
  button(kCommandConvert, "Convert", "Convert");
  mainToolbar_->addSeparator();
  button(kCommandManual, "Manual", "Help");
  button(kCommandSendFeedback, "Send Feedback", "Email");
  button(kCommandVisitHomepage, "Visit Homepage", "Web");
  button(kCommandCheckForNewVersion, "Check For New Version", "Updates");

  toolbarHeight_ = mainToolbar_->sizeHint().height();
  mainToolbar_->setGeometry(0, 0, std::max(width(), kMinimumInnerWidth), toolbarHeight_);
  mainToolbar_->show();
}

void MainWindow::BuildFieldToolbars() {
  struct Field {
    int command;
    const char* image;
    const char* tooltip;
    QPoint at;
  };
  const Field fields[4] = {{kCommandAddInputFile, "Add", "Select Input File", QPoint(364, 19)},
                           {kCommandSelectOutputFolder, "OutFolder", "Select Output Folder", QPoint(364, 59)},
                           {kCommandOutputFormatOptions, "OutFormat", "Output Format Options", QPoint(396, 99)},
                           {kCommandAddInputFolder, "FavFolder", "Select Input Folder", QPoint(340, 19)}};
  for (int n = 1; n <= 4; ++n) {
    const Field& field = fields[n - 1];
    QToolBar*& toolbar = fieldToolbars_[n - 1];
    const QPoint at = toolbar ? toolbar->pos() : field.at;
    Retire(toolbar);
    // A bare toolbar: no handle, frame or spacing around its one button, so
    // the 16-pixel icon fits the fixed 24 × 24 box.
    toolbar = new QToolBar(panel_);
    toolbar->setObjectName(QStringLiteral("fieldToolbar%1").arg(n));
    toolbar->setMovable(false);
    toolbar->setFloatable(false);
    toolbar->setIconSize(QSize(16, 16));
    toolbar->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));
    toolbar->layout()->setContentsMargins(0, 0, 0, 0);
    QAction* action = CommandAction(toolbar, field.command, Qs(GetText("Menu", field.tooltip)), MenuIcon(field.image));
    action->setObjectName(QStringLiteral("fieldCommand%1").arg(field.command));
    action->setToolTip(action->text());
    toolbar->addAction(action);
    toolbar->setGeometry(at.x(), at.y(), 24, 24);
    toolbar->show();
  }
}

void MainWindow::LayoutMainWindow() {
  const int w = width();
  const int h = height();
  panel_->setGeometry(panel_->x(), toolbarHeight_ + panelTop_, w,
                      std::max(0, h - menuHeight_ - toolbarHeight_ - statusBarHeight_ - 40));
  for (QWidget* field : {static_cast<QWidget*>(folderList_), static_cast<QWidget*>(formatList_)})
    field->resize(w - 160, field->height());
  // The input row has two buttons: a folder, and files.
  inputField_->resize(w - 184, inputField_->height());
  const int rowY[3] = {19, 59, 99};
  for (int n = 0; n < 3; ++n) fieldToolbars_[n]->setGeometry(w - 146, rowY[n], 24, 24);
  fieldToolbars_[3]->setGeometry(w - 170, rowY[0], 24, 24);
  convertButton_->move(w - 110, convertButton_->y());
  mainToolbar_->resize(w, toolbarHeight_);
  update();
}

void MainWindow::ReturnFromSecondaryWindow() {
  setEnabled(true);
  QMetaObject::invokeMethod(
      this,
      [this] {
        activateWindow();
        setFocus();
      },
      Qt::QueuedConnection);
}

void MainWindow::PostLayout() {
  QMetaObject::invokeMethod(this, [this] { LayoutMainWindow(); }, Qt::QueuedConnection);
}

void MainWindow::RefreshAfterPreferences(int formatPosition) {
  DesktopRecords& r = records_;
  const std::string& programFolder = r.job.programFolder;
  if (r.job.themeRefreshRequest == ThemeRefresh::IconSizeOnly) {
    LoadTheme(r.settings, programFolder, r.themes, r.images, false, false, true);
    BuildMainToolbar();
    PostLayout();
    r.job.themeRefreshRequest = ThemeRefresh::None;
  }
  if (r.job.themeRefreshRequest == ThemeRefresh::Theme) {
    LoadTheme(r.settings, programFolder, r.themes, r.images, true, true, true);
    BuildMenus();
    BuildMainToolbar();
    BuildFieldToolbars();
    RefreshListImages();
    PostLayout();
    r.job.themeRefreshRequest = ThemeRefresh::None;
  }
  if (formatPosition >= 0 && formatPosition < formatList_->count()) formatList_->setCurrentIndex(formatPosition);
  if (folderList_->count() != r.settings.advanced.outFoldersNumber) RefreshOutputFolderList(*this);
}

void MainWindow::RefreshListImages() {
  convertButton_->setIcon(records_.images.Icon(ButtonImageIds().at("Convert")));
  const QIcon folder = MenuIcon("FavFolder");
  for (int i = 0; i < folderList_->count(); ++i) folderList_->setItemIcon(i, folder);
  const QIcon format = MenuIcon("New");
  for (int i = 0; i < formatList_->count(); ++i) formatList_->setItemIcon(i, format);
}

void MainWindow::RunCommand(int command) {
  switch (command) {
    case kCommandNew: NewCommand(*this); break;
    case kCommandExit: close(); break;
    case kCommandAddInputFile: ChooseInputFile(*this); break;
    case kCommandAddInputFolder: ChooseInputFolder(*this); break;
    case kCommandSelectOutputFolder: ChooseOutputFolder(*this); break;
    case kCommandConvert: StartConversion(*this); break;
    case kCommandManual: OpenWithShell(ManualPath(records_.job.programFolder)); break;
    case kCommandSendFeedback:
      OpenWithShell(std::string("mailto:") + kSupportAddress + "?subject=" + ProgramTitle() + " Feedback");
      break;
    case kCommandVisitHomepage: OpenWithShell(ProductPageAddress()); break;
    case kCommandPreferences: OpenPreferences(*this); break;
    case kCommandOutputFormatOptions:
      records_.job.prefsStartPage = kPrefsOutput;
      OpenPreferences(*this);
      break;
    case kCommandCustomConverter: OpenCustomConverter(*this); break;
    case kCommandAbout: ShowAboutBox(*this); break;
    case kCommandCheckForNewVersion: CheckForUpdates(records_.update); break;
    default: break;
  }
}

void MainWindow::SetInputItems(std::vector<std::string> items, const QString& text) {
  inputItems_ = std::move(items);
  inputItemsText_ = text;
  inputField_->setText(text);
}

std::vector<std::string> MainWindow::InputItems() const {
  const QString shown = inputField_->text();
  if (!inputItems_.empty() && shown == inputItemsText_) return inputItems_;
  return {std::string(TrimBlanks(shown.toStdString()))};
}

void MainWindow::SetStatusText(const std::string& text) { statusField_->setText(Qs(text)); }

std::string MainWindow::StatusText() const { return statusField_->text().toStdString(); }

WindowPlacement MainWindow::FinalPlacement() const { return closed_ ? placementAtClose_ : PlacementOf(*this); }

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  LayoutMainWindow();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // While a conversion runs the window is disabled and stays open.
  if (!isEnabled()) {
    event->ignore();
    return;
  }
  placementAtClose_ = PlacementOf(*this);
  closed_ = true;
  event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!event->mimeData()->hasUrls()) return;
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QList<QUrl> urls = event->mimeData()->urls();
  event->setDropAction(Qt::CopyAction);
  event->accept();
  // Every dropped file and folder is taken.
  std::vector<std::string> items;
  for (const QUrl& url : urls)
    if (const QString path = url.toLocalFile(); !path.isEmpty()) items.push_back(path.toStdString());
  if (items.empty()) return;
  ::pictavo::SetInputItems(*this, items);
  QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
}

std::unique_ptr<MainWindow> CreateMainWindow(DesktopRecords records) {
  return std::make_unique<MainWindow>(std::move(records));
}

void SetupMainWindow(MainWindow& window) {
  DesktopRecords& r = window.records();
  BuildFormatTables(r.tables);

  if (r.settings.window.isMaximized) window.setWindowState(window.windowState() | Qt::WindowMaximized);

  QComboBox* folders = window.folderList();
  if (r.settings.file.recentOutFolders.empty()) folders->addItem(QString());

  QComboBox* formats = window.formatList();
  formats->clear();
  const QIcon formatIcon = r.images.Icon(MenuImageIds().at("New"));
  const std::vector<std::string>& extensions = OutputExtensions();
  int selected = -1;
  for (size_t i = 0; i < extensions.size(); ++i) {
    const std::string& extension = extensions[i];
    if (extension.empty()) continue;
    const auto format = r.tables.outputFormats.find(extension);
    const std::string description = format == r.tables.outputFormats.end() ? "" : format->second.description;
    if (extension == r.settings.output.format) selected = formats->count();
    formats->addItem(formatIcon, Qs(ToUpperAscii(extension) + " (" + description + ")"), static_cast<int>(i));
  }
  formats->setCurrentIndex(formats->count() > 0 ? std::max(selected, 0) : -1);

  NewCommand(window);
  window.show();
  window.PostLayout();

  // Screenshots show the bare window, without a question on top.
  if (r.job.runMarker != RunMarker::Screenshot) AutoUpdateCheck(r.settings, r.update);
}

std::string ManualPath(const std::string& programFolder) {
  // Beside the program in the build folder; in the program's data folder of
  // an installed tree, which minimal systems keep when they drop
  // /usr/share/doc.
  const std::string beside = programFolder + kManualFile;
  if (FileSizeOf(beside) > 0) return beside;
  return programFolder + "../share/" + kBaseName + "/" + kManualFile;
}

void OpenWithShell(const std::string& target) {
  // A missing document fails quietly here rather than in a viewer's error
  // window.
  if (target.starts_with("/") && FileSizeOf(target) < 0) return;
  CurrentDialogs().OpenExternal(target);
}

WindowPlacement PlacementOf(const QWidget& window) {
  WindowPlacement placement;
  placement.maximized = window.isMaximized();
  placement.minimized = window.isMinimized();
  const QRect frame = window.frameGeometry();
  placement.outerX = frame.x();
  placement.outerY = frame.y();
  // A window manager may resize past the limits the window asked for; what
  // is stored stays within them.
  placement.innerWidth = std::clamp(window.width(), window.minimumWidth(), window.maximumWidth());
  placement.innerHeight = std::clamp(window.height(), window.minimumHeight(), window.maximumHeight());
  return placement;
}

void RecordDesktopEnd(Settings& settings, const WindowPlacement& placement) {
  RecordWindowPlacement(settings, placement);
  if (!settings.advanced.outFoldersHistory) settings.file.recentOutFolders.clear();
}

}  // namespace pictavo
