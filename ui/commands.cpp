#include "ui/commands.h"

#include <zlib.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QString>
#include <filesystem>
#include <map>

#include "engine/job.h"
#include "base/text_util.h"
#include "ui/dialogs.h"
#include "texts/language.h"
#include "ui/main_window.h"

namespace pictavo {

namespace {

// What a file drop or a dialog leaves behind is handled before the window
// goes on.
void ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents, 2); }

}  // namespace

void NewCommand(MainWindow& window) {
  DesktopRecords& r = window.records();
  RefreshOutputFolderList(window);
  ResetJob(r.job, r.files, r.accepted, r.tables.inputExtensions);
  window.inputField()->clear();
  window.folderList()->setCurrentIndex(-1);
}

QStringList InputFileFilters(const std::vector<std::string>& accepted, const InputExtensionMap& inputExtensions) {
  QStringList all;
  std::vector<std::string> order;  // descriptions as they first appear
  std::map<std::string, QStringList> patterns;
  for (const std::string& extension : accepted) {
    const QString pattern = QStringLiteral("*.") + QString::fromUtf8(extension);
    all.append(pattern);
    const auto it = inputExtensions.find(extension);
    const std::string description = it == inputExtensions.end() ? std::string() : it->second.description;
    auto [entry, added] = patterns.try_emplace(description);
    if (added) order.push_back(description);
    entry->second.prepend(pattern);
  }

  const auto filter = [](const std::string& label, const QStringList& list) {
    return QString::fromUtf8(label) + QStringLiteral(" (") + list.join(QLatin1Char(' ')) + QLatin1Char(')');
  };
  QStringList filters;
  filters.append(filter(GetText("Dialog", "All Supported Files"), all));
  for (const std::string& description : order) filters.append(filter(description, patterns[description]));
  filters.append(QString::fromUtf8(GetText("Dialog", "All Files")) + QStringLiteral(" (*)"));
  return filters;
}

bool ChooseInputFile(MainWindow& window) {
  DesktopRecords& r = window.records();
  bool accepted = false;
  const std::vector<std::string> chosen =
      CurrentDialogs().OpenFiles(GetText("Dialog", "Select Input Files"),
                                 InputFileFilters(r.accepted, r.tables.inputExtensions), r.job.currentFile);
  if (!chosen.empty()) {
    accepted = SetInputItems(window, chosen);
    ProcessPendingEvents();
  }
  // The next dialog starts without a preset unless a conversion sets one.
  r.job.currentFile.clear();
  window.PostLayout();
  return accepted;
}

bool ChooseInputFolder(MainWindow& window) {
  const std::string shown = window.inputField()->text().toStdString();
  const std::optional<std::string> folder =
      CurrentDialogs().ChooseFolder(GetText("Dialog", "Select Input Folder"), IsFolder(shown) ? shown : "");
  const bool accepted = folder && IsFolder(*folder) && SetInputItems(window, {*folder});
  window.PostLayout();
  return accepted;
}

void ChooseOutputFolder(MainWindow& window) {
  DesktopRecords& r = window.records();
  std::string start = r.job.outputFolder;
  const std::string shown = window.folderList()->currentText().toStdString();
  if (!shown.empty()) start = FolderOf(shown);

  const std::optional<std::string> folder = CurrentDialogs().ChooseFolder(GetText("Dialog", "Select Output Folder"), start);
  if (folder && IsFolder(*folder)) {
    PushRecentOutputFolder(r.settings, *folder);
    r.job.outputFolder = *folder;
    RefreshOutputFolderList(window);
  }
  window.PostLayout();
}

void RefreshOutputFolderList(MainWindow& window) {
  DesktopRecords& r = window.records();
  if (r.settings.file.recentOutFolders.empty()) return;

  QComboBox* list = window.folderList();
  const QIcon icon = r.images.Icon(MenuImageIds().at("FavFolder"));
  list->clear();
  int selected = 0;
  for (int i = 0; i < r.settings.advanced.outFoldersNumber; ++i) {
    const std::string folder = RecentOutputFolder(r.settings, i);
    if (folder.empty()) continue;
    if (!r.job.outputFolder.empty() && FolderIdentity(folder) == FolderIdentity(r.job.outputFolder))
      selected = list->count();
    list->addItem(icon, QString::fromStdString(folder));
  }
  list->setCurrentIndex(list->count() > 0 ? selected : -1);
}

