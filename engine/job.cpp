#include "engine/job.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "engine/formats.h"
#include "base/program.h"
#include "base/text_util.h"

namespace pictavo {

namespace {

std::mutex g_randomMutex;

std::mt19937& Generator() {
  static std::mt19937 generator{std::random_device{}()};
  return generator;
}

}  // namespace

int32_t RandomInRange(int32_t low, int32_t high) {
  std::lock_guard lock(g_randomMutex);
  return std::uniform_int_distribution<int32_t>(low, high)(Generator());
}

std::string ExecutablePath() {
  // Read once: every helper and module lookup asks for the folder.
  static const std::string path = [] {
    std::string buffer(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return std::string();
    buffer.resize(static_cast<size_t>(n));
    return buffer;
  }();
  return path;
}

std::string ExecutableFolder() {
  const std::string path = ExecutablePath();
  return path.empty() ? "" : FolderOf(path);
}

int64_t FileSizeOf(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  if (S_ISDIR(st.st_mode)) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

bool PrepareJob(const Settings& settings, const FormatTables& tables, ConversionJob& job,
                ConversionProgress& progress) {
  const auto format = tables.outputFormats.find(job.outputExtension);
  const SettingDescriptor* depth = DepthSettingFor(job.outputExtension);
  if (format == tables.outputFormats.end() || depth == nullptr) return false;
  job.outputFormatId = format->second.formatNumber;
  job.outputBpp = static_cast<int32_t>(SettingAsInt(settings, *depth));
  job.saveFlags = SaveFlagsFor(settings, job.outputExtension);
  job.keepColorDepth = job.outputBpp == 0;
  std::lock_guard lock(progress.mutex);
  progress.index = 0;
  progress.currentName.clear();
  progress.converted = 0;
  progress.running = 1;
  return true;
}

void ResetJob(ConversionJob& job, InputFiles& files, std::vector<std::string>& accepted,
              const InputExtensionMap& inputExtensions) {
  job.programFolder = ExecutableFolder();
  job.consoleRun = false;
  job.themeRefreshRequest = ThemeRefresh::None;
  job.randomNumber = RandomInRange(1, 99999);
  job.sequenceNumber = 1;
  job.inputGroup.clear();
  job.currentFile.clear();
  job.inputPath.clear();
  job.relativeFolder.clear();
  job.outputFile.clear();
  job.outputFolder.clear();
  job.outputExtension.clear();
  job.sourceBpp = 0;
  job.outputBpp = 0;
  job.outputFormatId = 0;
  job.saveFlags = 0;
  job.keepColorDepth = false;
  job.prefsStartPage = 0;
  files.clear();
  accepted = BuildAcceptedExtensions(inputExtensions, InputGroups());
}

std::string RelativeFolderOf(const std::string& path, const std::string& base) {
  if (path.empty() || base.empty()) return "";
  const std::string folder = FolderOf(path);
  if (folder.find(base) == std::string::npos) return "";
  return ReplaceAll(folder, base, "");
}

bool IsAcceptedInputFile(const std::string& path, const std::vector<std::string>& accepted) {
  if (FileSizeOf(path) == 0) return false;
  const size_t dot = path.find_last_of('.');
  const std::string extension = dot == std::string::npos ? std::string() : ToLowerAscii(path.substr(dot + 1));
  return std::ranges::find(accepted, extension) != accepted.end();
}

int32_t AddFolderFiles(const std::string& folder, InputFiles& files, const std::vector<std::string>& accepted) {
  return AddFolderFiles(folder, folder, files, accepted);
}

int32_t AddFolderFiles(const std::string& folder, const std::string& base, InputFiles& files,
                       const std::vector<std::string>& accepted) {
  namespace fs = std::filesystem;
  int32_t added = 0;
  std::error_code error;
  // Links to folders are not followed, so no loop can hold the walk.
  fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied, error);
  for (; !error && walk != fs::recursive_directory_iterator(); walk.increment(error)) {
    std::error_code kind;
    if (!walk->is_regular_file(kind)) continue;  // a link to a file counts as the file
    const std::string path = walk->path().string();
    if (!IsAcceptedInputFile(path, accepted) || files.contains(path) || !path.starts_with(base)) continue;
    files[path] = InputFileEntry{1, FolderOf(path).substr(base.size())};
    ++added;
  }
  return added;
}

bool AddInputFile(const std::string& path, InputFiles& files, const ConversionJob& job,
                  const std::vector<std::string>& accepted) {
  if (!IsAcceptedInputFile(path, accepted)) return false;
  files.clear();
  files[path] = InputFileEntry{1, RelativeFolderOf(path, job.inputPath)};
  return true;
}

}  // namespace pictavo
