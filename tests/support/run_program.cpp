#include "tests/support/run_program.h"


#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <cstring>
#include <thread>

#ifndef PICTAVO_EXECUTABLE
#error "PICTAVO_EXECUTABLE must name the built program"
#endif

extern char** environ;

namespace pictavo::test {

namespace {

// In the child: becomes `program` with `args`, or ends with status 127.
[[noreturn]] void ExecProgram(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  execve(program.c_str(), argv.data(), environ);
  _exit(127);
}

}  // namespace

ProgramResult RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env,
                         const std::string& workingDir, int timeoutSeconds, const std::string& executable) {
  ProgramResult result;
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return result;
  const std::string program = executable.empty() ? PICTAVO_EXECUTABLE : executable;

  pid_t pid = fork();
  if (pid == 0) {
    int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, STDIN_FILENO);
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errPipe[1], STDERR_FILENO);
    close(outPipe[0]);
    close(errPipe[0]);
    if (!workingDir.empty() && chdir(workingDir.c_str()) != 0) _exit(126);
    for (const std::string& e : env) putenv(strdup(e.c_str()));
    ExecProgram(program, args);
  }
  close(outPipe[1]);
  close(errPipe[1]);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  int open = 2;
  while (open > 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    if (poll(fds, 2, static_cast<int>(left.count())) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
      }
    }
  }
  for (auto& fd : fds)
    if (fd.fd >= 0) close(fd.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;

  size_t start = 0;
  while (start < result.out.size()) {
    size_t end = result.out.find('\n', start);
    if (end == std::string::npos) end = result.out.size();
    result.lines.push_back(result.out.substr(start, end - start));
    start = end + 1;
  }
  return result;
}

int SpawnProgram(const std::vector<std::string>& args) {
  const std::string program = PICTAVO_EXECUTABLE;
  const pid_t pid = fork();
  if (pid == 0) {
    const int devnull = open("/dev/null", O_RDWR);
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) dup2(devnull, fd);
    // Whoever started the tests may ignore these (a background job ignores
    // SIGINT); the program under test gets them as a terminal would send them.
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, SIG_DFL);
    ExecProgram(program, args);
  }
  return pid;
}

int WaitForProgram(int pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

int CopyWritingInto(int pid, const std::string& folder, int seconds) {
  const std::string children = "/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/children";
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    std::ifstream list(children);
    for (int copy; list >> copy;) {
      std::error_code error;
      for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(copy) + "/fd", error)) {
        std::error_code unreadable;
        if (std::filesystem::read_symlink(fd.path(), unreadable).string().starts_with(folder + "/")) return copy;
      }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return -1;
}

}  // namespace pictavo::test
