#include "engine/helper_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "engine/job.h"

extern char** environ;

namespace pictavo {

void HelperFd::reset() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

int HelperResultFile(const char* name) {
  const int fd = memfd_create(name, MFD_CLOEXEC);
  // The helper's descriptors 0 to 3 are set up from ours; one of ours already
  // sitting there (a program started with closed standard streams) would be
  // overwritten before it is handed on.
  if (fd < 0 || fd > kHelperResultFd) return fd;
  const int moved = fcntl(fd, F_DUPFD_CLOEXEC, kHelperResultFd + 1);
  close(fd);
  return moved;
}

bool SpawnHelperProcess(const std::string& executable, const std::vector<std::string>& args, int resultFd,
                        pid_t& pid) {
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) return false;
  // Standard streams lead nowhere: decoders print warnings that mean nothing
  // to the user. Nothing of ours but the result file reaches the helper,
  // whether or not it was opened close-on-exec.
  const bool prepared =
      posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
      posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0) == 0 &&
      posix_spawn_file_actions_adddup2(&actions, resultFd, kHelperResultFd) == 0 &&
      posix_spawn_file_actions_addclosefrom_np(&actions, kHelperResultFd + 1) == 0;

  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(executable.c_str()));
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  const bool started = prepared && posix_spawn(&pid, executable.c_str(), &actions, nullptr, argv.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  return started;
}

bool WaitForHelperProcess(pid_t pid, std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + timeout;
  // A pidfd becomes readable the moment the helper ends; kernels without
  // them (before 5.3) get looked at every few milliseconds instead.
  const HelperFd ended(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
  for (;;) {
    int status = 0;
    const pid_t waited = waitpid(pid, &status, WNOHANG);
    if (waited == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (waited < 0 && errno != EINTR) return false;  // reaped elsewhere: no word on how it ended

    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      return false;
    }
    pollfd watch{ended.get(), POLLIN, 0};
    poll(&watch, ended ? 1 : 0, static_cast<int>(std::min<long long>(left, ended ? 60'000 : 5)));
  }
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
