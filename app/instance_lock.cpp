#include "app/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace pictavo {

InstanceLock::~InstanceLock() { Release(); }

std::string InstanceLock::LockPath(const std::string& name) {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string folder = (runtime && runtime[0] == '/') ? runtime : "/tmp";
  // Outside a runtime folder the lock must still be per user.
  if (!(runtime && runtime[0] == '/')) return folder + "/" + name + "-" + std::to_string(getuid()) + ".lock";
  return folder + "/" + name + ".lock";
}

bool InstanceLock::Acquire(const std::string& name) {
  Release();
  int fd = open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return false;
  }
  fd_ = fd;
  return true;
}

void InstanceLock::Release() {
  if (fd_ >= 0) {
    close(fd_);  // closing drops the flock
    fd_ = -1;
  }
}

}  // namespace pictavo
