#include "settings/safe_files.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace pictavo {

namespace {

const mode_t kUmaskAtStart = [] {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}();

// Pending files as a signal handler can see them: fixed slots, no
// allocation. `ready` is set only once the path is complete.
struct Slot {
  std::atomic<bool> taken{false};
  std::atomic<bool> ready{false};
  char path[PATH_MAX];
};
constexpr int kSlots = 16;
Slot slots[kSlots];

int Register(const std::string& path) {
  if (path.size() >= PATH_MAX) return -1;
  for (int i = 0; i < kSlots; ++i) {
    bool expected = false;
    if (!slots[i].taken.compare_exchange_strong(expected, true)) continue;
    std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
    slots[i].ready.store(true);
    return i;
  }
  return -1;  // more pending files than slots: still removed, just not on a signal
}

void Unregister(int slot) {
  if (slot < 0) return;
  slots[slot].ready.store(false);
  slots[slot].taken.store(false);
}

std::string FolderOfPath(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

mode_t ProcessUmask() { return kUmaskAtStart; }

PendingFile::PendingFile(std::string pattern) : path_(std::move(pattern)) {
  fd_ = mkostemp(path_.data(), O_CLOEXEC);
  if (fd_ < 0) return;
  slot_ = Register(path_);
}

PendingFile::~PendingFile() { Discard(); }

void PendingFile::Discard() {
  if (fd_ >= 0) {
    close(fd_);
    fd_ = -1;
    unlink(path_.c_str());
  }
  Unregister(slot_);
  slot_ = -1;
}

bool PendingFile::WriteAll(const char* bytes, size_t size) {
  if (fd_ < 0) return false;
  while (size > 0) {
    const ssize_t n = write(fd_, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool PendingFile::Commit(const std::string& target, mode_t mode) {
  if (fd_ < 0) return false;
  bool ok = fchmod(fd_, mode) == 0 && fsync(fd_) == 0;
  ok = close(fd_) == 0 && ok;
  fd_ = -1;
  if (ok) ok = std::rename(path_.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(path_.c_str());
    Unregister(slot_);
    slot_ = -1;
    return false;
  }
  Unregister(slot_);
  slot_ = -1;
  // The new file is in place; a folder that cannot be synced (some network
  // file systems) does not undo that.
  SyncFolder(FolderOfPath(target));
  return true;
}

void RemovePendingFiles() {
  for (Slot& slot : slots)
    if (slot.ready.load()) unlink(slot.path);
}

bool SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool ok = fsync(fd) == 0;
  close(fd);
  return ok;
}

}  // namespace pictavo
