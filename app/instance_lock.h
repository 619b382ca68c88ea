// Per-user single-instance lock of the desktop window: an exclusive flock()
// on a file in the runtime folder. The lock ends with the process, so a
// crashed window never blocks the next start.
#pragma once

#include <string>

namespace pictavo {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // False when another holder has it (or the lock file cannot be made).
  bool Acquire(const std::string& name);
  void Release();
  bool held() const { return fd_ >= 0; }

  // $XDG_RUNTIME_DIR, else the temporary folder, + "/" + name + ".lock".
  static std::string LockPath(const std::string& name);

 private:
  int fd_ = -1;
};

}  // namespace pictavo
