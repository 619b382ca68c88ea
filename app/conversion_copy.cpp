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
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>

#include "app/interrupts.h"
#include "app/modules.h"
#include "engine/helper_process.h"
#include "engine/image_engine.h"
#include "settings/safe_files.h"

namespace pictavo {

namespace {

using Clock = std::chrono::steady_clock;

// What the copy sends back: "1" (saved) or "0", then the output path and a
// NUL, which no path holds.
constexpr size_t kMaxReport = 1 + 65536 + 1;

[[noreturn]] void RunCopy(ConversionContext& context, const HelperSettings& limits, pid_t program, int report,
                          int phases) {
  // The copy ends with the program, through the interrupt clean-up, which
  // removes a file it was writing.
  if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != program) _exit(1);
  // A crash leaves no core file behind (the input file reproduces it), and
  // no file of ours half-written.
  const rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  InstallCrashCleanup();
  // The program syncs the folder of a saved file while this copy ends.
  DeferFolderSyncs(true);

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
  ReapFinishedHelpers(true);
  ShowLoadedLibraries("conversion library");
  std::fflush(nullptr);
  _exit(reported ? 0 : 1);
}

// Reads the copy's report until its NUL, or until the copy closes its end
// (it has ended), holding each decode to `timeout`. The copy's ending is not
// waited for here: it takes the copy about as long as the program's sync of
// the folder, and the two overlap. False when the copy must be ended: out of
// time, or sending more than any report.
bool CollectReport(int report, int phases, std::chrono::milliseconds timeout, std::string& bytes) {
  uint64_t counted = 0;  // odd while a decode runs
  Clock::time_point deadline = Clock::time_point::max();
  for (;;) {
    uint64_t added = 0;
    if (read(phases, &added, sizeof added) == static_cast<ssize_t>(sizeof added) && added > 0) {
      counted += added;
      deadline = counted % 2 == 1 ? Clock::now() + timeout : Clock::time_point::max();
    }
    const bool decoding = counted % 2 == 1;
    long long wait = -1;
    if (decoding) {
      wait = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (wait <= 0) return false;
    }
    pollfd watch[2] = {{report, POLLIN, 0}, {phases, POLLIN, 0}};
    if (poll(watch, 2, static_cast<int>(std::min<long long>(wait, 60'000))) < 0 && errno != EINTR) return false;
    if (watch[0].revents == 0) continue;
    char buffer[4096];
    const ssize_t got = read(report, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return true;  // closed: the copy has ended
    if (bytes.size() + static_cast<size_t>(got) > kMaxReport) return false;
    bytes.append(buffer, static_cast<size_t>(got));
    if (bytes.back() == '\0') return true;
  }
}

}  // namespace

bool ConvertInCopy(ConversionContext& context) {
  const HelperSettings limits = DefaultHelperSettings();
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return false;
  HelperFd reportRead(ends[0]), reportWrite(ends[1]);
  const HelperFd phases(HelperDoneSignal());
  if (!phases) return false;

  // Whatever waits in the program's buffers would otherwise be written twice.
  std::fflush(nullptr);
  // An interrupting signal is held until the program knows its copy, so that
  // it is always passed on (app/interrupts.h).
  sigset_t interrupts, previous;
  sigemptyset(&interrupts);
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupts, signal);
  sigprocmask(SIG_BLOCK, &interrupts, &previous);
  const pid_t program = getpid();
  const pid_t copy = fork();
  if (copy == 0) {
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    reportRead.reset();
    RunCopy(context, limits, program, reportWrite.get(), phases.get());
  }
  if (copy > 0) SetConversionCopy(copy);
  sigprocmask(SIG_SETMASK, &previous, nullptr);
  if (copy < 0) return false;
  reportWrite.reset();

  std::string report;
  const bool collected = CollectReport(reportRead.get(), phases.get(), limits.timeout, report);
  // Done with its file, or about to be ended: nothing is left to pass a
  // signal on to.
  SetConversionCopy(0);
  if (!collected) kill(copy, SIGKILL);
  const bool complete = collected && report.size() >= 2 && report.back() == '\0';
  const bool saved = complete && report[0] == '1';
  if (complete) context.job.outputFile = report.substr(1, report.size() - 2);
  if (saved) SyncFolderOf(context.job.outputFile);
  while (waitpid(copy, nullptr, 0) < 0 && errno == EINTR) {
  }
  // Once reported saved, the file is in place, however the copy then ends.
  return saved;
}

}  // namespace pictavo
