// Per-user single-instance lock of the desktop window: an exclusive flock()
// on a file in a folder only the user can write to. The lock ends with the
// process, so a crashed window never blocks the next start.
#pragma once

#include <string>

namespace pictavo {

class InstanceLock {
 public:
  enum class Outcome {
    kAcquired,
    kHeldElsewhere,  // another window of this user runs
    kFailed,         // the lock cannot be taken: `problem` says why
  };

  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  Outcome Acquire(const std::string& name, std::string* problem = nullptr);
  void Release();
  bool held() const { return fd_ >= 0; }

  // The folder the lock lives in: $XDG_RUNTIME_DIR when it is the user's own
  // folder with mode 0700, else the user's cache folder ($XDG_CACHE_HOME or
  // ~/.cache, then "pictavo", made with mode 0700). "" when neither can be
  // found.
  static std::string LockFolder();
  // LockFolder() + name + ".lock".
  static std::string LockPath(const std::string& name);
  // LockFolder() + name + ".socket": where the window holding the lock
  // takes files opened while it runs (ui/window_handover.h). "" as above.
  static std::string SocketPath(const std::string& name);

 private:
  int fd_ = -1;
};

}  // namespace pictavo
