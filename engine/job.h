// The record of the conversion at hand, the progress shared with the worker
// thread, and the set of input files of one run.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "base/file_io.h"
#include "engine/formats.h"

namespace pictavo {

// What the preferences changed that the main window must redraw.
enum class ThemeRefresh {
  None,
  Theme,         // another theme: every picture at every size
  IconSizeOnly,  // the same theme at another size
};

// A run's marker from the command line.
enum class RunMarker {
  None,
  Debug,       // -d: the console run prints its debug lines
  Screenshot,  // -T: the window makes the screenshots, without an update check
};

struct ConversionJob {
  std::string programFolder;  // executable's folder, ending in "/"
  std::string currentFile;
  std::string inputPath;
  std::string relativeFolder;
  std::string outputFile;
  std::string outputFolder;
  int32_t randomNumber = 0;    // %rnd%, 1..99999
  int32_t sequenceNumber = 0;  // %n%
  std::string inputGroup;
  int32_t sourceBpp = 0;
  int32_t outputFormatId = 0;
  std::string outputExtension;
  int32_t outputBpp = 0;
  int32_t saveFlags = 0;
  bool keepColorDepth = false;  // the output takes the source's depth (a depth setting of 0)
  ThemeRefresh themeRefreshRequest = ThemeRefresh::None;
  bool consoleRun = false;
  RunMarker runMarker = RunMarker::None;
  int32_t finalWidth = 0;
  int32_t finalHeight = 0;
  std::string converterSource;
  std::string converterTarget;
  int prefsStartPage = 0;  // the page the preferences open at
};

// Shared between the worker and whoever started it. Every field but
// `running` is read and written under `mutex`; the worker polls `running`
// between files without it.
struct ConversionProgress {
  std::mutex mutex;
  int32_t index = 0;
  std::string currentName;
  int32_t converted = 0;
  std::atomic<uint8_t> running{0};
};

struct InputFileEntry {
  int32_t queued = 0;
  std::string relativeFolder;
};

// Keyed by the path exactly as the caller gave it.
using InputFiles = std::map<std::string, InputFileEntry>;

// Start state: new random number, sequence 1, empty paths and output values,
// an empty file set and freshly built accepted extensions. RunMarker, the
// final size and the converter fields survive.
void ResetJob(ConversionJob& job, InputFiles& files, std::vector<std::string>& accepted,
              const InputExtensionMap& inputExtensions);

// Path of the running executable ("" when it cannot be read), and its
// folder, ending in "/".
std::string ExecutablePath();
std::string ExecutableFolder();

// Random integer in [low, high] from the process generator.
int32_t RandomInRange(int32_t low, int32_t high);

// Puts `path` into the set (emptying it first) when the file is not empty and
// its lower-cased extension is accepted. A path that does not exist passes
// the size test; loading fails later.
bool AddInputFile(const std::string& path, InputFiles& files, const ConversionJob& job,
                  const std::vector<std::string>& accepted);

// Every file below `folder` (subfolders included, folders reached through
// symbolic links left out, unreadable ones skipped) that AddInputFile would
// take, added to the set without emptying it, each with its folder relative
// to `folder` (which ends in "/"). Gives the number added.
int32_t AddFolderFiles(const std::string& folder, InputFiles& files, const std::vector<std::string>& accepted);
// The same with the files' folders relative to `base`, which `folder` lies
// in (so that the folder's own name is kept).
int32_t AddFolderFiles(const std::string& folder, const std::string& base, InputFiles& files,
                       const std::vector<std::string>& accepted);

// Whether AddInputFile takes `path`: not empty, an accepted extension.
bool IsAcceptedInputFile(const std::string& path, const std::vector<std::string>& accepted);

// Folder part of `path` (through its last "/") with every occurrence of
// `base` removed, when it contains `base`; otherwise "".
std::string RelativeFolderOf(const std::string& path, const std::string& base);

// Size in bytes; -1 when the path does not exist or is a folder.
int64_t FileSizeOf(const std::string& path);

// Whether `path` names a folder (a link to one included).
bool IsFolder(const std::string& path);

// Sets up the job's output for its output extension (format, depth, save
// flags from the settings) and starts the progress afresh, as a run of the
// console or the window begins; false when the tables know no such format.
bool PrepareJob(const Settings& settings, const FormatTables& tables, ConversionJob& job,
                ConversionProgress& progress);

}  // namespace pictavo
