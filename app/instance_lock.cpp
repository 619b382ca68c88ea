#include "app/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace pictavo {

namespace {

// Only a folder the user owns and nobody else may write to keeps another
// user from planting or holding the lock file.
bool IsPrivateFolder(const std::string& folder) {
  struct stat st {};
  return lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
         (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

std::string AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] == '/' ? value : "";
}

}  // namespace

InstanceLock::~InstanceLock() { Release(); }

std::string InstanceLock::LockFolder() {
  const std::string runtime = AbsoluteEnv("XDG_RUNTIME_DIR");
  if (!runtime.empty() && IsPrivateFolder(runtime)) return runtime + "/";
  std::string cache = AbsoluteEnv("XDG_CACHE_HOME");
  if (cache.empty()) {
    const std::string home = AbsoluteEnv("HOME");
    if (home.empty()) return "";
    cache = home + "/.cache";
  }
  mkdir(cache.c_str(), 0700);
  const std::string folder = cache + "/pictavo";
  mkdir(folder.c_str(), 0700);
  return IsPrivateFolder(folder) ? folder + "/" : "";
}

std::string InstanceLock::LockPath(const std::string& name) {
  const std::string folder = LockFolder();
  return folder.empty() ? "" : folder + name + ".lock";
}

std::string InstanceLock::SocketPath(const std::string& name) {
  const std::string folder = LockFolder();
  return folder.empty() ? "" : folder + name + ".socket";
}

InstanceLock::Outcome InstanceLock::Acquire(const std::string& name, std::string* problem) {
  Release();
  auto failed = [problem](const std::string& why) {
    if (problem) *problem = why;
    return Outcome::kFailed;
  };
  const std::string path = LockPath(name);
  if (path.empty()) return failed("no folder of this user's own for the window's lock");
  // A link planted in its place is never followed, and a file of another
  // user's is never taken for ours.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
  if (fd < 0) return failed("cannot open the lock " + path + ": " + std::strerror(errno));
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != getuid()) {
    close(fd);
    return failed("the lock " + path + " is not this user's file");
  }
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    if (error == EWOULDBLOCK) return Outcome::kHeldElsewhere;
    return failed("cannot lock " + path + ": " + std::strerror(error));
  }
  fd_ = fd;
  return Outcome::kAcquired;
}

void InstanceLock::Release() {
  if (fd_ >= 0) {
    close(fd_);  // closing drops the flock
    fd_ = -1;
  }
}

}  // namespace pictavo
