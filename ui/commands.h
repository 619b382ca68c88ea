// The commands behind the input file and output folder rows: New, choosing
// the input file, choosing the output folder, and the history of recent
// output folders behind the folder list.
#pragma once

#include <QStringList>
#include <string>
#include <vector>

#include "engine/formats.h"
#include "engine/job.h"
#include "settings/settings.h"

namespace pictavo {

class MainWindow;

// Empties the input field, the folder list's text and the job; the history
// and the settings stay.
void NewCommand(MainWindow& window);

// The open-file dialog, which takes several files; true when they became
// the input.
bool ChooseInputFile(MainWindow& window);

// The folder dialog for the input: every RAW file below the folder.
bool ChooseInputFolder(MainWindow& window);

// The folder dialog; an existing folder becomes the output folder and the
// first history entry.
void ChooseOutputFolder(MainWindow& window);

// Refills the folder list from the history, selecting the job's output
// folder. Leaves the list alone while the history is empty.
void RefreshOutputFolderList(MainWindow& window);

// The files a run of these input items converts: one file (taken by name,
// as AddInputFile takes it), one folder (every file below it, relative to
// it), or several files and folders (each folder keeping its own name).
// Gives the number added.
int32_t CollectInputFiles(const std::vector<std::string>& items, InputFiles& files, const ConversionJob& job,
                          const std::vector<std::string>& accepted);

// Makes files and folders (a dialog's choice, a drop, a file manager's) the
// input when they hold anything to convert: the input field shows the one
// path, or how many files there are; when no output folder is shown yet,
// the first item's folder (a lone folder itself) becomes the output folder.
// False, and nothing changed, when there is nothing to convert.
bool SetInputItems(MainWindow& window, const std::vector<std::string>& items);

// A file or folder named on the command line, as a file manager passes it:
// an existing one with something to convert becomes the input, as a drop on
// the window would make it; anything else is ignored (false).
bool OpenGivenFile(MainWindow& window, const std::string& path);

// Entry i (from 0) of `File`/`Recent Out Folders`, spaces trimmed; "" past
// the end.
std::string RecentOutputFolder(const Settings& settings, int i);

// Puts `folder` first in the history, dropping the same folder (letter case
// ignored) from its old place and the oldest entries beyond `Advanced`/`Out
// Folders Number`. False, and nothing changed, for an empty folder.
bool PushRecentOutputFolder(Settings& settings, const std::string& folder);

// Two folder paths name the same folder when the CRC-32 of their upper-cased
// UTF-8 texts, without trailing "/", is equal.
uint32_t FolderIdentity(const std::string& folder);

// The open-file dialog's filters in Qt's "Label (*.a *.b)" form: all
// supported files, one entry per description (in order of first appearance,
// the latest extension first), then all files.
QStringList InputFileFilters(const std::vector<std::string>& accepted, const InputExtensionMap& inputExtensions);

}  // namespace pictavo
