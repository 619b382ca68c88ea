#include "engine/helper_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "engine/job.h"

extern char** environ;

namespace pictavo {

namespace {

// Above the descriptors a helper's are set up from: one of ours already
// sitting there (a program started with closed standard streams) would be
// overwritten before it is handed on.
int AboveHelperDescriptors(int fd) {
  if (fd < 0 || fd > kHelperDoneFd) return fd;
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, kHelperDoneFd + 1);
  close(fd);
  return moved;
}

std::mutex finishedMutex;
std::vector<pid_t> finishedHelpers;  // guarded by finishedMutex

using Clock = std::chrono::steady_clock;

constexpr long kMaxTimeoutSeconds = 3600;

}  // namespace

int HelperResultFile(const char* name) { return AboveHelperDescriptors(memfd_create(name, MFD_CLOEXEC)); }

int HelperDoneSignal() { return AboveHelperDescriptors(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)); }

bool SpawnHelperProcess(const std::string& executable, const std::vector<std::string>& args, int resultFd,
                        int doneFd, pid_t& pid) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  // Standard streams lead nowhere: decoders print warnings that mean nothing
  // to the user. Nothing of ours but the result file and the counter reaches
  // the helper, whether or not it was opened close-on-exec.
  const bool prepared =
      posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
      posix_spawn_file_actions_adddup2(&actions, resultFd, kHelperResultFd) == 0 &&
      posix_spawn_file_actions_adddup2(&actions, doneFd, kHelperDoneFd) == 0 &&
      posix_spawn_file_actions_addclosefrom_np(&actions, kHelperDoneFd + 1) == 0;

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(executable.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  const bool started = prepared && posix_spawn(&pid, executable.c_str(), &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  return started;
}

bool WaitForHelperProcess(pid_t pid, int doneFd, std::chrono::milliseconds timeout) {
  const auto deadline = Clock::now() + timeout;
  CollectEndedHelpers();
  // A pidfd becomes readable the moment the helper ends; kernels without
  // them (before 5.3) get looked at every few milliseconds instead.
  const UniqueFd ended(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
  for (;;) {
    uint64_t reports = 0;
    if (read(doneFd, &reports, sizeof reports) == static_cast<ssize_t>(sizeof reports) && reports > 0) {
      std::lock_guard lock(finishedMutex);
      finishedHelpers.push_back(pid);
      return true;
    }
    int status = 0;
    const pid_t waited = waitpid(pid, &status, WNOHANG);
    if (waited == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (waited < 0 && errno != EINTR) return false;  // reaped elsewhere: no word on how it ended

    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      EndHelperProcess(pid);
      return false;
    }
    pollfd watch[2] = {{doneFd, POLLIN, 0}, {ended.get(), POLLIN, 0}};
    poll(watch, ended ? 2 : 1, static_cast<int>(std::min<long long>(left, ended ? 60'000 : 5)));
  }
}

void EndHelperProcess(pid_t pid) {
  kill(pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

void CollectEndedHelpers() {
  std::lock_guard lock(finishedMutex);
  std::erase_if(finishedHelpers, [](pid_t pid) {
    pid_t waited;
    while ((waited = waitpid(pid, nullptr, WNOHANG)) < 0 && errno == EINTR) {
    }
    return waited != 0;  // collected, or not ours to collect any more
  });
}

void EndFinishedHelpers() {
  std::lock_guard lock(finishedMutex);
  for (const pid_t pid : finishedHelpers) EndHelperProcess(pid);
  finishedHelpers.clear();
}

DecodeLimits DefaultDecodeLimits() {
  DecodeLimits helper;
  if (const char* text = std::getenv("PICTAVO_DECODE_TIMEOUT")) {
    char* end = nullptr;
    const long seconds = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && seconds >= 1 && seconds <= kMaxTimeoutSeconds)
      helper.timeout = std::chrono::seconds(seconds);
  }
  return helper;
}

std::string HelperExecutable(const char* name) {
  const std::string folder = ExecutableFolder();
  if (folder.empty()) return {};
  const std::string beside = folder + name;
  const std::string installed = folder + "../libexec/pictavo/" + name;
  if (access(beside.c_str(), X_OK) != 0 && access(installed.c_str(), X_OK) == 0) return installed;
  return beside;
}

}  // namespace pictavo