namespace {

std::string AsFolder(const std::string& path) { return path.ends_with('/') ? path : path + "/"; }

}  // namespace

int32_t CollectInputFiles(const std::vector<std::string>& items, InputFiles& files, const ConversionJob& job,
                          const std::vector<std::string>& accepted) {
  if (items.size() == 1) {
    if (IsFolder(items[0])) return AddFolderFiles(AsFolder(items[0]), files, accepted);
    return AddInputFile(items[0], files, job, accepted) ? 1 : 0;
  }
  int32_t added = 0;
  for (const std::string& item : items) {
    if (IsFolder(item)) {
      // Several folders keep their names apart in the output.
      std::string folder = AsFolder(item);
      while (folder.size() > 1 && folder.ends_with("//")) folder.pop_back();
      added += AddFolderFiles(folder, FolderOf(folder.substr(0, folder.size() - 1)), files, accepted);
    } else if (FileSizeOf(item) > 0 && IsAcceptedInputFile(item, accepted) && !files.contains(item)) {
      files[item] = InputFileEntry{1, ""};
      ++added;
    }
  }
  return added;
}

bool SetInputItems(MainWindow& window, const std::vector<std::string>& items) {
  DesktopRecords& r = window.records();
  InputFiles found;
  const int32_t count = CollectInputFiles(items, found, r.job, r.accepted);
  if (count == 0) return false;
  r.files = std::move(found);
  const bool oneFolder = items.size() == 1 && IsFolder(items[0]);
  const std::string shown = items.size() == 1 ? items[0]
                                              : FillPlaceholders(GetText("General", "Input Count"), std::to_string(count));
  window.SetInputItems(items, QString::fromStdString(shown));
  window.inputField()->setCursorPosition(0);  // show where the path starts
  if (window.folderList()->currentText().isEmpty()) {
    const std::string folder = oneFolder ? AsFolder(items[0]) : FolderOf(items[0]);
    PushRecentOutputFolder(r.settings, folder);
    r.job.outputFolder = folder;
    RefreshOutputFolderList(window);
  }
  return true;
}

bool OpenGivenFile(MainWindow& window, const std::string& path) {
  std::error_code error;
  if (path.empty() || !(std::filesystem::is_regular_file(path, error) || std::filesystem::is_directory(path, error)))
    return false;
  const std::string absolute = std::filesystem::absolute(path, error).lexically_normal().string();
  return !error && SetInputItems(window, {absolute});
}

std::string RecentOutputFolder(const Settings& settings, int i) {
  if (i < 0) return "";
  const std::vector<std::string> fields = SplitString(settings.file.recentOutFolders, '\t');
  if (static_cast<size_t>(i) >= fields.size()) return "";
  return std::string(TrimBlanks(fields[static_cast<size_t>(i)]));
}

uint32_t FolderIdentity(const std::string& folder) {
  // "/out" from the folder dialog and "/out/" from a conversion are one
  // folder; "/" itself stays "/".
  std::string_view path = folder;
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const QByteArray upper = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())).toUpper().toUtf8();
  return static_cast<uint32_t>(
      crc32(0L, reinterpret_cast<const Bytef*>(upper.constData()), static_cast<uInt>(upper.size())));
}

bool PushRecentOutputFolder(Settings& settings, const std::string& folder) {
  if (folder.empty()) return false;
  const int limit = settings.advanced.outFoldersNumber;
  const uint32_t key = FolderIdentity(folder);
  std::string history = folder;
  int count = 1;
  for (int i = 0; i < limit; ++i) {
    const std::string entry = RecentOutputFolder(settings, i);
    if (!entry.empty() && count <= limit - 1 && FolderIdentity(entry) != key) {
      history += '\t';
      history += entry;
      ++count;
    }
  }
  settings.file.recentOutFolders = history;
  return true;
}

}  // namespace pictavo
