// The conversion loop and what it does around each file. None of it touches
// a picture, so it stays in the program when the image engine is a module of
// its own: each file goes through the context's converter.
#include "engine/convert.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <exception>
#include <mutex>
#include <string>
#include <vector>

#include "engine/helper_process.h"

namespace pictavo {

int64_t FileModifiedLocalSeconds(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return -1;
  std::tm local{};
  const std::time_t t = st.st_mtime;
  localtime_r(&t, &local);
  return static_cast<int64_t>(timegm(&local));
}

bool SetFileModifiedLocalSeconds(const std::string& path, int64_t localSeconds) {
  // Local wall-clock seconds back to a real instant.
  std::tm wall{};
  const std::time_t asUtc = static_cast<std::time_t>(localSeconds);
  gmtime_r(&asUtc, &wall);
  wall.tm_isdst = -1;
  const std::time_t instant = mktime(&wall);
  if (instant == static_cast<std::time_t>(-1) && localSeconds != -1) return false;
  const timespec times[2] = {{0, UTIME_OMIT}, {instant, 0}};
  return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

namespace {

// The context's own converter function, one file after another in this
// process.
class InProcessConverter : public FileConverter {
 public:
  int Capacity() const override { return 1; }
  void Start(ConversionContext& context) override {
    result_ = {};
    try {
      result_.saved = context.convertFile(context);
    } catch (const std::exception&) {
      // Out of memory or the like while converting this file: it is not
      // converted, and the run goes on with the next one.
      result_.saved = false;
    }
    result_.outputFile = context.job.outputFile;
  }
  FileResult Finish(ConversionContext&) override { return result_; }

 private:
  FileResult result_;
};

// Makes `relative` (ending in "/") below `base`, one level after another,
// and notes each folder it made, outermost first. A folder that cannot be
// made fails the file's save.
void MakeFolders(const std::string& base, const std::string& relative, std::vector<std::string>& made) {
  std::string folder = base;
  for (size_t start = 0, slash; (slash = relative.find('/', start)) != std::string::npos; start = slash + 1) {
    folder += relative.substr(start, slash + 1 - start);
    std::error_code error;
    if (std::filesystem::create_directory(folder, error)) made.push_back(folder);
    if (error) return;
  }
}

// What follows a converted file, in the order of the files.
void AfterSavedFile(ConversionContext& context) {
  ConversionJob& job = context.job;
  job.randomNumber = RandomInRange(1, 99999);
  ++job.sequenceNumber;
  switch (context.settings.advanced.fileTimestamp) {
    case 1: {
      const int64_t original = FileModifiedLocalSeconds(job.currentFile);
      if (original >= 0) SetFileModifiedLocalSeconds(job.outputFile, original);
      break;
    }
    case 2: SetFileModifiedLocalSeconds(job.outputFile, context.settings.advanced.customTimestamp); break;
    default: break;
  }
}

}  // namespace

int ConversionWorker(ConversionContext& context) {
  ConversionJob& job = context.job;
  ConversionProgress& progress = context.progress;
  const bool debug = job.consoleRun && job.runMarker == RunMarker::Debug && context.printLine;
  InProcessConverter inProcess;
  FileConverter& converter = context.converter ? *context.converter : inProcess;
  const int capacity = std::max(1, converter.Capacity());

  int32_t converted = 0;
  std::vector<std::string> made;      // output subfolders this run made
  auto next = context.files.begin();  // the next file to start
  auto oldest = next;                  // the next file to finish
  int32_t started = 0, finished = 0, inFlight = 0;
  for (;;) {
    while (inFlight < capacity && next != context.files.end() && progress.running.load()) {
      job.currentFile = next->first;
      job.relativeFolder = next->second.relativeFolder;
      // A file of a subfolder goes to the same subfolder of the output.
      if (context.settings.advanced.keepSubfolders && !job.relativeFolder.empty())
        MakeFolders(job.outputFolder, job.relativeFolder, made);
      {
        std::lock_guard lock(progress.mutex);
        progress.index = ++started;
        progress.currentName = job.currentFile;
      }
      if (context.fileStarted) context.fileStarted(started, job.currentFile);
      converter.Start(context);
      ++next;
      ++inFlight;
    }
    if (inFlight == 0) break;
    // The file's own values again: others may have started since.
    job.currentFile = oldest->first;
    job.relativeFolder = oldest->second.relativeFolder;
    const FileResult result = converter.Finish(context);
    --inFlight;
    ++oldest;
    ++finished;
    // A file that failed before it was named keeps the name before it.
    if (!result.outputFile.empty()) job.outputFile = result.outputFile;
    if (debug) {
      context.printLine("Processing: " + job.currentFile);
      context.printLine("Saving As: " + job.outputFile);
      context.printLine(result.saved ? "OK" : "Not OK");
    }
    if (result.saved) {
      ++converted;
      AfterSavedFile(context);
    }
    if (context.fileFinished) context.fileFinished(finished, result);
  }
  // Folders made for files that were not converted leave nothing behind.
  for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
    std::error_code ignored;
    if (std::filesystem::is_empty(*folder, ignored)) std::filesystem::remove(*folder, ignored);
  }
  // The helpers that handed over their results have ended by now.
  EndFinishedHelpers();
  std::lock_guard lock(progress.mutex);
  progress.converted = converted;
  return 0;
}

}  // namespace pictavo
