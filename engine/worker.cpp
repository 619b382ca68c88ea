// The conversion loop and what it does around each file. None of it touches
// a picture, so it stays in the program when the image engine is a module of
// its own: each file goes through the context's converter.
#include "engine/convert.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <exception>
#include <mutex>

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

int ConversionWorker(ConversionContext& context) {
  ConversionJob& job = context.job;
  ConversionProgress& progress = context.progress;
  const bool debug = job.consoleRun && job.runMarker == "DEBUG" && context.printLine;

  int32_t counter = 0;
  int32_t converted = 0;
  for (auto it = context.files.begin(); it != context.files.end() && progress.running.load(); ++it) {
    ++counter;
    job.currentFile = it->first;
    job.relativeFolder = it->second.relativeFolder;
    {
      std::lock_guard lock(progress.mutex);
      progress.index = counter;
      progress.currentName = job.currentFile;
    }
    if (debug) context.printLine("Processing: " + job.currentFile);
    bool ok = false;
    try {
      ok = context.convertFile(context);
    } catch (const std::exception&) {
      // Out of memory or the like while converting this file: it is not
      // converted, and the run goes on with the next one.
      ok = false;
    }
    if (debug) {
      context.printLine("Saving As: " + job.outputFile);
      context.printLine(ok ? "OK" : "Not OK");
    }
    if (!ok) continue;
    ++converted;
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
  // The helpers that handed over their results have ended by now.
  ReapFinishedHelpers(true);
  std::lock_guard lock(progress.mutex);
  progress.converted = converted;
  return 0;
}

}  // namespace pictavo
