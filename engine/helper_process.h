// Starting and waiting for the helper processes that read untrusted files
// (the decoder, the metadata reader): each gets /dev/null for its standard
// streams, a result file as descriptor 3 and nothing else of ours.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <utility>
#include <vector>

namespace pictavo {

// The descriptor a helper finds its result file under.
inline constexpr int kHelperResultFd = 3;

// An owned descriptor.
class HelperFd {
 public:
  explicit HelperFd(int fd = -1) : fd_(fd) {}
  ~HelperFd() { reset(); }
  HelperFd(const HelperFd&) = delete;
  HelperFd& operator=(const HelperFd&) = delete;
  HelperFd(HelperFd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  void reset();
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// A new, empty shared memory file for a helper's result, close-on-exec and
// above the descriptors a helper's are set up from; -1 on failure.
int HelperResultFile(const char* name);

// Starts `executable` with `args` (after its own name) and `resultFd` as its
// descriptor 3.
bool SpawnHelperProcess(const std::string& executable, const std::vector<std::string>& args, int resultFd,
                        pid_t& pid);

// Waits for the helper to end, killing it when its time is up. True when it
// ended by itself with status 0.
bool WaitForHelperProcess(pid_t pid, std::chrono::milliseconds timeout);

// The helper `name` beside the running program, or in ../libexec/pictavo
// from it in an installed tree.
std::string HelperExecutable(const char* name);

}  // namespace pictavo
