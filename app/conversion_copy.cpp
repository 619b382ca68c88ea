#include "app/conversion_copy.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>
#include <vector>

#include "app/interrupts.h"
#include "app/modules.h"
#include "base/file_io.h"
#include "engine/image_engine.h"
#include "engine/naming.h"
#include "base/safe_files.h"

namespace pictavo {

namespace {

// What a copy sends: "W" once its output is written and waits for the word
// to replace the target, then "1" (saved) or "0", the output path (empty
// when the file failed before it was named) and a NUL, which no path holds.
constexpr char kWritten = 'W';
constexpr char kCommit = 'c';
constexpr size_t kMaxReport = 1 + 1 + 65536 + 1;

[[noreturn]] void RunCopy(ConversionContext& context, const DecodeLimits& limits, pid_t program, int report,
                          int word, int phases) {
  // The copy ends with the program, through the interrupt clean-up, which
  // removes a file it was writing.
  if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != program) _exit(1);
  // The program's other copies are not this copy's to end.
  ForgetConversionCopies();
  // A crash leaves no core file behind (the input file reproduces it), and
  // no file of ours half-written.
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  InstallCrashCleanup();
  // The program syncs the folder of a saved file while this copy ends.
  DeferFolderSyncs(true);

  context.commitGate = [report, word] {
    if (!WriteAllTo(report, &kWritten, 1)) return false;
    char said = 0;
    ssize_t got;
    while ((got = read(word, &said, 1)) < 0 && errno == EINTR) {
    }
    return got == 1 && said == kCommit;
  };
  context.job.outputFile.clear();
  bool saved = false;
  if (const ImageEngine* engine = ImageEngineModule()) {
    context.decorations = engine->drawingSteps(context.settings, context.job, DrawingLayerModule);
    try {
      saved = engine->convertInThisProcess(context, limits, phases);
    } catch (const std::exception&) {
      saved = false;  // out of memory or the like: this file is not converted
    }
  }
  std::string sent(saved ? "1" : "0");
  sent += context.job.outputFile;
  sent += '\0';
  const bool reported = WriteAllTo(report, sent.data(), sent.size());
  // The metadata reader it started has nothing left to do.
  EndFinishedHelpers();
  ShowLoadedLibraries("conversion library");
  std::fflush(nullptr);
  _exit(reported ? 0 : 1);
}

uint64_t MemoryAvailable() {
  std::ifstream info("/proc/meminfo");
  std::string key;
  uint64_t kib = 0;
  while (info >> key >> kib) {
    if (key == "MemAvailable:") return kib * 1024;
    info.ignore(256, '\n');
  }
  return 0;
}


int UsableCores() {
  int cores = 0;
  cpu_set_t usable;
  if (sched_getaffinity(0, sizeof usable, &usable) == 0) cores = CPU_COUNT(&usable);
  if (cores <= 0) cores = static_cast<int>(std::max(1L, sysconf(_SC_NPROCESSORS_ONLN)));
  return cores;
}

int AutomaticParallelConversions(const InputFiles& files) {
  const int cores = UsableCores();
  uint64_t largest = 0;
  for (const auto& [path, entry] : files) largest = std::max<uint64_t>(largest, std::max<int64_t>(0, FileSizeOf(path)));
  // A conversion's peak, from the benchmark: a 24 MB mosaic of 12
  // megapixels peaks at about 300 MiB, a compressed file at more per byte.
  const uint64_t perConversion = (uint64_t{48} << 20) + 24 * largest;
  const uint64_t available = MemoryAvailable();
  int count = std::min(cores, kMaxParallelConversions);
  if (available > 0) count = static_cast<int>(std::min<uint64_t>(count, available / perConversion));
  count = std::min<int>(count, static_cast<int>(files.size()));
  return std::max(count, 1);
}

}  // namespace

int ConversionsAtOnce(int asked, const Settings& settings, const ConversionJob& job, const InputFiles& files) {
  // Numbers that follow the files before need those files done first.
  if (NamesDependOnEarlierFiles(settings, job, files)) return 1;
  const int count = asked == 0 ? AutomaticParallelConversions(files) : asked;
  return std::clamp(count, 1, std::max<int>(1, static_cast<int>(std::min<size_t>(files.size(), kMaxParallelConversions))));
}

struct CopyConverter::Copy {
  pid_t pid = -1;
  UniqueFd report;  // what the copy sends
  UniqueFd word;    // the program's word to replace the target
  UniqueFd phases;  // +1 as each decode starts and ends
  uint64_t counted = 0;  // odd while a decode runs
  Clock::time_point deadline = Clock::time_point::max();
  std::string bytes;
  bool written = false;  // waits for the word
  bool told = false;
  bool ended = false;  // its result is in, or it is gone
  FileResult result;
};

CopyConverter::CopyConverter(int capacity)
    : capacity_(std::clamp(capacity, 1, kMaxParallelConversions)), limits_(DefaultDecodeLimits()) {
  // LibRaw's demosaicing spreads over every core by itself. Files converted
  // side by side share the cores instead: a decoder each with all of them
  // would have their threads wait for one another, spinning, which cost a
  // folder of 12 MP mosaics on two cores a tenth of its time. The copies
  // load OpenMP after this, so its setting reaches them.
  if (capacity_ > 1 && !std::getenv("OMP_NUM_THREADS"))
    setenv("OMP_NUM_THREADS", std::to_string(std::max(1, UsableCores() / capacity_)).c_str(), 1);
}

