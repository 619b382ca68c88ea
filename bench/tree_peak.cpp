// pictavo_tree_peak [--time] RESULT -- COMMAND [ARGS...]
//
// Runs COMMAND and writes
// "<milliseconds> <largest process KiB> <tree KiB> <CPU milliseconds> <summed KiB>"
// to RESULT:
//   milliseconds      wall time from start to exit
//   largest process   the largest peak RSS of any single process of the tree
//                     (the kernel's count, exact)
//   tree              the largest memory of the whole tree at one moment,
//                     polled every 2 ms: every page that a process of the
//                     tree has in memory counts once, however many of its
//                     processes map it (a forked child shares its parent's
//                     pages until it writes them, and processes share the
//                     pages of their libraries), plus the shared memory the
//                     system gained since the start (a decode handed over in
//                     a memfd). Pages are told apart by their frame numbers
//                     (/proc/PID/pagemap), which only root can read; without
//                     them "tree" is the summed figure below. Never below the
//                     largest process.
//   CPU milliseconds  user and system time of the tree (of every process that
//                     was waited for), steadier than wall time on a busy machine
//   summed            the same peak with each process's resident pages
//                     summed: pages several processes map count once per
//                     process
// With --time the tree is not polled: the meter waits for COMMAND without
// taking any of the machine's time from it, and the wall time ends the moment
// it exits instead of at the next poll. "tree" and "summed" are then the
// largest process's peak. Time with --time, memory without.
// Exits with COMMAND's status.
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

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

// `pid` and all its descendants.
void CollectTree(pid_t pid, std::vector<pid_t>& tree) {
  tree.push_back(pid);
  std::error_code error;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
    std::ifstream children(task.path() / "children");
    pid_t child;
    while (children >> child) CollectTree(child, tree);
  }
}

// Adds the frame numbers of the present pages of `pid` to `frames`, except
// those of shared memory, which the caller counts from the system's total.
// False when frame numbers cannot be read (not root).
bool CollectFrames(pid_t pid, std::unordered_set<uint64_t>& frames) {
  const std::string proc = "/proc/" + std::to_string(pid);
  std::ifstream maps(proc + "/maps");
  const int pagemap = open((proc + "/pagemap").c_str(), O_RDONLY | O_CLOEXEC);
  if (pagemap < 0) return true;  // the process has just ended
  const uint64_t page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
  bool readable = true;
  std::vector<uint64_t> entries;
  std::string line;
  while (readable && std::getline(maps, line)) {
    std::istringstream fields(line);
    std::string range, perms, offset, device, inode, path;
    fields >> range >> perms >> offset >> device >> inode;
    std::getline(fields >> std::ws, path);
    if (perms.compare(0, 3, "---") == 0 || path.rfind("/memfd:", 0) == 0 || path.rfind("/dev/shm/", 0) == 0 ||
        path.rfind("/SYSV", 0) == 0 || path == "[vvar]" || path == "[vdso]" || path == "[vsyscall]" ||
        perms[3] == 's')
      continue;
    const uint64_t start = std::stoull(range, nullptr, 16);
    const uint64_t end = std::stoull(range.substr(range.find('-') + 1), nullptr, 16);
    entries.resize((end - start) / page);
    const ssize_t got = pread(pagemap, entries.data(), entries.size() * sizeof(uint64_t),
                              static_cast<off_t>(start / page * sizeof(uint64_t)));
    for (ssize_t i = 0; i < got / static_cast<ssize_t>(sizeof(uint64_t)); ++i) {
      const uint64_t entry = entries[static_cast<size_t>(i)];
      if (!(entry >> 63)) continue;  // not present
      const uint64_t frame = entry & ((uint64_t{1} << 55) - 1);
      if (frame == 0) {
        readable = false;
        break;
      }
      frames.insert(frame);
    }
  }
  close(pagemap);
  return readable;
}

struct Sample {
  long summed = 0;  // KiB, each process's pages counted
  long unique = 0;  // KiB, each page counted once; -1 without frame numbers
};

Sample TreeSample(pid_t pid) {
  std::vector<pid_t> tree;
  CollectTree(pid, tree);
  Sample sample;
  std::unordered_set<uint64_t> frames;
  bool framesReadable = true;
  for (pid_t member : tree) {
    sample.summed += ResidentKiB(member);
    if (framesReadable) framesReadable = CollectFrames(member, frames);
  }
  sample.unique = framesReadable ? static_cast<long>(frames.size() * (sysconf(_SC_PAGESIZE) / 1024)) : -1;
  return sample;
}

}  // namespace

int main(int argc, char** argv) {
  const bool timeOnly = argc > 1 && std::strcmp(argv[1], "--time") == 0;
  if (timeOnly) {
    --argc;
    ++argv;
  }
  if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
    std::fprintf(stderr, "usage: %s [--time] RESULT -- COMMAND [ARGS...]\n", argv[0]);
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

  long summedPeak = 0;
  long uniquePeak = 0;
  bool framesReadable = true;
  int status = 0;
  rusage usage{};
  while (timeOnly) {
    const pid_t done = wait4(pid, &status, 0, &usage);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return 2;
  }
  while (!timeOnly) {
    // Sampled before reaping: once reaped, the tree is gone.
    const long shmem = std::max(SystemShmemKiB() - shmemAtStart, 0L);
    const Sample sample = TreeSample(pid);
    summedPeak = std::max(summedPeak, sample.summed + shmem);
    if (sample.unique < 0) framesReadable = false;
    else uniquePeak = std::max(uniquePeak, sample.unique + shmem);
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
  const long treePeak = framesReadable ? uniquePeak : summedPeak;
  std::fprintf(out, "%.1f %ld %ld %.1f %ld\n", ms, largest, std::max(treePeak, largest), cpu,
               std::max(summedPeak, largest));
  std::fclose(out);
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
