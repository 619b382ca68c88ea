// pictavo_tree_peak RESULT -- COMMAND [ARGS...]
//
// Runs COMMAND and writes
// "<milliseconds> <largest process KiB> <tree KiB> <CPU milliseconds>" to RESULT:
//   milliseconds      wall time from start to exit
//   largest process   the largest peak RSS of any single process of the tree
//                     (the kernel's count, exact)
//   tree              the largest memory of the whole tree at one moment,
//                     polled every 2 ms: private and file pages of every
//                     process, plus the shared memory the system gained since
//                     the start. Shared memory (a decode handed over in a
//                     memfd) counts once, not once per process that maps it;
//                     library pages count once per process. Never below the
//                     largest process.
//   CPU milliseconds  user and system time of the tree (of every process that
//                     was waited for), steadier than wall time on a busy machine
// Exits with COMMAND's status.
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

// A "Key:  123 kB" line of a /proc file, in KiB; 0 when absent.
long ProcField(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line))
    if (line.compare(0, key.size(), key) == 0 && line.size() > key.size() && line[key.size()] == ':')
      return std::strtol(line.c_str() + key.size() + 1, nullptr, 10);
  return 0;
}

// Resident pages of one process except shared memory, which the caller
// counts once for the whole system.
long ResidentKiB(pid_t pid) {
  const std::string status = "/proc/" + std::to_string(pid) + "/status";
  return ProcField(status, "RssAnon") + ProcField(status, "RssFile");
}

long SystemShmemKiB() { return ProcField("/proc/meminfo", "Shmem"); }

// ResidentKiB of `pid` and of all its descendants.
long TreeKiB(pid_t pid) {
  long total = ResidentKiB(pid);
  std::error_code error;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream children(task.path() / "children");
    pid_t child;
    while (children >> child) total += TreeKiB(child);
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
    std::fprintf(stderr, "usage: %s RESULT -- COMMAND [ARGS...]\n", argv[0]);
    return 2;
  }
  const long shmemAtStart = SystemShmemKiB();
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) return 2;
  if (pid == 0) {
    execvp(argv[3], argv + 3);
    std::fprintf(stderr, "cannot run %s: %s\n", argv[3], std::strerror(errno));
    _exit(127);
  }

  long treePeak = 0;
  int status = 0;
  rusage usage{};
  for (;;) {
    // Sampled before reaping: once reaped, the tree is gone.
    const long shmem = SystemShmemKiB() - shmemAtStart;
    const long now = TreeKiB(pid) + (shmem > 0 ? shmem : 0);
    if (now > treePeak) treePeak = now;
    const pid_t done = wait4(pid, &status, WNOHANG, &usage);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return 2;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  // wait4 reports the larger of the child's own peak and its reaped
  // descendants' peaks.
  const long largest = usage.ru_maxrss;

  std::FILE* out = std::fopen(argv[1], "w");
  if (!out) return 2;
  const double cpu = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                     (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
  std::fprintf(out, "%.1f %ld %ld %.1f\n", ms, largest, treePeak > largest ? treePeak : largest, cpu);
  std::fclose(out);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