CopyConverter::~CopyConverter() {
  // Only a run that stopped early leaves copies: they end without a word,
  // which removes what they wrote.
  for (Copy& copy : copies_) {
    if (copy.pid <= 0) continue;
    copy.word.reset();
    kill(copy.pid, SIGTERM);
    while (waitpid(copy.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    RemoveConversionCopy(copy.pid);
  }
}

void CopyConverter::Start(ConversionContext& context) {
  Copy& copy = copies_.emplace_back();
  int report[2], word[2];
  if (pipe2(report, O_CLOEXEC) != 0) {
    copy.ended = true;
    return;
  }
  UniqueFd reportRead(report[0]), reportWrite(report[1]);
  if (pipe2(word, O_CLOEXEC) != 0) {
    copy.ended = true;
    return;
  }
  UniqueFd wordRead(word[0]), wordWrite(word[1]);
  UniqueFd phases(HelperDoneSignal());
  if (!phases) {
    copy.ended = true;
    return;
  }

  // Whatever waits in the program's buffers would otherwise be written twice.
  std::fflush(nullptr);
  // An interrupting signal is held until the program knows its copy, so that
  // it is always passed on (app/interrupts.h).
  sigset_t interrupts, previous;
  sigemptyset(&interrupts);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, signal);
  sigprocmask(SIG_BLOCK, &interrupts, &previous);
  const pid_t program = getpid();
  const pid_t pid = fork();
  if (pid == 0) {
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    // The other copies' ends are theirs and the program's alone: a word or
    // an end of file must reach each copy from the program only.
    for (Copy& other : copies_) {
      other.report.reset();
      other.word.reset();
      other.phases.reset();
    }
    reportRead.reset();
    wordWrite.reset();
    RunCopy(context, limits_, program, reportWrite.get(), wordRead.get(), phases.get());
  }
  if (pid > 0) AddConversionCopy(pid);
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (pid < 0) {
    copy.ended = true;
    return;
  }
  fcntl(reportRead.get(), F_SETFL, fcntl(reportRead.get(), F_GETFL) | O_NONBLOCK);
  copy.pid = pid;
  copy.report = std::move(reportRead);
  copy.word = std::move(wordWrite);
  copy.phases = std::move(phases);
}

void CopyConverter::Read(Copy& copy) {
  uint64_t added = 0;
  if (read(copy.phases.get(), &added, sizeof added) == static_cast<ssize_t>(sizeof added) && added > 0) {
    copy.counted += added;
    copy.deadline = copy.counted % 2 == 1 ? Clock::now() + limits_.timeout : Clock::time_point::max();
  }
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(copy.report.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return;  // nothing more for now
    if (got == 0) {
      copy.ended = true;  // closed: the copy has ended, with or without its result
      return;
    }
    copy.bytes.append(buffer, static_cast<size_t>(got));
    if (!copy.written && copy.bytes.front() == kWritten) {
      copy.written = true;
      copy.bytes.erase(0, 1);
    }
    if (copy.bytes.size() > kMaxReport) {
      kill(copy.pid, SIGKILL);  // no copy of ours says this much
      copy.ended = true;
      return;
    }
    if (copy.bytes.size() >= 2 && copy.bytes.back() == '\0') {
      copy.result.saved = copy.bytes[0] == '1';
      copy.result.outputFile = copy.bytes.substr(1, copy.bytes.size() - 2);
      copy.ended = true;
      return;
    }
  }
}

FileResult CopyConverter::Finish(ConversionContext&) {
  if (copies_.empty()) return {};
  Copy& oldest = copies_.front();
  for (;;) {
    // The oldest file's turn: it may replace its target.
    if (oldest.written && !oldest.told && !oldest.ended) {
      oldest.told = WriteAllTo(oldest.word.get(), &kCommit, 1);
      if (!oldest.told) oldest.ended = true;
    }
    if (oldest.ended) break;

    std::vector<pollfd> watch;
    std::vector<Copy*> watched;
    Clock::time_point nearest = Clock::time_point::max();
    const Clock::time_point now = Clock::now();
    for (Copy& copy : copies_) {
      if (copy.ended || copy.pid <= 0) continue;
      // A decode that outlasts its time ends its copy: the file is not converted.
      if (copy.deadline <= now) {
        kill(copy.pid, SIGKILL);
        copy.ended = true;
        continue;
      }
      nearest = std::min(nearest, copy.deadline);
      watch.push_back({copy.report.get(), POLLIN, 0});
      watch.push_back({copy.phases.get(), POLLIN, 0});
      watched.push_back(&copy);
    }
    if (watch.empty()) {
      oldest.ended = true;  // nothing left that could still report
      continue;
    }
    long long wait = 60'000;
    if (nearest != Clock::time_point::max())
      wait = std::clamp<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(nearest - now).count() + 1,
                                   0, 60'000);
    if (poll(watch.data(), watch.size(), static_cast<int>(wait)) < 0 && errno != EINTR) {
      for (Copy* copy : watched) {
        kill(copy->pid, SIGKILL);
        copy->ended = true;
      }
      continue;
    }
    for (size_t i = 0; i < watched.size(); ++i)
      if (watch[2 * i].revents != 0 || watch[2 * i + 1].revents != 0) Read(*watched[i]);
  }

  FileResult result = oldest.result;
  // A copy that said it saved before it was told to has not: no file may
  // replace its target out of turn.
  if (!oldest.told) result.saved = false;
  if (result.saved) SyncFolderOf(result.outputFile);
  if (oldest.pid > 0) {
    while (waitpid(oldest.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    RemoveConversionCopy(oldest.pid);
  }
  copies_.pop_front();
  return result;
}

}  // namespace pictavo
